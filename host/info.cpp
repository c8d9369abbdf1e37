#include "host/info.h"

#include <string>

#include "host/state_file.h"

namespace host {

namespace {

const char* category_name(VstIntPtr c) {
    static const char* const names[] = {"unknown",   "effect",          "synth",
                                        "analysis",  "mastering",       "spacializer",
                                        "room fx",   "surround fx",     "restoration",
                                        "offline",   "shell",           "generator"};
    return c >= 0 && c < VstIntPtr(sizeof names / sizeof names[0]) ? names[c] : "?";
}

}  // namespace

void print_info(plugin& p, std::FILE* out) {
    AEffect* fx = p.effect();
    std::fprintf(out, "Effect name:     %s\n", p.effect_name().c_str());
    std::fprintf(out, "Vendor:          %s\n", p.vendor().c_str());
    std::fprintf(out, "Product:         %s\n", p.product().c_str());
    std::fprintf(out, "Vendor version:  %ld\n", long(p.dispatch(effGetVendorVersion)));
    std::fprintf(out, "Unique ID:       %s (0x%08X)\n", unique_id_text(fx->uniqueID).c_str(),
                 unsigned(fx->uniqueID));
    std::fprintf(out, "Version:         %d\n", fx->version);
    std::fprintf(out, "VST version:     %ld\n", long(p.dispatch(effGetVstVersion)));
    std::fprintf(out, "Category:        %s\n", category_name(p.dispatch(effGetPlugCategory)));
    std::fprintf(out, "Flags:           0x%X\n", unsigned(fx->flags));
    std::fprintf(out, "Inputs/outputs:  %d/%d\n", fx->numInputs, fx->numOutputs);
    std::fprintf(out, "Initial delay:   %d\n", fx->initialDelay);
    std::fprintf(out, "Programs:        %d\n", fx->numPrograms);
    std::fprintf(out, "Parameters:      %d\n", fx->numParams);

    std::fprintf(out, "\nParameters (index, name, label, display, value):\n");
    for (int i = 0; i < fx->numParams; ++i)
        std::fprintf(out, "  %3d  %-8s  %-8s  %-8s  %.6f\n", i, p.param_name(i).c_str(),
                     p.param_label(i).c_str(), p.param_display(i).c_str(),
                     double(fx->getParameter(fx, i)));

    std::fprintf(out, "\nPrograms (current %ld):\n", long(p.dispatch(effGetProgram)));
    for (int i = 0; i < fx->numPrograms; ++i)
        std::fprintf(out, "  %3d  %s\n", i, p.program_name(i).c_str());

    std::fprintf(out, "\nCapabilities:\n");
    for (const char* what : {"sendVstEvents", "sendVstMidiEvent", "receiveVstEvents",
                             "receiveVstMidiEvent", "receiveVstTimeInfo", "midiProgramNames",
                             "offline", "bypass"})
        std::fprintf(out, "  %-20s %d\n", what, p.can_do(what));
    for (int pin = 0; pin < fx->numOutputs; ++pin) {
        VstPinProperties props{};
        if (p.dispatch(effGetOutputProperties, pin, 0, &props))
            std::fprintf(out, "  output %d: %.*s (flags %d)\n", pin,
                         int(sizeof props.label), props.label, props.flags);
    }
}

}  // namespace host

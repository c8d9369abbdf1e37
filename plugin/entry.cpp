// The library's only exported symbols: hosts look for VSTPluginMain, older ones for main.
#include <new>

#include "plugin/kaveos.h"

namespace {

AEffect* create_effect(audioMasterCallback audio_master) {
    if (!audio_master) return nullptr;
    if (audio_master(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    try {
        auto* fx = new Kaveos(audio_master);
        return fx->getAeffect();
    } catch (...) {
        return nullptr;
    }
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback audio_master) {
    return create_effect(audio_master);
}

// A C function may not be called main in C++, so the symbol gets its name from the assembler.
__attribute__((visibility("default"))) AEffect* kaveo_legacy_main(audioMasterCallback audio_master)
    __asm__("main");
AEffect* kaveo_legacy_main(audioMasterCallback audio_master) { return create_effect(audio_master); }

}

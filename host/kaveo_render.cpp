// kaveo-render: a command-line host for VST 2.x instruments.
#include <cstdio>
#include <cstring>
#include <string>

#include "host/info.h"
#include "host/vst_host.h"

namespace {

void usage(std::FILE* out) {
    std::fprintf(out,
                 "usage: kaveo-render --info [PLUGIN]\n"
                 "  --info     print the plug-in's identity, parameters, programs and\n"
                 "             capabilities as a host sees them\n"
                 "  PLUGIN     a VST 2.x shared library (default: %s)\n",
                 host::default_plugin_path().c_str());
}

}  // namespace

int main(int argc, char** argv) {
    bool info = false;
    std::string path;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--info") {
            info = true;
        } else if (a == "-h" || a == "--help") {
            usage(stdout);
            return 0;
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "kaveo-render: unknown option %s\n", a.c_str());
            usage(stderr);
            return 2;
        } else {
            path = a;
        }
    }
    if (!info) {
        usage(stderr);
        return 2;
    }
    if (path.empty()) path = host::default_plugin_path();
    std::string error;
    auto p = host::plugin::load(path, error);
    if (!p) {
        std::fprintf(stderr, "kaveo-render: %s\n", error.c_str());
        return 1;
    }
    p->start(44100.0, 512);
    std::printf("Plug-in:         %s\n", path.c_str());
    host::print_info(*p, stdout);
    return 0;
}

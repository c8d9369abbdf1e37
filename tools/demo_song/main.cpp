// kaveo-demo-song: writes the demo song, a standard MIDI file, to the path given.
#include <cstdio>
#include <exception>
#include <fstream>

#include "tools/demo_song/demo_song.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kaveo-demo-song OUT.mid\n");
        return 2;
    }
    try {
        std::vector<uint8_t> song = demo::compose();
        std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(song.data()), std::streamsize(song.size()));
        out.close();
        if (!out) {
            std::fprintf(stderr, "kaveo-demo-song: cannot write %s\n", argv[1]);
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kaveo-demo-song: %s\n", e.what());
        return 1;
    }
    return 0;
}

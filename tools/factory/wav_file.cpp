#include "tools/factory/wav_file.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace factory {

namespace {
void put32(std::ofstream& f, uint32_t v) {
    char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    f.write(b, 4);
}
void put16(std::ofstream& f, uint16_t v) {
    char b[2] = {char(v), char(v >> 8)};
    f.write(b, 2);
}
}  // namespace

void write_wav(const std::string& path, const std::vector<float>& samples, int rate) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!f) throw std::runtime_error("cannot create " + path);
    // Float data takes the 18-byte format chunk and a "fact" chunk with the frame count.
    uint32_t data_bytes = uint32_t(samples.size() * 4);
    f.write("RIFF", 4);
    put32(f, 4 + (8 + 18) + (8 + 4) + (8 + data_bytes));
    f.write("WAVEfmt ", 8);
    put32(f, 18);
    put16(f, 3);  // IEEE float
    put16(f, 1);
    put32(f, uint32_t(rate));
    put32(f, uint32_t(rate) * 4);
    put16(f, 4);
    put16(f, 32);
    put16(f, 0);  // no extension
    f.write("fact", 4);
    put32(f, 4);
    put32(f, uint32_t(samples.size()));
    f.write("data", 4);
    put32(f, data_bytes);
    for (float v : samples) {
        uint32_t bits;
        static_assert(sizeof bits == sizeof v);
        std::memcpy(&bits, &v, 4);
        put32(f, bits);
    }
    f.flush();
    if (!f) throw std::runtime_error("cannot write " + path);
}

}  // namespace factory

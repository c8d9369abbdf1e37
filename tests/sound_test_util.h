// Helpers for the sound-data tests: a byte builder for hand-made records and files, a
// temporary folder, and test signals.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "sound/program.h"

namespace test {

// Little-endian items appended by hand, independent of the streams under test.
struct bytes {
    std::vector<unsigned char> b;

    bytes& u8(unsigned v) { b.push_back(static_cast<unsigned char>(v)); return *this; }
    bytes& le16(uint32_t v) { return u8(v & 0xFF).u8(v >> 8 & 0xFF); }
    bytes& le32(uint32_t v) { return le16(v & 0xFFFF).le16(v >> 16); }
    bytes& be16(uint32_t v) { return u8(v >> 8 & 0xFF).u8(v & 0xFF); }
    bytes& be32(uint32_t v) { return be16(v >> 16).be16(v & 0xFFFF); }
    bytes& lng(int32_t v) { return le32(uint32_t(v)); }
    bytes& flt(float v) {
        uint32_t u;
        std::memcpy(&u, &v, 4);
        return le32(u);
    }
    bytes& dbl(double v) {
        uint64_t u;
        std::memcpy(&u, &v, 8);
        return le32(uint32_t(u)).le32(uint32_t(u >> 32));
    }
    bytes& str(const std::string& s) {
        lng(int32_t(s.size()));
        return raw(s);
    }
    bytes& raw(const std::string& s) {
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    bytes& append(const bytes& o) {
        b.insert(b.end(), o.b.begin(), o.b.end());
        return *this;
    }
    size_t size() const { return b.size(); }
};

// A folder that exists for one test.
class temp_folder {
public:
    temp_folder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kaveo-test-XXXXXX").string();
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        root = ::mkdtemp(name.data());
    }
    ~temp_folder() {
        std::error_code ec;
        std::filesystem::permissions(root, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(root, ec);
    }
    std::filesystem::path operator/(const std::string& name) const { return root / name; }
    const std::filesystem::path& path() const { return root; }
    // Files whose names begin with prefix.
    size_t count_files(const std::string& prefix) const {
        size_t n = 0;
        for (const auto& e : std::filesystem::directory_iterator(root))
            if (e.path().filename().string().rfind(prefix, 0) == 0) ++n;
        return n;
    }

private:
    std::filesystem::path root;
};

inline void write_file(const std::filesystem::path& p, const std::vector<unsigned char>& data) {
    std::ofstream f(p, std::ios::binary);
    f.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

inline std::vector<unsigned char> read_file(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(f), {});
}

inline std::vector<float> sine(int frames, double hz, double rate, double amplitude = 0.8,
                               double phase = 0.0) {
    std::vector<float> v(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i)
        v[size_t(i)] = float(amplitude * std::sin(2.0 * std::numbers::pi * hz * i / rate + phase));
    return v;
}

inline std::vector<float> noise(int frames, uint32_t seed, double amplitude = 0.5) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> d(-amplitude, amplitude);
    std::vector<float> v(static_cast<size_t>(frames));
    for (float& x : v) x = float(d(gen));
    return v;
}

inline sample_data make_sample(std::vector<float> values, int rate) {
    sample_data s(int32_t(values.size()), rate);
    s.data = std::move(values);
    return s;
}

// A program with short recorded samples in several slots, analysis lists and unusual
// values everywhere a field can differ from the default.
inline program program_with_samples() {
    program p;
    p.name = "Glass harp \xC3\xA9";
    p.waves.names = {"Bowls", "Breath"};
    sample_data a = make_sample(sine(300, 441.0, 44100.0), 44100);
    a.xpose = -7;
    a.finetune = 33;
    a.period_map = {{12, 100.25, 0.9}, {150, 99.75, 0.8}};
    a.pitch_marks = {-0.5, 99.5, 199.5};
    p.waves.waves[0].samples[0] = a;
    p.waves.waves[0].names[0] = "bowl-c4.wav";
    sample_data b = make_sample(noise(77, 7), 22050);
    b.xpose = 24;
    b.finetune = 100;
    p.waves.waves[0].samples[5] = b;
    p.waves.waves[0].names[5] = "hiss.aif";
    p.waves.waves[1].samples[7] = make_sample(sine(10, 1000.0, 48000.0), 48000);
    for (int k = 0; k < 128; ++k) {
        p.waves.waves[0].keymap[size_t(k)] = k % 8;
        p.waves.waves[1].keymap[size_t(k)] = 7 - k % 8;
    }
    for (int i = 0; i < timbre::count; ++i) p.params.set_value(i, float(i) / 100.0f);
    return p;
}

}  // namespace test

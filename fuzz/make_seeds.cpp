// Writes the fuzz seeds: a few small, valid inputs of every kind each target reads,
// made by the project's own writer or laid out by hand for the older and odder forms.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "sound/bank.h"
#include "sound_test_util.h"

namespace fs = std::filesystem;
using test::bytes;

namespace {

fs::path root;

void put(const std::string& kind, const std::string& name, const std::vector<unsigned char>& data) {
    fs::create_directories(root / kind);
    test::write_file(root / kind / name, data);
}

std::vector<unsigned char> record_of(const program& p) {
    std::vector<unsigned char> out(size_t(p.record_size()));
    mem_serializer m(out.data(), int64_t(out.size()));
    p.serialize(m);
    return out;
}

std::vector<unsigned char> bank_of(const std::vector<program>& programs) {
    countizer c;
    write_bank(c, programs);
    std::vector<unsigned char> out(size_t(c.count()));
    mem_serializer m(out.data(), int64_t(out.size()));
    write_bank(m, programs);
    return out;
}

// An old record with one short sample in slot 1 of the first set.
bytes old_record(int32_t version, int sets, int values) {
    bytes r;
    r.lng(version).str("Old");
    for (int w = 0; w < sets; ++w) {
        r.str(w == 0 ? "UserA" : "");
        for (int s = 0; s < 8; ++s) {
            int frames = (w == 0 && s == 1) ? 48 : 0;
            r.lng(frames).lng(22050).lng(s - 3).lng(10 * s);
            for (int i = 0; i < frames; ++i) r.flt(float(0.5 * std::sin(i * 0.7)));
            if (version != 0x200) {
                r.lng(frames ? 1 : 0);
                if (frames) r.lng(24).dbl(9.0).dbl(0.9);
                r.lng(frames ? 2 : 0);
                if (frames) r.dbl(3.5).dbl(12.5);
            }
            r.str(frames ? "blip.wav" : "(empty)");
        }
        for (int k = 0; k < 128; ++k) r.lng(k % 3);
    }
    r.lng(values);
    for (int i = 0; i < values; ++i) r.flt(float(i % 10) / 10.0f);
    return r;
}

bytes wav(int tag, int channels, int bits, int frames, bool extensible, bool odd_chunk) {
    int bytes_per_sample = (bits + 7) / 8, align = bytes_per_sample * channels;
    bytes body;
    if (extensible) {
        body.raw("fmt ").le32(40).le16(0xFFFE).le16(uint32_t(channels)).le32(44100).le32(44100u * uint32_t(align))
            .le16(uint32_t(align)).le16(uint32_t(bits)).le16(22).le16(uint32_t(bits)).le32(3).le16(uint32_t(tag))
            .raw(std::string("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14));
    } else {
        body.raw("fmt ").le32(tag == 3 ? 18 : 16).le16(uint32_t(tag)).le16(uint32_t(channels)).le32(44100)
            .le32(44100u * uint32_t(align)).le16(uint32_t(align)).le16(uint32_t(bits));
        if (tag == 3) body.le16(0).raw("fact").le32(4).le32(uint32_t(frames));
    }
    if (odd_chunk) body.raw("LIST").le32(5).raw("INFOx").u8(0);
    body.raw("data").le32(uint32_t(frames * align));
    for (int i = 0; i < frames * channels; ++i) {
        double v = 0.8 * std::sin(i * 0.3);
        if (tag == 3) body.flt(float(v));
        else if (bits == 8) body.u8(uint32_t(128 + std::lround(v * 127)));
        else {
            int64_t q = std::llround(v * std::ldexp(1.0, bits - 1));
            for (int b = 0; b < bytes_per_sample; ++b) body.u8(uint32_t(q >> (8 * b)) & 0xFF);
        }
    }
    bytes file;
    file.raw("RIFF").le32(uint32_t(4 + body.size())).raw("WAVE").append(body);
    return file;
}

bytes aiff(int channels, int bits, int frames, bool comment) {
    int bytes_per_sample = (bits + 7) / 8;
    bytes body;
    if (comment) body.raw("COMT").be32(7).raw("comment").u8(0);
    body.raw("COMM").be32(18).be16(uint32_t(channels)).be32(uint32_t(frames)).be16(uint32_t(bits))
        .be16(0x400E).be32(0xAC440000).be32(0);
    body.raw("SSND").be32(uint32_t(8 + frames * channels * bytes_per_sample)).be32(0).be32(0);
    for (int i = 0; i < frames * channels; ++i) {
        int64_t q = std::llround(0.8 * std::sin(i * 0.3) * std::ldexp(1.0, bits - 1));
        for (int b = bytes_per_sample - 1; b >= 0; --b) body.u8(uint32_t(q >> (8 * b)) & 0xFF);
    }
    bytes file;
    file.raw("FORM").be32(uint32_t(4 + body.size())).raw("AIFF").append(body);
    return file;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds FOLDER\n");
        return 2;
    }
    root = argv[1];

    program small;
    small.name = "Seed";
    small.waves.names = {"A", "B"};
    sample_data s = test::make_sample(test::sine(40, 441.0, 44100.0), 44100);
    s.period_map = {{20, 100.0, 0.9}};
    s.pitch_marks = {0.5, 10.5};
    s.xpose = 3;
    small.waves.waves[0].samples[0] = s;
    small.waves.waves[0].names[0] = "sine.wav";
    for (int k = 0; k < 128; ++k) small.waves.waves[0].keymap[size_t(k)] = k % 8;

    put("program", "default", record_of(program()));
    put("program", "small", record_of(small));
    put("program", "v100", old_record(0x100, 8, 60).b);
    put("program", "v200", old_record(0x200, 2, 83).b);
    put("program", "v300", old_record(0x300, 2, 83).b);
    put("program", "v700", old_record(0x700, 2, 86).b);

    put("bank", "defaults", bank_of(std::vector<program>(2)));
    put("bank", "mixed", bank_of({small, program(), small}));
    bytes factory;
    bytes r0 = old_record(0x300, 2, 83), r1 = old_record(0x500, 2, 40);
    factory.le32(0xBABA0002u).lng(2).str("Old").lng(int32_t(r0.size())).str("Old").lng(int32_t(r1.size()))
        .append(r0).append(r1);
    put("bank", "factory", factory.b);

    for (int bits : {8, 16, 24, 32}) {
        put("wav", "pcm" + std::to_string(bits) + "-mono", wav(1, 1, bits, 24, false, false).b);
        put("wav", "pcm" + std::to_string(bits) + "-stereo", wav(1, 2, bits, 16, bits > 16, bits == 8).b);
        put("aiff", "pcm" + std::to_string(bits) + "-mono", aiff(1, bits, 24, bits == 16).b);
        put("aiff", "pcm" + std::to_string(bits) + "-stereo", aiff(2, bits, 16, false).b);
    }
    put("wav", "float", wav(3, 1, 32, 20, false, true).b);
    put("wav", "float-extensible", wav(3, 2, 32, 10, true, false).b);
    return 0;
}

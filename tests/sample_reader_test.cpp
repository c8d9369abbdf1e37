// WAV and AIFF import: files written by sox (an independent writer) in every width, and
// hand-made headers for the corner cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/aiff_reader.h"
#include "engine/wav_reader.h"
#include "sound_test_util.h"

namespace {

using test::bytes;

constexpr int frames = 3000;

// prefix + n + suffix (built step by step: g++ 12 warns falsely on "literal" + string).
std::string numbered(const char* prefix, int n, const char* suffix) {
    std::string s(prefix);
    s += std::to_string(n);
    s += suffix;
    return s;
}

// Left: a 441 Hz sine with exact values in front; right: something else entirely.
std::vector<float> left_channel() {
    std::vector<float> v = test::sine(frames, 441.0, 44100.0, 0.6);
    v[0] = 0.0f;
    v[1] = 0.25f;
    v[2] = -0.5f;
    v[3] = 0.75f;
    v[4] = -1.0f;
    return v;
}

class SoxFiles : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<float> left = left_channel(), right = test::noise(frames, 2, 0.9);
        bytes raw;
        for (int i = 0; i < frames; ++i) raw.flt(left[size_t(i)]).flt(right[size_t(i)]);
        test::write_file(dir / "in.raw", raw.b);
    }

    // Converts the raw stereo float input with sox (no dither) into name.
    std::filesystem::path make(const std::string& name, const std::string& format, int channels = 2,
                               int rate = 44100) {
        auto out = dir / name;
        std::string cmd = "sox -t raw -r " + std::to_string(rate) +
                          " -e floating-point -b 32 -c 2 -L " + (dir / "in.raw").string() + " -D " + format +
                          " " + out.string() + (channels == 1 ? " remix 1" : "") + " 2>&1";
        EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
        return out;
    }

    void expect_left_channel(sample_reader& r, double step, int channels = 2, int rate = 44100) {
        ASSERT_FALSE(r.parse_failed());
        EXPECT_FALSE(r.error());
        EXPECT_EQ(r.channel_count(), channels);
        EXPECT_EQ(r.sample_rate(), rate);
        ASSERT_EQ(r.frame_count(), frames);
        sample_data s = sample_from_reader(r);
        EXPECT_EQ(s.frames, frames);
        EXPECT_EQ(s.rate, rate);
        EXPECT_EQ(s.xpose, 0);
        EXPECT_EQ(s.finetune, 0);
        std::vector<float> want = left_channel();
        for (int i = 0; i < frames; ++i) ASSERT_NEAR(s.data[size_t(i)], want[size_t(i)], step) << i;
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(s.data[size_t(i)], want[size_t(i)], step * 0.51) << i;
        // Reading on past the end gives zeros.
        float more[3] = {9, 9, 9};
        r.read(more, 3);
        EXPECT_EQ(more[0], 0.0f);
        EXPECT_EQ(more[2], 0.0f);
    }

    test::temp_folder dir;
};

TEST_F(SoxFiles, WavInEveryWidth) {
    for (int bits : {8, 16, 24, 32}) {
        SCOPED_TRACE(bits);
        const char* encoding = bits == 8 ? "-e unsigned-integer -b " : "-e signed-integer -b ";
        wav_reader r(make(numbered("t", bits, ".wav"), numbered(encoding, bits, "")));
        expect_left_channel(r, std::max(1.01 / std::pow(2.0, bits - 1), 6e-8));
        EXPECT_FALSE(r.is_float());
    }
    wav_reader f(make("tf.wav", "-e floating-point -b 32"));  // an 18-byte "fmt " and a "fact"
    expect_left_channel(f, 1e-7);
    EXPECT_TRUE(f.is_float());
    wav_reader m(make("mono.wav", "-b 16", 1, 22050));
    expect_left_channel(m, 1.01 / 32768, 1, 22050);
}

TEST_F(SoxFiles, AiffInEveryWidth) {
    for (int bits : {8, 16, 24, 32}) {
        SCOPED_TRACE(bits);
        aiff_reader r(make(numbered("t", bits, ".aiff"), numbered("-e signed-integer -b ", bits, "")));
        expect_left_channel(r, std::max(1.01 / std::pow(2.0, bits - 1), 6e-8));
    }
    aiff_reader m(make("mono.aif", "-b 16", 1, 96000));
    expect_left_channel(m, 1.01 / 32768, 1, 96000);
}

TEST_F(SoxFiles, EachReaderRefusesTheOtherFormat) {
    auto wav = make("x.wav", "-b 16");
    auto aiff = make("x.aiff", "-b 16");
    EXPECT_TRUE(aiff_reader(wav).parse_failed());
    EXPECT_TRUE(wav_reader(aiff).parse_failed());
    auto found = open_sample_file(aiff);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->frame_count(), frames);
    // Big-endian "RIFX" WAV and AIFF-C are neither.
    EXPECT_FALSE(open_sample_file(make("x.rifx.wav", "-b 16 -B")));
    EXPECT_FALSE(open_sample_file(make("x.aifc", "-b 16")));
    EXPECT_FALSE(open_sample_file(dir / "missing.wav"));
    EXPECT_FALSE(open_sample_file(dir.path()));
}

// ---- hand-made WAV files

bytes wav(const bytes& chunks) {
    bytes b;
    b.raw("RIFF").le32(uint32_t(4 + chunks.size())).raw("WAVE").append(chunks);
    return b;
}

bytes fmt_chunk(int tag, int channels, uint32_t rate, int align, int bits, int extra = -1) {
    bytes c;
    int size = extra < 0 ? 16 : 18 + extra;
    c.raw("fmt ").le32(uint32_t(size)).le16(uint32_t(tag)).le16(uint32_t(channels)).le32(rate)
        .le32(rate * uint32_t(align)).le16(uint32_t(align)).le16(uint32_t(bits));
    if (extra >= 0) {
        c.le16(uint32_t(extra));
        for (int i = 0; i < extra; ++i) c.u8(0);
    }
    return c;
}

std::unique_ptr<sample_reader> open_bytes(const test::temp_folder& dir, const bytes& b, bool aiff = false) {
    static int serial = 0;
    auto path = dir / numbered("f", serial++, "");
    test::write_file(path, b.b);
    if (aiff) return std::make_unique<aiff_reader>(path);
    return std::make_unique<wav_reader>(path);
}

std::vector<float> read_all(sample_reader& r) {
    std::vector<float> v(size_t(r.frame_count()));
    r.read(v.data(), r.frame_count());
    return v;
}

TEST(WavHeaders, OddChunksBeforeTheDataWithAndWithoutPad) {
    test::temp_folder dir;
    bytes data;
    data.raw("data").le32(4).le16(0x4000).le16(0xC000);  // 0.5, -0.5
    bytes padded, unpadded;
    padded.append(fmt_chunk(1, 1, 44100, 2, 16)).raw("LIST").le32(3).raw("abc").u8(0).append(data);
    unpadded.append(fmt_chunk(1, 1, 44100, 2, 16)).raw("LIST").le32(3).raw("abc").append(data);
    for (const bytes& chunks : {padded, unpadded}) {
        auto r = open_bytes(dir, wav(chunks));
        ASSERT_FALSE(r->parse_failed());
        EXPECT_EQ(read_all(*r), (std::vector<float>{0.5f, -0.5f}));
    }
    // Without the pad, the bytes one further on can spell a chunk id too: "ata" and the
    // first byte of a data size of 100 ('d'), and the sound starting in silence makes its
    // size 0. That place is taken only when such a chunk fits the file, ending it or
    // followed by another, so both forms find the same 50 frames.
    bytes hundred;
    hundred.raw("data").le32(100);
    for (int i = 0; i < 50; ++i) hundred.le16(uint32_t(i * 256));
    bytes padded_d, unpadded_d;
    padded_d.append(fmt_chunk(1, 1, 44100, 2, 16)).raw("LIST").le32(3).raw("abc").u8(0).append(hundred);
    unpadded_d.append(fmt_chunk(1, 1, 44100, 2, 16)).raw("LIST").le32(3).raw("abc").append(hundred);
    for (const bytes& chunks : {padded_d, unpadded_d}) {
        auto r = open_bytes(dir, wav(chunks));
        ASSERT_FALSE(r->parse_failed());
        std::vector<float> v = read_all(*r);
        ASSERT_EQ(v.size(), 50u);
        EXPECT_EQ(v[49], float(49 * 256) / 32768.0f);
    }
    // An 18-byte and a 40-byte (extensible, sub-format float) "fmt " both find the data.
    bytes eighteen;
    eighteen.append(fmt_chunk(1, 1, 44100, 2, 16, 0)).append(data);
    EXPECT_EQ(read_all(*open_bytes(dir, wav(eighteen))), (std::vector<float>{0.5f, -0.5f}));
    bytes forty;
    forty.raw("fmt ").le32(40).le16(0xFFFE).le16(1).le32(44100).le32(176400).le16(4).le16(32).le16(22)
        .le16(32).le32(4).le16(3).raw(std::string(14, '\x01'));
    forty.raw("data").le32(8).flt(0.125f).flt(-2.0f);
    auto f = open_bytes(dir, wav(forty));
    EXPECT_TRUE(f->is_float());
    EXPECT_EQ(read_all(*f), (std::vector<float>{0.125f, -2.0f}));
}

TEST(WavHeaders, EightBitIsUnsignedAroundTheMiddle) {
    test::temp_folder dir;
    bytes chunks;
    chunks.append(fmt_chunk(1, 2, 8000, 2, 8)).raw("data").le32(6).u8(128).u8(1).u8(0).u8(2).u8(255).u8(3);
    auto r = open_bytes(dir, wav(chunks));
    EXPECT_EQ(r->sample_rate(), 8000);
    EXPECT_EQ(read_all(*r), (std::vector<float>{0.0f, -1.0f, 127.0f / 128.0f}));
}

TEST(WavHeaders, BrokenHeadersFailCleanly) {
    test::temp_folder dir;
    bytes data;
    data.raw("data").le32(4).le32(0);
    auto fails = [&](const bytes& file) { return open_bytes(dir, file)->parse_failed(); };
    EXPECT_TRUE(fails(wav(bytes{}.append(fmt_chunk(1, 0, 44100, 2, 16)).append(data))));  // no channels
    EXPECT_TRUE(fails(wav(bytes{}.append(fmt_chunk(1, 1, 44100, 0, 16)).append(data))));  // no block align
    EXPECT_TRUE(fails(wav(bytes{}.append(fmt_chunk(1, 1, 0, 2, 16)).append(data))));      // rate 0
    EXPECT_TRUE(fails(wav(bytes{}.append(fmt_chunk(1, 4, 44100, 2, 16)).append(data))));  // 0 bytes a sample
    EXPECT_TRUE(fails(wav(bytes{}.append(fmt_chunk(3, 1, 44100, 2, 16)).append(data))));  // 16-bit float
    EXPECT_TRUE(fails(wav(bytes{}.append(fmt_chunk(7, 1, 44100, 1, 8)).append(data))));   // mu-law
    EXPECT_TRUE(fails(wav(data)));                                                          // no "fmt "
    bytes short_fmt;
    short_fmt.raw("fmt ").le32(8).le32(0).le32(0).append(data);
    EXPECT_TRUE(fails(wav(short_fmt)));
    bytes riff_only;
    riff_only.raw("RIFF").le32(4);
    EXPECT_TRUE(fails(riff_only));

    // A width the decoder does not know sets the error flag; read leaves the buffer alone.
    auto five = open_bytes(dir, wav(bytes{}.append(fmt_chunk(1, 1, 44100, 5, 40)).append(data)));
    EXPECT_TRUE(five->error());
    float untouched[2] = {7, 7};
    five->read(untouched, 2);
    EXPECT_EQ(untouched[0], 7.0f);

    // No data chunk: a good header and no frames.
    auto empty = open_bytes(dir, wav(fmt_chunk(1, 1, 44100, 2, 16)));
    EXPECT_FALSE(empty->parse_failed());
    EXPECT_EQ(empty->frame_count(), 0);
}

TEST(WavHeaders, FrameCountsAreLimitedToTheBytesPresent) {
    test::temp_folder dir;
    bytes chunks;
    chunks.append(fmt_chunk(1, 1, 44100, 2, 16)).raw("data").le32(0xFFFFFFF0u).le16(0x4000).le16(0x2000).u8(1);
    auto r = open_bytes(dir, wav(chunks));
    ASSERT_FALSE(r->parse_failed());
    EXPECT_EQ(r->frame_count(), 2);
    EXPECT_EQ(read_all(*r), (std::vector<float>{0.5f, 0.25f}));
}

// ---- hand-made AIFF files

bytes aiff(const bytes& chunks) {
    bytes b;
    b.raw("FORM").be32(uint32_t(4 + chunks.size())).raw("AIFF").append(chunks);
    return b;
}

bytes comm(int channels, uint32_t frames_declared, int bits, uint16_t exponent, uint32_t mantissa_top) {
    bytes c;
    c.raw("COMM").be32(18).be16(uint32_t(channels)).be32(frames_declared).be16(uint32_t(bits)).be16(exponent)
        .be32(mantissa_top).be32(0);
    return c;
}

TEST(AiffHeaders, SampleRatesFromTheExtendedNumber) {
    unsigned char r44100[10] = {0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(aiff_reader::extended_rate(r44100), 44100);
    unsigned char r48000[10] = {0x40, 0x0E, 0xBB, 0x80, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(aiff_reader::extended_rate(r48000), 48000);
    unsigned char r8000[10] = {0x40, 0x0B, 0xFA, 0x00, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(aiff_reader::extended_rate(r8000), 8000);
    unsigned char rounded[10] = {0x40, 0x0E, 0xAC, 0x44, 0x80, 0, 0, 0, 0, 0};  // 44100.5
    EXPECT_EQ(aiff_reader::extended_rate(rounded), 44101);
    unsigned char one[10] = {0x3F, 0xFF, 0x80, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(aiff_reader::extended_rate(one), 1);
    unsigned char tiny[10] = {0x3F, 0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0};  // 0.5
    EXPECT_EQ(aiff_reader::extended_rate(tiny), 0);
    unsigned char huge[10] = {0x40, 0x3E, 0x80, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(aiff_reader::extended_rate(huge), 0);
    unsigned char negative[10] = {0xC0, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(aiff_reader::extended_rate(negative), 0);
}

TEST(AiffHeaders, ChunksAndData) {
    test::temp_folder dir;
    bytes chunks;
    chunks.raw("NAME").be32(5).raw("hello").u8(0)  // odd, padded
        .append(comm(1, 3, 8, 0x400E, 0xAC440000))
        .raw("SSND").be32(8 + 2 + 3).be32(2).be32(0).u8(0x55).u8(0x55).u8(0).u8(0x80).u8(0x40).u8(0);
    auto r = open_bytes(dir, aiff(chunks), true);
    ASSERT_FALSE(r->parse_failed());
    EXPECT_EQ(r->sample_rate(), 44100);
    // The SSND offset skips two bytes; 8-bit AIFF is signed.
    EXPECT_EQ(read_all(*r), (std::vector<float>{0.0f, -1.0f, 0.5f}));

    bytes unpadded;
    unpadded.raw("NAME").be32(5).raw("hello").append(comm(1, 1, 16, 0x400E, 0xAC440000))
        .raw("SSND").be32(10).be32(0).be32(0).be16(0xC000);
    EXPECT_EQ(read_all(*open_bytes(dir, aiff(unpadded), true)), (std::vector<float>{-0.5f}));

    // More frames declared than present: limited to what is there.
    bytes short_data;
    short_data.append(comm(2, 1000000, 16, 0x400E, 0xAC440000)).raw("SSND").be32(16).be32(0).be32(0)
        .be16(0x2000).be16(0).be16(0x1000).be16(0);
    auto s = open_bytes(dir, aiff(short_data), true);
    EXPECT_EQ(s->frame_count(), 2);
    EXPECT_EQ(read_all(*s), (std::vector<float>{0.25f, 0.125f}));
}

TEST(AiffHeaders, BrokenHeadersFailCleanly) {
    test::temp_folder dir;
    bytes ssnd;
    ssnd.raw("SSND").be32(10).be32(0).be32(0).be16(0);
    auto fails = [&](const bytes& file) { return open_bytes(dir, file, true)->parse_failed(); };
    EXPECT_TRUE(fails(aiff(bytes{}.append(comm(1, 1, 16, 0x401F, 0xAC440000)).append(ssnd))));  // exponent
    EXPECT_TRUE(fails(aiff(bytes{}.append(comm(1, 1, 16, 0x0001, 0xAC440000)).append(ssnd))));
    EXPECT_TRUE(fails(aiff(bytes{}.append(comm(0, 1, 16, 0x400E, 0xAC440000)).append(ssnd))));  // channels
    EXPECT_TRUE(fails(aiff(bytes{}.append(comm(1, 1, 0, 0x400E, 0xAC440000)).append(ssnd))));   // width 0
    EXPECT_TRUE(fails(aiff(bytes{}.append(comm(1, 1, 40, 0x400E, 0xAC440000)).append(ssnd))));  // 40 bits
    EXPECT_TRUE(fails(aiff(ssnd)));                                                              // no COMM
    bytes short_comm;
    short_comm.raw("COMM").be32(6).be16(1).be32(1).append(ssnd);
    EXPECT_TRUE(fails(aiff(short_comm)));
    EXPECT_TRUE(open_bytes(dir, aiff(bytes{}.append(comm(1, 1, 40, 0x400E, 0xAC440000))), true)->error());
    auto no_sound = open_bytes(dir, aiff(comm(1, 5, 16, 0x400E, 0xAC440000)), true);
    EXPECT_FALSE(no_sound->parse_failed());
    EXPECT_EQ(no_sound->frame_count(), 0);
}

}  // namespace

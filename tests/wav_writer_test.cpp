// WAV files against hand-computed bytes, and read back by sox as an independent reader.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "host/wav_writer.h"
#include "tests/host_helpers.h"

namespace {

using test::bytes;
using test::operator+;

bytes tag(const char* id) { return bytes(id, id + 4); }

TEST(WavWriter, HeadersByteForByte) {
    // 16-bit stereo at 44100 Hz, 3 frames: 12 bytes of data.
    bytes pcm16 = tag("RIFF") + bytes{0x30, 0, 0, 0} + tag("WAVE") + tag("fmt ") +
                  bytes{16, 0, 0, 0, 1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 0x02, 0,
                        4, 0, 16, 0} +
                  tag("data") + bytes{12, 0, 0, 0};
    EXPECT_EQ(host::wav_header(44100, 2, host::sample_format::pcm16, 3), pcm16);

    // 24-bit mono at 48000 Hz, 1 frame: 3 bytes of data and a pad byte counted by RIFF.
    bytes pcm24 = tag("RIFF") + bytes{40, 0, 0, 0} + tag("WAVE") + tag("fmt ") +
                  bytes{16, 0, 0, 0, 1, 0, 1, 0, 0x80, 0xBB, 0, 0, 0x80, 0x32, 0x02, 0,
                        3, 0, 24, 0} +
                  tag("data") + bytes{3, 0, 0, 0};
    EXPECT_EQ(host::wav_header(48000, 1, host::sample_format::pcm24, 1), pcm24);

    // 32-bit float stereo at 96000 Hz, 2 frames: format 3, an 18-byte fmt and a fact chunk.
    bytes f32 = tag("RIFF") + bytes{66, 0, 0, 0} + tag("WAVE") + tag("fmt ") +
                bytes{18, 0, 0, 0, 3, 0, 2, 0, 0x00, 0x77, 0x01, 0, 0x00, 0xB8, 0x0B, 0,
                      8, 0, 32, 0, 0, 0} +
                tag("fact") + bytes{4, 0, 0, 0, 2, 0, 0, 0} + tag("data") + bytes{16, 0, 0, 0};
    EXPECT_EQ(host::wav_header(96000, 2, host::sample_format::float32, 2), f32);

    // Sizes are 32 bits: the largest file is refused beyond its last frame.
    uint64_t most = host::wav_max_frames(2, host::sample_format::pcm16);
    EXPECT_EQ(most, (0xFFFFFFFFull - 36 - 1) / 4);
    EXPECT_NO_THROW(host::wav_header(44100, 2, host::sample_format::pcm16, most));
    EXPECT_THROW(host::wav_header(44100, 2, host::sample_format::pcm16, most + 1),
                 std::runtime_error);
}

TEST(WavWriter, SamplesAreScaledClippedAndCleaned) {
    test::temp_dir dir;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    float left[] = {0.5f, 1.0f, 0.25f / 32768, nan};
    float right[] = {-0.5f, -1.0f, 1.6f / 32768, -2.0f};
    const float* channels[] = {left, right};
    {
        host::wav_writer w(dir / "a.wav", 44100, 2, host::sample_format::pcm16);
        w.write(channels, 4);
        w.finish();
        EXPECT_EQ(w.frames(), 4u);
        EXPECT_EQ(w.clipped(), 2u);  // 1.0 and -2.0; -1.0 is full scale exactly
    }
    bytes file = test::read_file(dir / "a.wav");
    ASSERT_EQ(file.size(), 44u + 16u);
    EXPECT_EQ(bytes(file.begin(), file.begin() + 44),
              host::wav_header(44100, 2, host::sample_format::pcm16, 4));
    EXPECT_EQ(bytes(file.begin() + 44, file.end()),
              (bytes{0x00, 0x40, 0x00, 0xC0, 0xFF, 0x7F, 0x00, 0x80, 0, 0, 2, 0, 0, 0, 0x00, 0x80}));

    {
        host::wav_writer w(dir / "b.wav", 48000, 2, host::sample_format::pcm24);
        w.write(channels, 2);
        float third_l[] = {-1.0f / 8388608}, third_r[] = {0.0f};
        const float* third[] = {third_l, third_r};
        w.write(third, 1);
        w.finish();
        EXPECT_EQ(w.clipped(), 1u);
    }
    file = test::read_file(dir / "b.wav");
    ASSERT_EQ(file.size(), 44u + 18u);
    EXPECT_EQ(bytes(file.begin() + 44, file.end()),
              (bytes{0x00, 0x00, 0x40, 0x00, 0x00, 0xC0, 0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x80,
                     0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00}));

    {
        host::wav_writer w(dir / "c.wav", 48000, 2, host::sample_format::float32);
        w.write(channels, 4);
        w.finish();
        EXPECT_EQ(w.clipped(), 0u);
    }
    file = test::read_file(dir / "c.wav");
    ASSERT_EQ(file.size(), 58u + 32u);
    float back[8];
    std::memcpy(back, file.data() + 58, sizeof back);
    const float want[] = {0.5f, -0.5f, 1.0f, -1.0f, 0.25f / 32768, 1.6f / 32768, 0.0f, -2.0f};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(back[i], want[i]) << i;
}

TEST(WavWriter, OddDataGetsAPadByte) {
    test::temp_dir dir;
    float mono[] = {0.5f};
    const float* channels[] = {mono};
    host::wav_writer w(dir / "odd.wav", 48000, 1, host::sample_format::pcm24);
    w.write(channels, 1);
    w.finish();
    bytes file = test::read_file(dir / "odd.wav");
    ASSERT_EQ(file.size(), 48u);
    EXPECT_EQ(file[4], 40);  // RIFF size counts the pad
    EXPECT_EQ(file[40], 3);  // data size does not
    EXPECT_EQ(file[47], 0);
}

TEST(WavWriter, NothingAppearsUntilFinishedAndFailuresKeepTheOldFile) {
    test::temp_dir dir;
    std::string path = dir / "out.wav";
    test::write_file(path, {'o', 'l', 'd'});
    float x[] = {0.1f, 0.2f};
    const float* channels[] = {x, x};
    {
        host::wav_writer w(path, 44100, 2, host::sample_format::pcm16);
        w.write(channels, 2);
        EXPECT_EQ(test::read_file(path), (bytes{'o', 'l', 'd'}));
        // Abandoned: as when a render fails half-way.
    }
    EXPECT_EQ(test::read_file(path), (bytes{'o', 'l', 'd'}));
    size_t entries = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path)) entries += e.exists();
    EXPECT_EQ(entries, 1u) << "a temporary file was left behind";

    EXPECT_THROW(host::wav_writer(dir / "no/such/folder.wav", 44100, 2, host::sample_format::pcm16),
                 std::runtime_error);
    host::wav_writer w(path, 44100, 2, host::sample_format::pcm16);
    w.write(channels, 2);
    w.finish();
    EXPECT_EQ(test::read_file(path).size(), 44u + 8u);
    EXPECT_THROW(w.write(channels, 1), std::runtime_error);
}

TEST(WavWriter, FormatNames) {
    host::sample_format f;
    struct {
        const char* text;
        host::sample_format format;
    } good[] = {{"16", host::sample_format::pcm16},   {"pcm16", host::sample_format::pcm16},
                {"24", host::sample_format::pcm24},   {"pcm24", host::sample_format::pcm24},
                {"float", host::sample_format::float32}, {"32", host::sample_format::float32},
                {"f32", host::sample_format::float32}};
    for (auto& g : good) {
        ASSERT_TRUE(host::parse_sample_format(g.text, f)) << g.text;
        EXPECT_EQ(f, g.format);
    }
    for (const char* bad : {"", "8", "float64", "24bit"})
        EXPECT_FALSE(host::parse_sample_format(bad, f)) << bad;
}

// sox reads what we wrote: the header's facts and every sample.
TEST(WavWriter, SoxReadsItBack) {
    test::temp_dir dir;
    std::vector<float> left, right;
    for (int k = -64; k < 64; ++k) {
        left.push_back(float(k) / 64.0f);
        right.push_back(float(-k) / 128.0f);
    }
    const float* channels[] = {left.data(), right.data()};
    struct {
        host::sample_format format;
        const char* bits;
        const char* encoding;
    } cases[] = {{host::sample_format::pcm16, "16", "Signed Integer PCM"},
                 {host::sample_format::pcm24, "24", "Signed Integer PCM"},
                 {host::sample_format::float32, "32", "Floating Point PCM"}};
    for (auto& c : cases) {
        SCOPED_TRACE(host::format_name(c.format));
        std::string path = dir / "sox.wav";
        host::wav_writer w(path, 22050, 2, c.format);
        w.write(channels, left.size());
        w.finish();
        auto info = [&](const char* flag) {
            test::run_result r = test::run("sox --i " + std::string(flag) + " '" + path + "'");
            EXPECT_EQ(r.status, 0) << r.output;
            return r.output.substr(0, r.output.find('\n'));
        };
        EXPECT_EQ(info("-r"), "22050");
        EXPECT_EQ(info("-c"), "2");
        EXPECT_EQ(info("-b"), c.bits);
        EXPECT_EQ(info("-s"), "128");
        EXPECT_EQ(info("-e"), c.encoding);

        std::string raw = dir / "sox.raw";
        ASSERT_EQ(test::run("sox '" + path + "' -t raw -e floating-point -b 32 '" + raw + "'").status, 0);
        bytes data = test::read_file(raw);
        ASSERT_EQ(data.size(), 128u * 2 * 4);
        for (size_t i = 0; i < 128; ++i) {
            float l, r;
            std::memcpy(&l, data.data() + 8 * i, 4);
            std::memcpy(&r, data.data() + 8 * i + 4, 4);
            ASSERT_EQ(l, left[i]) << i;
            ASSERT_EQ(r, right[i]) << i;
        }
    }
}

}  // namespace

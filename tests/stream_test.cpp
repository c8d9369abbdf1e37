// The serialization streams: encodings, capacities, end of data, file failures.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "sound/file_stream.h"
#include "sound/persist_error.h"
#include "sound/program.h"
#include "sound/serializer.h"
#include "sound_test_util.h"

namespace {

using bytes_t = std::vector<unsigned char>;

template <typename F>
std::string failure_of(F f) {
    try {
        f();
    } catch (const persist_error& e) {
        return e.what();
    }
    return "";
}

bytes_t written(void (*fill)(serializer&)) {
    countizer c;
    fill(c);
    bytes_t block(size_t(c.count()));
    mem_serializer m(block.data(), int64_t(block.size()));
    fill(m);
    EXPECT_EQ(m.used(), c.count());
    return block;
}

TEST(Streams, EncodingsAreLittleEndianAndUnframed) {
    EXPECT_EQ(written([](serializer& s) { s.put_long(int32_t(0xBABA0002u)); }),
              (bytes_t{0x02, 0x00, 0xBA, 0xBA}));
    EXPECT_EQ(written([](serializer& s) { s.put_long(-2); }), (bytes_t{0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(written([](serializer& s) { s.put_string("(empty)"); }),
              (bytes_t{0x07, 0, 0, 0, 0x28, 0x65, 0x6D, 0x70, 0x74, 0x79, 0x29}));
    EXPECT_EQ(written([](serializer& s) { s.put_string(""); }), (bytes_t{0, 0, 0, 0}));
    EXPECT_EQ(written([](serializer& s) { s.put_float(1.0f); }), (bytes_t{0, 0, 0x80, 0x3F}));
    EXPECT_EQ(written([](serializer& s) { s.put_double(-2.0); }), (bytes_t{0, 0, 0, 0, 0, 0, 0, 0xC0}));
    EXPECT_EQ(written([](serializer& s) {
                  const char raw[3] = {'a', 0, 'b'};
                  s.put_chunk(raw, 3);
                  s.put_long(1);
              }),
              (bytes_t{'a', 0, 'b', 1, 0, 0, 0}));
}

TEST(Streams, MemoryWriterRefusesWhatDoesNotFit) {
    unsigned char block[12];
    std::fill(std::begin(block), std::end(block), 0xEE);
    mem_serializer m(block, 8);
    m.put_long(1);
    m.put_long(2);
    EXPECT_EQ(failure_of([&] { m.put_long(3); }), "buffer full");
    EXPECT_EQ(block[8], 0xEE);

    // A string is checked as one item: its count is not written when its bytes do not fit.
    mem_serializer s(block, 8);
    EXPECT_EQ(failure_of([&] { s.put_string("abcde"); }), "buffer full");
    EXPECT_EQ(s.used(), 0);
    EXPECT_EQ(block[0], 1);
    EXPECT_EQ(failure_of([&] { s.put_double(1.0); s.put_double(2.0); }), "buffer full");
    EXPECT_EQ(s.used(), 8);
}

TEST(Streams, MemoryReaderStopsAtItsCapacity) {
    test::bytes in;
    in.lng(-5).flt(0.25f).dbl(3.5).str("abc").raw("xyz").lng(9);
    mem_deserializer r(in.b.data(), int64_t(in.size()));
    EXPECT_EQ(r.get_long(), -5);
    EXPECT_EQ(r.get_float(), 0.25f);
    EXPECT_EQ(r.get_double(), 3.5);
    EXPECT_EQ(r.get_string(), "abc");
    char three[3];
    r.get_chunk(three, 3);
    EXPECT_EQ(std::string(three, 3), "xyz");
    EXPECT_EQ(r.bytes_left(), 4);
    EXPECT_EQ(failure_of([&] { r.get_double(); }), "buffer empty");
    EXPECT_EQ(failure_of([&] { r.skip(5); }), "buffer empty");
    EXPECT_EQ(failure_of([&] { r.skip(-1); }), "buffer empty");
    r.skip(4);
    EXPECT_EQ(failure_of([&] { r.get_long(); }), "buffer empty");

    // Unbounded: no checks at all (for memory the caller trusts).
    mem_deserializer u(in.b.data(), -1);
    EXPECT_EQ(u.get_long(), -5);
    EXPECT_EQ(u.bytes_left(), -1);
}

TEST(Streams, HugeCountsFailBeforeAnythingIsAllocated) {
    // A 20-byte chunk claiming a 2 GB string, and a negative one.
    test::bytes in;
    in.lng(INT32_MAX).raw("0123456789abcdef");
    mem_deserializer r(in.b.data(), int64_t(in.size()));
    EXPECT_EQ(failure_of([&] { r.get_string(); }), "buffer empty");
    test::bytes neg;
    neg.lng(-1).raw("abcd");
    mem_deserializer n(neg.b.data(), int64_t(neg.size()));
    EXPECT_EQ(failure_of([&] { n.get_string(); }), "buffer empty");

    mem_deserializer c(in.b.data(), int64_t(in.size()));
    EXPECT_EQ(failure_of([&] { c.check_count(5, 4, "get_float failed"); }), "");
    EXPECT_EQ(failure_of([&] { c.check_count(6, 4, "get_float failed"); }), "buffer empty");
}

TEST(Streams, CountizerCountsWhatTheWritersWrite) {
    program p = test::program_with_samples();
    countizer c;
    p.serialize(c);
    bytes_t block(size_t(c.count()) + 16, 0xEE);
    mem_serializer m(block.data(), c.count());
    p.serialize(m);
    EXPECT_EQ(m.used(), c.count());
    EXPECT_EQ(block[size_t(c.count())], 0xEE);
    EXPECT_EQ(p.record_size(), c.count());
}

TEST(FileStreams, ReadBackWhatWasWrittenAndFailAtTheEnd) {
    test::temp_folder dir;
    auto path = dir / "items.bin";
    {
        file_serializer w(path);
        ASSERT_FALSE(w.is_bad());
        w.put_long(int32_t(0xBABA0002u));
        w.put_float(-0.5f);
        w.put_double(1e300);
        w.put_string("h\xC3\xA9");
        w.put_chunk("\x01\x02", 2);
        w.put_chunk("xyz", 3);
    }
    test::bytes expected;
    expected.b = {0x02, 0x00, 0xBA, 0xBA, 0x00, 0x00, 0x00, 0xBF};
    expected.dbl(1e300).lng(3).raw("h\xC3\xA9").raw("\x01\x02").raw("xyz");
    EXPECT_EQ(test::read_file(path), expected.b);
    file_deserializer r(path);
    ASSERT_FALSE(r.is_bad());
    EXPECT_EQ(r.size(), 28);
    EXPECT_EQ(r.get_long(), int32_t(0xBABA0002u));
    EXPECT_EQ(r.get_float(), -0.5f);
    EXPECT_EQ(r.get_double(), 1e300);
    EXPECT_EQ(r.get_string(), "h\xC3\xA9");
    r.skip(2);
    EXPECT_EQ(r.bytes_left(), 3);
    // 3 bytes left: a long or a float does not fit; the reader says which item failed.
    EXPECT_EQ(failure_of([&] { file_deserializer f(path); f.skip(25); f.get_long(); }), "get_long failed");
    EXPECT_EQ(failure_of([&] { file_deserializer f(path); f.skip(25); f.get_float(); }), "get_float failed");
    EXPECT_EQ(failure_of([&] { file_deserializer f(path); f.skip(21); f.get_double(); }), "get_double failed");
    EXPECT_EQ(failure_of([&] { file_deserializer f(path); f.skip(24); f.get_string(); }), "get_string failed");
    EXPECT_EQ(failure_of([&] { file_deserializer f(path); f.skip(26); char c[4]; f.get_chunk(c, 4); }),
              "get_chunk failed");
    EXPECT_EQ(failure_of([&] { file_deserializer f(path); f.skip(29); }), "skip failed");
    // A read that ends exactly at the last byte succeeds.
    EXPECT_EQ(failure_of([&] { file_deserializer f(path); f.skip(24); f.get_long(); }), "");
    EXPECT_EQ(failure_of([&] { file_deserializer f(path); f.skip(28); }), "");
}

TEST(FileStreams, FilesThatCannotBeOpened) {
    test::temp_folder dir;
    file_deserializer missing(dir / "missing.kvb");
    EXPECT_TRUE(missing.is_bad());
    EXPECT_EQ(failure_of([&] { missing.get_long(); }), "get_long failed");
    EXPECT_EQ(failure_of([&] { missing.get_string(); }), "get_long failed");
    file_deserializer folder(dir.path());
    EXPECT_TRUE(folder.is_bad());

    file_serializer nowhere(dir / "no-such-folder" / "x.kvp");
    EXPECT_TRUE(nowhere.is_bad());
    EXPECT_EQ(failure_of([&] { nowhere.put_long(1); }), "put_long failed");
    EXPECT_EQ(failure_of([&] { nowhere.put_float(1); }), "put_float failed");
    EXPECT_EQ(failure_of([&] { nowhere.put_double(1); }), "put_double failed");
    EXPECT_EQ(failure_of([&] { nowhere.put_chunk("a", 1); }), "put_chunk failed");
    EXPECT_EQ(failure_of([&] { nowhere.commit(true); }), "file_serializer::commit failed");
}

TEST(FileStreams, AFullDiskIsAFailure) {
    // /dev/full accepts the open and refuses every byte: the failure shows at the latest
    // when the writer commits.
    if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    file_serializer w("/dev/full");
    ASSERT_FALSE(w.is_bad());
    std::string big(1 << 17, 'x');
    EXPECT_EQ(failure_of([&] {
                  w.put_string(big);
                  w.commit(false);
              }).substr(0, 3),
              "put");
}

TEST(FileStreams, PathsAreUtf8) {
    test::temp_folder dir;
    auto path = dir / "Kl\xC3\xA4nge \xE2\x99\xAA.kvp";
    {
        file_serializer w(path);
        w.put_long(42);
        w.commit(true);
    }
    file_deserializer r(path);
    EXPECT_EQ(r.get_long(), 42);
}

}  // namespace

#include "files/ByteStream.h"

#include "TestBytes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

TEST(Archive, WritesLittleEndianPrimitives) {
    ByteWriter w;
    w.writeU8(0x01);
    w.writeU16(0x1234);
    w.writeU32(0xA1B2C3D4);
    w.writeI32(400);
    w.writeI32(-2);
    w.writeF64(1.0);
    w.writeF64(-0.1);
    EXPECT_EQ(w.bytes(), (Bytes{0x01,                                              // u8
                                0x34, 0x12,                                        // u16
                                0xD4, 0xC3, 0xB2, 0xA1,                            // u32
                                0x90, 0x01, 0x00, 0x00,                            // i32 400
                                0xFE, 0xFF, 0xFF, 0xFF,                            // i32 -2
                                0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF0, 0x3F,    // f64 1.0
                                0x9A, 0x99, 0x99, 0x99, 0x99, 0x99, 0xB9, 0xBF})); // f64 -0.1
}

TEST(Archive, ReadsBackWhatWasWritten) {
    ByteWriter w;
    w.writeString("NewProgram");
    w.writeU8(0xFF);
    w.writeU16(0xFFFE);
    w.writeU32(0xFFFFFFFF);
    w.writeI32(-123456);
    w.writeF64(0.29);
    const Bytes raw{0xB1, 0xAA};
    w.writeBytes(raw);

    ByteReader r(w.bytes());
    std::string name;
    std::uint8_t u8 = 0;
    std::uint16_t u16 = 0;
    std::uint32_t u32 = 0;
    std::int32_t i32 = 0;
    double f64 = 0;
    Bytes back(2);
    ASSERT_TRUE(r.readString(name) && r.readU8(u8) && r.readU16(u16) && r.readU32(u32) &&
                r.readI32(i32) && r.readF64(f64) && r.readBytes(back));
    EXPECT_EQ(name, "NewProgram");
    EXPECT_EQ(u8, 0xFF);
    EXPECT_EQ(u16, 0xFFFE);
    EXPECT_EQ(u32, 0xFFFFFFFFu);
    EXPECT_EQ(i32, -123456);
    EXPECT_EQ(f64, 0.29);
    EXPECT_EQ(back, raw);
    EXPECT_TRUE(r.atEnd());
    EXPECT_FALSE(r.failed());
}

// The prefix form changes at 255 and after 65533 characters.
TEST(Archive, StringLengthPrefixForms) {
    struct Case {
        std::size_t length;
        Bytes prefix;
    };
    const Case cases[] = {
        {0, {0x00}},
        {10, {0x0A}},
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {65533, {0xFF, 0xFD, 0xFF}},
        {65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
    };
    for (const Case& c : cases) {
        std::string text(c.length, 'x');
        if (!text.empty()) {
            text.front() = '\xFF'; // 8-bit characters pass unchanged
        }
        ByteWriter w;
        w.writeString(text);
        EXPECT_EQ(w.bytes(), Concat({c.prefix, AsciiBytes(text)})) << "length " << c.length;

        ByteReader r(w.bytes());
        std::string back;
        EXPECT_TRUE(r.readString(back)) << "length " << c.length;
        EXPECT_EQ(back, text) << "length " << c.length;
        EXPECT_TRUE(r.atEnd());
    }
}

TEST(Archive, ReadsLongerLengthFormsThanNeeded) {
    const Bytes data = Concat({{0x05},
                               AsciiBytes("short"), // one byte
                               {0xFF, 0x06, 0x00},
                               AsciiBytes("medium"), // two bytes
                               {0xFF, 0xFF, 0xFF, 0x04, 0x00, 0x00, 0x00},
                               AsciiBytes("long")}); // four
    ByteReader r(data);
    std::string a, b, c;
    EXPECT_TRUE(r.readString(a) && r.readString(b) && r.readString(c));
    EXPECT_EQ(a, "short");
    EXPECT_EQ(b, "medium");
    EXPECT_EQ(c, "long");
    EXPECT_TRUE(r.atEnd());
}

// A short stream: the read fails, leaves its output alone, and every later read fails as well,
// even one that would fit in the bytes left.
TEST(Archive, ReadPastTheEndFailsAndStaysFailed) {
    using Read = std::function<bool(ByteReader&)>;
    struct Case {
        const char* what;
        Bytes data;
        Read read;
    };
    const Case cases[] = {
        {"u8 of nothing",
         {},
         [](ByteReader& r) {
             std::uint8_t v = 7;
             return r.readU8(v) || v != 7;
         }},
        {"u16 of one byte",
         {0x01},
         [](ByteReader& r) {
             std::uint16_t v = 7;
             return r.readU16(v) || v != 7;
         }},
        {"u32 of three bytes",
         {1, 2, 3},
         [](ByteReader& r) {
             std::uint32_t v = 7;
             return r.readU32(v) || v != 7;
         }},
        {"i32 of three bytes",
         {1, 2, 3},
         [](ByteReader& r) {
             std::int32_t v = 7;
             return r.readI32(v) || v != 7;
         }},
        {"f64 of seven bytes", Bytes(7, 0),
         [](ByteReader& r) {
             double v = 7;
             return r.readF64(v) || v != 7;
         }},
        {"bytes of too few",
         {1},
         [](ByteReader& r) {
             Bytes v(2, 7);
             return r.readBytes(v) || v != Bytes(2, 7);
         }},
        {"string of nothing",
         {},
         [](ByteReader& r) {
             std::string v = "keep";
             return r.readString(v) || v != "keep";
         }},
        {"string shorter than its length", Concat({{0x05}, AsciiBytes("abcd")}),
         [](ByteReader& r) {
             std::string v = "keep";
             return r.readString(v) || v != "keep";
         }},
        {"two-byte length cut",
         {0xFF, 0x05},
         [](ByteReader& r) {
             std::string v;
             return r.readString(v);
         }},
        {"four-byte length cut",
         {0xFF, 0xFF, 0xFF, 0x05, 0x00},
         [](ByteReader& r) {
             std::string v;
             return r.readString(v);
         }},
        {"huge four-byte length",
         Concat({{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, AsciiBytes("abc")}),
         [](ByteReader& r) {
             std::string v;
             return r.readString(v);
         }},
        {"0xFFFE is no length", Concat({{0xFF, 0xFE, 0xFF}, Bytes(65534, 'a')}),
         [](ByteReader& r) {
             std::string v;
             return r.readString(v);
         }},
    };
    for (const Case& c : cases) {
        ByteReader r(c.data);
        EXPECT_FALSE(c.read(r)) << c.what;
        EXPECT_TRUE(r.failed()) << c.what;
        EXPECT_EQ(r.position(), 0u) << c.what;
    }
}

TEST(Archive, FailureIsStickyEvenWhenLaterValuesWouldFit) {
    const Bytes data{0x01, 0x02, 0x03};
    ByteReader r(data);
    std::uint32_t wide = 0;
    EXPECT_FALSE(r.readU32(wide));
    std::uint8_t narrow = 0;
    std::string text;
    EXPECT_FALSE(r.readU8(narrow));
    EXPECT_FALSE(r.readString(text));
    EXPECT_EQ(narrow, 0);
    EXPECT_TRUE(r.failed());
}

TEST(Archive, FileBytesRoundTrip) {
    const std::filesystem::path dir =
        std::filesystem::path(TAVREL_BINARY_DIR) / "archive_test_files";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "bank.dat48").string();
    const Bytes data{0x0A, 0x00, 0xFF, 0x1A, 0x0D, 0x0A};
    ASSERT_TRUE(WriteFileBytes(path, data));
    Bytes back{0x99};
    ASSERT_TRUE(ReadFileBytes(path, back));
    EXPECT_EQ(back, data);

    ASSERT_TRUE(WriteFileBytes(path, Bytes{0x01})); // an existing file is replaced, not appended to
    ASSERT_TRUE(ReadFileBytes(path, back));
    EXPECT_EQ(back, Bytes{0x01});

    Bytes untouched{0x07};
    EXPECT_FALSE(ReadFileBytes((dir / "missing.dia48").string(), untouched));
    EXPECT_EQ(untouched, Bytes{0x07});
    EXPECT_FALSE(ReadFileBytes(dir.string(), untouched)); // a folder is no file
    EXPECT_FALSE(WriteFileBytes((dir / "no-such-folder" / "x.dia48").string(), data));
}

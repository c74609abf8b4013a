#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Little-endian binary streams of the program files: fixed field order, no header, no checksum.
// Strings are 8-bit bytes with a length prefix in one of three forms:
//   length < 255           : u8 length, bytes
//   255 <= length <= 65533 : 0xFF, u16 length, bytes
//   longer                 : 0xFF, u16 0xFFFF, u32 length, bytes

// Appends values to a growing byte buffer. Never fails.
class ByteWriter {
public:
    void writeU8(std::uint8_t v);
    void writeU16(std::uint16_t v);
    void writeU32(std::uint32_t v);
    void writeI32(std::int32_t v);
    // IEEE 754 double, 8 bytes little-endian.
    void writeF64(double v);
    // Length prefix in the shortest form, then the bytes (no terminator).
    // Precondition: text.size() fits in 32 bits.
    void writeString(std::string_view text);
    void writeBytes(std::span<const std::uint8_t> data);

    const std::vector<std::uint8_t>& bytes() const { return buffer_; }
    // Hands the buffer over and leaves the writer empty.
    std::vector<std::uint8_t> take() { return std::move(buffer_); }

private:
    std::vector<std::uint8_t> buffer_;
};

// Reads values from a byte span it does not own. Every read returns false and leaves its output
// untouched when the value would run past the end; the first such failure sets failed(), which
// stays set, and every later read fails too. Never throws and never allocates more than the bytes
// that are left.
class ByteReader {
public:
    // Why the first failed read failed.
    enum class Failure {
        None,
        EndOfData, // the value runs past the end of the data
        BadLength, // a string's length prefix is no length of any form
    };

    explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}

    bool readU8(std::uint8_t& v);
    bool readU16(std::uint16_t& v);
    bool readU32(std::uint32_t& v);
    bool readI32(std::int32_t& v);
    bool readF64(double& v);
    // Accepts all three length forms; fails on a length running past the end and on the
    // two-byte prefix 0xFFFE, which is no length of any form.
    bool readString(std::string& text);
    bool readBytes(std::span<std::uint8_t> out);

    bool failed() const { return failed_; }
    Failure failure() const { return failure_; }
    // Where the value that failed first starts (the position before that read).
    std::size_t failedAt() const { return failedAt_; }
    std::size_t size() const { return data_.size(); }
    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return data_.size() - pos_; }
    bool atEnd() const { return pos_ == data_.size(); }

private:
    // Consumes n bytes and returns their start, or nullptr (and fails) when fewer are left.
    const std::uint8_t* take(std::size_t n);
    // Records the first failure, of a read that started at `at`.
    void fail(Failure why, std::size_t at);

    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
    bool failed_ = false;
    Failure failure_ = Failure::None;
    std::size_t failedAt_ = 0;
};

// Reads a whole file into bytes; false when it cannot be opened or read.
bool ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes);
// Creates or truncates a file and writes the bytes; false when it cannot be created or written.
bool WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes);

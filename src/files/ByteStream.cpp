#include "files/ByteStream.h"

#include <bit>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

constexpr std::uint8_t kLongPrefix = 0xFF;      // a longer length follows
constexpr std::uint16_t kLongerPrefix = 0xFFFF; // a 32-bit length follows
constexpr std::uint16_t kNoLength = 0xFFFE;     // never a length of any form
constexpr std::size_t kShortLimit = 255;        // shortest form holds lengths below this
constexpr std::size_t kMediumLimit = 65533;     // two-byte form holds lengths up to this

template <typename T> void AppendLittleEndian(std::vector<std::uint8_t>& out, T v) {
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        out.push_back(static_cast<std::uint8_t>(v & 0xFF));
        if constexpr (sizeof(T) > 1) {
            v = static_cast<T>(v >> 8);
        }
    }
}

template <typename T> T LoadLittleEndian(const std::uint8_t* p) {
    T v = 0;
    for (std::size_t i = sizeof(T); i-- > 0;) {
        v = static_cast<T>((static_cast<std::uint64_t>(v) << 8) | p[i]);
    }
    return v;
}

} // namespace

void ByteWriter::writeU8(std::uint8_t v) {
    buffer_.push_back(v);
}

void ByteWriter::writeU16(std::uint16_t v) {
    AppendLittleEndian(buffer_, v);
}

void ByteWriter::writeU32(std::uint32_t v) {
    AppendLittleEndian(buffer_, v);
}

void ByteWriter::writeI32(std::int32_t v) {
    writeU32(static_cast<std::uint32_t>(v));
}

void ByteWriter::writeF64(double v) {
    AppendLittleEndian(buffer_, std::bit_cast<std::uint64_t>(v));
}

void ByteWriter::writeString(std::string_view text) {
    const std::size_t n = text.size();
    if (n < kShortLimit) {
        writeU8(static_cast<std::uint8_t>(n));
    } else if (n <= kMediumLimit) {
        writeU8(kLongPrefix);
        writeU16(static_cast<std::uint16_t>(n));
    } else {
        writeU8(kLongPrefix);
        writeU16(kLongerPrefix);
        writeU32(static_cast<std::uint32_t>(n));
    }
    buffer_.insert(buffer_.end(), text.begin(), text.end());
}

void ByteWriter::writeBytes(std::span<const std::uint8_t> data) {
    buffer_.insert(buffer_.end(), data.begin(), data.end());
}

void ByteReader::fail(Failure why, std::size_t at) {
    if (!failed_) {
        failure_ = why;
        failedAt_ = at;
    }
    failed_ = true;
}

const std::uint8_t* ByteReader::take(std::size_t n) {
    if (failed_ || n > remaining()) {
        fail(Failure::EndOfData, pos_);
        return nullptr;
    }
    const std::uint8_t* p = data_.data() + pos_;
    pos_ += n;
    return p;
}

bool ByteReader::readU8(std::uint8_t& v) {
    const std::uint8_t* p = take(1);
    if (p == nullptr) {
        return false;
    }
    v = *p;
    return true;
}

bool ByteReader::readU16(std::uint16_t& v) {
    const std::uint8_t* p = take(2);
    if (p == nullptr) {
        return false;
    }
    v = LoadLittleEndian<std::uint16_t>(p);
    return true;
}

bool ByteReader::readU32(std::uint32_t& v) {
    const std::uint8_t* p = take(4);
    if (p == nullptr) {
        return false;
    }
    v = LoadLittleEndian<std::uint32_t>(p);
    return true;
}

bool ByteReader::readI32(std::int32_t& v) {
    std::uint32_t u = 0;
    if (!readU32(u)) {
        return false;
    }
    v = static_cast<std::int32_t>(u);
    return true;
}

bool ByteReader::readF64(double& v) {
    const std::uint8_t* p = take(8);
    if (p == nullptr) {
        return false;
    }
    v = std::bit_cast<double>(LoadLittleEndian<std::uint64_t>(p));
    return true;
}

bool ByteReader::readString(std::string& text) {
    // Parse the prefix on a copy so a failed read leaves the position where it was.
    ByteReader probe = *this;
    std::size_t n = 0;
    std::uint8_t shortLength = 0;
    if (!probe.readU8(shortLength)) {
        fail(probe.failure_, pos_);
        return false;
    }
    n = shortLength;
    if (shortLength == kLongPrefix) {
        std::uint16_t mediumLength = 0;
        if (!probe.readU16(mediumLength)) {
            fail(probe.failure_, pos_);
            return false;
        }
        if (mediumLength == kNoLength) {
            fail(Failure::BadLength, pos_);
            return false;
        }
        n = mediumLength;
        if (mediumLength == kLongerPrefix) {
            std::uint32_t longLength = 0;
            if (!probe.readU32(longLength)) {
                fail(probe.failure_, pos_);
                return false;
            }
            n = longLength;
        }
    }
    const std::uint8_t* p = probe.take(n);
    if (p == nullptr) {
        fail(probe.failure_, pos_);
        return false;
    }
    text.assign(reinterpret_cast<const char*>(p), n);
    pos_ = probe.pos_;
    return true;
}

bool ByteReader::readBytes(std::span<std::uint8_t> out) {
    const std::uint8_t* p = take(out.size());
    if (p == nullptr) {
        return false;
    }
    std::memcpy(out.data(), p, out.size());
    return true;
}

bool ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        return false; // opens on Linux, but holds no bytes of a program file
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
    if (in.bad()) {
        return false;
    }
    bytes = std::move(data);
    return true;
}

bool WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        return false;
    }
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

// Byte strings as the tests spell out frames, fields and file contents.
using Bytes = std::vector<std::uint8_t>;

// The parts one after another.
inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

// The characters of `text` as bytes, without a terminator.
inline Bytes AsciiBytes(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

#include "files/TextLines.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "files/ProgramFile.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr char kEndOfFileMark = '\x1A';

bool IsTextByte(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x20 ? u != 0x7F : (c == '\t' || c == '\f' || c == '\v' || c == '\r');
}

} // namespace

TextLines::TextLines(std::string_view content) {
    if (content.starts_with(kByteOrderMark))
        content.remove_prefix(kByteOrderMark.size());
    if (content.ends_with(kEndOfFileMark))
        content.remove_suffix(1);
    while (!content.empty()) {
        const std::size_t end = content.find('\n');
        std::string_view line = content.substr(0, end);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        lines_.push_back(line);
        if (end == std::string_view::npos)
            break;
        content.remove_prefix(end + 1);
    }
}

std::optional<int> TextLines::FirstBinaryLine() const {
    for (int n = 1; n <= Count(); ++n)
        for (char c : Line(n))
            if (!IsTextByte(c))
                return n;
    return std::nullopt;
}

std::optional<std::string> ReadTextFile(const std::string& path, std::string& error,
                                        bool* unreadable) {
    std::vector<std::uint8_t> bytes;
    std::string reason;
    const bool read = ReadProgramFileBytes(path, bytes, &reason);
    if (unreadable != nullptr)
        *unreadable = !read;
    if (!read) {
        error = path + ": " + reason;
        return std::nullopt;
    }
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::string_view> SplitWords(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start)
            words.push_back(line.substr(start, i - start));
    }
    return words;
}

std::string JoinWords(const std::vector<std::string_view>& words) {
    std::string text;
    for (std::string_view word : words) {
        if (!text.empty())
            text += ' ';
        text += word;
    }
    return text;
}

std::string UpperCase(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

std::optional<double> ReadTextNumber(std::string_view word) {
    if (word.starts_with('+') && !word.starts_with("+-"))
        word.remove_prefix(1);
    double value = 0.0;
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (word.empty() || ec != std::errc() || end != word.data() + word.size() ||
        !std::isfinite(value))
        return std::nullopt;
    return value;
}

#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the readers of text files (filter texts, measurements) share: lines numbered from 1 with
// LF or CRLF ends and a leading byte-order mark skipped, words, and numbers read the same in
// every locale.

class TextLines {
public:
    explicit TextLines(std::string_view content);

    int Count() const { return static_cast<int>(lines_.size()); }
    // Line n (1..Count()) without its line end.
    std::string_view Line(int n) const { return lines_[static_cast<std::size_t>(n - 1)]; }
    // The first line holding a control character no text has (a NUL byte, for one): the file is
    // binary data. Tabs, form feeds and a final end-of-file mark (0x1A) are text.
    std::optional<int> FirstBinaryLine() const;

private:
    std::vector<std::string_view> lines_;
};

// The contents of a text file (at most as large as a program file may be). When it cannot be
// read, nothing, the reason in `error` ("eq.txt: does not exist") and `unreadable` set, so a
// caller can tell an unreadable file from bad contents.
std::optional<std::string> ReadTextFile(const std::string& path, std::string& error,
                                        bool* unreadable = nullptr);

// The words of a line, split at spaces and tabs.
std::vector<std::string_view> SplitWords(std::string_view line);
// The words joined by single spaces.
std::string JoinWords(const std::vector<std::string_view>& words);
// ASCII letters in upper case.
std::string UpperCase(std::string_view text);
// A whole word as a finite decimal number ("-3.5", "+6", "1e3"); nothing for any other text,
// "nan" and "inf" included.
std::optional<double> ReadTextNumber(std::string_view word);

#include "files/FilterTextFile.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

#include "files/ProgramFile.h"
#include "files/TextLines.h"
#include "model/EqualizerImport.h"

namespace {

using Shape = RequestedFilter::Shape;

// A filter type as written, and what it is.
struct TypeWord {
    std::string_view word;
    Shape shape;
    int order = 2;            // high-pass and low-pass
    bool shelfCorner = false; // LSC, HSC
};
constexpr std::array<TypeWord, 17> kTypes{{
    {"PK", Shape::Peaking},
    {"PEQ", Shape::Peaking},
    {"LS", Shape::LowShelf},
    {"LSC", Shape::LowShelf, 2, true},
    {"HS", Shape::HighShelf},
    {"HSC", Shape::HighShelf, 2, true},
    {"HP", Shape::HighPass},
    {"HPQ", Shape::HighPass},
    {"HP1", Shape::HighPass, 1},
    {"LP", Shape::LowPass},
    {"LPQ", Shape::LowPass},
    {"LP1", Shape::LowPass, 1},
    {"NO", Shape::Notch},
    {"AP", Shape::AllPass},
    {"BP", Shape::BandPass},
    {"NONE", Shape::Empty},
    {"EMPTY", Shape::Empty},
}};

const TypeWord* FindType(std::string_view word) {
    const std::string upper = UpperCase(word);
    for (const TypeWord& t : kTypes)
        if (t.word == upper)
            return &t;
    return nullptr;
}

bool IsKeyword(std::string_view word) {
    const std::string upper = UpperCase(word);
    return upper == "FC" || upper == "GAIN" || upper == "Q" || upper == "BW";
}

// One line's words and how to report on it.
class FilterLine {
public:
    FilterLine(std::vector<std::string_view> words, std::string& error)
        : words_(std::move(words)), error_(error) {}

    bool AtEnd() const { return next_ >= words_.size(); }
    std::string_view Peek() const { return AtEnd() ? std::string_view() : words_[next_]; }
    std::string_view Take() { return AtEnd() ? std::string_view() : words_[next_++]; }
    // Takes the next word when it is `word` (either case).
    bool TakeIf(std::string_view word) {
        if (AtEnd() || UpperCase(Peek()) != UpperCase(word))
            return false;
        ++next_;
        return true;
    }
    // The next word as a number; false with the reason when it is none.
    bool TakeNumber(std::string_view what, double& value) {
        const std::string_view word = Take();
        if (word.empty())
            return Fail(std::string(what) + " has no value");
        const auto number = ReadTextNumber(word);
        if (!number)
            return Fail(std::string(what) + " " + std::string(word) + " is not a number");
        value = *number;
        return true;
    }
    bool Fail(std::string message) {
        error_ = std::move(message);
        return false;
    }

private:
    std::vector<std::string_view> words_;
    std::size_t next_ = 0;
    std::string& error_;
};

// "6dB", or "6" followed by "dB": a shelf's slope after its type.
bool TakeSlope(FilterLine& line, RequestedFilter& filter) {
    std::string_view word = line.Peek();
    if (word.empty() || IsKeyword(word))
        return true;
    line.Take();
    const std::string upper = UpperCase(word);
    const bool unitAttached = upper.size() > 2 && upper.ends_with("DB");
    const std::string_view digits = unitAttached ? word.substr(0, word.size() - 2) : word;
    const auto slope = ReadTextNumber(digits);
    if (!slope || *slope <= 0.0)
        return line.Fail("unknown filter type " + filter.type + " " + std::string(word));
    if (!unitAttached && !line.TakeIf("dB"))
        return line.Fail("the slope " + std::string(word) + " of " + filter.type +
                         " needs its unit: " + std::string(word) + " dB");
    filter.slopeDb = *slope;
    filter.type += unitAttached ? " " + std::string(word) : " " + std::string(word) + " dB";
    return true;
}

// The settings after the type: Fc, Gain, Q and BW, each at most once.
bool TakeSettings(FilterLine& line, RequestedFilter& filter, bool& hasFc, bool& hasGain) {
    while (!line.AtEnd()) {
        const std::string word(line.Take());
        const std::string key = UpperCase(word);
        if ((key == "FC" && hasFc) || (key == "GAIN" && hasGain) || (key == "Q" && filter.q) ||
            (key == "BW" && filter.octaves))
            return line.Fail(word + " is given twice");
        if (key == "FC") {
            double hz = 0.0;
            if (!line.TakeNumber("Fc", hz))
                return false;
            if (line.TakeIf("kHz"))
                hz *= 1000.0;
            else
                line.TakeIf("Hz");
            filter.hz = hz;
            hasFc = true;
        } else if (key == "GAIN") {
            if (!line.TakeNumber("Gain", filter.gainDb))
                return false;
            line.TakeIf("dB");
            hasGain = true;
        } else if (key == "Q") {
            double q = 0.0;
            if (!line.TakeNumber("Q", q))
                return false;
            filter.q = q;
        } else if (key == "BW") {
            const bool unitFirst = line.TakeIf("Oct");
            double octaves = 0.0;
            if (!line.TakeNumber("BW", octaves))
                return false;
            if (!unitFirst)
                line.TakeIf("Oct");
            filter.octaves = octaves;
        } else {
            return line.Fail("unknown setting " + word + " (Fc, Gain, Q and BW Oct are read)");
        }
    }
    return true;
}

// What each type needs besides Fc: peaking and shelves a gain, peaking a Q or a bandwidth.
bool CheckComplete(FilterLine& line, const RequestedFilter& filter, bool hasFc, bool hasGain) {
    if (filter.shape == Shape::Empty)
        return true;
    if (!hasFc)
        return line.Fail(filter.type + " needs Fc");
    const bool needsGain = filter.shape == Shape::Peaking || filter.IsShelf();
    if (needsGain && !hasGain)
        return line.Fail(filter.type + " needs a Gain");
    if (filter.shape == Shape::Peaking && !filter.q && !filter.octaves)
        return line.Fail(filter.type + " needs a Q or a BW Oct");
    if (filter.q && !(*filter.q > 0.0))
        return line.Fail("Q must be above 0");
    if (filter.octaves && !(*filter.octaves > 0.0))
        return line.Fail("BW must be above 0 octaves");
    return true;
}

// Everything after "Filter N:".
bool ParseFilter(std::string_view rest, RequestedFilter& filter, std::string& error) {
    FilterLine line(SplitWords(rest), error);
    filter.text = JoinWords(SplitWords(rest));
    if (line.TakeIf("ON"))
        filter.on = true;
    else if (line.TakeIf("OFF"))
        filter.on = false;
    else
        return line.Fail("a filter line says ON or OFF after its colon");
    const std::string_view typeWord = line.Take();
    if (typeWord.empty())
        return line.Fail("the filter has no type");
    const TypeWord* type = FindType(typeWord);
    if (type == nullptr)
        return line.Fail("unknown filter type " + std::string(typeWord));
    filter.shape = type->shape;
    filter.order = type->order;
    filter.shelfCorner = type->shelfCorner;
    filter.type = UpperCase(typeWord);
    if (filter.IsShelf() && !TakeSlope(line, filter))
        return false;
    if (!filter.IsShelf() && !line.AtEnd() && !IsKeyword(line.Peek()))
        return line.Fail("unknown filter type " + filter.type + " " + std::string(line.Peek()));
    bool hasFc = false;
    bool hasGain = false;
    return TakeSettings(line, filter, hasFc, hasGain) &&
           CheckComplete(line, filter, hasFc, hasGain);
}

// The position after the colon of a line starting with `word` (either case), blanks, a number
// when `numbered` ("Filter 12:", "Filter:"; "Preamp:"), blanks and the colon; nothing for another
// line.
std::optional<std::size_t> KeywordLineStart(std::string_view line, std::string_view word,
                                            bool numbered) {
    if (line.size() < word.size() || UpperCase(line.substr(0, word.size())) != word)
        return std::nullopt;
    std::size_t i = word.size();
    auto skip = [&](auto&& matches) {
        while (i < line.size() && matches(line[i]))
            ++i;
    };
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    skip(blank);
    if (numbered) {
        skip([](char c) { return c >= '0' && c <= '9'; });
        skip(blank);
    }
    if (i >= line.size() || line[i] != ':')
        return std::nullopt;
    return i + 1;
}

bool ParsePreamp(std::string_view rest, double& db, std::string& error) {
    FilterLine line(SplitWords(rest), error);
    if (!line.TakeNumber("Preamp", db))
        return false;
    line.TakeIf("dB");
    if (!line.AtEnd())
        return line.Fail("Preamp has a stray " + std::string(line.Peek()));
    return true;
}

// "12.5" rather than "12.50"; whole numbers without a point.
std::string Trimmed(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string text(buffer);
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
    }
    return text == "-0" ? "0" : text;
}

std::string Fixed(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

std::string PadLeft(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string PadRight(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string FilterLineText(const RequestedFilter& filter) {
    std::string line = PadRight(filter.on ? "ON" : "OFF", 4) + PadRight(filter.type, 10);
    if (filter.shape == Shape::Empty)
        return line;
    // Crossover sections come from the unit's filters at any frequency: hundredths of a hertz
    // and four decimals of Q keep them exact enough to find the same filter again.
    const bool section = filter.IsCrossover();
    line += "Fc " + PadLeft(section ? Fixed(filter.hz, 2) : Trimmed(filter.hz, 2), 7) + " Hz";
    if (filter.shape == Shape::Peaking || filter.IsShelf())
        line += "  Gain " + PadLeft(Fixed(filter.gainDb, 1), 5) + " dB";
    if (filter.q)
        line += "  Q " + PadLeft(Fixed(*filter.q, section ? 4 : 3), 6);
    else if (filter.octaves)
        line += "  BW Oct " + Fixed(*filter.octaves, 2);
    return line;
}

} // namespace

bool ParseFilterText(std::string_view content, std::string_view fileName, FilterText& text,
                     std::string& error) {
    FilterText parsed;
    std::string lineError;
    auto fail = [&](int line, const std::string& message) {
        error = std::string(fileName) + ", line " + std::to_string(line) + ": " + message;
        return false;
    };
    const TextLines lines(content);
    if (const std::optional<int> binary = lines.FirstBinaryLine())
        return fail(*binary, "binary data: this is not a filter text");
    for (int n = 1; n <= lines.Count(); ++n) {
        const std::string_view line = lines.Line(n);
        if (const auto start = KeywordLineStart(line, "FILTER", true)) {
            RequestedFilter filter;
            filter.line = n;
            if (!ParseFilter(line.substr(*start), filter, lineError))
                return fail(n, lineError);
            if (filter.on)
                if (const auto beyond = BeyondEveryUnit(filter))
                    return fail(n, *beyond);
            parsed.filters.push_back(std::move(filter));
        } else if (const auto preamp = KeywordLineStart(line, "PREAMP", false)) {
            double db = 0.0;
            if (parsed.preampDb)
                return fail(n, "a second Preamp line (the first is line " +
                                   std::to_string(parsed.preampLine) + ")");
            if (!ParsePreamp(line.substr(*preamp), db, lineError))
                return fail(n, lineError);
            if (const auto beyond = PreampBeyondEveryUnit(db))
                return fail(n, *beyond);
            parsed.preampDb = db;
            parsed.preampLine = n;
        }
    }
    if (parsed.filters.empty()) {
        error = std::string(fileName) +
                ": no filter lines (such as \"Filter 1: ON PK Fc 1000 Hz Gain -3.0 dB Q 1.41\")";
        return false;
    }
    text = std::move(parsed);
    return true;
}

bool ReadFilterTextFile(const std::string& path, FilterText& text, std::string& error,
                        bool* unreadable) {
    const std::optional<std::string> content = ReadTextFile(path, error, unreadable);
    return content && ParseFilterText(*content, path, text, error);
}

std::string FormatFilterText(const FilterText& text) {
    std::string out;
    for (const std::string& comment : text.comments)
        out += comment + "\n";
    if (text.preampDb)
        out += "Preamp: " + Fixed(*text.preampDb, 1) + " dB\n";
    int number = 0;
    for (const RequestedFilter& filter : text.filters)
        out +=
            "Filter " + PadLeft(std::to_string(++number), 2) + ": " + FilterLineText(filter) + "\n";
    return out;
}

bool SaveFilterTextFile(const std::string& path, const FilterText& text, std::string* reason) {
    const std::string content = FormatFilterText(text);
    return SaveFileReplacing(
        path,
        std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(content.data()),
                                      content.size()),
        reason);
}

#include "files/MeasurementFile.h"

#include <optional>
#include <vector>

#include "files/TextLines.h"

namespace {

bool IsComment(std::string_view line) {
    const auto first = line.find_first_not_of(" \t");
    return first == std::string_view::npos || line[first] == '*' || line[first] == '#';
}

// The fields of a data line: with semicolons between them, commas are decimal points.
std::vector<std::string> Fields(std::string_view line) {
    std::string text(line);
    const bool semicolons = text.find(';') != std::string::npos;
    for (char& c : text) {
        if (semicolons && c == ',')
            c = '.';
        else if (c == ';' || c == ',')
            c = ' ';
    }
    std::vector<std::string> fields;
    for (std::string_view word : SplitWords(text))
        fields.emplace_back(word);
    return fields;
}

} // namespace

bool ParseMeasurement(std::string_view content, std::string_view fileName,
                      MeasuredResponse& measurement, std::string& error) {
    auto fail = [&](int line, const std::string& message) {
        error = std::string(fileName) + ", line " + std::to_string(line) + ": " + message;
        return false;
    };
    const TextLines lines(content);
    if (const std::optional<int> binary = lines.FirstBinaryLine())
        return fail(*binary, "binary data: this is not a measurement text");
    MeasuredResponse read;
    read.name = std::string(fileName);
    std::vector<double> phase;
    std::size_t columns = 0; // 2 or 3, from the first point on
    int lastLine = 0;
    for (int n = 1; n <= lines.Count(); ++n) {
        const std::string_view line = lines.Line(n);
        if (IsComment(line))
            continue;
        const std::vector<std::string> fields = Fields(line);
        if (fields.empty())
            continue;
        const std::optional<double> first = ReadTextNumber(fields.front());
        if (!first) {
            if (read.hz.empty())
                continue; // column headings before the data
            return fail(n, "\"" + fields.front() + "\" is not a number");
        }
        if (fields.size() < 2)
            return fail(n, "a point needs a frequency and a level");
        std::vector<double> values{*first};
        for (std::size_t i = 1; i < fields.size() && i < 3; ++i) {
            const std::optional<double> value = ReadTextNumber(fields[i]);
            if (!value)
                return fail(n, "\"" + fields[i] + "\" is not a number");
            values.push_back(*value);
        }
        if (columns == 0) {
            columns = values.size();
        } else if (values.size() != columns) {
            return fail(n, columns == 3 ? "this point has no phase, the points before have one"
                                        : "this point has a phase, the points before have none");
        }
        if (!(values[0] > 0.0))
            return fail(n, "the frequency " + fields[0] + " is not above 0 Hz");
        if (!read.hz.empty() && !(values[0] > read.hz.back()))
            return fail(n, "the frequency " + fields[0] + " does not rise above line " +
                               std::to_string(lastLine) + "'s");
        read.hz.push_back(values[0]);
        read.levelDb.push_back(values[1]);
        if (columns == 3)
            phase.push_back(values[2]);
        lastLine = n;
    }
    if (read.hz.size() < 2) {
        error = std::string(fileName) + ": " +
                (read.hz.empty() ? std::string("no points") : std::string("only one point")) +
                " (a measurement needs at least two: frequency, level and, if measured, phase)";
        return false;
    }
    read.phaseDeg = UnwrapDegrees(phase);
    measurement = std::move(read);
    return true;
}

bool ReadMeasurementFile(const std::string& path, MeasuredResponse& measurement, std::string& error,
                         bool* unreadable) {
    const std::optional<std::string> content = ReadTextFile(path, error, unreadable);
    return content && ParseMeasurement(*content, path, measurement, error);
}

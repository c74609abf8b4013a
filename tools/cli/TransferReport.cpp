#include "TransferReport.h"

#include "protocol/Frame.h"

#include <algorithm>
#include <map>
#include <optional>

namespace {

// One part of a program on the wire: its name, or a channel's block.
enum class PartKind { Name, Output, Input };

struct Part {
    int slot;
    PartKind kind;
    int channel; // 0-based
    bool written;
};

std::optional<Part> PartOf(const Request& frame, bool written) {
    const auto& b = frame.bytes;
    if (b.size() <= kOffsetParameter || b[kOffsetKind] != kKindWrite || frame.mutesInput >= 0)
        return std::nullopt;
    const int slot = b[kOffsetSlot];
    const int channel = b[kOffsetChannel];
    switch (b[kOffsetSection]) {
    case kSectionGlobal:
        if (channel == kGlobalProgramName)
            return Part{slot, PartKind::Name, 0, written};
        return std::nullopt;
    case kSectionOutput:
        return Part{slot, PartKind::Output, channel, written};
    case kSectionInput:
        return Part{slot, PartKind::Input, channel, written};
    default:
        return std::nullopt;
    }
}

// "a", "a and b", "a, b and c".
std::string Sentence(const std::vector<std::string>& items) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i)
        text += (i == 0 ? "" : i + 1 == items.size() ? " and " : ", ") + items[i];
    return text;
}

// Runs of following numbers, as the operator counts them: "1 to 3", "5".
std::vector<std::string> Runs(const std::vector<int>& numbers, std::string (*name)(int number)) {
    std::vector<std::string> runs;
    for (std::size_t i = 0; i < numbers.size();) {
        std::size_t j = i;
        while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1)
            ++j;
        runs.push_back(j == i       ? name(numbers[i])
                       : j == i + 1 ? name(numbers[i]) + " and " + name(numbers[j])
                                    : name(numbers[i]) + " to " + name(numbers[j]));
        i = j + 1;
    }
    return runs;
}

std::string Number(int n) {
    return std::to_string(n);
}

std::string Letter(int input) {
    return std::string(1, static_cast<char>('A' + input));
}

// "the program name, outputs 1 to 3 and input A".
std::string PartList(const std::vector<Part>& parts) {
    std::vector<std::string> items;
    std::vector<int> outputs;
    std::vector<int> inputs;
    for (const Part& p : parts) {
        if (p.kind == PartKind::Name)
            items.push_back("the program name");
        else
            (p.kind == PartKind::Output ? outputs : inputs)
                .push_back(p.kind == PartKind::Output ? p.channel + 1 : p.channel);
    }
    if (!outputs.empty())
        items.push_back((outputs.size() == 1 ? "output " : "outputs ") +
                        Sentence(Runs(outputs, Number)));
    if (!inputs.empty())
        items.push_back((inputs.size() == 1 ? "input " : "inputs ") +
                        Sentence(Runs(inputs, Letter)));
    return Sentence(items);
}

std::string Programs(const std::vector<int>& slots) {
    return (slots.size() == 1 ? "program " : "programs ") + Sentence(Runs(slots, Number));
}

} // namespace

std::string DescribeWrittenPart(const std::vector<Request>& frames, std::size_t answered) {
    std::vector<Part> parts;
    for (std::size_t i = 0; i < frames.size(); ++i)
        if (const std::optional<Part> part = PartOf(frames[i], i < answered))
            parts.push_back(*part);
    std::map<int, std::vector<Part>> bySlot;
    for (const Part& p : parts)
        bySlot[p.slot].push_back(p);

    std::string text;
    auto add = [&](const char* label, const std::string& what) {
        if (!what.empty())
            text += (text.empty() ? "" : " ") + std::string(label) + ": " + what + ".";
    };
    if (bySlot.size() <= 1) {
        std::vector<Part> written;
        std::vector<Part> missing;
        for (const Part& p : parts)
            (p.written ? written : missing).push_back(p);
        if (written.empty())
            return "Nothing was written.";
        add("Written", PartList(written));
        add("Not written", PartList(missing));
        return text;
    }
    std::vector<int> whole;
    std::vector<int> none;
    std::vector<std::string> partly;
    for (const auto& [slot, slotParts] : bySlot) {
        const auto done = std::count_if(slotParts.begin(), slotParts.end(),
                                        [](const Part& p) { return p.written; });
        if (done == static_cast<long>(slotParts.size())) {
            whole.push_back(slot);
        } else if (done == 0) {
            none.push_back(slot);
        } else {
            std::vector<Part> written;
            std::copy_if(slotParts.begin(), slotParts.end(), std::back_inserter(written),
                         [](const Part& p) { return p.written; });
            partly.push_back("program " + std::to_string(slot) + " (" + PartList(written) + ")");
        }
    }
    if (whole.empty() && partly.empty())
        return "Nothing was written.";
    add("Written", whole.empty() ? std::string() : Programs(whole));
    add("Partly written", Sentence(partly));
    add("Not written", none.empty() ? std::string() : Programs(none));
    return text;
}

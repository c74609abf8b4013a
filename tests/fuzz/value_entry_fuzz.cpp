// The entry rules of every display kind on any typed text and any edit settings an editor could
// have: a commit stores an index inside the edit's range, anything else keeps the old index (a
// refusal with a reason and a message), only the owner-text kind hands the text to its owner, and
// the index that results can be shown and typed again.
//
// Input: kind, range, step and offset, temperature, the current index, then the typed text.

#include "FuzzSupport.h"
#include "model/ValueFormats.h"

#include <array>
#include <cmath>

namespace {

constexpr std::array<int, 20> kKinds{kKindDelayMsLong,  kKindDelayMetresLong,  kKindDelayFeetLong,
                                     kKindCentred,      kKindInteger,          kKindAttack,
                                     kKindOwnerText,    kKindBandwidthFine,    kKindFrequency,
                                     kKindInteger9,     kKindLinear,           kKindQFine,
                                     kKindDelayMsShort, kKindDelayMetresShort, kKindDelayFeetShort,
                                     kKindQCoarse,      kKindBandwidthCoarse,  kKindSlope,
                                     kKindRatio,        kKindTemperature};

// Steps and offsets the editors use, and a few that no editor uses but the rules must survive.
constexpr std::array<double, 8> kSteps{0.1, 0.5, 1.0, 0.25, 2.0, -0.5, 0.0, 1000.0};
constexpr std::array<double, 6> kOffsets{0.0, 30.0, 60.0, 12.5, -40.0, 1e6};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzBytes in({data, size});
    DisplayKindSettings s;
    s.kind = kKinds[static_cast<std::size_t>(in.Byte()) % kKinds.size()];
    // Ranges of the editors lie within 0..60000; the rules must also hold for any other range
    // whose bounds an index can hold.
    const int a = in.InRange(-70000, 70000);
    const int b = in.InRange(-70000, 70000);
    s.min = std::min(a, b);
    s.max = std::max(a, b);
    s.step = kSteps[in.Byte() % kSteps.size()];
    s.offset = kOffsets[in.Byte() % kOffsets.size()];
    s.temperatureC = in.InRange(-20, 70);
    const int current = in.InRange(s.min, s.max);
    const std::string text = in.Text(in.remaining());

    const DisplayEntry e = ApplyDisplayEntry(s, current, text);
    switch (e.outcome) {
    case EntryOutcome::Commit:
        FUZZ_CHECK(e.index >= s.min && e.index <= s.max, "a committed index lies in the range");
        FUZZ_CHECK(e.problem == EntryProblem::None, "a commit has no problem");
        break;
    case EntryOutcome::OwnerText:
        FUZZ_CHECK(s.kind == kKindOwnerText, "only the owner-text kind hands its text over");
        FUZZ_CHECK(e.index == current, "owner text keeps the index");
        break;
    case EntryOutcome::Refused:
        FUZZ_CHECK(e.index == current, "a refused entry keeps the index");
        FUZZ_CHECK(e.problem != EntryProblem::None, "a refusal says why");
        FUZZ_CHECK(!EntryRefusalMessage(s, e, text).empty(), "a refusal has a message");
        break;
    case EntryOutcome::KeepText:
    case EntryOutcome::Restore:
        FUZZ_CHECK(e.index == current, "an entry not committed keeps the index");
        break;
    }
    // Never limited and taken: a text that commits is one the rule reads as lying in the range,
    // so the text of the committed index commits to that index again.
    if (e.outcome == EntryOutcome::Commit) {
        if (const std::optional<std::string> again = FormatDisplayKind(s, e.index);
            again && !again->empty()) {
            FUZZ_CHECK(ApplyDisplayEntry(s, current, *again).outcome != EntryOutcome::Refused ||
                           s.kind == kKindCentred || s.kind == kKindLinear,
                       "the text of a committed index is taken again");
        }
    }
    const std::optional<std::string> shown = FormatDisplayKind(s, e.index);
    FUZZ_CHECK(!shown || shown->size() < 64, "the text shown for an index is short");
    FUZZ_CHECK(ApplyDisplayEntry(s, current, text).index == e.index, "an entry is repeatable");
    return 0;
}

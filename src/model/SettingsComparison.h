#pragma once

#include "model/SettingsSnapshot.h"

#include <array>
#include <optional>
#include <string>

// The A/B comparison: two stored settings the operator switches the live settings between, to
// hear one against the other. Edits made while a slot is live belong to it: the status says
// "edited" until the switch, which stores them in that slot before it makes the other one live
// (the edit history does this), so switching twice comes back to what the unit had. Which slot
// is live is read from the settings themselves; only when they equal neither does the slot last
// stored or switched to count.
class SettingsComparison {
public:
    enum class Slot { A = 0, B = 1 };

    static char NameOf(Slot slot) { return slot == Slot::A ? 'A' : 'B'; }
    static Slot Other(Slot slot) { return slot == Slot::A ? Slot::B : Slot::A; }

    // Keeps `live` as the slot's settings, replacing what it held.
    void Store(Slot slot, const SettingsSnapshot& live);
    bool Has(Slot slot) const { return m_slots[Index(slot)].has_value(); }
    // Precondition: Has(slot).
    const SettingsSnapshot& Settings(Slot slot) const { return *m_slots[Index(slot)]; }

    // The slot a switch makes live: the other one of the slot `live` equals, else the other one of
    // the slot last stored or switched to. Nothing until both slots hold settings.
    std::optional<Slot> SwitchTarget(const SettingsSnapshot& live) const;
    // The switch to `slot` is done.
    void SwitchedTo(Slot slot) { m_last = slot; }

    // The status line's text: "A/B: none", "A/B: A live", "A/B: B edited, A stored", ...
    std::string StatusText(const SettingsSnapshot& live) const;

private:
    static std::size_t Index(Slot slot) { return static_cast<std::size_t>(slot); }
    // The slot `live` equals (A first), or the last one.
    Slot LiveSlot(const SettingsSnapshot& live, bool* equal) const;

    std::array<std::optional<SettingsSnapshot>, 2> m_slots;
    Slot m_last = Slot::A;
};

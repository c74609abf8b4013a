#include "model/SettingsComparison.h"

void SettingsComparison::Store(Slot slot, const SettingsSnapshot& live) {
    m_slots[Index(slot)] = live;
    m_last = slot;
}

SettingsComparison::Slot SettingsComparison::LiveSlot(const SettingsSnapshot& live,
                                                      bool* equal) const {
    for (Slot slot : {Slot::A, Slot::B}) {
        if (Has(slot) && Settings(slot) == live) {
            *equal = true;
            return slot;
        }
    }
    *equal = false;
    return m_last;
}

std::optional<SettingsComparison::Slot>
SettingsComparison::SwitchTarget(const SettingsSnapshot& live) const {
    if (!Has(Slot::A) || !Has(Slot::B))
        return std::nullopt;
    bool equal = false;
    return Other(LiveSlot(live, &equal));
}

std::string SettingsComparison::StatusText(const SettingsSnapshot& live) const {
    if (!Has(Slot::A) && !Has(Slot::B))
        return "A/B: none";
    bool equal = false;
    const Slot current = LiveSlot(live, &equal);
    std::string text = "A/B: ";
    if (Has(current)) {
        text += NameOf(current);
        text += equal ? " live" : " edited";
        if (Has(Other(current)))
            text += std::string(", ") + NameOf(Other(current)) + " stored";
    } else {
        // Only the other slot holds settings, and the live ones are not those.
        text += std::string(1, NameOf(Other(current))) + " stored";
    }
    return text;
}

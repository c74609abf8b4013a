#pragma once

#include <algorithm>
#include <array>
#include <cassert>
#include <string_view>

#include "model/Channel.h"

// Name and curve colour a channel list gives its record at one index.
struct ChannelSetup {
    std::string_view name;
    CurveColour colour;
};

// A fixed list of N channel records owned by a program container. Record i gets index i, its
// name (through the name setter, so every new record starts with its name flag raised) and its
// curve colour from the setup table.
template <typename Record, int N> class ChannelList {
public:
    static constexpr int kCount = N;

    ChannelList(const ChannelList&) = delete;
    ChannelList& operator=(const ChannelList&) = delete;

    int size() const { return kCount; }
    // Precondition: 0 <= i < N.
    Record& operator[](int i) {
        assert(i >= 0 && i < kCount);
        return records_[static_cast<std::size_t>(std::clamp(i, 0, kCount - 1))];
    }
    const Record& operator[](int i) const {
        assert(i >= 0 && i < kCount);
        return records_[static_cast<std::size_t>(std::clamp(i, 0, kCount - 1))];
    }

    auto begin() { return records_.begin(); }
    auto end() { return records_.end(); }
    auto begin() const { return records_.begin(); }
    auto end() const { return records_.end(); }

protected:
    explicit ChannelList(const std::array<ChannelSetup, N>& setup) {
        for (int i = 0; i < kCount; ++i) {
            Record& record = records_[static_cast<std::size_t>(i)];
            const ChannelSetup& entry = setup[static_cast<std::size_t>(i)];
            record.setIndex(i);
            record.setName(entry.name); // raises the name flag: a new record sends its name
            record.setCurveColour(entry.colour);
        }
    }
    ~ChannelList() = default;

private:
    std::array<Record, N> records_;
};

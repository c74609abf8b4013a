#pragma once

#include "protocol/Request.h"

#include <cstdint>
#include <deque>

// First-in-first-out list of outgoing frames. The head (element 0) is the only frame ever on the
// line; it leaves the list when the unit has answered it, when the list is cleared, or when a
// search gives up on an unanswered probe. The queue owns every frame from the moment it is
// appended.
//
// Each appended frame gets a serial number, so a caller can tell whether the head is still the
// same frame after handing control to other code (a notification handler may clear the queue and
// queue new frames before the reply that triggered it is completed).
class RequestQueue {
public:
    void Append(Request frame);

    int Count() const { return static_cast<int>(m_frames.size()); }
    bool IsEmpty() const { return m_frames.empty(); }

    // The head frame, or nullptr when the queue is empty.
    Request* Head();
    const Request* Head() const;
    // Serial number of the head frame; 0 when the queue is empty (numbers start at 1).
    std::uint64_t HeadSerial() const;

    // Frame at position i (0 = head), or nullptr when i is outside 0..Count()-1.
    const Request* At(int i) const;
    Request* Mutable(int i);

    // Destroys the head frame; returns false (and does nothing) when the queue is empty.
    bool RemoveHead();
    void Clear();
    // Removes every frame for which pred(frame) holds; returns how many.
    template <class Pred> int RemoveIf(Pred pred) {
        const auto before = m_frames.size();
        std::erase_if(m_frames, [&](const Entry& entry) { return pred(entry.frame); });
        return static_cast<int>(before - m_frames.size());
    }

private:
    struct Entry {
        Request frame;
        std::uint64_t serial;
    };
    // A deque keeps references to the remaining frames valid when the head is removed or a frame
    // is appended, so a caller may hold the head across an Append.
    std::deque<Entry> m_frames;
    std::uint64_t m_nextSerial = 1;
};

#pragma once

#include <cstdint>
#include <vector>

// One outgoing request frame with the bookkeeping the send queue keeps for it: how long it has
// waited for its answer, whether it has been transmitted yet, and whether it belongs to a batch
// transfer (a whole program or the whole bank) whose last frame ends the busy display.
class Request {
public:
    Request() = default;
    explicit Request(std::vector<std::uint8_t> frame) : bytes(std::move(frame)) {}

    int length() const { return static_cast<int>(bytes.size()); }

    // True for the last frame of a batch; the read and write forms are handled identically.
    bool endsBatch() const { return endsReadBatch || endsWriteBatch; }

    std::vector<std::uint8_t> bytes; // the complete frame, start byte to end byte
    int waitedTicks = 0;             // ticks since the first transmission; a repeat keeps counting
    bool firstSendPending = true;    // not yet transmitted
    bool inBatch = false;
    bool endsReadBatch = false;
    bool endsWriteBatch = false;
    int probedId = 0;          // device ID a search probe asks for (search progress)
    bool connectProbe = false; // the probe sent right after connecting
    bool idCheckProbe = false; // asks whether a unit already answers to an ID before renumbering
    // A store of the live settings mutes inputs A and B for its own sake while it writes the
    // outputs: the frame that mutes an input, and the one that gives it its own on/off again,
    // name the input (0 = A); -1 for every other frame.
    int mutesInput = -1;
    int unmutesInput = -1;
};

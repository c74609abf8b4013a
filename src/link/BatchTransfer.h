#pragma once

#include "link/RequestQueue.h"

#include <map>
#include <string>
#include <vector>

// The program transfers that go out as one batch under the busy display.
enum class TransferKind {
    ReadProgram,      // one program slot into the editor (0 = the live settings)
    StoreProgram,     // the editor into one program slot
    ReadAllPrograms,  // memories 1..30 into the program bank
    WriteAllPrograms, // a program bank into memories 1..30
};

// What a transfer has done so far, as a progress display shows it.
struct TransferProgress {
    TransferKind kind = TransferKind::ReadProgram;
    int slot = 0;           // the slot of a one-program transfer
    int requestsDone = 0;   // requests answered, of those queued up to the batch's last
    int requestsTotal = 0;  // requests queued up to the batch's last at the start (less any
                            // dropped by a stop)
    int memoryCount = 0;    // memories the transfer started with: 30 for the whole bank, else 0
    int memoriesDone = 0;   // memories whose every request has been answered
    int currentMemory = 0;  // the memory on the line (1..30); 0 for a one-program transfer
    int remainingTicks = 0; // send ticks still to go, estimated from the pacing so far
    bool stopping = false;  // a stop was asked for: the transfer ends after the current memory

    // A transfer of many memories can stop between two of them.
    bool CanStop() const { return memoryCount > 1 && !stopping; }
    // What is being done: "Writing memory 12 of 30", "Reading program 5: 6 of 12 blocks".
    std::string Text() const;
    // The time left for a send tick of `tickMs`: "About 40 s left", "About 2 min 10 s left",
    // "Less than a second left".
    std::string RemainingText(int tickMs) const;
};

// Follows one batch through the send queue: how many of its requests (and of the requests
// queued ahead of it, such as a connect's reads) have been answered, which memories are complete,
// how long the rest will take, and a stop between two memories. A request leaves the queue only
// when the unit has answered it, so what is left of the queue tells what is done. GUI-free and
// time-free: the owner counts the send ticks.
class BatchTransfer {
public:
    // Ticks one request takes before the transfer has shown its own pace: the request and its
    // answer on a 9600-baud line, each request leaving on the first tick after the previous
    // answer (a 30-memory transfer averages just under two).
    static constexpr int kPacedTicksPerRequest = 2;
    // Requests answered before the transfer's own pace is trusted over the paced figure.
    static constexpr int kRequestsBeforeMeasuring = 4;

    // Starts following the batch just queued on `queue` (its frames carry the in-batch flag and
    // their program slot).
    void Begin(TransferKind kind, int slot, const RequestQueue& queue);
    bool IsActive() const { return m_active; }
    TransferKind Kind() const { return m_progress.kind; }
    int Slot() const { return m_progress.slot; }

    // One send tick went by while the transfer ran.
    void CountTick() { ++m_ticks; }
    // Takes in what the queue holds now. Returns true once every request of the batch has been
    // answered: the transfer is then over (End() gives its final state).
    bool Update(const RequestQueue& queue);
    // Memories completed since the last call, in order (each reported once).
    std::vector<int> TakeNewlyCompletedMemories();

    // Marks the transfer as stopping after the memory on the line. The owner then drops the
    // batch's requests of later memories (those for which DroppedByStop holds) and hands their
    // count to Dropped.
    void RequestStop();
    bool DroppedByStop(const Request& frame) const;
    void Dropped(int requests);

    TransferProgress Progress() const { return m_progress; }
    // Memories complete, and memories some but not all of whose requests were answered.
    std::vector<int> MemoriesDone() const;
    int MemoryInPart() const;
    // Memories the transfer never reached (after a stop or a failure).
    std::vector<int> MemoriesUntouched() const;
    // Stops following; returns the state it ended in.
    TransferProgress End();

private:
    // Requests still queued up to and including the batch's last, meter polls aside, and the
    // requests of each memory among them.
    int Remaining(const RequestQueue& queue, std::map<int, int>* perMemory) const;

    bool m_active = false;
    TransferProgress m_progress;
    int m_ticks = 0;
    std::map<int, int> m_memoryRequests; // memory -> its requests at the start
    std::map<int, int> m_memoryLeft;     // memory -> its requests still queued
    std::vector<int> m_dropped;          // memories a stop took off the queue
    int m_reportedDone = 0;              // memories handed out by TakeNewlyCompletedMemories
};

// "1 to 11", "5", "1 to 3, 7": a sorted list of memory numbers as the operator reads it.
std::string MemoryRangesText(const std::vector<int>& memories);

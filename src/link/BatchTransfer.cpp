#include "link/BatchTransfer.h"

#include "protocol/RequestSequences.h"

#include <algorithm>
#include <cmath>

namespace {

bool TracksMemories(TransferKind kind) {
    return kind == TransferKind::ReadAllPrograms || kind == TransferKind::WriteAllPrograms;
}

std::string SlotName(int slot) {
    return slot == 0 ? "the live settings" : "program " + std::to_string(slot);
}

} // namespace

std::string MemoryRangesText(const std::vector<int>& memories) {
    std::string text;
    for (std::size_t i = 0; i < memories.size();) {
        std::size_t j = i;
        while (j + 1 < memories.size() && memories[j + 1] == memories[j] + 1)
            ++j;
        if (!text.empty())
            text += ", ";
        text += std::to_string(memories[i]);
        if (j > i)
            text += " to " + std::to_string(memories[j]);
        i = j + 1;
    }
    return text;
}

// ---- Progress ----------------------------------------------------------------------------------

std::string TransferProgress::Text() const {
    const std::string of = " of " + std::to_string(memoryCount);
    const std::string requests =
        " (" + std::to_string(requestsDone) + " of " + std::to_string(requestsTotal) + " requests)";
    switch (kind) {
    case TransferKind::ReadAllPrograms:
    case TransferKind::WriteAllPrograms:
        if (stopping)
            return "Stopping after memory " + std::to_string(currentMemory) + of;
        return std::string(kind == TransferKind::ReadAllPrograms ? "Reading" : "Writing") +
               " memory " + std::to_string(currentMemory) + of;
    case TransferKind::ReadProgram:
        return "Reading " + SlotName(slot) + requests;
    case TransferKind::StoreProgram:
        return "Storing " + SlotName(slot) + requests;
    }
    return {};
}

std::string TransferProgress::RemainingText(int tickMs) const {
    const long long ms = static_cast<long long>(remainingTicks) * std::max(tickMs, 0);
    const long long seconds = (ms + 999) / 1000;
    if (seconds < 1)
        return "Less than a second left";
    if (seconds < 60)
        return "About " + std::to_string(seconds) + " s left";
    return "About " + std::to_string(seconds / 60) + " min " + std::to_string(seconds % 60) +
           " s left";
}

// ---- Following a batch
// ---------------------------------------------------------------------------

int BatchTransfer::Remaining(const RequestQueue& queue, std::map<int, int>* perMemory) const {
    int last = -1;
    for (int i = 0; i < queue.Count(); ++i) {
        if (queue.At(i)->inBatch)
            last = i;
    }
    int remaining = 0;
    for (int i = 0; i <= last; ++i) {
        const Request& frame = *queue.At(i);
        if (IsMeterPollRequest(frame))
            continue;
        ++remaining;
        if (perMemory != nullptr && frame.inBatch && frame.programSlot > 0)
            ++(*perMemory)[frame.programSlot];
    }
    return remaining;
}

void BatchTransfer::Begin(TransferKind kind, int slot, const RequestQueue& queue) {
    m_active = true;
    m_ticks = 0;
    m_reportedDone = 0;
    m_dropped.clear();
    m_memoryRequests.clear();
    m_progress = TransferProgress{};
    m_progress.kind = kind;
    m_progress.slot = slot;
    m_progress.requestsTotal = Remaining(queue, &m_memoryRequests);
    if (!TracksMemories(kind))
        m_memoryRequests.clear();
    m_memoryLeft = m_memoryRequests;
    m_progress.memoryCount = static_cast<int>(m_memoryRequests.size());
    Update(queue);
}

bool BatchTransfer::Update(const RequestQueue& queue) {
    if (!m_active)
        return false;
    std::map<int, int> left;
    const int remaining = Remaining(queue, &left);
    m_progress.requestsDone = std::max(m_progress.requestsTotal - remaining, 0);
    m_progress.memoriesDone = 0;
    m_progress.currentMemory = 0;
    for (auto& [memory, count] : m_memoryLeft) {
        const auto it = left.find(memory);
        count = it == left.end() ? 0 : it->second;
        const bool dropped =
            std::find(m_dropped.begin(), m_dropped.end(), memory) != m_dropped.end();
        if (count == 0 && !dropped)
            ++m_progress.memoriesDone;
        // The queue goes in memory order: the first memory with requests left is on the line.
        if (count > 0 && m_progress.currentMemory == 0)
            m_progress.currentMemory = memory;
    }
    if (m_progress.currentMemory == 0 && m_progress.memoriesDone > 0)
        m_progress.currentMemory = MemoriesDone().back();
    // The pace so far once a few requests have shown it, the paced figure before.
    const double ticksPerRequest = m_progress.requestsDone >= kRequestsBeforeMeasuring
                                       ? static_cast<double>(m_ticks) / m_progress.requestsDone
                                       : static_cast<double>(kPacedTicksPerRequest);
    m_progress.remainingTicks = static_cast<int>(std::ceil(remaining * ticksPerRequest));
    return remaining == 0;
}

std::vector<int> BatchTransfer::TakeNewlyCompletedMemories() {
    const std::vector<int> done = MemoriesDone();
    std::vector<int> fresh;
    for (std::size_t i = static_cast<std::size_t>(m_reportedDone); i < done.size(); ++i)
        fresh.push_back(done[i]);
    m_reportedDone = static_cast<int>(done.size());
    return fresh;
}

void BatchTransfer::RequestStop() {
    if (m_active && m_progress.CanStop())
        m_progress.stopping = true;
}

bool BatchTransfer::DroppedByStop(const Request& frame) const {
    return m_progress.stopping && frame.inBatch && frame.programSlot > m_progress.currentMemory;
}

void BatchTransfer::Dropped(int requests) {
    m_progress.requestsTotal = std::max(m_progress.requestsTotal - requests, 0);
    for (const auto& [memory, count] : m_memoryRequests) {
        if (memory > m_progress.currentMemory)
            m_dropped.push_back(memory);
    }
}

std::vector<int> BatchTransfer::MemoriesDone() const {
    std::vector<int> done;
    for (const auto& [memory, left] : m_memoryLeft) {
        if (left == 0 && std::find(m_dropped.begin(), m_dropped.end(), memory) == m_dropped.end())
            done.push_back(memory);
    }
    return done;
}

int BatchTransfer::MemoryInPart() const {
    for (const auto& [memory, left] : m_memoryLeft) {
        if (left > 0 && left < m_memoryRequests.at(memory))
            return memory;
    }
    return 0;
}

std::vector<int> BatchTransfer::MemoriesUntouched() const {
    std::vector<int> untouched;
    for (const auto& [memory, left] : m_memoryLeft) {
        const bool dropped =
            std::find(m_dropped.begin(), m_dropped.end(), memory) != m_dropped.end();
        if (dropped || left == m_memoryRequests.at(memory))
            untouched.push_back(memory);
    }
    return untouched;
}

TransferProgress BatchTransfer::End() {
    m_active = false;
    return m_progress;
}

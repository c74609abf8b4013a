#include "comm/SendDataQueue.h"

#include <utility>

void CSendDataQueue::Append(CSendData frame) {
    m_frames.push_back(Entry{std::move(frame), m_nextSerial++});
}

CSendData* CSendDataQueue::Head() {
    return m_frames.empty() ? nullptr : &m_frames.front().frame;
}

const CSendData* CSendDataQueue::Head() const {
    return m_frames.empty() ? nullptr : &m_frames.front().frame;
}

std::uint64_t CSendDataQueue::HeadSerial() const {
    return m_frames.empty() ? 0 : m_frames.front().serial;
}

const CSendData* CSendDataQueue::At(int i) const {
    if (i < 0 || i >= Count())
        return nullptr;
    return &m_frames[static_cast<std::size_t>(i)].frame;
}

bool CSendDataQueue::RemoveHead() {
    if (m_frames.empty())
        return false;
    m_frames.pop_front();
    return true;
}

void CSendDataQueue::Clear() {
    m_frames.clear();
}

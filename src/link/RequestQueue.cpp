#include "link/RequestQueue.h"

#include <utility>

void RequestQueue::Append(Request frame) {
    m_frames.push_back(Entry{std::move(frame), m_nextSerial++});
}

Request* RequestQueue::Head() {
    return m_frames.empty() ? nullptr : &m_frames.front().frame;
}

const Request* RequestQueue::Head() const {
    return m_frames.empty() ? nullptr : &m_frames.front().frame;
}

std::uint64_t RequestQueue::HeadSerial() const {
    return m_frames.empty() ? 0 : m_frames.front().serial;
}

const Request* RequestQueue::At(int i) const {
    if (i < 0 || i >= Count())
        return nullptr;
    return &m_frames[static_cast<std::size_t>(i)].frame;
}

Request* RequestQueue::Mutable(int i) {
    if (i < 0 || i >= Count())
        return nullptr;
    return &m_frames[static_cast<std::size_t>(i)].frame;
}

bool RequestQueue::RemoveHead() {
    if (m_frames.empty())
        return false;
    m_frames.pop_front();
    return true;
}

void RequestQueue::Clear() {
    m_frames.clear();
}

#include "link/Trace.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace {

std::mutex& SinkMutex() {
    static std::mutex mutex;
    return mutex;
}

TraceSink& Sink() {
    static TraceSink sink;
    return sink;
}

} // namespace

TraceSink SetTraceSink(TraceSink sink) {
    std::lock_guard lock(SinkMutex());
    std::swap(Sink(), sink);
    return sink;
}

void Trace(std::string_view text) {
    std::lock_guard lock(SinkMutex());
    if (Sink()) {
        Sink()(text);
    }
}

void TraceFormat(const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (length < 0) {
        return;
    }
    Trace(std::string_view(buffer, std::min<std::size_t>(length, sizeof buffer - 1)));
}

TraceCapture::TraceCapture() {
    m_previous = SetTraceSink([this](std::string_view text) {
        std::lock_guard lock(m_mutex);
        m_texts.emplace_back(text);
    });
}

TraceCapture::~TraceCapture() {
    SetTraceSink(std::move(m_previous));
}

std::vector<std::string> TraceCapture::Texts() const {
    std::lock_guard lock(m_mutex);
    return m_texts;
}

bool TraceCapture::Contains(std::string_view text) const {
    std::lock_guard lock(m_mutex);
    return std::find(m_texts.begin(), m_texts.end(), text) != m_texts.end();
}

void TraceCapture::Clear() {
    std::lock_guard lock(m_mutex);
    m_texts.clear();
}

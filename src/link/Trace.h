#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

// Debug output of the communication layer. Failures of the port layer are never shown to the
// operator; they are written here. The sink is silent by default; a test or a tool installs its
// own. The sink may be called from the serial listener thread as well as the user-interface
// thread: calls are serialised, so a sink needs no locking of its own.
using TraceSink = std::function<void(std::string_view text)>;

// Installs `sink` (an empty function silences the output) and returns the one it replaces.
TraceSink SetTraceSink(TraceSink sink);

// Writes `text` as given: the texts carry their own line ends.
void Trace(std::string_view text);

// printf-style form for texts with values, e.g. "Event %08Xh not within mask %08Xh.\n".
void TraceFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Captures every trace text while it exists and restores the previous sink afterwards.
class TraceCapture {
public:
    TraceCapture();
    ~TraceCapture();
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    std::vector<std::string> Texts() const;
    bool Contains(std::string_view text) const; // one captured text equals `text` exactly
    void Clear();

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_texts;
    TraceSink m_previous;
};

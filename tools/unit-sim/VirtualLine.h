#pragma once

#include "VirtualUnit.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

// One serial line with one or more virtual units on it, served through a pseudo-terminal. The
// PC side opens the slave device (or a published link to it); the line reads the requests from
// the master side, hands each checked request to the unit it addresses and writes that unit's
// reply, preceded by 0xFF filler bytes. Requests are taken one at a time and answered in order.

struct SimUnitSpec {
    int deviceId = 1;   // 1..250
    int deviceType = 1; // 1 = 4x8, 2 = 3x6, 3 = 2x4
};

struct SimLineOptions {
    std::vector<SimUnitSpec> units = std::vector<SimUnitSpec>(1); // one unit 1:4x8
    // Name of the link published in VirtualUnitDirectory(); empty publishes none.
    std::string linkName;
    // Further links to the slave device at chosen paths.
    std::vector<std::string> extraLinks;

    // Faults and timing, for tests and demonstrations.
    bool baudTiming = false; // pace replies like a 9600-baud line (about 1.04 ms per byte)
    bool silent = false;     // take requests in but never answer
    bool split = false;      // write every reply one byte per write
    int dropEvery = 0;       // when > 0, leave every Nth reply unsent
    int corruptEvery = 0;    // when > 0, send every Nth reply with a wrong checksum
    int hangupAfter = 0;     // when > 0, close the line after the Nth request taken in
    int silentAfter = 0;     // when > 0, answer the first N requests, then fall silent
    int garbageEvery = 0;    // when > 0, put line noise before every Nth reply
    // Replies that answer something else than the request, each when > 0:
    int repeatLateEvery = 0;   // send every Nth reply again, late: just before the next reply
    int ackInsteadEvery = 0;   // answer every Nth read with an acknowledgement instead of data
    int otherChannelEvery = 0; // every Nth channel block names the next channel
    int otherSlotEvery = 0;    // every Nth channel block names the next program slot
    int shortBlockEvery = 0;   // every Nth channel block is one payload byte short
    int falseStartEvery = 0;   // put ten noise bytes starting 0xFF 0xB1 before every Nth reply

    // Keep every request with its wire sizes (see Exchanges); off by default, since a line that
    // serves meter polls for hours would grow the log for ever.
    bool keepLog = false;
};

// One request the line took in and what it cost on the wire: the bytes a 9600-baud line carries
// each way, filler and noise included.
struct SimExchange {
    std::vector<std::uint8_t> request; // the checked frame
    std::size_t requestWireBytes = 0;  // the frame and the filler before it
    std::size_t replyWireBytes = 0;    // 0 when the request went unanswered
    // When the line read the request's first byte (its filler, or the frame when none came).
    std::chrono::steady_clock::time_point arrived{};
};

class VirtualLine {
public:
    explicit VirtualLine(SimLineOptions options);
    ~VirtualLine(); // stops the thread, closes the pseudo-terminal and removes the links

    VirtualLine(const VirtualLine&) = delete;
    VirtualLine& operator=(const VirtualLine&) = delete;

    // Creates the pseudo-terminal pair in raw mode and publishes the links: what units that died
    // left in the virtual-unit directory is removed first, and each link's name is locked for the
    // line's lifetime, so the port list shows running units only and a second unit cannot take a
    // name in use. Returns false with a readable reason in *error when that fails (nothing is
    // left behind then).
    bool Open(std::string* error = nullptr);
    bool IsOpen() const;
    // True after --hangup-after was reached and before the line has closed.
    bool HangupPending() const;

    const std::string& SlavePath() const { return m_slavePath; }
    // Links actually published (the named one first).
    std::vector<std::string> Links() const;

    // One step: waits up to timeoutMs for request bytes, then answers every complete request.
    // Returns the number of requests taken in, or -1 once the line is closed (not opened, hung
    // up by --hangup-after, or closed after a fault of the pseudo-terminal).
    int Poll(int timeoutMs);

    // Runs Poll on a thread of its own until Stop or until the line closes.
    void Start();
    void Stop();

    // Runs f(units) with the line's state locked, so a test can look at or change the units
    // while the thread serves the line.
    template <class F> auto WithUnits(F&& f) {
        std::lock_guard lock(m_mutex);
        return f(m_units);
    }

    // Requests taken in so far (checked frames, addressed or not).
    int RequestCount() const { return m_requestCount.load(); }
    // With keepLog: every request taken in so far, in order.
    std::vector<SimExchange> Exchanges() const;

    // Closes the pseudo-terminal and removes the links; the PC side sees a hang-up.
    void Close();

    // Makes the units fall silent (true) or answer again (false) from the next request on.
    void SetSilent(bool silent);
    // Writes bytes to the PC as they are, e.g. noise or a reply nobody asked for.
    void WriteRaw(std::span<const std::uint8_t> bytes);

private:
    void HandleBytes(const std::uint8_t* data, std::size_t count);
    int TakeFrames();
    // Sends the reply; returns the bytes it put on the line (0 when it was dropped).
    std::size_t Reply(std::vector<std::uint8_t> frame, std::size_t requestBytes);
    // The reply as the options for wrong answers change it.
    std::vector<std::uint8_t> Misanswered(std::vector<std::uint8_t> frame);
    void WriteAll(const std::uint8_t* data, std::size_t count);
    void CloseLocked();
    void PublishLinks(std::string* error, bool* ok);
    void RemoveLinks();

    SimLineOptions m_options;
    std::vector<VirtualUnit> m_units;
    int m_master = -1;
    int m_slave = -1; // kept open so the line stays up while the PC closes and reopens it
    std::string m_slavePath;
    // A link published, and the descriptor that holds the lock of its name (VirtualUnitLockPath)
    // for as long as the line is open.
    struct PublishedLink {
        std::string path;
        int lock;
    };
    std::vector<PublishedLink> m_links;

    std::vector<std::uint8_t> m_pending; // request bytes not yet taken as frames
    std::size_t m_fillerBytes = 0;       // filler bytes seen before the pending frame
    std::chrono::steady_clock::time_point m_lastByte{};
    std::chrono::steady_clock::time_point m_requestStart{}; // first byte of the pending request
    int m_replyCount = 0;
    int m_dataReplyCount = 0;              // data replies (0x53) among them
    int m_blockReplyCount = 0;             // channel blocks among those
    std::vector<std::uint8_t> m_lateReply; // sent before the next reply (repeatLateEvery)
    bool m_silent = false;                 // set by SetSilent
    // Set once --hangup-after is reached: the line closes when the PC has read the last reply.
    std::optional<std::chrono::steady_clock::time_point> m_hangupDeadline;
    std::atomic<int> m_requestCount{0};
    std::vector<SimExchange> m_log; // with keepLog

    mutable std::mutex m_mutex; // guards everything above against the serving thread
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
};

#pragma once

#include "ReplyFrames.h"
#include "link/MessageSink.h"
#include "link/Port.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// In-memory serial line for engine tests: records every write with its time-out, hands out
// scripted read chunks, and fails on purpose (open, setup, after N written bytes, hang-up).
class FakePort : public IPort {
public:
    struct Write {
        Bytes bytes;
        int timeoutMs;
    };

    // ---- script ----
    bool failOpen = false;
    bool failSetup = false;
    std::string errorText;          // what LastErrorText reports after a failure
    long failWritesAfterBytes = -1; // a write that would pass this many bytes in all fails
    bool hungUp = false;            // reads and writes fail
    std::deque<Bytes> pendingReads; // each Read takes (up to its capacity of) the front chunk

    // ---- record ----
    std::vector<std::string> openedDevices;
    std::vector<LineSettings> setups;
    int closeCount = 0;
    std::vector<Write> writes;
    std::vector<int> readTimeouts;
    std::vector<std::size_t> readCapacities;
    LineEventHandler handler;

    void QueueRead(Bytes chunk) { pendingReads.push_back(std::move(chunk)); }
    // All bytes written so far, in order.
    Bytes Written() const;

    bool Open(const std::string& device, LineEventHandler onEvent) override;
    bool Setup(const LineSettings& settings) override;
    void Close() override;
    bool IsOpen() const override { return m_open; }
    bool Write(const std::uint8_t* data, std::size_t count, int timeoutMs) override;
    long Read(std::uint8_t* buffer, std::size_t capacity, int timeoutMs) override;
    std::string LastErrorText() const override { return m_lastError; }

private:
    bool m_open = false;
    long m_bytesWritten = 0;
    std::string m_lastError;
};

// Message boxes as a list of texts; yes/no questions get a scripted answer.
class RecordingMessageSink : public IMessageSink {
public:
    struct Message {
        std::string text;
        MessageKind kind;
    };
    std::vector<Message> messages;
    std::vector<std::string> questions;
    bool answer = false;
    std::function<void()> onShow; // runs while the box would be up

    void ShowMessage(const std::string& text, MessageKind kind) override {
        messages.push_back({text, kind});
        if (onShow)
            onShow();
    }
    bool AskYesNo(const std::string& text) override {
        questions.push_back(text);
        return answer;
    }
};

#include "Interruption.h"

#include <array>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <iostream>

namespace {

constexpr std::array kWatchedSignals{SIGINT, SIGTERM, SIGHUP};

// Written by the handler, so it must be lock-free to be safe there.
std::atomic<int> g_noted{0};
static_assert(std::atomic<int>::is_always_lock_free);

int g_depth = 0; // watches held; only the program's main thread takes them
std::array<struct sigaction, kWatchedSignals.size()> g_previous{};

void NoteSignal(int signal) {
    g_noted.store(signal);
}

} // namespace

InterruptWatch::InterruptWatch() {
    if (g_depth++ > 0)
        return;
    struct sigaction action {};
    action.sa_handler = NoteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: the loop's wait ends at once
    for (std::size_t i = 0; i < kWatchedSignals.size(); ++i)
        sigaction(kWatchedSignals[i], &action, &g_previous[i]);
}

InterruptWatch::~InterruptWatch() {
    if (--g_depth > 0)
        return;
    for (std::size_t i = 0; i < kWatchedSignals.size(); ++i)
        sigaction(kWatchedSignals[i], &g_previous[i], nullptr);
    if (const int signal = g_noted.exchange(0); signal != 0) {
        std::cout.flush();
        std::cerr.flush();
        std::fflush(nullptr);
        std::raise(signal);
    }
}

int TakeInterrupt() {
    return g_noted.exchange(0);
}

int InterruptExitStatus(int signal) {
    return 128 + signal;
}

const char* InterruptName(int signal) {
    switch (signal) {
    case SIGINT:
        return "SIGINT";
    case SIGTERM:
        return "SIGTERM";
    case SIGHUP:
        return "SIGHUP";
    default:
        return "a signal";
    }
}

#pragma once

// Ctrl-C (SIGINT), SIGTERM and SIGHUP while a command talks to a unit. Ending the program at
// once would leave a transfer half done and the unit's inputs muted by a store, and the port's
// terminal settings as the command set them. So while a watch is held the handlers only note the
// signal; the command's loop takes it between two steps, lets the frame on the line be answered,
// undoes what the transfer did for its own sake, says what was and was not done, and ends with
// the shell's status for the signal (128 + its number: 130, 143, 129).

// Holds the handlers for its lifetime; watches may be nested (the outermost installs and
// restores). A signal noted but not taken when the outermost watch ends is delivered again with
// the handlers the program had before, after standard output and error have been flushed: it
// came when nothing was left to stop.
class InterruptWatch {
public:
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;
};

// The signal noted since the last call, or 0; each signal is taken once.
int TakeInterrupt();
// 128 + the signal's number, as a shell reports a program the signal ended.
int InterruptExitStatus(int signal);
// "SIGINT", "SIGTERM", "SIGHUP".
const char* InterruptName(int signal);

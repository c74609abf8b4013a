#pragma once

#include <algorithm>
#include <iterator>
#include <termios.h>

// Whether two terminal settings are the same, field by field (the structure has padding).
inline bool SameTerminalSettings(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && std::equal(std::begin(a.c_cc), std::end(a.c_cc), b.c_cc) &&
           ::cfgetispeed(&a) == ::cfgetispeed(&b) && ::cfgetospeed(&a) == ::cfgetospeed(&b);
}

// Settings no program of ours would choose, as a console or a user's terminal has them: cooked
// input with echo, at 4800 baud. Applied to the terminal `fd`; returns them as it took them.
inline termios CookedTerminalSettings(int fd) {
    termios settings{};
    ::tcgetattr(fd, &settings);
    ::cfsetispeed(&settings, B4800);
    ::cfsetospeed(&settings, B4800);
    settings.c_lflag |= ICANON | ECHO;
    settings.c_iflag |= ICRNL;
    ::tcsetattr(fd, TCSANOW, &settings);
    ::tcgetattr(fd, &settings);
    return settings;
}

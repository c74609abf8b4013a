#pragma once

#include <string>
#include <sys/types.h>

// A ser2net process that puts a serial device (a virtual unit's pseudo-terminal) on the network
// at 127.0.0.1, as a serial device server in a rack would: one raw TCP port and one Telnet port
// with RFC 2217 serial port control, both on free ports chosen when it starts. For the tests and
// benchmarks of network ports. The process ends with the object, and with the process that
// started it.
class Ser2netServer {
public:
    Ser2netServer() = default;
    ~Ser2netServer();
    Ser2netServer(const Ser2netServer&) = delete;
    Ser2netServer& operator=(const Ser2netServer&) = delete;

    // The ser2net program, or "" when it is not installed (Debian package ser2net).
    static std::string ProgramPath();
    // The configuration (ser2net 4's YAML) for `device` on the two ports.
    static std::string Configuration(const std::string& device, int rawPort, int telnetPort);

    // Writes the configuration into `dir` (which also gets ser2net's log) and starts ser2net;
    // returns once both ports take connections. False, with the reason in *error, when ser2net
    // is missing or does not come up.
    bool Start(const std::string& device, const std::string& dir, std::string* error);
    // Ends the process (SIGTERM, then SIGKILL when it lingers) and waits for it.
    void Stop();
    // Kills the process at once (SIGKILL), as a server that crashes or loses power, and waits
    // for it.
    void Kill();

    bool IsRunning() const { return m_pid > 0; }
    pid_t Pid() const { return m_pid; }
    // "tcp://127.0.0.1:PORT" and "rfc2217://127.0.0.1:PORT".
    std::string RawPortName() const;
    std::string Rfc2217PortName() const;
    // What ser2net wrote to its standard output and error so far.
    std::string Log() const;

private:
    bool StartOnce(const std::string& program, const std::string& device, std::string* error);
    void End(int signal);

    pid_t m_pid = -1;
    int m_rawPort = 0;
    int m_telnetPort = 0;
    std::string m_dir;
};

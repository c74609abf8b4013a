#pragma once

#include <optional>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

// A program a timing bench starts and measures from outside, as a user would feel it: the wall
// time from start to exit, its peak resident memory, and the CPU time and context switches of all
// its threads while it runs. Its standard output and error go to a log file, shown when it fails.
class ChildProcess {
public:
    struct Result {
        int exitStatus = -1; // -1 when it did not exit normally
        double seconds = 0;  // from the fork to the exit
        long peakRssKb = 0;
    };

    ChildProcess(std::string program, std::vector<std::string> args,
                 std::vector<std::pair<std::string, std::string>> environment = {});
    ~ChildProcess(); // stops a child that still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Start(const std::string& logPath);
    pid_t Pid() const { return m_pid; }
    // Waits for the exit; kills the child after timeoutSeconds and returns nothing then.
    std::optional<Result> Wait(double timeoutSeconds);
    // Asks the child to end (SIGTERM), then waits for it.
    std::optional<Result> Stop();

private:
    std::string m_program;
    std::vector<std::string> m_args;
    std::vector<std::pair<std::string, std::string>> m_environment;
    pid_t m_pid = -1;
    int m_pidFd = -1;
    double m_started = 0;
};

// CPU time and context switches of every thread of a running process so far.
struct CpuUse {
    double cpuSeconds = 0;
    long contextSwitches = 0; // voluntary and involuntary
};
std::optional<CpuUse> SampleCpuUse(pid_t pid);

// Seconds on a monotonic clock.
double NowSeconds();

// A private temporary directory, removed with everything in it at destruction.
class TempDirectory {
public:
    TempDirectory();
    ~TempDirectory();
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// The contents of a text file ("" when it cannot be read).
std::string ReadTextFile(const std::string& path);

// The median of the values (0 for none).
double Median(std::vector<double> values);

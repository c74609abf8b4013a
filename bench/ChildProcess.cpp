#include "ChildProcess.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

int OpenPidFd(pid_t pid) {
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

// The first number of /proc/PID/task/TID/schedstat: nanoseconds spent on a CPU.
std::optional<double> TaskCpuSeconds(const std::string& taskDir) {
    std::ifstream in(taskDir + "/schedstat");
    unsigned long long nanoseconds = 0;
    if (!(in >> nanoseconds))
        return std::nullopt;
    return static_cast<double>(nanoseconds) / 1e9;
}

long TaskContextSwitches(const std::string& taskDir) {
    std::ifstream in(taskDir + "/status");
    std::string line;
    long total = 0;
    while (std::getline(in, line)) {
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0 ||
            line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
            total += std::strtol(line.substr(line.find(':') + 1).c_str(), nullptr, 10);
    }
    return total;
}

} // namespace

double NowSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

ChildProcess::ChildProcess(std::string program, std::vector<std::string> args,
                           std::vector<std::pair<std::string, std::string>> environment)
    : m_program(std::move(program)), m_args(std::move(args)),
      m_environment(std::move(environment)) {}

ChildProcess::~ChildProcess() {
    if (m_pid > 0)
        Stop();
}

bool ChildProcess::Start(const std::string& logPath) {
    std::vector<char*> argv{m_program.data()};
    for (std::string& arg : m_args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (log < 0)
        return false;
    m_started = NowSeconds();
    m_pid = ::fork();
    if (m_pid == 0) {
        for (const auto& [name, value] : m_environment)
            ::setenv(name.c_str(), value.c_str(), 1);
        ::dup2(log, STDOUT_FILENO);
        ::dup2(log, STDERR_FILENO);
        ::execv(m_program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(log);
    if (m_pid < 0)
        return false;
    m_pidFd = OpenPidFd(m_pid);
    return m_pidFd >= 0;
}

std::optional<ChildProcess::Result> ChildProcess::Wait(double timeoutSeconds) {
    if (m_pid <= 0)
        return std::nullopt;
    pollfd exited{m_pidFd, POLLIN, 0};
    const int ready = ::poll(&exited, 1, static_cast<int>(timeoutSeconds * 1000));
    const double ended = NowSeconds();
    if (ready <= 0)
        ::kill(m_pid, SIGKILL);
    int status = 0;
    rusage usage{};
    ::wait4(m_pid, &status, 0, &usage);
    ::close(m_pidFd);
    m_pid = -1;
    m_pidFd = -1;
    if (ready <= 0)
        return std::nullopt;
    Result result;
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.seconds = ended - m_started;
    result.peakRssKb = usage.ru_maxrss;
    return result;
}

std::optional<ChildProcess::Result> ChildProcess::Stop() {
    if (m_pid <= 0)
        return std::nullopt;
    ::kill(m_pid, SIGTERM);
    return Wait(10);
}

std::optional<CpuUse> SampleCpuUse(pid_t pid) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = ::opendir(tasks.c_str());
    if (dir == nullptr)
        return std::nullopt;
    CpuUse use;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        const std::string task = tasks + "/" + entry->d_name;
        if (const auto seconds = TaskCpuSeconds(task))
            use.cpuSeconds += *seconds;
        use.contextSwitches += TaskContextSwitches(task);
    }
    ::closedir(dir);
    return use;
}

TempDirectory::TempDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavrel-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr)
        m_path = pattern;
}

TempDirectory::~TempDirectory() {
    std::error_code ignored;
    if (!m_path.empty())
        std::filesystem::remove_all(m_path, ignored);
}

std::string ReadTextFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

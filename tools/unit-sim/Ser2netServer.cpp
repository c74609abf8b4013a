#include "Ser2netServer.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kStartTimeout = std::chrono::seconds(10);
constexpr auto kStopTimeout = std::chrono::seconds(5);
constexpr auto kLook = std::chrono::milliseconds(10);
constexpr int kStartAttempts = 3; // a free port may be taken by someone else before ser2net binds

// Two distinct TCP ports on 127.0.0.1 that nothing listens on now.
bool FreePorts(int* first, int* second) {
    std::array<int, 2> sockets{-1, -1};
    std::array<int*, 2> ports{first, second};
    bool ok = true;
    for (std::size_t i = 0; i < sockets.size() && ok; ++i) {
        sockets[i] = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ok = sockets[i] >= 0 &&
             ::bind(sockets[i], reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
             ::getsockname(sockets[i], reinterpret_cast<sockaddr*>(&address), &length) == 0;
        *ports[i] = ntohs(address.sin_port);
    }
    for (const int fd : sockets) {
        if (fd >= 0)
            ::close(fd);
    }
    return ok;
}

// True when a socket listens on 127.0.0.1:port (the kernel's table, so that looking does not
// open a connection, which would make ser2net open the device).
bool Listening(int port) {
    std::ifstream table("/proc/net/tcp");
    char local[32];
    std::snprintf(local, sizeof local, "0100007F:%04X", port);
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, address, remote, state;
        fields >> slot >> address >> remote >> state;
        if (address == local && state == "0A") // TCP_LISTEN
            return true;
    }
    return false;
}

bool Executable(const std::string& path) {
    return ::access(path.c_str(), X_OK) == 0;
}

} // namespace

Ser2netServer::~Ser2netServer() {
    Stop();
}

std::string Ser2netServer::ProgramPath() {
    // The Debian package installs it in /usr/sbin, which is not on every user's PATH.
    for (const char* dir : {"/usr/sbin", "/usr/bin", "/usr/local/sbin", "/usr/local/bin"}) {
        const std::string path = std::string(dir) + "/ser2net";
        if (Executable(path))
            return path;
    }
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        if (!dir.empty() && Executable(dir + "/ser2net"))
            return dir + "/ser2net";
    }
    return {};
}

std::string Ser2netServer::Configuration(const std::string& device, int rawPort, int telnetPort) {
    // "local": the device's modem lines are not used (a pseudo-terminal has none).
    const std::string connector = "serialdev," + device + ",9600n81,local";
    return "%YAML 1.1\n"
           "---\n"
           "connection: &raw\n"
           "    accepter: tcp,127.0.0.1," +
           std::to_string(rawPort) +
           "\n"
           "    connector: " +
           connector +
           "\n"
           "connection: &rfc2217\n"
           "    accepter: telnet(rfc2217),tcp,127.0.0.1," +
           std::to_string(telnetPort) +
           "\n"
           "    connector: " +
           connector + "\n";
}

bool Ser2netServer::Start(const std::string& device, const std::string& dir, std::string* error) {
    Stop();
    m_dir = dir;
    const std::string program = ProgramPath();
    if (program.empty()) {
        *error = "ser2net is not installed: run scripts/ensure-packages.sh as root (Debian "
                 "package ser2net)";
        return false;
    }
    for (int attempt = 1; attempt <= kStartAttempts; ++attempt) {
        if (StartOnce(program, device, error))
            return true;
    }
    return false;
}

bool Ser2netServer::StartOnce(const std::string& program, const std::string& device,
                              std::string* error) {
    if (!FreePorts(&m_rawPort, &m_telnetPort)) {
        *error = std::string("no free TCP port on 127.0.0.1: ") + std::strerror(errno);
        return false;
    }
    const std::string config = m_dir + "/ser2net.yaml";
    std::ofstream(config) << Configuration(device, m_rawPort, m_telnetPort);
    const std::string log = m_dir + "/ser2net.log";
    // -d: in the foreground, its log on standard output; -u: no UUCP lock files.
    std::vector<std::string> args{program, "-d", "-u", "-c", config};
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();
    m_pid = ::fork();
    if (m_pid < 0) {
        *error = std::string("cannot start ser2net: ") + std::strerror(errno);
        return false;
    }
    if (m_pid == 0) {
        // Ends with the test that started it, however that ends.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (out >= 0) {
            ::dup2(out, STDOUT_FILENO);
            ::dup2(out, STDERR_FILENO);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    const auto deadline = Clock::now() + kStartTimeout;
    while (Clock::now() < deadline) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            *error = "ser2net ended at start:\n" + Log();
            return false;
        }
        if (Listening(m_rawPort) && Listening(m_telnetPort))
            return true;
        std::this_thread::sleep_for(kLook);
    }
    End(SIGKILL);
    *error = "ser2net did not listen on ports " + std::to_string(m_rawPort) + " and " +
             std::to_string(m_telnetPort) + " within 10 s:\n" + Log();
    return false;
}

void Ser2netServer::Stop() {
    End(SIGTERM);
}

void Ser2netServer::Kill() {
    End(SIGKILL);
}

void Ser2netServer::End(int signal) {
    if (m_pid <= 0)
        return;
    ::kill(m_pid, signal);
    const auto deadline = Clock::now() + kStopTimeout;
    int status = 0;
    while (::waitpid(m_pid, &status, WNOHANG) == 0) {
        if (Clock::now() >= deadline) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(kLook);
    }
    m_pid = -1;
}

std::string Ser2netServer::RawPortName() const {
    return "tcp://127.0.0.1:" + std::to_string(m_rawPort);
}

std::string Ser2netServer::Rfc2217PortName() const {
    return "rfc2217://127.0.0.1:" + std::to_string(m_telnetPort);
}

std::string Ser2netServer::Log() const {
    std::ifstream in(m_dir + "/ser2net.log");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

#include "link/TcpConnection.h"

#include "link/Deadline.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// One name lookup, shared with the thread that runs it: a caller that stops waiting leaves the
// result to the thread, which frees it.
struct Lookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool abandoned = false;
    int status = 0;
    int systemError = 0; // errno, for EAI_SYSTEM
    addrinfo* addresses = nullptr;
};

using Addresses = std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)>;

// getaddrinfo has no time limit of its own: it runs on a thread of its own, waited for until
// the deadline.
Addresses Resolve(const std::string& host, std::uint16_t port, Clock::time_point deadline,
                  std::string* error) {
    Addresses none(nullptr, &::freeaddrinfo);
    const auto start = Clock::now();
    auto lookup = std::make_shared<Lookup>();
    auto run = [lookup, host, service = std::to_string(port)] {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_flags = AI_NUMERICSERV;
        addrinfo* addresses = nullptr;
        const int status = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &addresses);
        const int systemError = errno;
        std::lock_guard lock(lookup->mutex);
        if (lookup->abandoned) {
            if (addresses)
                ::freeaddrinfo(addresses);
            return;
        }
        lookup->status = status;
        lookup->systemError = systemError;
        lookup->addresses = addresses;
        lookup->finished = true;
        lookup->done.notify_all();
    };
    try {
        std::thread(run).detach();
    } catch (const std::system_error& failure) {
        *error = "The host name " + host + " could not be looked up: " + failure.what();
        return none;
    }
    std::unique_lock lock(lookup->mutex);
    if (!lookup->done.wait_until(lock, deadline, [&] { return lookup->finished; })) {
        lookup->abandoned = true;
        *error = "The host name " + host + " could not be resolved within " +
                 SecondsText(deadline - start) + ": the name server did not answer";
        return none;
    }
    if (lookup->status != 0) {
        const std::string reason = lookup->status == EAI_SYSTEM ? std::strerror(lookup->systemError)
                                                                : ::gai_strerror(lookup->status);
        *error = "The host name " + host + " could not be resolved: " + reason;
        return none;
    }
    return Addresses(lookup->addresses, &::freeaddrinfo);
}

// Connects one socket to `address`; 0, or the error number (ETIMEDOUT at the deadline).
int ConnectOne(const addrinfo& address, Clock::time_point deadline, int* socketOut) {
    const int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                            address.ai_protocol);
    if (fd < 0)
        return errno;
    int error = 0;
    if (::connect(fd, address.ai_addr, address.ai_addrlen) != 0) {
        error = errno;
        while (error == EINPROGRESS || error == EINTR) {
            pollfd wait{fd, POLLOUT, 0};
            const int ready = ::poll(&wait, 1, MillisecondsLeft(deadline));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0) {
                error = ready == 0 ? ETIMEDOUT : errno;
                break;
            }
            socklen_t length = sizeof error;
            if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
                error = errno;
        }
    }
    if (error != 0) {
        ::close(fd);
        return error;
    }
    // The filler bytes and the frame are separate small writes: each leaves at once.
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    *socketOut = fd;
    return 0;
}

} // namespace

int ConnectTcp(const NetworkPortName& name, Clock::time_point deadline, std::string* error) {
    std::string ignored;
    std::string& reason = error ? *error : ignored;
    const auto start = Clock::now();
    const Addresses addresses = Resolve(name.host, name.port, deadline, &reason);
    if (!addresses)
        return -1;
    int lastError = ETIMEDOUT;
    for (const addrinfo* address = addresses.get(); address != nullptr;
         address = address->ai_next) {
        if (Clock::now() >= deadline) {
            lastError = ETIMEDOUT;
            break;
        }
        int fd = -1;
        lastError = ConnectOne(*address, deadline, &fd);
        if (lastError == 0)
            return fd;
    }
    const std::string where = name.Where();
    if (lastError == ETIMEDOUT)
        reason = "No answer from " + where + " within " + SecondsText(deadline - start) +
                 " (is the server switched on and reachable?)";
    else if (lastError == ECONNREFUSED)
        reason = "No connection to " + where + ": " + std::strerror(lastError) +
                 " (is the serial server running and serving this port?)";
    else
        reason = "No connection to " + where + ": " + std::strerror(lastError);
    return -1;
}

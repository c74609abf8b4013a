#include "link/PortList.h"

#include "link/SerialPort.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// First line of a sysfs attribute, without surrounding blanks; empty when it cannot be read.
std::string ReadAttribute(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    const auto first = line.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = line.find_last_not_of(" \t\r\n");
    return line.substr(first, last - first + 1);
}

// Orders ttyS2 before ttyS10: the text before the trailing number, then the number.
bool NaturalLess(const std::string& a, const std::string& b) {
    auto split = [](const std::string& name) {
        std::size_t digits = name.size();
        while (digits > 0 && std::isdigit(static_cast<unsigned char>(name[digits - 1]))) {
            --digits;
        }
        const std::string number = name.substr(digits);
        return std::make_pair(name.substr(0, digits),
                              number.empty() ? -1L : std::strtol(number.c_str(), nullptr, 10));
    };
    return split(a) < split(b);
}

std::string Join(const std::string& first, const std::string& second) {
    if (first.empty()) {
        return second;
    }
    if (second.empty() || first == second) {
        return first;
    }
    return first + " " + second;
}

// Walks up from the tty's device (a usb-serial port or a USB interface for adapters) to the
// USB device that holds the descriptor strings, stopping at the sysfs root. Returns whether the
// port sits on a USB bus; fills `description` from the device's manufacturer and product.
bool FindUsbDevice(const fs::path& device, const fs::path& sysfsRoot, std::string& description) {
    std::error_code error;
    const fs::path root = fs::weakly_canonical(sysfsRoot, error);
    bool onUsb = false;
    for (fs::path dir = device; !dir.empty() && dir != root && dir != dir.parent_path();
         dir = dir.parent_path()) {
        if (fs::exists(dir / "idVendor", error)) {
            description = Join(ReadAttribute(dir / "manufacturer"), ReadAttribute(dir / "product"));
            if (description.empty()) {
                description = "USB serial adapter " + ReadAttribute(dir / "idVendor") + ":" +
                              ReadAttribute(dir / "idProduct");
            }
            return true;
        }
        const std::string subsystem = fs::read_symlink(dir / "subsystem", error).filename();
        onUsb = onUsb || subsystem == "usb" || subsystem == "usb-serial";
    }
    return onUsb;
}

// The name of the driver behind the port. Since kernel 6.5 a tty's device is a generic
// serial-core "port" device (bus serial-base) whose parents lead to the real driver.
std::string DriverName(const fs::path& device, const fs::path& sysfsRoot) {
    std::error_code error;
    const fs::path root = fs::weakly_canonical(sysfsRoot, error);
    std::string generic;
    for (fs::path dir = device; !dir.empty() && dir != root && dir != dir.parent_path();
         dir = dir.parent_path()) {
        const fs::path driver = fs::read_symlink(dir / "driver", error);
        if (error) {
            continue;
        }
        if (driver.parent_path().parent_path().filename() != "serial-base") {
            return driver.filename();
        }
        if (generic.empty()) {
            generic = driver.filename();
        }
    }
    return generic;
}

void ListSysfsPorts(PortEntryList& list, const PortListRoots& roots, std::string* errorText,
                    bool& ok) {
    const fs::path classDir = fs::path(roots.sysfsRoot) / "class" / "tty";
    std::error_code error;
    std::vector<std::string> names;
    for (fs::directory_iterator it(classDir, error), end; !error && it != end;
         it.increment(error)) {
        names.push_back(it->path().filename().string());
    }
    if (error) {
        ok = false;
        if (errorText) {
            char text[256];
            std::snprintf(text, sizeof text, "Could not read from %s. (err=%lx)", classDir.c_str(),
                          static_cast<unsigned long>(error.value()));
            *errorText = text;
        }
        // Names read before the failure are still listed.
    }
    std::sort(names.begin(), names.end(), NaturalLess);

    for (const std::string& name : names) {
        const fs::path entry = classDir / name;
        std::error_code linkError;
        // Only ports with a device behind them; virtual consoles and pty masters have none.
        const fs::path device = fs::canonical(entry / "device", linkError);
        if (linkError) {
            continue;
        }
        // A legacy 8250 slot reports type 0 when no UART answers behind it.
        if (fs::exists(entry / "type", linkError) && ReadAttribute(entry / "type") == "0") {
            continue;
        }
        PortEntry port;
        port.sourceName = name;
        port.devicePath = (fs::path(roots.devRoot) / name).string();
        port.portName = port.devicePath;
        port.usb = FindUsbDevice(device, roots.sysfsRoot, port.description);
        if (port.description.empty()) {
            port.description = DriverName(device, roots.sysfsRoot);
        }
        list.push_back(std::move(port));
    }
}

void ListVirtualUnits(PortEntryList& list, const PortListRoots& roots) {
    const fs::path dir =
        roots.virtualUnitDir.empty() ? VirtualUnitDirectory() : roots.virtualUnitDir;
    std::error_code error;
    std::vector<std::string> names;
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
        std::error_code statusError;
        // Only links of units still running: one that died leaves its link behind, and its
        // pseudo-terminal may have gone to another program since.
        if (it->is_symlink(statusError) && IsVirtualUnitRunning(it->path().string())) {
            names.push_back(it->path().filename().string());
        }
    }
    std::sort(names.begin(), names.end(), NaturalLess);
    for (const std::string& name : names) {
        PortEntry port;
        port.sourceName = name;
        port.devicePath = (dir / name).string();
        port.portName = port.devicePath;
        port.description = "Virtual unit " + name;
        list.push_back(std::move(port));
    }
}

// Drops ports that cannot be opened (when asked) and fills empty names and descriptions.
void CleanUp(PortEntryList& list, bool testOpen) {
    if (testOpen) {
        std::erase_if(list,
                      [](const PortEntry& port) { return !SerialPort::CanOpen(port.devicePath); });
    }
    for (PortEntry& port : list) {
        if (port.portName.empty()) {
            port.portName = port.sourceName;
        }
        if (port.description.empty()) {
            port.description = port.portName;
            // "Communications Port (COM1)" reads as "Communications Port".
            const auto open = port.description.find(" (");
            if (open != std::string::npos && open > 0 && port.description.back() == ')') {
                port.description.erase(open);
            }
        }
    }
}

} // namespace

std::string VirtualUnitDirectory() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] != '\0') {
        std::string dir = runtime;
        if (dir.back() != '/') {
            dir += '/';
        }
        return dir + "tavrel/";
    }
    return "/tmp/tavrel-" + std::to_string(::getuid()) + "/";
}

std::string VirtualUnitLockPath(const std::string& linkPath) {
    const fs::path link(linkPath);
    return (link.parent_path() / ("." + link.filename().string() + ".lock")).string();
}

bool IsVirtualUnitRunning(const std::string& linkPath) {
    const int fd = ::open(VirtualUnitLockPath(linkPath).c_str(),
                          O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    // A shared lock is refused exactly while the unit holds its exclusive one.
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd); // also drops a lock taken here
    return held;
}

bool ListSerialPorts(PortEntryList& list, bool testOpen, std::string* errorText,
                     const PortListRoots& roots) {
    list.clear();
    if (errorText) {
        errorText->clear();
    }
    bool ok = true;
    ListSysfsPorts(list, roots, errorText, ok);
    ListVirtualUnits(list, roots);
    CleanUp(list, testOpen);
    return ok;
}

std::string ShortPortName(const std::string& portName) {
    constexpr std::string_view kDev = "/dev/";
    constexpr std::string_view kPseudoTerminals = "pts/";
    std::string_view name = portName;
    while (name.size() > 1 && name.back() == '/') {
        name.remove_suffix(1);
    }
    if (name.substr(0, kDev.size()) == kDev) {
        const std::string_view device = name.substr(kDev.size());
        if (device.find('/') == std::string_view::npos ||
            (device.substr(0, kPseudoTerminals.size()) == kPseudoTerminals &&
             device.find('/', kPseudoTerminals.size()) == std::string_view::npos)) {
            return std::string(device);
        }
    }
    const std::size_t slash = name.find_last_of('/');
    return std::string(slash == std::string_view::npos || slash + 1 == name.size()
                           ? name
                           : name.substr(slash + 1));
}

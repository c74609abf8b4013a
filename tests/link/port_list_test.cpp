// Port discovery over fixture sysfs trees built in a temporary directory, shaped like the
// kernel's: class/tty/<name> links into devices/, each real port with a "device" link.
#include "link/PortList.h"
#include "link/SerialPort.h"

#include "TerminalSettings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <pty.h>
#include <string>
#include <fcntl.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

class FixtureTree {
public:
    FixtureTree() {
        char pattern[] = "/tmp/tavrel-portlist-XXXXXX";
        root = ::mkdtemp(pattern);
        fs::create_directories(Sys() / "class" / "tty");
        fs::create_directories(Dev());
        fs::create_directories(Units());
    }
    ~FixtureTree() {
        for (int fd : m_locks)
            ::close(fd);
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    // A virtual unit's link to `device`, published as a running unit does: with the lock of
    // its name held (for the tree's lifetime).
    void RunningUnit(const std::string& name, const std::string& device) {
        const fs::path link = Units() / name;
        fs::create_symlink(device, link);
        const int fd = ::open(VirtualUnitLockPath(link.string()).c_str(),
                              O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
        m_locks.push_back(fd);
    }

    fs::path Sys() const { return root / "sys"; }
    fs::path Dev() const { return root / "dev"; }
    fs::path Units() const { return root / "units"; }
    PortListRoots Roots() const { return {Sys().string(), Dev().string(), Units().string()}; }

    void Attribute(const fs::path& dir, const std::string& name, const std::string& value) {
        fs::create_directories(dir);
        std::ofstream(dir / name) << value << "\n";
    }
    void Link(const fs::path& at, const fs::path& target) {
        fs::create_directories(at.parent_path());
        if (fs::is_symlink(at)) {
            return; // shared parents (one 8250 platform device for all ttyS slots)
        }
        fs::create_symlink(fs::relative(target, at.parent_path()), at);
    }
    // A driver directory under bus/<bus>/drivers and the device's "driver" link to it.
    void Driver(const fs::path& device, const std::string& bus, const std::string& name) {
        const fs::path driver = Sys() / "bus" / bus / "drivers" / name;
        fs::create_directories(driver);
        Link(device / "driver", driver);
    }
    void Subsystem(const fs::path& device, const std::string& bus) {
        fs::create_directories(Sys() / "bus" / bus);
        Link(device / "subsystem", Sys() / "bus" / bus);
    }
    // devices/.../<parent>/tty/<name> with its class link and, when `parent` is given, the
    // device link back to the parent.
    fs::path Tty(const std::string& name, const fs::path& parent, bool withDevice = true) {
        const fs::path node = parent / "tty" / name;
        fs::create_directories(node);
        if (withDevice) {
            Link(node / "device", parent);
        }
        Link(Sys() / "class" / "tty" / name, node);
        return node;
    }

    // An FTDI adapter: USB device 1-1 holds the strings, interface 1-1:1.0, usb-serial port
    // ttyUSB0 below it.
    void UsbAdapter() {
        const fs::path device = Sys() / "devices/pci0000:00/0000:00:14.0/usb1/1-1";
        Attribute(device, "idVendor", "0403");
        Attribute(device, "idProduct", "6001");
        Attribute(device, "manufacturer", "FTDI");
        Attribute(device, "product", "FT232R USB UART");
        Subsystem(device, "usb");
        Subsystem(device / "1-1:1.0", "usb");
        const fs::path port = device / "1-1:1.0" / "ttyUSB0";
        fs::create_directories(port);
        Subsystem(port, "usb-serial");
        Driver(port, "usb-serial", "ftdi_sio");
        Tty("ttyUSB0", port);
    }
    // A CDC-ACM device with a manufacturer string only; its tty's device is the interface.
    void AcmDevice() {
        const fs::path device = Sys() / "devices/pci0000:00/0000:00:14.0/usb1/1-2";
        Attribute(device, "idVendor", "2341");
        Attribute(device, "idProduct", "0043");
        Attribute(device, "manufacturer", "Arduino");
        const fs::path interface = device / "1-2:1.0";
        Subsystem(interface, "usb");
        Driver(interface, "usb", "cdc_acm");
        Tty("ttyACM0", interface);
    }
    // Legacy 8250 slots: `type` 0 means no UART answers behind the slot.
    void LegacyPort(const std::string& name, const std::string& type) {
        const fs::path platform = Sys() / "devices/platform/serial8250";
        Driver(platform, "platform", "serial8250");
        const fs::path node = Tty(name, platform);
        Attribute(node, "type", type);
    }
    void PlatformUart() {
        const fs::path uart = Sys() / "devices/platform/soc/fe201000.serial";
        Driver(uart, "amba", "uart-pl011");
        // Newer kernels put generic serial-core devices between the tty and its driver.
        const fs::path ctrl = uart / "fe201000.serial:0";
        const fs::path port = ctrl / "fe201000.serial:0.0";
        fs::create_directories(port);
        Driver(ctrl, "serial-base", "ctrl");
        Driver(port, "serial-base", "port");
        Tty("ttyAMA0", port);
    }
    void VirtualConsole() { Tty("tty0", Sys() / "devices/virtual", false); }

    fs::path root;

private:
    std::vector<int> m_locks;
};

std::vector<std::string> PortNames(const PortEntryList& list) {
    std::vector<std::string> names;
    for (const PortEntry& port : list) {
        names.push_back(port.portName);
    }
    return names;
}

TEST(PortList, ListsRealPortsInNameOrderWithDescriptions) {
    FixtureTree tree;
    tree.UsbAdapter();
    tree.AcmDevice();
    tree.PlatformUart();
    tree.LegacyPort("ttyS0", "4");
    tree.LegacyPort("ttyS1", "0"); // phantom slot
    tree.LegacyPort("ttyS10", "4");
    tree.LegacyPort("ttyS2", "4");
    tree.VirtualConsole();

    PortEntryList list{{"stale", "", "", false, ""}};
    std::string error = "old";
    ASSERT_TRUE(ListSerialPorts(list, false, &error, tree.Roots()));
    EXPECT_EQ(error, "");
    const std::string dev = tree.Dev().string();
    ASSERT_EQ(PortNames(list),
              (std::vector<std::string>{dev + "/ttyACM0", dev + "/ttyAMA0", dev + "/ttyS0",
                                        dev + "/ttyS2", dev + "/ttyS10", dev + "/ttyUSB0"}));

    struct Expected {
        const char* source;
        bool usb;
        const char* description;
    };
    const std::vector<Expected> expected = {
        {"ttyACM0", true, "Arduino"},    {"ttyAMA0", false, "uart-pl011"},
        {"ttyS0", false, "serial8250"},  {"ttyS2", false, "serial8250"},
        {"ttyS10", false, "serial8250"}, {"ttyUSB0", true, "FTDI FT232R USB UART"},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].source);
        EXPECT_EQ(list[i].sourceName, expected[i].source);
        EXPECT_EQ(list[i].devicePath, list[i].portName);
        EXPECT_EQ(list[i].usb, expected[i].usb);
        EXPECT_EQ(list[i].description, expected[i].description);
    }
}

TEST(PortList, UsbAdapterWithoutStringsIsDescribedByItsIds) {
    FixtureTree tree;
    const fs::path device = tree.Sys() / "devices/pci0000:00/usb1/1-3";
    tree.Attribute(device, "idVendor", "1a86");
    tree.Attribute(device, "idProduct", "7523");
    const fs::path port = device / "1-3:1.0" / "ttyUSB3";
    fs::create_directories(port);
    tree.Driver(port, "usb-serial", "ch341-uart");
    tree.Tty("ttyUSB3", port);

    PortEntryList list;
    ASSERT_TRUE(ListSerialPorts(list, false, nullptr, tree.Roots()));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_TRUE(list[0].usb);
    EXPECT_EQ(list[0].description, "USB serial adapter 1a86:7523");
}

TEST(PortList, ListsRunningVirtualUnitsAfterRealPorts) {
    FixtureTree tree;
    tree.PlatformUart();
    int master = -1, slave = -1;
    char name[128] = {};
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    tree.RunningUnit("unit-b", name);
    tree.RunningUnit("unit-a", name);
    fs::create_symlink("/dev/pts/tavrel-gone", tree.Units() / "dead"); // unit has exited
    // A unit killed outright leaves its link and lock file; its pseudo-terminal number has gone
    // to another program since (here the same pair as the running units), so the link leads to
    // a device that exists.
    fs::create_symlink(name, tree.Units() / "killed");
    std::ofstream(VirtualUnitLockPath((tree.Units() / "killed").string())) << "4242\n";
    fs::create_symlink(name, tree.Units() / "unlocked"); // no lock file at all
    std::ofstream(tree.Units() / "notes.txt") << "not a link\n";

    PortEntryList list;
    ASSERT_TRUE(ListSerialPorts(list, false, nullptr, tree.Roots()));
    const std::string units = tree.Units().string();
    ASSERT_EQ(PortNames(list), (std::vector<std::string>{tree.Dev().string() + "/ttyAMA0",
                                                         units + "/unit-a", units + "/unit-b"}));
    EXPECT_EQ(list[1].devicePath, units + "/unit-a");
    EXPECT_EQ(list[1].sourceName, "unit-a");
    EXPECT_FALSE(list[1].usb);
    EXPECT_EQ(list[1].description, "Virtual unit unit-a");
    ::close(master);
    ::close(slave);
}

TEST(PortList, TestOpenDropsPortsThatCannotBeOpened) {
    FixtureTree tree;
    tree.UsbAdapter(); // its device node does not exist under the fixture /dev
    int masters[2], slaves[2];
    char names[2][128] = {};
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(::openpty(&masters[i], &slaves[i], names[i], nullptr, nullptr), 0);
    }
    tree.RunningUnit("held", names[0]);
    tree.RunningUnit("free", names[1]);
    SerialPort other; // another program holds this one
    ASSERT_TRUE(other.Open((tree.Units() / "held").string(), nullptr));

    const std::string units = tree.Units().string();
    PortEntryList list;
    ASSERT_TRUE(ListSerialPorts(list, false, nullptr, tree.Roots()));
    EXPECT_EQ(PortNames(list), (std::vector<std::string>{tree.Dev().string() + "/ttyUSB0",
                                                         units + "/free", units + "/held"}))
        << "without the test-open flag every port stays";

    // The free port runs cooked, as a console might; the test leaves it so.
    const termios found = CookedTerminalSettings(slaves[1]);

    ASSERT_TRUE(ListSerialPorts(list, true, nullptr, tree.Roots()));
    EXPECT_EQ(PortNames(list), std::vector<std::string>{units + "/free"});
    termios left{};
    ASSERT_EQ(::tcgetattr(slaves[1], &left), 0);
    EXPECT_TRUE(SameTerminalSettings(left, found)) << "the test-open changed the settings";
    SerialPort after;
    EXPECT_TRUE(after.Open((tree.Units() / "free").string(), nullptr))
        << "the probe closed the port";
    for (int i = 0; i < 2; ++i) {
        ::close(masters[i]);
        ::close(slaves[i]);
    }
}

TEST(PortList, UnreadableTtyClassFailsButKeepsVirtualUnits) {
    FixtureTree tree;
    fs::remove_all(tree.Sys() / "class");
    int master = -1, slave = -1;
    char name[128] = {};
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    tree.RunningUnit("unit", name);

    PortEntryList list;
    std::string error;
    EXPECT_FALSE(ListSerialPorts(list, false, &error, tree.Roots()));
    EXPECT_EQ(error,
              "Could not read from " + (tree.Sys() / "class" / "tty").string() + ". (err=2)");
    EXPECT_EQ(PortNames(list), std::vector<std::string>{tree.Units().string() + "/unit"});
    ::close(master);
    ::close(slave);
}

TEST(PortList, VirtualUnitDirectoryFollowsTheRuntimeDirectory) {
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string keep = saved ? saved : "";
    const std::string fallback = "/tmp/tavrel-" + std::to_string(::getuid()) + "/";
    struct Row {
        const char* name;
        const char* value; // nullptr: unset
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"set", "/run/user/1000", "/run/user/1000/tavrel/"},
        {"set with slash", "/run/user/1000/", "/run/user/1000/tavrel/"},
        {"empty", "", fallback},
        {"unset", nullptr, fallback},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.value) {
            ::setenv("XDG_RUNTIME_DIR", row.value, 1);
        } else {
            ::unsetenv("XDG_RUNTIME_DIR");
        }
        EXPECT_EQ(VirtualUnitDirectory(), row.expected);
    }
    if (saved) {
        ::setenv("XDG_RUNTIME_DIR", keep.c_str(), 1);
    } else {
        ::unsetenv("XDG_RUNTIME_DIR");
    }
}

struct ShortNameCase {
    const char* name;
    const char* path;
    const char* shortName;
};

class PortShortName : public testing::TestWithParam<ShortNameCase> {};

TEST_P(PortShortName, ShowsTheNameThatFitsAStatusBox) {
    EXPECT_EQ(ShortPortName(GetParam().path), GetParam().shortName);
}

const ShortNameCase kShortNameCases[] = {
    {"UsbAdapter", "/dev/ttyUSB0", "ttyUSB0"},
    {"PseudoTerminalKeepsItsFolder", "/dev/pts/3", "pts/3"},
    {"ByIdNameIsItsLastPart", "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0",
     "usb-FTDI_FT232R-if00-port0"},
    {"VirtualUnitLink", "/run/user/1000/tavrel/unit-4x8-1", "unit-4x8-1"},
    {"TrailingSlashIgnored", "/tmp/links/unit/", "unit"},
    {"BareNameStays", "ttyS1", "ttyS1"},
    {"Empty", "", ""},
};

INSTANTIATE_TEST_SUITE_P(Table, PortShortName, testing::ValuesIn(kShortNameCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace

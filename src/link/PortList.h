#pragma once

#include <string>
#include <vector>

// One serial port present on this machine, as offered in the connect dialog.
struct PortEntry {
    std::string devicePath;  // the path that opens the port (/dev/ttyUSB0, a virtual unit's link)
    std::string sourceName;  // the name the source reports (ttyUSB0); empty when it gives none
    std::string portName;    // shown in the connect dialog and passed to OpenPort
    bool usb = false;        // the port belongs to a USB adapter
    std::string description; // readable: USB maker and product, driver name, or "Virtual unit"
};

using PortEntryList = std::vector<PortEntry>;

// Where the port list looks. Tests point these at fixture trees.
struct PortListRoots {
    std::string sysfsRoot = "/sys"; // holds class/tty and devices
    std::string devRoot = "/dev";   // device nodes: <devRoot>/<tty name>
    std::string virtualUnitDir;     // empty: VirtualUnitDirectory()
};

// Directory where running virtual units publish their port as a symlink:
// "$XDG_RUNTIME_DIR/tavrel/", or "/tmp/tavrel-<uid>/" when XDG_RUNTIME_DIR is unset. Ends
// with a slash.
std::string VirtualUnitDirectory();

// A running virtual unit holds an exclusive lock on a file beside each link it publishes
// (".NAME.lock" for the link NAME), with its process ID in it. The kernel drops the lock when the
// unit ends, however it ends, so a link whose lock is free is left over from a unit that died,
// even when its pseudo-terminal has since been given to another program.
std::string VirtualUnitLockPath(const std::string& linkPath);
// True when a running virtual unit holds the lock of the link at `linkPath`.
bool IsVirtualUnitRunning(const std::string& linkPath);

// Empties `list` and fills it with the serial ports found in sysfs (ports with a device behind
// them, in name order, ttyS ports without a UART left out), then the running virtual units
// (links whose unit holds their lock, in name order), and runs the clean-up pass. With
// `testOpen` set, ports that cannot be opened exclusively now are dropped; the test changes
// nothing of a port (SerialPort::CanOpen).
// Returns false, with `errorText` set, when the tty class cannot be read; the records found
// before the failure stay in the list.
bool ListSerialPorts(PortEntryList& list, bool testOpen, std::string* errorText = nullptr,
                     const PortListRoots& roots = {});

// The short name a status display shows for a port: the device's name under /dev ("ttyUSB0",
// "pts/3"), otherwise the last part of the path (a virtual unit's link, a by-id name).
std::string ShortPortName(const std::string& portName);

#pragma once

#include <functional>
#include <string>
#include <vector>

// One serial port as enumeration finds it.
struct SerialPortInfo {
    std::string devicePath;    // the path that opens the port
    std::string portName;      // kernel name (ttyUSB0), a TALVOX_PORTS path, or empty
    std::string friendlyName;  // display name, e.g. "USB Serial Port (COM12)"; may be empty
    bool isUsb = false;
    std::string description;  // device description; may be empty

    bool operator==(const SerialPortInfo&) const = default;
};

// Fills records with every serial port of the machine: first one record per
// path in the colon-separated environment variable TALVOX_PORTS (pseudo-
// terminals and links that enumeration cannot see; a relative path is made
// absolute), then the ports the system reports, in its order. The list is
// emptied first and post-processed as PostProcessPortRecords says. May throw
// std::exception when the system cannot be asked.
void EnumerateSerialPorts(std::vector<SerialPortInfo>& records);

// An empty friendlyName takes portName; an empty description takes
// friendlyName, cut before its first "(" when that lies past the first
// character, and trimmed of blanks at both ends.
void PostProcessPortRecords(std::vector<SerialPortInfo>& records);

// The list name of one record, or "" when it contributes none. A record with
// a portName is listed by it. Otherwise the friendly name must carry "COM"
// (upper case) directly followed by decimal digits: the first such "COM" and
// all its digits form the name ("USB Serial Port (COM12)" -> "COM12"); a
// "COM" without digits is passed over and the search goes on.
std::string PortListName(const SerialPortInfo& record);

// The list names of the records in their order, duplicates kept; with no
// names at all, the sixteen names COM1 to COM16.
std::vector<std::string> PortNamesFromRecords(const std::vector<SerialPortInfo>& records);

using PortEnumerator = std::function<void(std::vector<SerialPortInfo>&)>;

// Rebuilds the application-wide PortNames from an enumeration (by default
// EnumerateSerialPorts). An enumeration error does not end start-up: the
// program goes on with the fallback list COM1..COM16, and the error's text is
// returned ("" on success) so that it can be reported.
std::string BuildPortNameList(const PortEnumerator& enumerate = EnumerateSerialPorts);

// The list built at start-up; settings refer to a port by its position in it.
const std::vector<std::string>& PortNames();
int PortNameCount();
// The name at index, or "" when index lies outside the list.
std::string PortNameAt(int index);
void ClearPortNames();

// A list name is opened as it stands: CSerialPort::DevicePath maps it.

#pragma once

#include <optional>
#include <string>

// Why a serial port could not be opened, and what the user can do about it.
// CSerialPort::Open records the step that failed and its errno; the link turns
// them, with what the system tells about the device, into one Korean event
// line.

enum class PortOpenStep {
    kNone,
    kOpen,         // open() of the device
    kNotTerminal,  // it opened, but is no terminal
    kLock,         // flock() or TIOCEXCL for exclusive use
    kConfigure,    // line settings and speed
    kReader,       // the reader's wake-up descriptor or thread
};

struct PortOpenFailure {
    PortOpenStep step = PortOpenStep::kNone;
    int error = 0;
    bool operator==(const PortOpenFailure&) const = default;
};

enum class PortOpenReason {
    kPermission,  // the user may not open the device
    kHeld,        // another opener has it (its lock, or the terminal made exclusive)
    kGone,        // no such device, or it went away
    kNotSerial,   // the path is no terminal
    kOther,
};

PortOpenReason ClassifyPortOpenFailure(const PortOpenFailure& failure);

// A process that has the device open.
struct PortHolder {
    int pid = 0;
    std::string name;
};

// What the event line says beside the device path: for kPermission the group
// that may use the device ("" when joining a group would not help) and the
// user to add to it; for kHeld the process holding it, when known.
struct PortOpenHelp {
    std::string group;
    std::string user;
    std::optional<PortHolder> holder;
};

// The detail of the red event line, for example
//   "/dev/ttyUSB0 포트를 열 권한이 없읍니다: 'sudo usermod -aG dialout kim' 명령으로
//    dialout 그룹에 넣은 뒤 다시 로그인하면 열 수 있읍니다"
// Other errors name their system error text.
std::string PortOpenFailureText(const std::string& device, const PortOpenFailure& failure,
                                const PortOpenHelp& help);

// What the system tells about a device that could not be opened (reads /proc,
// the device's owner and the user database).
PortOpenHelp FindPortOpenHelp(const std::string& device, const PortOpenFailure& failure);

// The first process, this one included, with a descriptor on the device
// (scans /proc/*/fd); none when no process can be seen holding it.
std::optional<PortHolder> FindPortHolder(const std::string& device);

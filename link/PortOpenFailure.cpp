#include "link/PortOpenFailure.h"

#include <cerrno>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>
#include <vector>

#include <dirent.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A modem manager opens every new USB serial adapter for some seconds to see
// whether a modem answers.
constexpr char kModemManager[] = "ModemManager";

std::string SystemErrorText(int error)
{
    return std::error_code(error, std::generic_category()).message();
}

bool IsProcessId(const char* name, int& pid)
{
    const char* end = name;
    while (*end != '\0') {
        ++end;
    }
    const auto [last, problem] = std::from_chars(name, end, pid);
    return problem == std::errc() && last == end && pid > 0;
}

std::string ProcessName(int pid)
{
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

// The device's group when its members may read and write it and that group
// is not root's: joining it is then the fix.
std::string GroupToJoin(const std::string& device)
{
    struct stat info {};
    if (::stat(device.c_str(), &info) != 0 || info.st_gid == 0 ||
        (info.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP)) {
        return {};
    }
    std::vector<char> buffer(16384);
    group entry{};
    group* found = nullptr;
    if (::getgrgid_r(info.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr) {
        return {};
    }
    return found->gr_name;
}

std::string UserName()
{
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr) {
        return found->pw_name;
    }
    return "$USER";
}

}  // namespace

PortOpenReason ClassifyPortOpenFailure(const PortOpenFailure& failure)
{
    switch (failure.error) {
    case EACCES:
    case EPERM:
        return failure.step == PortOpenStep::kOpen ? PortOpenReason::kPermission
                                                   : PortOpenReason::kOther;
    case EBUSY:
    case EWOULDBLOCK:
        return failure.step == PortOpenStep::kOpen || failure.step == PortOpenStep::kLock
                   ? PortOpenReason::kHeld
                   : PortOpenReason::kOther;
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case EIO:
        return PortOpenReason::kGone;
    default:
        return failure.step == PortOpenStep::kNotTerminal ? PortOpenReason::kNotSerial
                                                          : PortOpenReason::kOther;
    }
}

std::string PortOpenFailureText(const std::string& device, const PortOpenFailure& failure,
                                const PortOpenHelp& help)
{
    switch (ClassifyPortOpenFailure(failure)) {
    case PortOpenReason::kPermission:
        if (help.group.empty()) {
            return device + " 포트를 열 권한이 없읍니다";
        }
        return device + " 포트를 열 권한이 없읍니다: 'sudo usermod -aG " + help.group + " " +
               help.user + "' 명령으로 " + help.group +
               " 그룹에 넣은 뒤 다시 로그인하면 열 수 있읍니다";
    case PortOpenReason::kHeld:
        if (!help.holder) {
            return device + " 포트를 다른 프로그램이 쓰고 있어 열지 못했읍니다";
        }
        return device + " 포트를 다른 프로그램(" + help.holder->name + ", 프로세스 " +
               std::to_string(help.holder->pid) + ")이 쓰고 있어 열지 못했읍니다: " +
               (help.holder->name == kModemManager
                    ? "모뎀 관리자가 새 USB 어댑터를 살피는 중이면 잠시 뒤에 열 수 있읍니다"
                    : "그 프로그램을 끝내면 열 수 있읍니다");
    case PortOpenReason::kGone:
        return device + " 포트가 없읍니다: 어댑터가 빠졌거나 장치 이름이 바뀌었을 수 있읍니다";
    case PortOpenReason::kNotSerial:
        return device + " 장치는 시리얼 통신 포트가 아니어서 열지 못했읍니다";
    case PortOpenReason::kOther:
        break;
    }
    // Appended piece by piece: GCC 12 at -O3 takes the insert of
    // "literal" + temporary for an overlapping copy (-Wrestrict).
    std::string cause = "\"";
    cause += SystemErrorText(failure.error);
    cause += "\" 오류로 ";
    switch (failure.step) {
    case PortOpenStep::kLock:
        return cause + device + " 포트를 혼자 쓰도록 잠그는데 실패했읍니다";
    case PortOpenStep::kConfigure:
        return cause + device + " 포트의 통신 속도와 형식을 설정하는데 실패했읍니다";
    case PortOpenStep::kReader:
        return cause + device + " 포트의 수신 스레드를 시작하는데 실패했읍니다";
    default:
        return cause + device + " 포트를 여는데 실패했읍니다";
    }
}

PortOpenHelp FindPortOpenHelp(const std::string& device, const PortOpenFailure& failure)
{
    PortOpenHelp help;
    switch (ClassifyPortOpenFailure(failure)) {
    case PortOpenReason::kPermission:
        help.group = GroupToJoin(device);
        help.user = UserName();
        break;
    case PortOpenReason::kHeld:
        help.holder = FindPortHolder(device);
        break;
    default:
        break;
    }
    return help;
}

std::optional<PortHolder> FindPortHolder(const std::string& device)
{
    // The descriptors' links are compared as text: following them instead
    // could block on whatever file system another process has open.
    std::error_code error;
    const std::string target = std::filesystem::canonical(device, error).string();
    if (error) {
        return std::nullopt;
    }
    DIR* processes = ::opendir("/proc");
    if (processes == nullptr) {
        return std::nullopt;
    }
    std::optional<PortHolder> holder;
    std::vector<char> link(target.size() + 2);
    while (!holder) {
        const dirent* process = ::readdir(processes);
        if (process == nullptr) {
            break;
        }
        int pid = 0;
        if (!IsProcessId(process->d_name, pid)) {
            continue;
        }
        const std::string fdDir = "/proc/" + std::string(process->d_name) + "/fd/";
        // Descriptors of other users' processes cannot be read without privilege.
        DIR* descriptors = ::opendir(fdDir.c_str());
        if (descriptors == nullptr) {
            continue;
        }
        while (const dirent* descriptor = ::readdir(descriptors)) {
            const ssize_t length =
                ::readlink((fdDir + descriptor->d_name).c_str(), link.data(), link.size());
            if (length >= 0 &&
                std::string_view(link.data(), static_cast<size_t>(length)) == target) {
                holder = PortHolder{pid, ProcessName(pid)};
                break;
            }
        }
        ::closedir(descriptors);
    }
    ::closedir(processes);
    return holder;
}

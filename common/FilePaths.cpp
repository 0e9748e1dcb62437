#include "common/FilePaths.h"

#include <filesystem>
#include <optional>
#include <system_error>

namespace {

// The text before the last "/", or nothing when there is none; the root
// itself when the only "/" is the leading one.
std::optional<std::string> Parent(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return std::nullopt;
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace

std::string DirectoryOfPath(const std::string& path)
{
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (std::filesystem::is_directory(status)) {
        return path;
    }
    const std::optional<std::string> parent = Parent(path);
    if (std::filesystem::exists(status)) {
        return parent.value_or("");
    }
    if (parent && std::filesystem::exists(*parent, error)) {
        return *parent;
    }
    return "";
}

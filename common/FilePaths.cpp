#include "common/FilePaths.h"

#include <filesystem>
#include <system_error>

namespace {

bool ExistsAt(const std::string& path, std::filesystem::file_status* status = nullptr)
{
    std::error_code error;
    const std::filesystem::file_status found = std::filesystem::status(path, error);
    if (status != nullptr) {
        *status = found;
    }
    return !error && std::filesystem::exists(found);
}

}  // namespace

std::string DirectoryOfPath(const std::string& path)
{
    if (path.empty()) {
        return {};
    }
    std::filesystem::file_status status;
    const bool exists = ExistsAt(path, &status);
    if (exists && std::filesystem::is_directory(status)) {
        return path;
    }
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return {};
    }
    const std::string parent = slash == 0 ? std::string("/") : path.substr(0, slash);
    if (exists || ExistsAt(parent)) {
        return parent;
    }
    return {};
}

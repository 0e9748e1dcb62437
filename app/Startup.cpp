#include "app/Startup.h"

#include <filesystem>
#include <system_error>

StartupContext StartupFolders(const std::string& currentDirectory)
{
    StartupContext context;
    context.workingDirectory = currentDirectory;
    if (!context.workingDirectory.empty() && context.workingDirectory.back() == '/') {
        context.workingDirectory.pop_back();
    }
    context.logDirectory = context.workingDirectory + "/Log";
    return context;
}

StartupContext PrepareStartup(const std::string& currentDirectory, const PortEnumerator& enumerate)
{
    StartupContext context = StartupFolders(currentDirectory);
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(context.logDirectory, error))) {
        std::filesystem::create_directory(context.logDirectory, error);
    }
    context.enumerationError = BuildPortNameList(enumerate);
    return context;
}

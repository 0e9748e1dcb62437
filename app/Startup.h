#pragma once

#include <string>

#include "app/PortDiscovery.h"

// What start-up prepares before the main window exists.
struct StartupContext {
    std::string workingDirectory;  // without a trailing "/": "" for the root
    std::string logDirectory;      // workingDirectory + "/Log"
    std::string enumerationError;  // "" when the ports were found without error
};

// The working folder and the log folder for a current directory; nothing is
// created.
StartupContext StartupFolders(const std::string& currentDirectory);

// The steps of start-up before the window, in order: the working folder (the
// current directory given) and its log folder, which is created only when
// nothing exists at that path (a plain file named Log is left alone, and a
// failure is not fatal: the log files report it later); then the serial
// ports, whose enumeration error does not stop start-up.
StartupContext PrepareStartup(const std::string& currentDirectory,
                              const PortEnumerator& enumerate = EnumerateSerialPorts);

#pragma once

#include <string>
#include <vector>

class QSettings;

// The DBC files loaded when the program last changed them, kept in the
// per-user profile, section "DBC", value "Files" (a list of paths, in loading
// order), and loaded again at start.
std::vector<std::string> LoadDbcPaths(QSettings& profile);
void SaveDbcPaths(QSettings& profile, const std::vector<std::string>& paths);

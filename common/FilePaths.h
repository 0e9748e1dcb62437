#pragma once

#include <string>

// The folder part of a path ("/" separates): an existing directory is returned
// unchanged; for an existing file, or for a path with nothing at it whose
// parent exists, the text before the last "/" ("/" for the root). Anything
// else, a bare name without "/" included, gives "".
//   "/tmp"          -> "/tmp"        (directory)
//   "/tmp/a.txt"    -> "/tmp"        (file, or missing file in /tmp)
//   "/missing/a"    -> ""
std::string DirectoryOfPath(const std::string& path);

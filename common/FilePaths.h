#pragma once

#include <string>

// The folder part of a path, "/" separating its parts:
//   an existing folder          -> the path as it stands
//   an existing file            -> the text before the last "/" ("" with none)
//   nothing there, with a "/"   -> the text before the last "/" if something
//                                  exists there, else ""
//   nothing there, without "/"  -> ""
// A file directly in the root ("/a.ctd") gives "/", not "".
std::string DirectoryOfPath(const std::string& path);

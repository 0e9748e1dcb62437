#include <fstream>
#include <string>
#include <utility>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "common/FilePaths.h"

namespace {

TEST(FilePaths, DirectoryOfPath)
{
    QTemporaryDir dir;
    const std::string d = dir.path().toStdString();
    std::ofstream(d + "/b.ctd") << "x";
    const std::pair<std::string, std::string> rows[] = {
        {d + "/b.ctd", d},           {d, d},        {d + "/", d + "/"}, {d + "/missing.ctd", d},
        {d + "/missing/x.ctd", ""},  {"b.ctd", ""}, {"", ""},           {"/", "/"},
        {"/missing-talvox.ctd", "/"}};
    for (const auto& [path, folder] : rows) {
        EXPECT_EQ(DirectoryOfPath(path), folder) << path;
    }
}

}  // namespace

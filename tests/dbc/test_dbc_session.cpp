#include "dbc/DbcSettings.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>

namespace {

TEST(DbcSettings, PathsSurviveTheProfileInOrder)
{
    QTemporaryDir folder;
    const QString ini = folder.filePath("profile.ini");
    {
        QSettings profile(ini, QSettings::IniFormat);
        EXPECT_TRUE(LoadDbcPaths(profile).empty());
        SaveDbcPaths(profile, {"/b/second.dbc", "/a/한글 이름.dbc"});
    }
    QSettings profile(ini, QSettings::IniFormat);
    EXPECT_EQ(LoadDbcPaths(profile),
              (std::vector<std::string>{"/b/second.dbc", "/a/한글 이름.dbc"}));
    SaveDbcPaths(profile, {});
    EXPECT_TRUE(LoadDbcPaths(profile).empty());
}

}  // namespace

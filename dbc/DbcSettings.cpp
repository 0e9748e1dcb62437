#include "dbc/DbcSettings.h"

#include <QSettings>
#include <QStringList>

namespace {

constexpr char kFilesKey[] = "DBC/Files";

}  // namespace

std::vector<std::string> LoadDbcPaths(QSettings& profile)
{
    std::vector<std::string> paths;
    for (const QString& path : profile.value(kFilesKey).toStringList()) {
        if (!path.isEmpty()) {
            paths.push_back(path.toStdString());
        }
    }
    return paths;
}

void SaveDbcPaths(QSettings& profile, const std::vector<std::string>& paths)
{
    QStringList list;
    for (const std::string& path : paths) {
        list << QString::fromStdString(path);
    }
    profile.setValue(kFilesKey, list);
}

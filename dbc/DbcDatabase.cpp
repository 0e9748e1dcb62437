#include "dbc/DbcDatabase.h"

#include <algorithm>
#include <utility>

#include "dbc/DbcParser.h"

std::vector<DbcMessageKey> DbcDatabase::Add(DbcFile file)
{
    std::vector<DbcMessageKey> replaced;
    for (DbcMessage& message : file.messages) {
        const DbcMessageKey key{message.extended, message.id};
        const auto [it, inserted] = m_messages.try_emplace(key);
        if (!inserted) {
            replaced.push_back(key);
        }
        it->second = std::move(message);
    }
    std::sort(replaced.begin(), replaced.end());
    return replaced;
}

const DbcMessage* DbcDatabase::Find(bool extended, uint32_t id) const
{
    const auto it = m_messages.find(DbcMessageKey{extended, id});
    return it == m_messages.end() ? nullptr : &it->second;
}

DbcLoadReport LoadDbcFiles(const std::vector<std::string>& paths, DbcDatabase& into)
{
    DbcLoadReport report;
    DbcDatabase database;
    for (const std::string& path : paths) {
        DbcParseResult result = ReadDbcFile(path);
        if (!result.ok()) {
            report.ok = false;
            report.failedPath = path;
            report.error = *result.error;
            report.replaced.clear();
            report.warnings.clear();
            return report;
        }
        for (DbcWarning& warning : result.file.warnings) {
            report.warnings.emplace_back(path, std::move(warning));
        }
        for (const DbcMessageKey& key : database.Add(std::move(result.file))) {
            report.replaced.push_back(key);
        }
    }
    std::sort(report.replaced.begin(), report.replaced.end());
    report.replaced.erase(std::unique(report.replaced.begin(), report.replaced.end()),
                          report.replaced.end());
    into = std::move(database);
    return report;
}

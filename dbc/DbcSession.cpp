#include "dbc/DbcSession.h"

#include <algorithm>

#include "dbc/DbcParser.h"
#include "dbc/SignalFormat.h"

DbcOpenResult DbcSession::Open(const std::vector<std::string>& paths)
{
    DbcOpenResult result;
    std::vector<std::string> freshPaths;
    std::vector<DbcFile> freshFiles;
    for (const std::string& path : paths) {
        DbcParseResult parsed = ReadDbcFile(path);
        if (!parsed.ok()) {
            result.failures.push_back({path, FormatDbcError(path, *parsed.error)});
            continue;
        }
        for (const DbcWarning& warning : parsed.file.warnings) {
            result.warnings.emplace_back(path, warning);
        }
        // Named twice in one call: the later naming is the one that counts.
        const auto again = std::ranges::find(freshPaths, path);
        if (again != freshPaths.end()) {
            freshFiles.erase(freshFiles.begin() + (again - freshPaths.begin()));
            freshPaths.erase(again);
        }
        freshPaths.push_back(path);
        freshFiles.push_back(std::move(parsed.file));
        result.loaded.push_back(path);
    }
    if (freshPaths.empty()) {
        return result;
    }

    // A file read again leaves its old place; the database is made anew from
    // the files kept, then the new ones in order, so that only what the new
    // files replace is reported.
    for (size_t i = m_paths.size(); i-- > 0;) {
        if (std::ranges::find(freshPaths, m_paths[i]) != freshPaths.end()) {
            m_paths.erase(m_paths.begin() + static_cast<ptrdiff_t>(i));
            m_files.erase(m_files.begin() + static_cast<ptrdiff_t>(i));
        }
    }
    DbcDatabase merged;
    for (const DbcFile& file : m_files) {
        merged.Add(file);
    }
    for (size_t i = 0; i < freshFiles.size(); ++i) {
        const std::vector<DbcMessageKey> replaced = merged.Add(freshFiles[i]);
        result.replaced.insert(result.replaced.end(), replaced.begin(), replaced.end());
        m_paths.push_back(freshPaths[i]);
        m_files.push_back(std::move(freshFiles[i]));
    }
    std::ranges::sort(result.replaced);
    result.replaced.erase(std::unique(result.replaced.begin(), result.replaced.end()),
                          result.replaced.end());
    m_database = std::move(merged);
    ++m_generation;
    return result;
}

void DbcSession::CloseAll()
{
    m_paths.clear();
    m_files.clear();
    m_database.Clear();
    ++m_generation;
}

const std::vector<DbcSignal>& MessageSignals(const DbcMessage& message)
{
    return message.signals;
}

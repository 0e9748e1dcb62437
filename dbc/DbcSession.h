#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "dbc/DbcDatabase.h"
#include "dbc/DbcModel.h"

// A file that was not loaded, and why ("a.dbc, 12번째 줄에 ':'이(가) 없읍니다.").
struct DbcFileFailure {
    std::string path;
    std::string text;
};

// What one Open did.
struct DbcOpenResult {
    std::vector<std::string> loaded;       // in the order given
    std::vector<DbcFileFailure> failures;  // in the order given
    // Messages that were held (from an earlier file, or an earlier file of this
    // call) and now come from a file of this call; ascending, each once.
    std::vector<DbcMessageKey> replaced;
    std::vector<std::pair<std::string, DbcWarning>> warnings;  // (path, warning)
};

// The DBC files the analyzer has loaded, in loading order, and the database
// merged from them: a message defined in several files is the later file's.
// Each file is taken whole or not at all, and one refused file does not keep
// the others of the same call from loading. A file opened again is read
// again and counts as the latest.
class DbcSession {
public:
    DbcOpenResult Open(const std::vector<std::string>& paths);
    void CloseAll();

    const std::vector<std::string>& Paths() const { return m_paths; }
    // The same object for the session's life; its messages are replaced when
    // files are opened or closed (see Generation).
    const DbcDatabase& Database() const { return m_database; }
    // Grows whenever the database's messages were replaced: message pointers
    // taken before are then no longer valid.
    uint64_t Generation() const { return m_generation; }

private:
    std::vector<std::string> m_paths;
    std::vector<DbcFile> m_files;  // parallel to m_paths
    DbcDatabase m_database;
    uint64_t m_generation = 0;
};

// A message's signals. Widget code reaches them through this, since Qt's
// "signals" keyword is a macro there.
const std::vector<DbcSignal>& MessageSignals(const DbcMessage& message);

#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "dbc/DbcModel.h"

struct DbcMessageKey {
    bool extended = false;
    uint32_t id = 0;
    auto operator<=>(const DbcMessageKey&) const = default;
};

// The messages of every DBC file loaded for a network, by identifier. A
// message defined in several files is the one from the file added last.
class DbcDatabase {
public:
    // Adds a file's messages. Returns the keys of messages that were held
    // already and are now replaced by the file's, in ascending order.
    std::vector<DbcMessageKey> Add(DbcFile file);

    // Null when no file defines the message. Pointers stay valid until the
    // message is replaced or the database cleared.
    const DbcMessage* Find(bool extended, uint32_t id) const;

    const std::map<DbcMessageKey, DbcMessage>& Messages() const { return m_messages; }
    size_t Size() const { return m_messages.size(); }
    void Clear() { m_messages.clear(); }

private:
    std::map<DbcMessageKey, DbcMessage> m_messages;
};

// The outcome of loading several files.
struct DbcLoadReport {
    bool ok = true;
    std::string failedPath;  // when !ok: the file that was refused, and why
    DbcError error;
    std::vector<DbcMessageKey>
        replaced;  // held before and now from a later file, ascending, each once
    std::vector<std::pair<std::string, DbcWarning>> warnings;  // (path, warning)
};

// Reads the files in order into a new database that replaces `into` only when
// every file was read: one refused file leaves `into` as it was.
DbcLoadReport LoadDbcFiles(const std::vector<std::string>& paths, DbcDatabase& into);

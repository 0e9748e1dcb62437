#pragma once

#include <string>

#include <QString>
#include <QStringList>

// The files named on the command line, `talvox-analyzer [FILE...]`: what the
// command line asks for, what kind of file each is (by its extension, in any
// case), whether it can be opened at all, and the event-log line that says why
// not. The main window opens them after start-up; a file that cannot be opened
// is reported in the event log and never stops the program from starting.

enum class FileKind {
    Transmit,  // ".ctd": a transmit list
    Dbc,       // ".dbc": a CAN database
    Trace,     // ".log" (candump) or ".asc": a recorded trace
    Unknown,
};

// By the extension of the path's last part, case-insensitive: "a.CTD" is a
// transmit file, "a.ctd.bak" and "ctd" are not.
FileKind ClassifyFile(const QString& path);

struct CommandLine {
    bool help = false;
    bool version = false;
    // The first option this program does not know ("-x"), or empty.
    QString unknownOption;
    // The file operands in order: every argument that does not start with
    // "-", a lone "-", and everything after "--".
    QStringList files;
};

// The arguments without the program's name. "--help"/"-h" and "--version"
// are options only before "--".
CommandLine ParseCommandLine(const QStringList& arguments);

// What `--help` prints.
std::string UsageText();

enum class FileProblem {
    None,
    Missing,
    NotAFile,     // a folder, a device, a socket...
    Unreadable,   // no permission, or the open fails otherwise
    UnknownKind,  // no opener for its extension
};

// Whether the file at path exists, is a regular file (or a link to one) and
// can be opened for reading. Says nothing about the kind.
FileProblem CheckFile(const QString& path);

// The red event-log line for a file that is not opened, in the caption
// layout: "[파일 열기 에러]" and the file with the reason. Control characters
// of the path are shown as "?" so that a file name cannot break the line.
std::string FileProblemLine(FileProblem problem, const QString& path);

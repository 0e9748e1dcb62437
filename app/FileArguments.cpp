#include "app/FileArguments.h"

#include <QFile>
#include <QFileInfo>

#include "common/TextFormat.h"

namespace {

constexpr char kFileOpenCaption[] = "[파일 열기 에러]";

}  // namespace

FileKind ClassifyFile(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0) {
        return FileKind::Unknown;
    }
    const QString extension = name.mid(dot + 1).toLower();
    if (extension == u"ctd") {
        return FileKind::Transmit;
    }
    if (extension == u"dbc") {
        return FileKind::Dbc;
    }
    if (extension == u"log" || extension == u"asc") {
        return FileKind::Trace;
    }
    return FileKind::Unknown;
}

CommandLine ParseCommandLine(const QStringList& arguments)
{
    CommandLine line;
    bool options = true;
    for (const QString& argument : arguments) {
        if (!options || argument == u"-" || !argument.startsWith(u'-')) {
            line.files << argument;
        } else if (argument == u"--") {
            options = false;
        } else if (argument == u"--help" || argument == u"-h") {
            line.help = true;
        } else if (argument == u"--version") {
            line.version = true;
        } else if (line.unknownOption.isEmpty()) {
            line.unknownOption = argument;
        }
    }
    return line;
}

std::string UsageText()
{
    return "Usage: talvox-analyzer [options] [FILE...]\n"
           "Opens each FILE by its extension once the window is up:\n"
           "  .ctd           a transmit list, as \"송신 파일 열기\" does\n"
           "  .dbc           a CAN database\n"
           "  .log, .asc     a recorded trace\n"
           "A file that cannot be opened is reported in the event log.\n"
           "Of several .ctd files each is opened in turn, so the last one that\n"
           "opens is the list shown.\n"
           "\n"
           "Options:\n"
           "  -h, --help     print this help and exit\n"
           "  --version      print the version and exit\n"
           "  --             end of options: what follows is a FILE\n"
           "Qt's own options (-platform, -style, ...) are accepted too.\n";
}

FileProblem CheckFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        return FileProblem::Missing;
    }
    if (!info.isFile()) {
        return FileProblem::NotAFile;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return FileProblem::Unreadable;
    }
    return FileProblem::None;
}

std::string FileProblemLine(FileProblem problem, const QString& path)
{
    std::string shown = path.toStdString();
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = '?';
        }
    }
    switch (problem) {
    case FileProblem::None:
        return std::string();
    case FileProblem::Missing:
        return CaptionLine(kFileOpenCaption, shown + " 파일이 없읍니다");
    case FileProblem::NotAFile:
        return CaptionLine(kFileOpenCaption, shown + " 경로는 파일이 아니어서 열지 않았읍니다");
    case FileProblem::Unreadable:
        return CaptionLine(kFileOpenCaption, shown + " 파일을 읽을 수 없읍니다");
    case FileProblem::UnknownKind:
        return CaptionLine(kFileOpenCaption,
                           shown + " 파일은 열 수 있는 종류가 아니어서 열지 않았읍니다");
    }
    return std::string();
}

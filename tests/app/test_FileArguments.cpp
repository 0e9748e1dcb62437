#include "app/FileArguments.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(FileArguments, ClassifiesByTheLastExtensionOfTheFileName)
{
    const struct {
        const char* path;
        FileKind kind;
    } cases[] = {
        {"list.ctd", FileKind::Transmit},
        {"/home/u/LIST.CTD", FileKind::Transmit},
        {"a.b.Ctd", FileKind::Transmit},
        {"car.dbc", FileKind::Dbc},
        {"car.DBC", FileKind::Dbc},
        {"candump-2026-12-07.log", FileKind::Trace},
        {"bus.ASC", FileKind::Trace},
        {"list.ctd.bak", FileKind::Unknown},
        {"ctd", FileKind::Unknown},
        {"list.ctdx", FileKind::Unknown},
        {"folder.ctd/list", FileKind::Unknown},
        {"folder.ctd/", FileKind::Unknown},
        {"", FileKind::Unknown},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ClassifyFile(QString::fromUtf8(c.path)), c.kind) << c.path;
    }
}

TEST(FileArguments, CommandLineSeparatesOptionsFromFiles)
{
    const struct {
        QStringList arguments;
        bool help, version;
        QString unknown;
        QStringList files;
    } cases[] = {
        {{}, false, false, {}, {}},
        {{"a.ctd", "b.dbc"}, false, false, {}, {"a.ctd", "b.dbc"}},
        {{"a.ctd", "--help"}, true, false, {}, {"a.ctd"}},
        {{"-h"}, true, false, {}, {}},
        {{"--version"}, false, true, {}, {}},
        // After "--" everything is a file, options included; "-" is a file.
        {{"--", "--help", "-x.ctd"}, false, false, {}, {"--help", "-x.ctd"}},
        {{"-", "a.ctd"}, false, false, {}, {"-", "a.ctd"}},
        {{"--", "--"}, false, false, {}, {"--"}},
        // The first unknown option is the one named.
        {{"-x", "a.ctd", "--verbose"}, false, false, "-x", {"a.ctd"}},
    };
    for (const auto& c : cases) {
        const CommandLine line = ParseCommandLine(c.arguments);
        const std::string shown = c.arguments.join(' ').toStdString();
        EXPECT_EQ(line.help, c.help) << shown;
        EXPECT_EQ(line.version, c.version) << shown;
        EXPECT_EQ(line.unknownOption, c.unknown) << shown;
        EXPECT_EQ(line.files, c.files) << shown;
    }
}

TEST(FileArguments, CheckFileTellsMissingFoldersAndUnreadable)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("a.ctd");
    QFile(file).open(QIODevice::WriteOnly);
    const QString closed = dir.filePath("closed.ctd");
    QFile(closed).open(QIODevice::WriteOnly);
    ASSERT_EQ(chmod(QFile::encodeName(closed).constData(), 0), 0);
    const QString link = dir.filePath("link.ctd");
    ASSERT_TRUE(QFile::link(file, link));
    const QString dangling = dir.filePath("dangling.ctd");
    ASSERT_TRUE(QFile::link(dir.filePath("gone"), dangling));

    EXPECT_EQ(CheckFile(file), FileProblem::None);
    EXPECT_EQ(CheckFile(link), FileProblem::None);
    EXPECT_EQ(CheckFile(dir.filePath("none.ctd")), FileProblem::Missing);
    EXPECT_EQ(CheckFile(dangling), FileProblem::Missing);
    EXPECT_EQ(CheckFile(dir.path()), FileProblem::NotAFile);
    EXPECT_EQ(CheckFile("/dev/null"), FileProblem::NotAFile);
    // Root reads whatever the mode says.
    if (geteuid() != 0) {
        EXPECT_EQ(CheckFile(closed), FileProblem::Unreadable);
    }
}

// The window's test reads the other lines; here what a file name can hold.
TEST(FileArguments, ProblemLineShowsControlCharactersOfTheNameAsQuestionMarks)
{
    EXPECT_EQ(
        FileProblemLine(FileProblem::Unreadable, QStringLiteral("/tmp/목록\nb\x1b[31m\t.ctd")),
        "[파일 열기 에러]             : /tmp/목록?b?[31m?.ctd 파일을 읽을 수 없읍니다");
    EXPECT_EQ(FileProblemLine(FileProblem::None, QStringLiteral("/tmp/a.ctd")), "");
}

}  // namespace

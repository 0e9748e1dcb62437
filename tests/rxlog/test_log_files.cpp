#include "rxlog/LogFiles.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "../link/EventWait.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const std::string kRxError = "[수신데이터 로그파일 에러]";
const std::string kEventError = "[이벤트 로그파일 에러]";
const PaneLine kRxOpenFailed =
    Line(kRxError, "수신데이터 로그파일을 여는데 실패했읍니다", kColourRed);
const PaneLine kEventOpenFailed =
    Line(kEventError, "이벤트 로그파일을 여는데 실패했읍니다", kColourRed);
const PaneLine kRxWriteFailed =
    Line(kRxError, "수신데이터 로그파일에 기록하는데 실패했읍니다", kColourRed);
const PaneLine kEventWriteFailed =
    Line(kEventError, "이벤트 로그파일에 기록하는데 실패했읍니다", kColourRed);
const PaneLine kRxCap =
    Line("[수신데이터 로그동작 중지]",
         "수신데이터 로그파일이 100MB를 초과하여 로깅동작을 중지합니다", kColourBlue);
const PaneLine kEventCap =
    Line("[이벤트 로그 동작 중지]", "이벤트 로그파일이 100MB를 초과하여 로깅동작을 중지합니다",
         kColourBlue);

TEST(LogTextEncoding, StoresCp949WithCrLf)
{
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"", ""},
        {"a\nb\n", "a\r\nb\r\n"},
        {"a\r\n", "a\r\n"},
        {"이벤트 1\n", "\xC0\xCC\xBA\xA5\xC6\xAE 1\r\n"},
        // Characters CP949 lacks and broken UTF-8 become one "?" each.
        {"x\xF0\x9F\x98\x80y", "x?y"},
        {"x\xC3(", "x?("},
        {"\xFF\n", "?\r\n"},
    };
    for (const auto& [utf8, stored] : rows) {
        EXPECT_EQ(EncodeLogText(utf8), stored) << utf8;
    }
}

fs::path MakeTempDir()
{
    std::string pattern = (fs::temp_directory_path() / "talvox-log-XXXXXX").string();
    return mkdtemp(pattern.data()) != nullptr ? fs::path(pattern) : fs::path();
}

class LogFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_dir.empty());
        SetLogPath(kReceivedDataLog, m_rx.string());
        SetLogPath(kEventLog, m_event.string());
    }

    void TearDown() override
    {
        StopLogging(kEventLog);
        StopLogging(kReceivedDataLog);
        SetLogSizeCap(kDefaultLogSizeCap);
        SetLogEncodings(kDefaultLogEncodings);
        fs::remove_all(m_dir);
    }

    const fs::path m_dir = MakeTempDir();
    const fs::path m_rx = m_dir / "RDataLog.txt";
    const fs::path m_event = m_dir / "EventLog.txt";
    RecordingSinks m_sinks;
};

TEST_F(LogFilesTest, AppendsAndFlushesEveryTenthLine)
{
    std::ofstream(m_rx, std::ios::binary) << "old\r\n";
    StartLogging(kReceivedDataLog);
    StartLogging(kReceivedDataLog);  // a second opening would be refused by the lock
    ASSERT_TRUE(IsLogging(kReceivedDataLog));
    for (int i = 0; i < 9; ++i) {
        WriteLog(kReceivedDataLog, "첫째\n");
    }
    EXPECT_EQ(ReadFile(m_rx), "old\r\n");
    WriteLog(kReceivedDataLog, "첫째\n");
    std::string expected = "old\r\n";
    for (int i = 0; i < 10; ++i) {
        expected += "\xC3\xB9\xC2\xB0\r\n";
    }
    EXPECT_EQ(ReadFile(m_rx), expected);
    StopLogging(kReceivedDataLog);
    EXPECT_FALSE(IsLogOpen(kReceivedDataLog));
    WriteLog(kReceivedDataLog, "while off\n");
    StartLogging(kReceivedDataLog);
    WriteLog(kReceivedDataLog, "second\n");
    StopLogging(kReceivedDataLog);
    EXPECT_EQ(ReadFile(m_rx), expected + "second\r\n");
    EXPECT_TRUE(m_sinks.events.empty());
}

TEST_F(LogFilesTest, LineReachingTheCapStopsAndAFileAtTheCapIsReplacedOnStart)
{
    SetLogSizeCap(12);
    StartLogging(kReceivedDataLog);
    WriteLog(kReceivedDataLog, "abcd\n");
    EXPECT_TRUE(IsLogging(kReceivedDataLog));
    WriteLog(kReceivedDataLog, "efgh\n");  // 12 bytes: stored, then logging stops
    EXPECT_FALSE(IsLogging(kReceivedDataLog));
    EXPECT_FALSE(IsLogOpen(kReceivedDataLog));
    WriteLog(kReceivedDataLog, "next\n");
    EXPECT_EQ(ReadFile(m_rx), "abcd\r\nefgh\r\n");
    EXPECT_EQ(m_sinks.events, std::vector{kRxCap});

    const std::vector<std::pair<std::string, std::string>> starts = {
        {"new\n", "new\r\n"},                  // at the cap: replaced
        {"x\n", "new\r\nx\r\n"},               // below it: appended to
        {"12345\n", "new\r\nx\r\n12345\r\n"},  // the bytes already there count
    };
    for (const auto& [line, content] : starts) {
        StartLogging(kReceivedDataLog);
        WriteLog(kReceivedDataLog, line);
        StopLogging(kReceivedDataLog);
        EXPECT_EQ(ReadFile(m_rx), content);
    }
}

// Regression: the cap followed a count of the bytes written, so a log emptied
// from outside stopped early and one added to from outside grew past the cap.
TEST_F(LogFilesTest, CapFollowsTheFileOnDiskWhenItChangesFromOutside)
{
    SetLogSizeCap(150);
    StartLogging(kReceivedDataLog);
    for (int line = 1; line <= 21; ++line) {  // 10 bytes each, flushed every 10th
        if (line == 11) {
            fs::resize_file(m_rx, 0);  // a copy-truncate rotation
        }
        if (line == 21) {
            std::ofstream(m_rx, std::ios::app) << std::string(45, 'o');
        }
        EXPECT_TRUE(IsLogging(kReceivedDataLog)) << line;
        WriteLog(kReceivedDataLog, "12345678\n");
    }
    EXPECT_EQ(m_sinks.events, std::vector{kRxCap});
    const std::string content = ReadFile(m_rx);
    EXPECT_EQ(content.size(), 155u);
    EXPECT_EQ(content.find('\0'), std::string::npos);  // no hole where the old lines were
}

// Regression: a full log was emptied in place, under its other names too. Its
// name now gets a new file; a symbolic link is followed and goes on naming it.
TEST_F(LogFilesTest, FullLogIsReplacedByNameAndOtherNamesKeepTheirBytes)
{
    SetLogSizeCap(12);
    const fs::path real = m_dir / "real.txt";
    const fs::path kept = m_dir / "keep.txt";
    fs::create_symlink("real.txt", m_rx);
    for (const fs::path& path : {real, m_rx}) {
        fs::remove(kept);
        std::ofstream(real, std::ios::binary) << "full log bytes";
        fs::create_hard_link(real, kept);
        SetLogPath(kReceivedDataLog, path.string());
        StartLogging(kReceivedDataLog);
        WriteLog(kReceivedDataLog, "new\n");
        StopLogging(kReceivedDataLog);
        EXPECT_EQ(ReadFile(kept) + ReadFile(real) + ReadFile(m_rx), "full log bytesnew\r\nnew\r\n")
            << path;
    }
}

TEST_F(LogFilesTest, EventChannelCapMessageReachesThePaneButNotTheFile)
{
    // A stamped line is 19 + 2 + text + 2 bytes: 26, 26, 28; the third reaches 80.
    SetLogSizeCap(80);
    StartLogging(kEventLog);
    for (const char* text : {"one", "two", "three"}) {
        WriteEventLine(text, kColourBlack);
    }
    EXPECT_FALSE(IsLogging(kEventLog));
    ASSERT_EQ(m_sinks.events.size(), 4u);
    EXPECT_EQ(m_sinks.events.back(), kEventCap);
    const std::string content = ReadFile(m_event);
    ASSERT_EQ(content.size(), 80u);
    EXPECT_EQ(content.substr(19, 7) + content.substr(45, 7) + content.substr(71),
              "  one\r\n  two\r\n  three\r\n");
}

TEST_F(LogFilesTest, WriteFailureTurnsTheChannelOffWithOneRedMessage)
{
    const struct {
        int kind;
        int lines;
        PaneLine message;
    } rows[] = {
        {kReceivedDataLog, 12, kRxWriteFailed},
        {kEventLog, 12, kEventWriteFailed},
        {kReceivedDataLog, 1, kRxWriteFailed},  // lost at stop
    };
    for (const auto& row : rows) {
        m_sinks.events.clear();
        SetLogPath(row.kind, "/dev/full");
        StartLogging(row.kind);
        ASSERT_TRUE(IsLogging(row.kind));
        for (int i = 0; i < row.lines; ++i) {
            WriteLog(row.kind, "data\n");
        }
        StopLogging(row.kind);
        EXPECT_FALSE(IsLogOpen(row.kind));
        EXPECT_EQ(m_sinks.events, std::vector{row.message});
    }
}

// Regression: a FIFO without a reader used to block at open.
TEST_F(LogFilesTest, OpenFailuresIncludingAFifoTheOtherChannelsFileAndNoCp949LeaveTheChannelOff)
{
    const fs::path fifo = m_dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    StartLogging(kReceivedDataLog);
    const std::vector<std::tuple<int, fs::path, PaneLine>> rows = {
        {kEventLog, m_rx, kEventOpenFailed},  // held by the other channel
        {kEventLog, m_dir / "missing" / "x.txt", kEventOpenFailed},
        {kEventLog, m_dir, kEventOpenFailed},
        {kEventLog, fifo, kEventOpenFailed},
        {kReceivedDataLog, m_dir / "missing" / "x.txt", kRxOpenFailed},
    };
    for (const auto& [kind, path, message] : rows) {
        m_sinks.events.clear();
        StopLogging(kind);
        SetLogPath(kind, path.string());
        StartLogging(kind);
        EXPECT_FALSE(IsLogging(kind)) << path;
        EXPECT_FALSE(IsLogOpen(kind));
        EXPECT_EQ(m_sinks.events, std::vector{message});
    }
    // The file the received-data channel let go of opens for the other one.
    SetLogPath(kEventLog, m_rx.string());
    StartLogging(kEventLog);
    EXPECT_TRUE(IsLogging(kEventLog));

    // Regression: with no CP949 converter the logs were written in UTF-8 unannounced.
    StopLogging(kEventLog);
    SetLogEncodings({"TALVOX-NO-SUCH-ENCODING"});
    m_sinks.events.clear();
    StartLogging(kEventLog);
    EXPECT_FALSE(IsLogging(kEventLog));
    EXPECT_EQ(m_sinks.events, std::vector{kEventOpenFailed});
}

}  // namespace

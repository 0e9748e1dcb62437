#include "rxlog/LogFiles.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "common/TextFormat.h"
#include "rxlog/EventLine.h"

namespace {

namespace fs = std::filesystem;

struct PaneLine {
    std::string text;
    uint32_t colour;
    bool operator==(const PaneLine&) const = default;
};

class RecordingPane : public EventLineSink {
public:
    void AddEventLine(std::string_view text, uint32_t colour) override
    {
        lines.push_back({std::string(text), colour});
    }
    std::vector<PaneLine> lines;
};

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

const PaneLine kRxOpenFailed{
    CaptionLine("[수신데이터 로그파일 에러]", "수신데이터 로그파일을 여는데 실패했읍니다"),
    kColourRed};
const PaneLine kEventOpenFailed{
    CaptionLine("[이벤트 로그파일 에러]", "이벤트 로그파일을 여는데 실패했읍니다"), kColourRed};
const PaneLine kRxWriteFailed{
    CaptionLine("[수신데이터 로그파일 에러]", "수신데이터 로그파일에 기록하는데 실패했읍니다"),
    kColourRed};
const PaneLine kEventWriteFailed{
    CaptionLine("[이벤트 로그파일 에러]", "이벤트 로그파일에 기록하는데 실패했읍니다"), kColourRed};
const PaneLine kRxCap{CaptionLine("[수신데이터 로그동작 중지]",
                                  "수신데이터 로그파일이 100MB를 초과하여 로깅동작을 중지합니다"),
                      kColourBlue};
const PaneLine kEventCap{CaptionLine("[이벤트 로그 동작 중지]",
                                     "이벤트 로그파일이 100MB를 초과하여 로깅동작을 중지합니다"),
                         kColourBlue};

class LogFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "talvox-log-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        SetLogPath(kReceivedDataLog, (m_dir / "RDataLog.txt").string());
        SetLogPath(kEventLog, (m_dir / "EventLog.txt").string());
        SetEventLogSink(&m_pane);
    }

    void TearDown() override
    {
        StopLogging(kEventLog);
        StopLogging(kReceivedDataLog);
        SetLogSizeCap(kDefaultLogSizeCap);
        SetEventLogSink(nullptr);
        fs::remove_all(m_dir);
    }

    fs::path m_dir;
    RecordingPane m_pane;
};

TEST(LogTextEncoding, StoresCp949WithCrLf)
{
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"abc\n", "abc\r\n"},
        {"", ""},
        {"\n", "\r\n"},
        {"a\r\n", "a\r\n"},
        {"a\nb\n", "a\r\nb\r\n"},
        {"수신\n", "\xBC\xF6\xBD\xC5\r\n"},
        {"이벤트 1", "\xC0\xCC\xBA\xA5\xC6\xAE 1"},
        // Characters CP949 lacks and broken UTF-8 become one "?" each.
        {"x\xF0\x9F\x98\x80y", "x?y"},
        {"x\xC3(", "x?("},
        {"\xFF\n", "?\r\n"},
    };
    for (const auto& [utf8, stored] : rows) {
        EXPECT_EQ(EncodeLogText(utf8), stored) << utf8;
    }
}

TEST_F(LogFilesTest, AppendsToExistingFileAndStopStartContinuesIt)
{
    const fs::path file = m_dir / "RDataLog.txt";
    WriteFile(file, "old\r\n");
    StartLogging(kReceivedDataLog);
    ASSERT_TRUE(IsLogging(kReceivedDataLog));
    WriteLog(kReceivedDataLog, "첫째\n");
    StopLogging(kReceivedDataLog);
    EXPECT_FALSE(IsLogOpen(kReceivedDataLog));
    WriteLog(kReceivedDataLog, "while off\n");
    StartLogging(kReceivedDataLog);
    WriteLog(kReceivedDataLog, "second\n");
    StopLogging(kReceivedDataLog);
    EXPECT_EQ(ReadFile(file), "old\r\n\xC3\xB9\xC2\xB0\r\nsecond\r\n");
    EXPECT_TRUE(m_pane.lines.empty());
}

TEST_F(LogFilesTest, StartingTwiceOpensOnce)
{
    // A second opening would be refused by the channel's own exclusive lock.
    StartLogging(kReceivedDataLog);
    StartLogging(kReceivedDataLog);
    EXPECT_TRUE(IsLogging(kReceivedDataLog));
    EXPECT_TRUE(m_pane.lines.empty());
}

TEST_F(LogFilesTest, FileAtCapIsReplacedOnStartSmallerIsKept)
{
    SetLogSizeCap(10);
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"123456789", "123456789x\r\n"},  // 9 bytes: below the cap, appended to
        {"1234567890", "x\r\n"},          // 10 bytes: at the cap, replaced
        {"12345678901", "x\r\n"},
    };
    const fs::path file = m_dir / "RDataLog.txt";
    for (const auto& [before, after] : rows) {
        WriteFile(file, before);
        StartLogging(kReceivedDataLog);
        WriteLog(kReceivedDataLog, "x\n");
        StopLogging(kReceivedDataLog);
        EXPECT_EQ(ReadFile(file), after) << before;
    }
}

TEST_F(LogFilesTest, LineReachingCapIsStoredThenLoggingStops)
{
    SetLogSizeCap(12);
    const fs::path file = m_dir / "RDataLog.txt";
    StartLogging(kReceivedDataLog);
    WriteLog(kReceivedDataLog, "abcd\n");  // 6 bytes
    EXPECT_TRUE(IsLogging(kReceivedDataLog));
    WriteLog(kReceivedDataLog, "efgh\n");  // 12 bytes: reaches the cap
    EXPECT_FALSE(IsLogging(kReceivedDataLog));
    EXPECT_FALSE(IsLogOpen(kReceivedDataLog));
    WriteLog(kReceivedDataLog, "next\n");
    EXPECT_EQ(ReadFile(file), "abcd\r\nefgh\r\n");
    EXPECT_EQ(m_pane.lines, std::vector<PaneLine>{kRxCap});

    // Starting again begins a new, empty file.
    StartLogging(kReceivedDataLog);
    WriteLog(kReceivedDataLog, "new\n");
    StopLogging(kReceivedDataLog);
    EXPECT_EQ(ReadFile(file), "new\r\n");
}

TEST_F(LogFilesTest, EventChannelCapMessageReachesPaneButNotFile)
{
    SetLogSizeCap(60);
    const fs::path file = m_dir / "EventLog.txt";
    StartLogging(kEventLog);
    WriteEventLine("one", kColourBlack);
    WriteEventLine("two", kColourBlack);
    WriteEventLine("three", kColourBlack);
    EXPECT_FALSE(IsLogging(kEventLog));
    ASSERT_EQ(m_pane.lines.size(), 4u);
    EXPECT_EQ(m_pane.lines.back(), kEventCap);

    // Each stamped line is 19 + 2 + text + 2 bytes: 26, 26, 28 -> the third reaches 60.
    const std::string content = ReadFile(file);
    EXPECT_EQ(content.size(), 26u + 26u + 28u);
    EXPECT_EQ(content.substr(19), "  one\r\n" + content.substr(26, 19) + "  two\r\n" +
                                      content.substr(52, 19) + "  three\r\n");
    EXPECT_EQ(content.find("100MB"), std::string::npos);
}

TEST_F(LogFilesTest, EveryTenthLineIsFlushedToDisk)
{
    const fs::path file = m_dir / "RDataLog.txt";
    StartLogging(kReceivedDataLog);
    for (int i = 0; i < 9; ++i) {
        WriteLog(kReceivedDataLog, "L\n");
    }
    EXPECT_EQ(ReadFile(file), "");
    WriteLog(kReceivedDataLog, "L\n");
    EXPECT_EQ(ReadFile(file).size(), 30u);
    WriteLog(kReceivedDataLog, "M\n");
    EXPECT_EQ(ReadFile(file).size(), 30u);
    StopLogging(kReceivedDataLog);
    EXPECT_EQ(ReadFile(file).size(), 33u);
}

TEST_F(LogFilesTest, WriteFailureTurnsChannelOffWithRedMessage)
{
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    SetLogPath(kReceivedDataLog, "/dev/full");
    StartLogging(kReceivedDataLog);
    ASSERT_TRUE(IsLogging(kReceivedDataLog));
    for (int i = 0; i < 10; ++i) {
        WriteLog(kReceivedDataLog, "data\n");
    }
    EXPECT_FALSE(IsLogging(kReceivedDataLog));
    EXPECT_FALSE(IsLogOpen(kReceivedDataLog));
    EXPECT_EQ(m_pane.lines, std::vector<PaneLine>{kRxWriteFailed});
}

TEST_F(LogFilesTest, EventChannelWriteFailureReportedOnceInPane)
{
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    SetLogPath(kEventLog, "/dev/full");
    StartLogging(kEventLog);
    for (int i = 0; i < 12; ++i) {
        WriteEventLine("e", kColourBlack);
    }
    EXPECT_FALSE(IsLogging(kEventLog));
    ASSERT_EQ(m_pane.lines.size(), 13u);
    EXPECT_EQ(m_pane.lines[10], kEventWriteFailed);
}

TEST_F(LogFilesTest, LostLinesAtStopAreReported)
{
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    SetLogPath(kReceivedDataLog, "/dev/full");
    StartLogging(kReceivedDataLog);
    WriteLog(kReceivedDataLog, "data\n");
    StopLogging(kReceivedDataLog);
    EXPECT_EQ(m_pane.lines, std::vector<PaneLine>{kRxWriteFailed});
}

TEST_F(LogFilesTest, OpenFailuresLeaveChannelOffWithItsMessage)
{
    struct Row {
        int kind;
        PaneLine message;
    };
    const std::vector<Row> rows = {{kReceivedDataLog, kRxOpenFailed},
                                   {kEventLog, kEventOpenFailed}};
    for (const Row& row : rows) {
        m_pane.lines.clear();
        SetLogPath(row.kind, (m_dir / "missing" / "x.txt").string());
        StartLogging(row.kind);
        EXPECT_FALSE(IsLogging(row.kind));
        EXPECT_FALSE(IsLogOpen(row.kind));
        EXPECT_EQ(m_pane.lines, std::vector<PaneLine>{row.message});

        m_pane.lines.clear();
        SetLogPath(row.kind, m_dir.string());  // a directory
        StartLogging(row.kind);
        EXPECT_FALSE(IsLogging(row.kind));
        EXPECT_EQ(m_pane.lines, std::vector<PaneLine>{row.message});
    }
}

TEST_F(LogFilesTest, FifoWithoutReaderIsRefusedWithoutWaiting)
{
    const fs::path fifo = m_dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    SetLogPath(kReceivedDataLog, fifo.string());
    StartLogging(kReceivedDataLog);
    EXPECT_FALSE(IsLogging(kReceivedDataLog));
    EXPECT_EQ(m_pane.lines, std::vector<PaneLine>{kRxOpenFailed});
}

TEST_F(LogFilesTest, SameFileForBothChannelsIsRefusedToTheSecond)
{
    const std::string shared = (m_dir / "Both.txt").string();
    SetLogPath(kReceivedDataLog, shared);
    SetLogPath(kEventLog, shared);
    StartLogging(kReceivedDataLog);
    ASSERT_TRUE(IsLogging(kReceivedDataLog));
    StartLogging(kEventLog);
    EXPECT_FALSE(IsLogging(kEventLog));
    EXPECT_EQ(m_pane.lines, std::vector<PaneLine>{kEventOpenFailed});

    // Once the first lets go, the second gets the file.
    StopLogging(kReceivedDataLog);
    m_pane.lines.clear();
    StartLogging(kEventLog);
    EXPECT_TRUE(IsLogging(kEventLog));
    EXPECT_TRUE(m_pane.lines.empty());
}

TEST_F(LogFilesTest, EventLineWithoutPaneOrLoggingDoesNothing)
{
    SetEventLogSink(nullptr);
    WriteEventLine("", kColourBlack);
    EXPECT_FALSE(fs::exists(m_dir / "EventLog.txt"));

    StartLogging(kEventLog);
    WriteEventLine("", kColourBlack);
    StopLogging(kEventLog);
    const std::string content = ReadFile(m_dir / "EventLog.txt");
    ASSERT_EQ(content.size(), 23u);
    EXPECT_EQ(content.substr(19), "  \r\n");
}

}  // namespace

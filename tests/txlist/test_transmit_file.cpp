#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "tests/common/FileSizeLimit.h"
#include "txlist/TransmitFile.h"

namespace {

using E = TransmitFileError;

std::string Hex(const char* text)
{
    return QByteArray::fromHex(text).toStdString();
}

const std::string kHeader = Hex("2A3F0000 0A") + "TDataArray";
const std::string kEntryBytes = Hex("01000000 01000000 01000000 02 23010000 00002211 00000000");
const std::string kOneEntryFile = kHeader + Hex("0100") + kEntryBytes;
const TDataEntry kEntry = {nullptr, 1, 1, 1, 2, 0x123, 0x11220000, 0};
const TDataEntry kAscii = {nullptr, 1, 1, 0, 12, 0x123, 0x11220000, 0};

CTDataObject& Append(CTDataObject& list, const TDataEntry& entry, int times)
{
    while (times-- > 0) {
        list.AppendLoaded(std::make_unique<TDataEntry>(entry));
    }
    return list;
}

// Every stored field of an entry, in file order.
std::vector<uint32_t> Fields(const TDataEntry& e)
{
    return {e.standard, e.dataFrame, e.hexInput, e.dlc, e.id, e.dataHigh, e.dataLow};
}

// Three flags that all differ (a file may hold 2) and fields that differ byte
// by byte, so that a swapped or misplaced field changes the bytes.
const TDataEntry kOdd = {nullptr, 2, 0, 1, 7, 0x12345678, 0x11223344, 0x55667788};
const std::string kOddBytes = Hex("02000000 00000000 01000000 07 78563412 44332211 88776655");

TEST(TransmitFile, GoldenBytesWrittenAndReadFieldByField)
{
    CTDataObject list;
    EXPECT_EQ(SerializeTransmitList(list), kHeader + Hex("0000"));
    EXPECT_EQ(SerializeTransmitList(Append(list, kEntry, 1)), kOneEntryFile);
    const std::string twoEntries = kHeader + Hex("0200") + kOddBytes + kEntryBytes;
    CTDataObject odd;
    EXPECT_EQ(SerializeTransmitList(Append(Append(odd, kOdd, 1), kEntry, 1)), twoEntries);

    CTDataObject loaded;
    ASSERT_EQ(ParseTransmitList(twoEntries, loaded), E::kNone);
    ASSERT_EQ(loaded.Count(), 2u);
    EXPECT_EQ(Fields(*loaded.At(0)), Fields(kOdd));
    EXPECT_EQ(Fields(*loaded.At(1)), Fields(kEntry));
    EXPECT_EQ(loaded.At(0)->owner, &loaded);
}

TEST(TransmitFile, CountsBelow65535TakeTwoBytesAndFrom65535OnSix)
{
    const struct {
        uint32_t count;
        std::string countBytes;
    } rows[] = {{65534, Hex("FEFF")}, {65535, Hex("FFFF FFFF0000")}};
    for (const auto& row : rows) {
        CTDataObject list;
        const std::string bytes =
            SerializeTransmitList(Append(Append(list, kEntry, row.count - 1), kOdd, 1));
        const size_t entriesAt = 15 + row.countBytes.size();
        EXPECT_EQ(bytes.substr(0, entriesAt), kHeader + row.countBytes) << row.count;
        ASSERT_EQ(bytes.size(), entriesAt + 25u * row.count);
        EXPECT_EQ(bytes.substr(bytes.size() - 25), kOddBytes);

        CTDataObject loaded;
        ASSERT_EQ(ParseTransmitList(bytes + "trailing", loaded), E::kNone);
        ASSERT_EQ(loaded.Count(), row.count);
        EXPECT_EQ(Fields(*loaded.At(0)), Fields(kEntry));
        EXPECT_EQ(Fields(*loaded.At(row.count - 1)), Fields(kOdd));
    }
}

class TransmitFileOnDisk : public ::testing::Test {
protected:
    std::string Path(const char* name) const { return m_dir.path().toStdString() + "/" + name; }
    QTemporaryDir m_dir;
};

TEST_F(TransmitFileOnDisk, RefusedFilesReportThePathAndTheReason)
{
    const struct {
        std::string bytes;
        E error;
    } rows[] = {
        {"", E::kEndOfFile},
        {Hex("2B3F0000") + kOneEntryFile.substr(4), E::kBadSignature},
        {Hex("2A3F0000 0A") + "TDataarray" + Hex("0000"), E::kBadName},
        {Hex("2A3F0000 09") + "TDataArra" + Hex("0000"), E::kBadName},
        {kHeader + Hex("FFFF FFFF"), E::kEndOfFile},
        {kOneEntryFile.substr(0, kOneEntryFile.size() - 1), E::kEndOfFile},
        {kHeader + Hex("0200") + kEntryBytes + "x", E::kEndOfFile},
        {kHeader + Hex("FFFF FFFFFFFF") + "123456789", E::kEndOfFile},
    };
    for (const auto& row : rows) {
        std::ofstream(Path("x.ctd"), std::ios::binary) << row.bytes;
        CTDataObject into;
        const TransmitFileResult result = ReadTransmitFile(Path("x.ctd"), into);
        EXPECT_EQ(result.error, row.error) << row.bytes;
        EXPECT_EQ(result.report,
                  Path("x.ctd") + (row.error == E::kEndOfFile ? ": 파일이 예상보다 일찍 끝났읍니다"
                                                              : ": 송신 파일 형식이 아닙니다"));
    }
}

TEST_F(TransmitFileOnDisk, FailedOrRefusedSaveLeavesThePreviousFileAndNoLeftovers)
{
    CTDataObject list;
    Append(Append(list, kAscii, 1), kEntry, 999);
    std::ofstream(Path("old.ctd"), std::ios::binary) << kOneEntryFile;
    CTDataObject loaded;
    EXPECT_EQ(ReadTransmitFile("/dev/null", loaded).report, "/dev/null: 일반 파일이 아닙니다");

    TransmitFileResult full;
    ASSERT_TRUE(WithFileSizeLimit(4096, [&] { full = WriteTransmitFile(Path("old.ctd"), list); }));
    EXPECT_EQ(full.report, Path("old.ctd") + ": File too large");
    const int holder = ::open(Path("old.ctd").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(ReadTransmitFile(Path("old.ctd"), loaded).report,
              Path("old.ctd") + ": 다른 곳에서 사용 중인 파일입니다");
    EXPECT_EQ(WriteTransmitFile(Path("old.ctd"), list).error, E::kLocked);
    ::close(holder);
    std::stringstream previous;
    previous << std::ifstream(Path("old.ctd"), std::ios::binary).rdbuf();
    EXPECT_EQ(previous.str(), kOneEntryFile);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList({"old.ctd"}));

    ASSERT_TRUE(WriteTransmitFile(Path("old.ctd"), list).ok());
    ASSERT_TRUE(ReadTransmitFile(Path("old.ctd"), loaded).ok());
    EXPECT_EQ(SerializeTransmitList(loaded), SerializeTransmitList(list));
}

}  // namespace

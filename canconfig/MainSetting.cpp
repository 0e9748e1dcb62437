#include "canconfig/MainSetting.h"

#include <algorithm>
#include <array>
#include <limits>

#include <QFileInfo>
#include <QSettings>
#include <QString>
#include <QVariant>

#include "link/CanFrame.h"

namespace {

// Value names, in the order they are written.
constexpr char kPortIndexName[] = "Serial Port Index";
constexpr char kBaudRateName[] = "Serial Port BaudRate";
constexpr char kModeByteName[] = "Brisca Mode";
constexpr char kBitTimeName[] = "CAN Bit Time";
constexpr char kMaskIdName[] = "CAN Mask ID";
constexpr char kIdName[] = "CAN ID";
constexpr char kEventLogPathName[] = "Event Log Path";
constexpr char kReceivedDataLogPathName[] = "RData Log Path";

// A 32-bit profile number as its bit pattern: signed and unsigned spellings of
// the same 32 bits are accepted alike; anything else gives the default.
uint32_t ReadNumber(const QSettings& profile, const char* name, uint32_t fallback)
{
    const QVariant stored = profile.value(QString::fromLatin1(name));
    if (!stored.isValid()) {
        return fallback;
    }
    bool ok = false;
    const qlonglong value = stored.toString().trimmed().toLongLong(&ok, 10);
    if (!ok || value < std::numeric_limits<int32_t>::min() ||
        value > std::numeric_limits<uint32_t>::max()) {
        return fallback;
    }
    return static_cast<uint32_t>(value);
}

std::string ReadText(const QSettings& profile, const char* name, const std::string& fallback)
{
    const QVariant stored = profile.value(QString::fromLatin1(name));
    if (!stored.isValid()) {
        return fallback;
    }
    return stored.toString().toStdString();
}

// The log is opened and appended to, so only a regular file (or a link to one)
// counts: a folder at the stored path would make every later open fail.
bool FileExistsAt(const std::string& path)
{
    return !path.empty() && QFileInfo(QString::fromStdString(path)).isFile();
}

int32_t CorrectPortIndex(int32_t index, int portCount)
{
    if (portCount <= 0 || index < 0) {
        return 0;
    }
    return std::min(index, portCount - 1);
}

}  // namespace

bool IsSupportedBaudRate(uint32_t bitsPerSecond)
{
    return std::find(kUartSpeeds.begin(), kUartSpeeds.end(), bitsPerSecond) != kUartSpeeds.end();
}

bool IsExtendedIdMode(uint8_t modeByte)
{
    switch ((modeByte >> 5) & 0x03) {
    case 0:
        return (modeByte & 0x10) != 0;
    case 1:
        return false;
    default:
        return true;
    }
}

uint32_t IdMaskForMode(uint8_t modeByte)
{
    return IsExtendedIdMode(modeByte) ? kExtendedIdMask : kStandardIdMask;
}

std::string_view ReceiveModeName(uint8_t modeByte)
{
    switch ((modeByte >> 5) & 0x03) {
    case 0:
        return "CAN2.0A/B Both";
    case 1:
        return "CAN2.0A Only";
    default:
        return "CAN2.0B Only";
    }
}

std::string DefaultEventLogPath(const std::string& logDirectory)
{
    return logDirectory + "/EventLog.txt";
}

std::string DefaultReceivedDataLogPath(const std::string& logDirectory)
{
    return logDirectory + "/RDataLog.txt";
}

MainSetting LoadSettings(QSettings& profile, int portCount, const std::string& logDirectory)
{
    MainSetting setting;
    profile.beginGroup(QString::fromLatin1(kMainSettingSection));
    const uint32_t portIndex = ReadNumber(profile, kPortIndexName, 0);
    setting.serialPortIndex = static_cast<int32_t>(portIndex);
    setting.serialPortBaudRate = ReadNumber(profile, kBaudRateName, kDefaultBaudRate);
    const uint32_t modeByte = ReadNumber(profile, kModeByteName, kDefaultModeByte);
    setting.canBitTime = ReadNumber(profile, kBitTimeName, DefaultBitTime);
    setting.canMaskId = ReadNumber(profile, kMaskIdName, 0);
    setting.canId = ReadNumber(profile, kIdName, 0);

    const std::string defaultEventPath = DefaultEventLogPath(logDirectory);
    const std::string defaultReceivedDataPath = DefaultReceivedDataLogPath(logDirectory);
    setting.eventLogPath = ReadText(profile, kEventLogPathName, defaultEventPath);
    setting.receivedDataLogPath =
        ReadText(profile, kReceivedDataLogPathName, defaultReceivedDataPath);
    profile.endGroup();

    setting.serialPortIndex = CorrectPortIndex(setting.serialPortIndex, portCount);
    if (!IsSupportedBaudRate(setting.serialPortBaudRate)) {
        setting.serialPortBaudRate = kDefaultBaudRate;
    }
    setting.modeByte = static_cast<uint8_t>(modeByte & 0x7F);
    if (!IsValidBitTime(setting.canBitTime)) {
        setting.canBitTime = DefaultBitTime;
    }
    const uint32_t idMask = IdMaskForMode(setting.modeByte);
    setting.canMaskId &= idMask;
    setting.canId &= idMask;
    if (!FileExistsAt(setting.eventLogPath)) {
        setting.eventLogPath = defaultEventPath;
    }
    if (!FileExistsAt(setting.receivedDataLogPath)) {
        setting.receivedDataLogPath = defaultReceivedDataPath;
    }
    return setting;
}

void SaveSettings(QSettings& profile, const MainSetting& setting)
{
    profile.beginGroup(QString::fromLatin1(kMainSettingSection));
    profile.setValue(QString::fromLatin1(kPortIndexName), setting.serialPortIndex);
    profile.setValue(QString::fromLatin1(kBaudRateName), setting.serialPortBaudRate);
    profile.setValue(QString::fromLatin1(kModeByteName), setting.modeByte & 0x7F);
    profile.setValue(QString::fromLatin1(kBitTimeName), setting.canBitTime);
    profile.setValue(QString::fromLatin1(kMaskIdName), setting.canMaskId);
    profile.setValue(QString::fromLatin1(kIdName), setting.canId);
    profile.setValue(QString::fromLatin1(kEventLogPathName),
                     QString::fromStdString(setting.eventLogPath));
    profile.setValue(QString::fromLatin1(kReceivedDataLogPathName),
                     QString::fromStdString(setting.receivedDataLogPath));
    profile.endGroup();
    profile.sync();
}

std::unique_ptr<QSettings> OpenUserProfile()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("Quorvane"), QStringLiteral("Talvox"));
}

MainSetting LoadSettings(int portCount, const std::string& logDirectory)
{
    return LoadSettings(*OpenUserProfile(), portCount, logDirectory);
}

void SaveSettings(const MainSetting& setting)
{
    SaveSettings(*OpenUserProfile(), setting);
}

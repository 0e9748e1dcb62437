#include "txlist/PeriodicSender.h"

#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>

namespace {

using Clock = PeriodicSender::Clock;

// The sender's timer needs an event dispatcher; no event loop runs.
struct CoreApp {
    int argc = 1;
    char name[5] = "test";
    char* argv[1] = {name};
    QCoreApplication app{argc, argv};
};

// Starts entries at 0 (sending at once) on a hand-set clock and calls Tick at
// each wake-up time; every send is recorded as "entry@time" in microseconds.
struct Case {
    const char* name;
    std::vector<std::pair<int, char>> starts;  // period (ms) and entry
    std::vector<long> wakes;                   // us
    long busyAt;                               // the send at this time finds the line busy
    long lineLostAt;                           // the line is gone at this time
    std::vector<std::string> sends;
    uint64_t busy;
    uint64_t missed;
    bool running;
};

TEST(PeriodicSender, KeepsItsGridSkipsMissedCyclesAndStopsWithTheLine)
{
    // clang-format off
    const std::vector<Case> cases = {
        // A late send does not move the next deadline: 20000 is still due.
        {"no drift", {{10, 'a'}}, {10300, 19999, 20000, 30900}, -1, -1,
         {"a@0", "a@10300", "a@20000", "a@30900"}, 0, 0, true},
        // Woken at 35 ms: one send for the cycles of 10, 20 and 30 ms, next at 40.
        {"stall", {{10, 'a'}}, {35000, 39999, 40000}, -1, -1,
         {"a@0", "a@35000", "a@40000"}, 0, 2, true},
        {"two periods", {{10, 'a'}, {25, 'b'}}, {10000, 20000, 25000, 30000, 50000}, -1, -1,
         {"a@0", "b@0", "a@10000", "a@20000", "b@25000", "a@30000", "a@50000", "b@50000"}, 0, 1,
         true},
        {"busy line", {{1, 'a'}}, {1000, 2000}, 1000, -1,
         {"a@0", "a@1000", "a@2000"}, 1, 0, true},
        {"line lost", {{10, 'a'}, {60000, 'b'}}, {250000, 260000}, -1, 250000,
         {"a@0", "b@0"}, 0, 0, false},
    };
    // clang-format on
    CoreApp app;
    const TDataEntry entries[2]{};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        long nowUs = 0;
        std::vector<std::string> sends;
        PeriodicSender sender(
            [&] { return nowUs != c.lineLostAt; },
            [&](const TDataEntry& entry) {
                sends.push_back((&entry == entries ? "a@" : "b@") + std::to_string(nowUs));
                return nowUs != c.busyAt ? SendOutcome::kSent : SendOutcome::kBusy;
            });
        sender.SetClock([&] { return Clock::time_point(std::chrono::microseconds(nowUs)); });
        for (const auto& [periodMs, which] : c.starts) {
            EXPECT_TRUE(sender.Start(&entries[which - 'a'], periodMs));
        }
        for (const long wake : c.wakes) {
            nowUs = wake;
            sender.Tick();
        }
        EXPECT_EQ(sends, c.sends);
        EXPECT_EQ(sender.BusyCount(), c.busy);
        EXPECT_EQ(sender.MissedCount(), c.missed);
        EXPECT_EQ(sender.RunningCount() > 0, c.running);
    }
}

TEST(PeriodicSender, RefusesPeriodsOutOfRangeAndStoresPeriodsByFrame)
{
    CoreApp app;
    PeriodicSender sender([] { return true; },
                          [](const TDataEntry&) { return SendOutcome::kSent; });
    TDataEntry entry{nullptr, 1, 1, 1, 2, 0x123, 0x01020000, 0};
    EXPECT_FALSE(sender.Start(&entry, 0));
    EXPECT_FALSE(sender.Start(&entry, 60001));
    EXPECT_FALSE(sender.IsRunning(&entry));

    EXPECT_EQ(PeriodValueName(entry), "A 00000123 D 2 0102000000000000");
    TDataEntry remote{nullptr, 0, 0, 0, 0, 0x1FFFFFFF, 0, 0};
    EXPECT_EQ(PeriodValueName(remote), "B 1FFFFFFF R 0 0000000000000000");

    QTemporaryDir dir;
    QSettings profile(dir.filePath("profile.ini"), QSettings::IniFormat);
    EXPECT_EQ(StoredPeriodMs(profile, entry), 100);
    const QString key = QStringLiteral("Periodic Transmit/A 00000123 D 2 0102000000000000");
    for (const auto& [stored, expected] : std::vector<std::pair<QString, int>>{
             {"250", 250}, {"1", 1}, {"60000", 60000}, {"0", 100}, {"60001", 100}, {"ten", 100}}) {
        profile.setValue(key, stored);
        EXPECT_EQ(StoredPeriodMs(profile, entry), expected) << stored.toStdString();
    }
    StorePeriodMs(profile, entry, 40);
    EXPECT_EQ(StoredPeriodMs(profile, entry), 40);
    EXPECT_EQ(StoredPeriodMs(profile, remote), 100);
}

TEST(PeriodicSender, ForgetsThePeriodsOfFramesNoLongerInTheList)
{
    QTemporaryDir dir;
    QSettings profile(dir.filePath("profile.ini"), QSettings::IniFormat);
    profile.setValue("Main Setting/TData File Dir", "/kept");
    CTDataObject list;
    for (uint32_t id : {1u, 2u, 3u}) {
        const TDataEntry entry{nullptr, 1, 1, 1, 0, id, 0, 0};
        StorePeriodMs(profile, entry, static_cast<int>(id) * 10);
        if (id != 2) {
            list.AppendLoaded(std::make_unique<TDataEntry>(entry));
        }
    }
    ForgetPeriodsExcept(profile, list);
    profile.beginGroup(kPeriodicSection);
    EXPECT_EQ(profile.childKeys(),
              QStringList({"A 00000001 D 0 0000000000000000", "A 00000003 D 0 0000000000000000"}));
    profile.endGroup();
    EXPECT_EQ(StoredPeriodMs(profile, *list.At(1)), 30);
    EXPECT_EQ(profile.value("Main Setting/TData File Dir").toString(), "/kept");

    ForgetPeriodsExcept(profile, CTDataObject());
    profile.beginGroup(kPeriodicSection);
    EXPECT_TRUE(profile.childKeys().isEmpty());
}

}  // namespace

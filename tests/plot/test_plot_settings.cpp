#include "plot/PlotSettings.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>

namespace {

struct KeyCase {
    const char* text;
    std::optional<PlotSignalKey> key;
};

TEST(PlotKeyText, ReadsBackWhatItWritesAndNothingElse)
{
    const KeyCase cases[] = {
        {"0x123/Speed", PlotSignalKey{0x123, false, "Speed"}},
        {"0x000/_a1", PlotSignalKey{0, false, "_a1"}},
        {"0x7FF/S", PlotSignalKey{0x7FF, false, "S"}},
        {"0x18FEF100/Speed", PlotSignalKey{0x18FEF100, true, "Speed"}},
        {"0x00000123/Speed", PlotSignalKey{0x123, true, "Speed"}},
        {"bus/frames", FrameRateKey()},
        {"0x800/S", std::nullopt},       // beyond 11 bits
        {"0x20000000/S", std::nullopt},  // beyond 29 bits
        {"0x1234/S", std::nullopt},      // neither width
        {"123/S", std::nullopt},         // no 0x
        {"0x12G/S", std::nullopt},       // not hex
        {"0x123/", std::nullopt},        // no name
        {"0x123/1st", std::nullopt},     // not an identifier
        {"0x123/Speed rpm", std::nullopt},
        {"0x123Speed", std::nullopt},
        {"bus/other", std::nullopt},
        {"", std::nullopt},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParsePlotKey(c.text), c.key);
        if (c.key) {
            EXPECT_EQ(ParsePlotKey(PlotKeyText(*c.key)), c.key);
        }
    }
    EXPECT_EQ(PlotKeyText(PlotSignalKey{0x12, false, "A"}), "0x012/A");
    EXPECT_EQ(PlotKeyText(PlotSignalKey{0x12, true, "A"}), "0x00000012/A");
}

TEST(PlotSettingsProfile, RoundTripsAndRepairsWhatDoesNotRead)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("profile.ini");
    {
        QSettings profile(path, QSettings::IniFormat);
        PlotSettings settings;
        settings.chosen = {PlotSignalKey{0x123, false, "Speed"}, FrameRateKey()};
        settings.windowSeconds = 2.5;
        settings.sharedY = true;
        settings.pointsPerSignal = 5000;
        SavePlotSettings(profile, settings);
    }
    {
        QSettings profile(path, QSettings::IniFormat);
        const PlotSettings read = LoadPlotSettings(profile);
        EXPECT_EQ(read.chosen,
                  (std::vector<PlotSignalKey>{{0x123, false, "Speed"}, FrameRateKey()}));
        EXPECT_EQ(read.windowSeconds, 2.5);
        EXPECT_TRUE(read.sharedY);
        EXPECT_EQ(read.pointsPerSignal, 5000u);

        // Hand-edited: bad entries dropped, a repeat once, numbers clamped.
        profile.setValue("DBC/PlotSignals", QStringList{"junk", "0x123/Speed", "0x123/Speed"});
        profile.setValue("Plot/WindowSeconds", "nan");
        profile.setValue("Plot/PointsPerSignal", "-5");
        const PlotSettings repaired = LoadPlotSettings(profile);
        EXPECT_EQ(repaired.chosen, (std::vector<PlotSignalKey>{{0x123, false, "Speed"}}));
        EXPECT_EQ(repaired.windowSeconds, PlotModel::kDefaultWindowSeconds);
        EXPECT_EQ(repaired.pointsPerSignal, PlotSettings::kMinPointsPerSignal);
        profile.setValue("Plot/WindowSeconds", 1e9);
        profile.setValue("Plot/PointsPerSignal", "999999999999");
        const PlotSettings clamped = LoadPlotSettings(profile);
        EXPECT_EQ(clamped.windowSeconds, PlotSettings::kMaxWindowSeconds);
        EXPECT_EQ(clamped.pointsPerSignal, PlotSettings::kMaxPointsPerSignal);
    }
}

}  // namespace

#include "plot/PlotModel.h"

#include <gtest/gtest.h>

#include "dbc/DbcParser.h"
#include "link/CanFrame.h"
#include "plot/PlotCsv.h"
#include "trace/Trace.h"

namespace {

// Speed: 16-bit little-endian, 0.25 rpm a bit. Gear: a value table. Mux
// message 0x300: selector byte 0, A in page 1, B in page 2. 0x12345 extended.
const char* const kDbc = R"(BO_ 256 Engine: 8 ECU
 SG_ Speed : 0|16@1+ (0.25,0) [0|0] "rpm" X
 SG_ Gear : 16|4@1+ (1,0) [0|0] "" X
BO_ 768 Mux: 8 ECU
 SG_ Sel M : 0|8@1+ (1,0) [0|0] "" X
 SG_ A m1 : 8|8@1+ (1,0) [0|0] "V" X
 SG_ B m2 : 8|8@1+ (1,0) [0|0] "V" X
BO_ 2147558213 Ext: 2 ECU
 SG_ Temp : 0|8@1- (1,-40) [0|0] "degC" X
VAL_ 256 Gear 0 "P" 1 "D" ;
)";

class PlotModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DbcParseResult parsed = ParseDbcText(kDbc);
        ASSERT_TRUE(parsed.ok());
        m_file = parsed.file;
    }
    const DbcMessage& Message(const std::string& name) const
    {
        for (const DbcMessage& message : m_file.messages) {
            if (message.name == name) {
                return message;
            }
        }
        throw std::runtime_error(name);
    }
    void Add(const std::string& message, const std::string& signal)
    {
        const DbcMessage& m = Message(message);
        for (const DbcSignal& s : m.signals) {
            if (s.name == signal) {
                ASSERT_TRUE(m_model.Add(m, s));
                return;
            }
        }
        FAIL() << signal;
    }
    std::vector<PlotPoint> Points(size_t index) const
    {
        std::vector<PlotPoint> points;
        const SignalSeries& series = m_model.Signal(index).series;
        for (size_t i = 0; i < series.Size(); ++i) {
            points.push_back(series.At(i));
        }
        return points;
    }

    DbcFile m_file;
    PlotModel m_model;
};

}  // namespace

TEST_F(PlotModelTest, SignalsAreKeyedAndLabelled)
{
    Add("Engine", "Speed");
    Add("Engine", "Gear");
    Add("Ext", "Temp");
    EXPECT_FALSE(m_model.Add(Message("Engine"), Message("Engine").signals[0]));
    EXPECT_EQ(m_model.Count(), 3u);
    EXPECT_EQ(m_model.Signal(0).legend, "Engine.Speed [rpm]");
    EXPECT_EQ(m_model.Signal(1).legend, "Engine.Gear");
    EXPECT_EQ(m_model.Signal(1).mode, PlotDrawMode::kStep);
    EXPECT_EQ(m_model.Signal(0).mode, PlotDrawMode::kLine);
    EXPECT_EQ(m_model.Signal(2).key, (PlotSignalKey{0x12345, true, "Temp"}));

    EXPECT_TRUE(m_model.Remove({256, false, "Speed"}));
    EXPECT_FALSE(m_model.Remove({256, false, "Speed"}));
    EXPECT_EQ(m_model.IndexOf({0x12345, true, "Temp"}), 1);
    m_model.Clear();
    EXPECT_EQ(m_model.Count(), 0u);
}

TEST_F(PlotModelTest, FeedingDecodesOnlyMatchingMessages)
{
    Add("Engine", "Speed");
    Add("Mux", "B");
    Add("Ext", "Temp");
    struct Row {
        bool extended;
        uint32_t id;
        std::vector<uint8_t> data;
    };
    const Row frames[] = {
        {false, 256, {0x10, 0x27, 0x01}},  // Speed 2500
        {false, 257, {0x10, 0x27}},        // no plotted signal
        {true, 256, {0x10, 0x27}},         // same number, other width
        {false, 768, {1, 55}},             // page 1: A only
        {false, 768, {2, 66}},             // page 2: B
        {false, 768, {2}},                 // B beyond the data
        {true, 0x12345, {0xFF}},           // Temp -41
        {false, 0x145, {0xFF}},            // standard 0x145, not 0x12345
        {false, 256, {0x10}},              // Speed beyond the data
    };
    double t = 0;
    for (const Row& frame : frames) {
        m_model.FeedFrame(t++, frame.extended, frame.id, frame.data.data(),
                          static_cast<int>(frame.data.size()));
    }
    CanFrame remote{0, 1, 2, 256, {0, 1}};
    m_model.FeedFrame(t++, remote);
    CanFrame data{0, 0, 2, 256, {0x04, 0x00}};
    m_model.FeedFrame(t++, data);

    EXPECT_EQ(Points(0), (std::vector<PlotPoint>{{0, 2500}, {10, 1}}));
    EXPECT_EQ(Points(1), (std::vector<PlotPoint>{{4, 66}}));
    EXPECT_EQ(Points(2), (std::vector<PlotPoint>{{6, -41}}));
}

TEST_F(PlotModelTest, TraceBuildsFromFramesRelativeToItsStart)
{
    Add("Engine", "Speed");
    m_model.FeedFrame(99, false, 256, std::vector<uint8_t>{4, 0}.data(), 2);  // replaced
    Trace trace;
    auto record = [](int64_t us, uint32_t id, uint8_t flags, uint8_t low) {
        TraceRecord r;
        r.timeUs = us;
        r.id = id;
        r.flags = flags;
        r.dlc = 2;
        r.data[0] = low;
        return r;
    };
    trace.records = {
        record(1'700'000'000'000'000, 256, 0, 4),
        record(1'700'000'000'250'000, 256, trace_flags::kRemote, 8),
        record(1'700'000'000'500'000, 256, trace_flags::kError, 8),
        record(1'700'000'001'000'001, 256, trace_flags::kTx, 12),
    };
    m_model.BuildFromTrace(trace);
    EXPECT_EQ(Points(0), (std::vector<PlotPoint>{{0, 1}, {1.000001, 3}}));
    m_model.BuildFromTrace(trace, 1'699'999'999'000'000);
    EXPECT_EQ(Points(0), (std::vector<PlotPoint>{{1, 1}, {2.000001, 3}}));
}

TEST_F(PlotModelTest, CursorReadsTheValueHoldingAtEachTime)
{
    Add("Engine", "Speed");
    Add("Ext", "Temp");
    const uint8_t speed[] = {4, 0};
    const uint8_t temp[] = {50};
    m_model.FeedFrame(1.0, false, 256, speed, 2);
    m_model.FeedFrame(2.0, true, 0x12345, temp, 1);
    m_model.FeedFrame(3.0, false, 256, speed, 1);  // too short: no point
    using Values = std::vector<std::optional<double>>;
    EXPECT_EQ(m_model.CursorValues(0.5), (Values{std::nullopt, std::nullopt}));
    EXPECT_EQ(m_model.CursorValues(1.0), (Values{1.0, std::nullopt}));
    EXPECT_EQ(m_model.CursorValues(2.0), (Values{1.0, 10.0}));
    EXPECT_EQ(m_model.CursorValues(50.0), (Values{1.0, 10.0}));
}

TEST(PlotAutoScale, CoversVisiblePointsWithAMargin)
{
    SignalSeries series;
    for (PlotPoint p : std::vector<PlotPoint>{{0, 100}, {1, 10}, {2, 20}, {3, -1000}, {4, 5}}) {
        series.Append(p.t, p.v);
    }
    struct Row {
        double t0, t1;
        std::optional<PlotRange> expected;
    };
    const Row rows[] = {
        {1, 2, PlotRange{9.5, 20.5}},    // 10..20 and 5 % of 10
        {1.5, 2, PlotRange{9.5, 20.5}},  // the value holding at 1.5 counts
        {2.5, 2.9, PlotRange{19, 21}},   // flat: 5 % of the value
        {4.5, 9, PlotRange{4, 6}},       // flat and small: at least 1
        {-3, -1, std::nullopt},          // nothing yet
        {0, 4, PlotRange{-1055, 155}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(AutoScale(series, row.t0, row.t1), row.expected) << row.t0;
    }
}

TEST_F(PlotModelTest, SharedYRangeIsTheUnion)
{
    Add("Engine", "Speed");
    Add("Ext", "Temp");
    const uint8_t speed[] = {40, 0};  // 10
    const uint8_t temp[] = {60};      // 20
    m_model.FeedFrame(1.0, false, 256, speed, 2);
    m_model.FeedFrame(1.0, true, 0x12345, temp, 1);
    EXPECT_EQ(m_model.YRange(0, 0, 2), (PlotRange{9, 11}));
    m_model.SetSharedY(true);
    EXPECT_EQ(m_model.YRange(0, 0, 2), (PlotRange{9, 21}));
}

TEST_F(PlotModelTest, CsvHasARowPerDistinctTime)
{
    Add("Engine", "Speed");
    Add("Engine", "Gear");
    Add("Ext", "Temp");
    const uint8_t a[] = {1, 0, 1};     // 0.25, gear 1
    const uint8_t b[] = {0x10, 0x27};  // 2500, gear absent
    const uint8_t t[] = {0x80};        // -168
    m_model.FeedFrame(0.0, false, 256, a, 3);
    m_model.FeedFrame(0.0000015, true, 0x12345, t, 1);
    m_model.FeedFrame(0.5, false, 256, b, 2);
    m_model.FeedFrame(0.5, false, 256, a, 3);  // same time again: a row of its own
    EXPECT_EQ(PlotCsv(m_model),
              "시간 [s],Engine.Speed [rpm],Engine.Gear,Ext.Temp [degC]\n"
              "0.000000,0.25,1,\n"
              "0.000002,,,-168\n"
              "0.500000,2500,1,\n"
              "0.500000,0.25,,\n");
}

TEST(PlotCsv, QuotesLegendsAndWritesJustTheHeaderWhenEmpty)
{
    PlotModel model;
    DbcMessage message;
    message.name = "M";
    DbcSignal signal;
    signal.name = "S";
    signal.unit = "a,\"b\"";
    model.Add(message, signal);
    EXPECT_EQ(PlotCsv(model), "시간 [s],\"M.S [a,\"\"b\"\"]\"\n");
}

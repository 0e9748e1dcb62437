#include "plot/PlotReadout.h"

#include <gtest/gtest.h>

#include "dbc/DbcParser.h"
#include "plot/PlotSettings.h"

namespace {

TEST(PlotReadout, ValuesWithTheirSignalsDecimalsAndNames)
{
    DbcParseResult parsed = ParseDbcText(R"(BO_ 256 M: 8 E
 SG_ Quarter : 0|8@1+ (0.25,0) [0|0] "V" X
 SG_ Whole : 8|8@1- (1,-40) [0|0] "" X
 SG_ Real : 0|32@1- (1,0) [0|0] "" X
 SG_ Gear : 16|4@1+ (1,0) [0|0] "" X
SIG_VALTYPE_ 256 Real : 1;
VAL_ 256 Gear 2 "Drive" ;
)");
    ASSERT_TRUE(parsed.ok());
    PlotModel model;
    for (const DbcSignal& signal : parsed.file.messages[0].signals) {
        ASSERT_TRUE(model.Add(parsed.file.messages[0], signal));
    }
    ASSERT_TRUE(model.AddMeasured(FrameRateKey(), "Rate", 0));
    struct Case {
        size_t signal;
        std::optional<double> value;
        const char* text;
    };
    const Case cases[] = {
        {0, 1.25, "1.25"},     {0, 3.0, "3.00"}, {1, -40.0, "-40"},   {2, 0.1, "0.1"},
        {3, 2.0, "2 (Drive)"}, {3, 3.0, "3"},    {4, 1099.6, "1100"}, {0, std::nullopt, "-"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(PlotValueText(model.Signal(c.signal), c.value), c.text);
    }
    model.Append(4, 1.0, 12.0);
    EXPECT_EQ(PlotReadout(model, 1.5),
              "1.500000 s   M.Quarter [V] = -   M.Whole = -   M.Real = -   M.Gear = -   Rate = 12");
}

}  // namespace

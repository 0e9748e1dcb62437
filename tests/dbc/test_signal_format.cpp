#include "dbc/SignalFormat.h"

#include <cmath>
#include <string>

#include <gtest/gtest.h>

namespace {

DbcSignal Scaled(double factor, double offset, const char* unit,
                 DbcValueType type = DbcValueType::kInteger, int length = 16)
{
    DbcSignal signal;
    signal.factor = factor;
    signal.offset = offset;
    signal.unit = unit;
    signal.valueType = type;
    signal.length = length;
    return signal;
}

TEST(SignalFormat, PhysicalValueWithTheDecimalsOfItsScaling)
{
    struct Row {
        DbcSignal signal;
        double physical;
        const char* text;
    };
    const Row rows[] = {
        {Scaled(1, 0, "rpm"), 2500, "2500 rpm"},
        {Scaled(0.25, 0, "rpm"), 2500, "2500.00 rpm"},
        {Scaled(0.1, 0, "V"), 3 * 0.1, "0.3 V"},
        {Scaled(0.5, -100, "Nm"), -123.5, "-123.5 Nm"},
        {Scaled(1, 0.125, ""), 7.125, "7.125"},
        {Scaled(0.001, 0, "l"), -0.0001, "0.000 l"},   // no "-0.000"
        {Scaled(1e-12, 0, ""), 1e-12, "0.000000000"},  // at most 9 decimals
        {Scaled(1, 0, ""), 18446744073709551615.0, "18446744073709551616"},
        {Scaled(1, 0, "bar", DbcValueType::kFloat32, 32), static_cast<double>(0.1f), "0.1 bar"},
        {Scaled(1, 0, "", DbcValueType::kFloat64, 64), 6.02214076e23, "6.02214076e+23"},
        {Scaled(1, 0, "", DbcValueType::kFloat64, 64), NAN, "NaN"},
        {Scaled(1, 0, "", DbcValueType::kFloat64, 64), -INFINITY, "-Inf"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(FormatPhysical(row.signal, row.physical), row.text);
    }
}

TEST(SignalFormat, ValueTextRawHexAndUnavailable)
{
    DbcSignal gear = Scaled(1, 0, "", DbcValueType::kInteger, 4);
    DbcSignalValue value;
    value.signal = &gear;
    value.available = true;
    value.raw = 2;
    value.rawSigned = 2;
    value.physical = 2;
    value.valueText = "Drive";
    EXPECT_EQ(FormatSignalValue(value), "2 (Drive)");
    gear.isSigned = true;
    value.raw = 0xF;
    value.rawSigned = -1;
    value.valueText = "Fault";
    EXPECT_EQ(FormatSignalValue(value), "-1 (Fault)");
    value.valueText = {};
    value.physical = -1;
    EXPECT_EQ(FormatSignalValue(value), "-1");
    value.available = false;
    EXPECT_EQ(FormatSignalValue(value), "");

    struct Row {
        int length;
        uint64_t raw;
        const char* text;
    };
    const Row rows[] = {
        {1, 1, "0x1"},
        {4, 0xF, "0xF"},
        {5, 0x1F, "0x1F"},
        {12, 0x23, "0x023"},
        {16, 0xFFFFFFFFFFFFFFFE, "0xFFFE"},
        {64, 0xFFFFFFFFFFFFFFFF, "0xFFFFFFFFFFFFFFFF"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(FormatRawHex(Scaled(1, 0, "", DbcValueType::kInteger, row.length), row.raw),
                  row.text);
    }
}

TEST(SignalFormat, ErrorsAndReplacedMessagesForTheUser)
{
    EXPECT_EQ(FormatDbcError("/tmp/a.dbc", DbcError{12, "':'"}),
              "/tmp/a.dbc, 12번째 줄에 ':'이(가) 없읍니다.");
    EXPECT_EQ(FormatDbcError("b.dbc", DbcError{0, "읽을 수 있는 파일"}),
              "b.dbc: 읽을 수 있는 파일이(가) 아니라 읽지 않았읍니다.");
    EXPECT_EQ(FormatReplacedMessages({}), "");
    EXPECT_EQ(FormatReplacedMessages({{false, 0x123}, {true, 0x18FEF100}}),
              "DBC 메시지 0x123, 0x18FEF100을(를) 뒤의 파일의 정의로 바꾸었읍니다.");
    EXPECT_EQ(FormatMessageId({true, 0x5}), "0x00000005");
}

}  // namespace

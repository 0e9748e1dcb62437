#include "dbc/DbcParser.h"

#include <string>

#include <gtest/gtest.h>

namespace {

// As a network tool writes it, with sections the parser skips between the
// ones it keeps.
const char* const kFullFile = R"(VERSION "1.2"


NS_ :
	NS_DESC_
	CM_
	BA_DEF_
	BA_
	VAL_
	SIG_VALTYPE_
	SG_MUL_VAL_

BS_:

BU_: Engine Gateway Dash

VAL_TABLE_ GearTable 3 "D" 2 "N" 1 "R" 0 "P" ;

BO_ 291 EngineData: 8 Engine
 SG_ EngineSpeed : 7|16@0+ (0.25,0) [0|16000] "rpm" Gateway,Dash
 SG_ Gear : 16|4@1+ (1,0) [0|0] "" Dash
 SG_ Torque : 20|12@1- (0.5,-100) [-500|500] "Nm"  Gateway

BO_ 2566844926 Pressures: 8 Gateway
 SG_ Pressure : 0|32@1- (1,0) [0|0] "bar" Vector__XXX
 SG_ Volume : 32|32@1+ (1E-003,0) [0|4294967.295] "l" Vector__XXX

BO_ 1024 Muxed: 8 Dash
 SG_ Page M : 0|8@1+ (1,0) [0|0] "" Gateway
 SG_ Temp m0 : 8|8@1- (1,0) [0|0] "degC" Gateway
 SG_ Level m1 : 8|8@1+ (1,0) [0|0] "%" Gateway

BO_ 3221225472 VECTOR__INDEPENDENT_SIG_MSG: 0 Vector__XXX
 SG_ Orphan : 0|8@1+ (1,0) [0|0] "" Vector__XXX

BO_TX_BU_ 291 : Engine,Gateway;

EV_ Speed: 0 [0|100] "" 0 1 DUMMY_NODE_VECTOR0 Vector__XXX;
ENVVAR_DATA_ Speed: 4;
SGTYPE_ Byte : 8@1+ (1,0) [0|255] "" 0, GearTable;
SIG_GROUP_ 291 Group1 1 : EngineSpeed Gear;
CAT_DEF_ 1 "cat" 0;
FUTURE_KEYWORD_ with "strings; and" semicolons inside;

CM_ "Network of the test bench";
CM_ BU_ Engine "The engine controller";
CM_ BO_ 291 "Sent by the engine";
CM_ SG_ 291 EngineSpeed "Crankshaft speed,
second line with a \"quote\" and a \\ backslash";
CM_ EV_ Speed "environment";
BA_DEF_ BO_  "GenMsgCycleTime" INT 0 65535;
BA_DEF_ SG_  "GenSigStartValue" INT 0 65535;
BA_DEF_REL_ BU_SG_REL_  "Rel" INT 0 1;
BA_DEF_DEF_  "GenMsgCycleTime" 50;
BA_DEF_DEF_  "GenSigStartValue" 0;
BA_ "GenMsgCycleTime" BO_ 291 100;
BA_ "GenSigStartValue" SG_ 291 Gear 3;
BA_ "BusType" "CAN";
VAL_ 291 Gear 3 "Drive" 0 "Park" 1 "Reverse" 2 "Neutral" ;
VAL_ Speed 0 "off" ;
SIG_VALTYPE_ 2566844926 Pressure : 1;
SG_MUL_VAL_ 1024 Temp Page 0-0;
)";

TEST(DbcParser, ReadsEverySectionItKeepsAndSkipsTheOthers)
{
    const DbcParseResult result = ParseDbcText(kFullFile);
    ASSERT_TRUE(result.ok()) << result.error->line << ": " << result.error->expected;
    const DbcFile& file = result.file;
    EXPECT_EQ(file.version, "1.2");
    EXPECT_EQ(file.comment, "Network of the test bench");
    ASSERT_EQ(file.nodes.size(), 3u);
    EXPECT_EQ(file.nodes[0].comment, "The engine controller");
    EXPECT_TRUE(file.warnings.empty()) << file.warnings[0].text;
    ASSERT_EQ(file.messages.size(), 3u);  // the independent-signal message is dropped

    const DbcMessage& engine = file.messages[0];
    EXPECT_EQ(engine.id, 0x123u);
    EXPECT_FALSE(engine.extended);
    EXPECT_EQ(engine.name, "EngineData");
    EXPECT_EQ(engine.sender, "Engine");
    EXPECT_EQ(engine.length, 8);
    EXPECT_EQ(engine.cycleTimeMs, 100);
    EXPECT_EQ(engine.comment, "Sent by the engine");
    ASSERT_EQ(engine.signals.size(), 3u);
    const DbcSignal& speed = engine.signals[0];
    EXPECT_TRUE(speed.bigEndian);
    EXPECT_FALSE(speed.isSigned);
    EXPECT_EQ(speed.startBit, 7);
    EXPECT_EQ(speed.length, 16);
    EXPECT_DOUBLE_EQ(speed.factor, 0.25);
    EXPECT_DOUBLE_EQ(speed.maximum, 16000);
    EXPECT_EQ(speed.unit, "rpm");
    EXPECT_EQ(speed.receivers, (std::vector<std::string>{"Gateway", "Dash"}));
    EXPECT_EQ(speed.comment, "Crankshaft speed,\nsecond line with a \"quote\" and a \\ backslash");
    const DbcSignal& gear = engine.signals[1];
    ASSERT_EQ(gear.valueNames.size(), 4u);
    EXPECT_EQ(gear.valueNames[0].raw, 0);
    EXPECT_EQ(gear.valueNames[0].text, "Park");
    EXPECT_EQ(gear.valueNames[3].text, "Drive");
    const DbcSignal& torque = engine.signals[2];
    EXPECT_TRUE(torque.isSigned);
    EXPECT_DOUBLE_EQ(torque.offset, -100);
    EXPECT_DOUBLE_EQ(torque.minimum, -500);

    const DbcMessage& pressures = file.messages[1];
    EXPECT_TRUE(pressures.extended);
    EXPECT_EQ(pressures.id, 0x18FEF1FEu);
    EXPECT_EQ(pressures.cycleTimeMs, 50);  // the default
    EXPECT_EQ(pressures.signals[0].valueType, DbcValueType::kFloat32);
    EXPECT_EQ(pressures.signals[1].valueType, DbcValueType::kInteger);
    EXPECT_DOUBLE_EQ(pressures.signals[1].factor, 0.001);

    const DbcMessage& muxed = file.messages[2];
    EXPECT_EQ(muxed.multiplexer, 0);
    EXPECT_EQ(muxed.signals[1].muxRole, DbcMuxRole::kMultiplexed);
    EXPECT_EQ(muxed.signals[2].muxValue, 1u);
}

TEST(DbcParser, PlacesSignalsInTheirBytes)
{
    const DbcParseResult result = ParseDbcText(
        "BO_ 1 M: 8 X\n"
        " SG_ Be : 7|12@0+ (1,0) [0|0] \"\" X\n"      // byte 0 and the high nibble of byte 1
        " SG_ BeLast : 56|1@0+ (1,0) [0|0] \"\" X\n"  // bit 0 of byte 7
        " SG_ Le : 60|4@1+ (1,0) [0|0] \"\" X\n"
        " SG_ BeOver : 62|8@0+ (1,0) [0|0] \"\" X\n"  // runs past byte 7
        " SG_ LeOver : 60|8@1+ (1,0) [0|0] \"\" X\n");
    ASSERT_TRUE(result.ok());
    const auto& s = result.file.messages[0].signals;
    struct Row {
        int first, last;
        bool fits;
    };
    const Row rows[] = {{0, 1, true}, {7, 7, true}, {7, 7, true}, {7, 8, false}, {7, 8, false}};
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(s[i].name);
        EXPECT_EQ(s[i].firstByte, rows[i].first);
        EXPECT_EQ(s[i].lastByte, rows[i].last);
        EXPECT_EQ(s[i].fitsMessage, rows[i].fits);
    }
    EXPECT_EQ(result.file.warnings.size(), 2u);
}

TEST(DbcParser, RefusesMalformedFilesWholeNamingLineAndWhatWasExpected)
{
    struct Row {
        const char* text;
        int line;
        const char* expected;
    };
    const Row rows[] = {
        {"BO_ 1 M 8 X\n", 1, "':'"},
        {"BO_ 1 M: 65 X\n", 1, "메시지 길이 (0~64)"},
        {"BO_ 1 M: 8 X\n SG_ A : 0|0@1+ (1,0) [0|0] \"\" X\n", 2, "신호 길이 (1~64)"},
        {"BO_ 1 M: 8 X\n SG_ A : 0|65@1+ (1,0) [0|0] \"\" X\n", 2, "신호 길이 (1~64)"},
        {"BO_ 1 M: 8 X\n\n SG_ A : 0|8@2+ (1,0) [0|0] \"\" X\n", 3, "바이트 순서 (0 또는 1)"},
        {"BO_ 1 M: 8 X\n SG_ A : 0|8@1* (1,0) [0|0] \"\" X\n", 2, "부호 표시 (+ 또는 -)"},
        {"BO_ 1 M: 8 X\n SG_ A : 0|8@1+ (x,0) [0|0] \"\" X\n", 2, "배율"},
        {"BO_ 1 M: 8 X\n SG_ A : 0|8@1+ (1,0) [0|1e999] \"\" X\n", 2, "최댓값"},
        {"BO_ 1 M: 8 X\n SG_ A : 0|8@1+ (1,0) [0|0] \"rpm X\n\n", 2, "닫는 '\"'"},
        {"BO_ 1 M: 8 X\n SG_ A x3 : 0|8@1+ (1,0) [0|0] \"\" X\n", 2,
         "':' 또는 멀티플렉서 표시 (M, m<n>)"},
        {"VERSION \"\"\n SG_ A : 0|8@1+ (1,0) [0|0] \"\" X\n", 2, "SG_ 앞의 BO_"},
        {"BO_ 3758096384 M: 8 X\n", 1, "29비트 메시지 식별자"},
        {"BO_ 4294967296 M: 8 X\n", 1, "메시지 식별자"},
        {"VERSION \"\"\n\n\n123\n", 4, "키워드"},
        {"BO_ 1 M: 8 X\nCM_ BO_ 1 \"never closed;\n\n", 2, "닫는 '\"'"},
        {"BO_ 1 M: 8 X\n SG_ A : 0|8@1+ (1,0) [0|0] \"\" X\nVAL_ 1 A 1 \"one\"", 3, "';'"},
        {"BO_ 1 M: 8 X\n SG_ A : 0|8@1+ (1,0) [0|0] \"\" X\nSIG_VALTYPE_ 1 A : 3;\n", 3,
         "값 형식 (0, 1, 2)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const DbcParseResult result = ParseDbcText(row.text);
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.error->line, row.line);
        EXPECT_EQ(result.error->expected, row.expected);
        EXPECT_TRUE(result.file.messages.empty());
    }
}

TEST(DbcParser, LaterDefinitionInTheSameFileWinsWithAWarning)
{
    const DbcParseResult result = ParseDbcText(
        "BO_ 256 First: 8 X\n SG_ A : 0|8@1+ (1,0) [0|0] \"\" X\n"
        "BO_ 256 Second: 4 X\n SG_ B : 0|8@1+ (1,0) [0|0] \"\" X\n SG_ B : 8|8@1+ (1,0) [0|0] \"\" "
        "X\n"
        "BO_ 257 Other: 8 X\n"
        "VAL_ 256 B 1 \"one\" ;\nVAL_ 256 A 1 \"gone\" ;\n");
    ASSERT_TRUE(result.ok());
    ASSERT_EQ(result.file.messages.size(), 2u);
    const DbcMessage& message = result.file.messages[0];
    EXPECT_EQ(message.name, "Second");
    EXPECT_EQ(message.length, 4);
    ASSERT_EQ(message.signals.size(), 1u);
    EXPECT_EQ(message.signals[0].startBit, 8);
    ASSERT_EQ(message.signals[0].valueNames.size(), 1u);
    ASSERT_EQ(result.file.warnings.size(), 3u);  // message, signal, VAL_ of the replaced signal
    EXPECT_EQ(result.file.warnings[0].line, 3);
    EXPECT_EQ(result.file.warnings[0].text,
              "메시지 0x100(First)이(가) 이 파일에 다시 정의되어 뒤의 정의를 썼읍니다.");
    EXPECT_EQ(result.file.warnings[2].line, 8);
}

TEST(DbcParser, KeepsQuestionableDefinitionsWithAWarning)
{
    struct Row {
        const char* text;
        const char* warning;
    };
    const Row rows[] = {
        {"BO_ 2048 M: 8 X\n", "메시지 식별자 2048은(는) 11비트를 넘어 29비트 식별자로 읽었읍니다."},
        {"BO_ 1 M: 8 X\n SG_ A : 0|16@1+ (1,0) [0|0] \"\" X\nSIG_VALTYPE_ 1 A : 1;\n",
         "신호 A은(는) 16비트라 부동소수점으로 읽을 수 없어 정수로 읽었읍니다."},
        {"BO_ 1 M: 8 X\n SG_ A m1 : 0|16@1+ (1,0) [0|0] \"\" X\n",
         "메시지 M에 멀티플렉서가 없어 멀티플렉스 신호를 풀이할 수 없읍니다."},
        {"BO_ 1 M: 2 X\n SG_ A : 8|16@1+ (1,0) [0|0] \"\" X\n",
         "메시지 M의 신호 A이(가) 메시지 길이 2바이트를 넘어 풀이할 수 없읍니다."},
        {"CM_ SG_ 5 A \"no such\";\n", "정의되지 않은 신호 5 A을(를) 가리켜 건너뛰었읍니다."},
        {"BA_ \"GenMsgCycleTime\" BO_ 7 10;\n",
         "정의되지 않은 메시지 7을(를) 가리켜 건너뛰었읍니다."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const DbcParseResult result = ParseDbcText(row.text);
        ASSERT_TRUE(result.ok()) << result.error->expected;
        ASSERT_EQ(result.file.warnings.size(), 1u);
        EXPECT_EQ(result.file.warnings[0].text, row.warning);
    }
    const DbcParseResult extended = ParseDbcText(rows[0].text);
    EXPECT_TRUE(extended.file.messages[0].extended);
    EXPECT_EQ(extended.file.messages[0].id, 2048u);
}

TEST(DbcParser, CountsWarningsPastAHundred)
{
    std::string text;
    for (int i = 0; i < 150; ++i) {
        text += "CM_ BO_ 5 \"x\";\n";
    }
    const DbcParseResult result = ParseDbcText(text);
    ASSERT_TRUE(result.ok());
    ASSERT_EQ(result.file.warnings.size(), 101u);
    EXPECT_EQ(result.file.warnings[99].line, 100);
    EXPECT_EQ(result.file.warnings[100].text, "경고 50개를 더 생략했읍니다.");
}

TEST(DbcParser, AcceptsIndentedStatementsAfterTheKeywordList)
{
    const DbcParseResult result = ParseDbcText(
        "NS_ : CM_\n  BA_\n  BU_: A\n  BO_ 1 M: 8 A\n   SG_ S : 0|8@1+ (1,0) [0|0] \"\" A\r\n");
    ASSERT_TRUE(result.ok()) << result.error->line << result.error->expected;
    ASSERT_EQ(result.file.nodes.size(), 1u);
    ASSERT_EQ(result.file.messages.size(), 1u);
    EXPECT_EQ(result.file.messages[0].signals.size(), 1u);
}

TEST(DbcParser, CycleTimeOfAnotherTypeIsSkipped)
{
    const DbcParseResult result = ParseDbcText(
        "BO_ 1 M: 8 X\nBA_DEF_DEF_ \"GenMsgCycleTime\" \"fast\";\n"
        "BA_ \"GenMsgCycleTime\" BO_ 1 \"fast\";\n");
    ASSERT_TRUE(result.ok()) << result.error->expected;
    EXPECT_EQ(result.file.messages[0].cycleTimeMs, 0);
    EXPECT_TRUE(result.file.warnings.empty());
}

TEST(DbcText, ReadsUtf8ThenCp949ThenCp1252)
{
    struct Row {
        std::string bytes;
        std::string utf8;
    };
    const Row rows[] = {
        {"\xEF\xBB\xBF"
         "CM_ \"\xEC\x86\x8D\xEB\x8F\x84\";",
         "CM_ \"속도\";"},
        {"CM_ \"\xBC\xD3\xB5\xB5\";", "CM_ \"속도\";"},  // CP949
        {"CM_ \"\xC6\x52\";", "CM_ \"\xED\x9E\xA3\";"},  // a UHC extension syllable
        {"CM_ \"25\xB0"
         "C \x80\";",
         "CM_ \"25°C €\";"},                     // CP1252: 0x80 is no CP949 byte
        {"CM_ \"\x81\";", "CM_ \"\xC2\x81\";"},  // unassigned in CP1252
        {"CM_ \"\xED\xA0\x80\";",
         "CM_ \"\xC3\xAD\xC2\xA0\xE2\x82\xAC\";"},  // a surrogate is not UTF-8
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.bytes);
        EXPECT_EQ(DbcTextToUtf8(row.bytes), row.utf8);
    }
    const DbcParseResult result =
        ParseDbc("BU_: A\nCM_ BU_ A \"\xBC\xD3\xB5\xB5 \xBC\xBE\xBC\xAD\";\n");
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.file.nodes[0].comment, "속도 센서");
}

}  // namespace

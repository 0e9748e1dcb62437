#include "app/CommandTable.h"

#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/CommandIds.h"

namespace {

struct Expected {
    int id;
    const char* text;
    const char* shortcut;
};

// The menu texts and accelerators the program shows, character for character.
const std::vector<Expected> kExpected = {
    {32771, "환경 설정 읽기(&C)", "Shift+C"},
    {32772, "환경 설정 쓰기(&E)...", "Ctrl+C"},
    {32773, "CAN 수신 시작(&N)", "Ctrl+N"},
    {32774, "CAN 수신 중지(&X)", "Ctrl+X"},
    {32775, "CAN 데이터 송신(&W)", "Ctrl+W"},
    {32776, "CAN 리셋(&R)", "Ctrl+R"},
    {32777, "펨웨어 버전 읽기(&F)", "Ctrl+F"},
    {32778, "송신 데이터 추가(&A)...", "Ctrl+A"},
    {32779, "송신 데이터 수정(&M)...", "Ctrl+M"},
    {32780, "송신 데이터 삭제(&D)", "Ctrl+D"},
    {32781, "송신 데이터 전체 삭제(&E)", "Ctrl+E"},
    {32782, "수신 데이터 전체 삭제(&O)", "Ctrl+F4"},
    {32783, "수신 데이터 로깅 시작(&L)", "Ctrl+F2"},
    {32784, "수신 데이터 로깅 중지(&S)", "Ctrl+F3"},
    {32785, "이벤트 로깅 시작(&Y)", "Shift+F2"},
    {32786, "이벤트 로깅 중지(&N)", "Shift+F3"},
    {32787, "로깅 파일 경로 설정(&L)...", "Ctrl+L"},
    {32788, "송신 파일 열기(&O)...", "Ctrl+O"},
    {32789, "송신 파일 저장(&S)...", "Ctrl+S"},
    {32790, "이벤트 로그 데이터 전체 삭제(&X)", "Shift+F4"},
    {32791, "CAN 데이터 주기 송신 시작(&P)...", "Ctrl+P"},
    {32792, "CAN 데이터 주기 송신 중지(&Q)", "Ctrl+Shift+P"},
    {32793, "실행 취소(&U)", "Ctrl+Z"},
    {32795, "DBC 파일 열기(&B)...", ""},
    {32796, "DBC 파일 모두 닫기(&C)", ""},
    {32797, "트레이스 기록 시작(&T)...", ""},
    {32798, "트레이스 기록 중지", ""},
    {32799, "트레이스 열기...", ""},
    {32800, "트레이스 재생...", ""},
    {57664, "Talvox 정보(&A)...", ""},
    {57665, "종료(&X)", ""},
    {59392, "도구 모음(&T)", ""},
    {59393, "상태 표시줄(&S)", ""},
};

char Mnemonic(std::string_view text)
{
    const size_t at = text.find('&');
    return at != std::string_view::npos && at + 1 < text.size() ? text[at + 1] : '\0';
}

TEST(CommandTable, HoldsEveryCommandWithItsTextAndAccelerator)
{
    ASSERT_EQ(CommandTable().size(), kExpected.size());
    for (const Expected& expected : kExpected) {
        const CommandInfo* command = FindCommand(expected.id);
        ASSERT_NE(command, nullptr) << expected.id;
        EXPECT_EQ(command->text, expected.text) << expected.id;
        EXPECT_EQ(command->shortcut, expected.shortcut) << expected.id;
        EXPECT_FALSE(command->prompt.empty()) << expected.id;
        EXPECT_FALSE(command->toolTip.empty()) << expected.id;
    }
    EXPECT_EQ(FindCommand(12345), nullptr);
}

TEST(CommandTable, MenusHoldEveryCommandOnceWithoutSharedMnemonics)
{
    std::multiset<int> placed;
    std::set<char> titleMnemonics;
    for (const MenuInfo& menu : MainMenus()) {
        EXPECT_TRUE(titleMnemonics.insert(Mnemonic(menu.title)).second) << menu.title;
        std::set<char> mnemonics;
        for (const int id : menu.items) {
            if (id == 0) {
                continue;
            }
            placed.insert(id);
            ASSERT_NE(FindCommand(id), nullptr) << id;
            EXPECT_TRUE(mnemonics.insert(Mnemonic(FindCommand(id)->text)).second)
                << menu.title << " " << FindCommand(id)->text;
        }
    }
    for (const Expected& expected : kExpected) {
        EXPECT_EQ(placed.count(expected.id), 1u) << expected.id;
    }
}

}  // namespace

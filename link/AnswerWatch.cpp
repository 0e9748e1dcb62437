#include "link/AnswerWatch.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr std::string_view kCommandLetters = "YZGWRV";

}  // namespace

int64_t AnswerWatch::LineTimeMs(size_t bytes, uint32_t baud)
{
    if (baud == 0) {
        return 0;
    }
    const auto bits = static_cast<int64_t>(bytes) * 10 * 1000;
    return (bits + baud - 1) / baud;
}

bool AnswerWatch::IsCommandLetter(char letter)
{
    return Slot(letter) >= 0;
}

int AnswerWatch::Slot(char letter)
{
    const size_t at = kCommandLetters.find(letter);
    return letter == '\0' || at == std::string_view::npos ? -1 : static_cast<int>(at);
}

void AnswerWatch::Sent(char letter, std::string_view caption, int64_t now, int64_t lineMs)
{
    const int slot = Slot(letter);
    if (slot < 0 || m_noticeGiven) {
        return;
    }
    Command& command = m_commands[static_cast<size_t>(slot)];
    if (command.waiting) {
        return;
    }
    command = {caption, now + kAnswerWaitMs + lineMs, true};
}

void AnswerWatch::Received(char letter)
{
    const int slot = Slot(letter);
    if (slot < 0) {
        return;
    }
    m_commands[static_cast<size_t>(slot)].waiting = false;
    m_noticeGiven = false;
}

void AnswerWatch::Forget()
{
    for (Command& command : m_commands) {
        command.waiting = false;
    }
}

bool AnswerWatch::Waiting() const
{
    return std::ranges::any_of(m_commands, &Command::waiting);
}

std::optional<int64_t> AnswerWatch::NextDeadline() const
{
    std::optional<int64_t> next;
    for (const Command& command : m_commands) {
        if (command.waiting && (!next || command.deadline < *next)) {
            next = command.deadline;
        }
    }
    return next;
}

std::optional<std::string_view> AnswerWatch::Expire(int64_t now)
{
    const Command* overdue = nullptr;
    for (const Command& command : m_commands) {
        if (command.waiting && command.deadline <= now &&
            (overdue == nullptr || command.deadline < overdue->deadline)) {
            overdue = &command;
        }
    }
    if (overdue == nullptr) {
        return std::nullopt;
    }
    const std::string_view caption = overdue->caption;
    Forget();
    m_noticeGiven = true;
    return caption;
}

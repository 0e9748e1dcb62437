#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

// Which commands still wait for the converter's answer, and whether the user
// has been told that one never came. Every command is answered with a frame of
// its own letter (":Y" by a 'Y' frame, ":W" by a 'W' frame, and so on); a
// received CAN frame ('U') or an error report ('I') answers nothing.
//
// A command waits from the moment its last byte was written until its answer
// arrives; kAnswerWaitMs plus its time on the line later it is overdue. The
// first overdue command is told once, then everything waiting is forgotten and
// further commands are not watched until any answer shows the converter is
// there again: a silent line gives one notice, not one per command. Of several
// sends of one letter without an answer the oldest counts, and one answer of
// that letter settles them all, so a steady periodic send that is answered
// keeps the watch quiet.
//
// Times are milliseconds of a monotonic clock, supplied by the caller.
class AnswerWatch {
public:
    static constexpr int64_t kAnswerWaitMs = 1000;
    // The longest frame the converter answers with, characters and CR included.
    static constexpr size_t kLongestAnswer = 31;

    // Milliseconds that bytes need on a line of baud bits a second at ten bits
    // a byte (start, eight data, stop), rounded up; 0 for a speed of 0.
    static int64_t LineTimeMs(size_t bytes, uint32_t baud);

    // True for the letters of the commands the converter answers.
    static bool IsCommandLetter(char letter);

    // A command of this letter was written whole at now; lineMs is how long
    // its bytes and its answer take on the line. caption must outlive the
    // watch (the commands' captions are constants).
    void Sent(char letter, std::string_view caption, int64_t now, int64_t lineMs);
    // The converter sent a frame of this letter.
    void Received(char letter);
    // Drops every waiting command; their answers can no longer arrive (the
    // port was reopened or lost). A notice already given stays given.
    void Forget();

    bool Waiting() const;
    // The earliest time a waiting command becomes overdue.
    std::optional<int64_t> NextDeadline() const;
    // At now: the caption of the command to tell about, when one is overdue
    // and no notice has been given since the last answer.
    std::optional<std::string_view> Expire(int64_t now);

private:
    struct Command {
        std::string_view caption;
        int64_t deadline = 0;
        bool waiting = false;
    };
    static int Slot(char letter);

    std::array<Command, 6> m_commands{};
    bool m_noticeGiven = false;
};

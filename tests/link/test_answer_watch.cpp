#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "link/AnswerWatch.h"

namespace {

// One step against the watch: 'S' sends the letter at the time (its line time
// is lineMs), 'A' receives a frame of the letter, 'F' forgets, 'E' expires at
// the time and expects a notice for the letter's command ('-' for none).
struct Step {
    char op;
    char letter = '-';
    int64_t at = 0;
    int64_t lineMs = 0;
};

struct WatchRow {
    const char* name;
    std::vector<Step> steps;
};

std::string_view CaptionOf(char letter)
{
    static const std::string captions[] = {"[Y]", "[Z]", "[G]", "[W]", "[R]", "[V]", "[?]"};
    const std::string_view letters = "YZGWRV";
    const size_t at = letters.find(letter);
    return captions[at == std::string_view::npos ? 6 : at];
}

TEST(AnswerWatch, OneNoticePerSilenceForTheOldestUnansweredCommand)
{
    const std::vector<WatchRow> rows = {
        {"overdue only once the wait and the line time have passed",
         {{'S', 'Y', 0, 40}, {'E', '-', 1039}, {'E', 'Y', 1040}, {'E', '-', 9000}}},
        {"answered in time", {{'S', 'W', 0}, {'A', 'W'}, {'E', '-', 5000}}},
        {"a late answer after the notice re-arms the watch",
         {{'S', 'V', 0},
          {'E', 'V', 1000},
          {'S', 'R', 1500},
          {'E', '-', 9000},
          {'A', 'V'},
          {'S', 'R', 9100},
          {'E', '-', 10099},
          {'E', 'R', 10100}}},
        {"received frames and error reports answer nothing and re-arm nothing",
         {{'S', 'W', 0},
          {'A', 'U'},
          {'A', 'I'},
          {'E', 'W', 1000},
          {'A', 'U'},
          {'A', 'I'},
          {'S', 'Y', 2000},
          {'E', '-', 9000}}},
        {"an answer of another letter leaves the command waiting",
         {{'S', 'Y', 0}, {'A', 'W'}, {'E', 'Y', 1000}}},
        {"of repeated sends the oldest counts, one answer settles them all",
         {{'S', 'W', 0},
          {'S', 'W', 900},
          {'E', 'W', 1000},
          {'A', 'W'},
          {'S', 'W', 2000},
          {'S', 'W', 2500},
          {'A', 'W'},
          {'E', '-', 9000}}},
        {"several overdue commands give one notice, for the earliest",
         {{'S', 'Z', 10}, {'S', 'G', 0}, {'E', 'G', 5000}, {'E', '-', 9000}}},
        {"a command answered before another is overdue is not told",
         {{'S', 'V', 0}, {'S', 'Y', 500}, {'A', 'V'}, {'E', '-', 1499}, {'E', 'Y', 1500}}},
        {"forgotten commands are not told, and forgetting keeps a notice given",
         {{'S', 'Y', 0},
          {'F', '-'},
          {'E', '-', 5000},
          {'S', 'Y', 5000},
          {'E', 'Y', 6000},
          {'F', '-'},
          {'S', 'V', 6500},
          {'E', '-', 9000}}},
        {"letters of no command are not watched",
         {{'S', 'U', 0}, {'S', 'y', 0}, {'S', '\0', 0}, {'E', '-', 5000}}},
    };
    for (const WatchRow& row : rows) {
        SCOPED_TRACE(row.name);
        AnswerWatch watch;
        for (const Step& step : row.steps) {
            switch (step.op) {
            case 'S':
                watch.Sent(step.letter, CaptionOf(step.letter), step.at, step.lineMs);
                break;
            case 'A':
                watch.Received(step.letter);
                break;
            case 'F':
                watch.Forget();
                break;
            default: {
                const auto notice = watch.Expire(step.at);
                SCOPED_TRACE(step.at);
                if (step.letter == '-') {
                    EXPECT_FALSE(notice.has_value()) << *notice;
                } else {
                    EXPECT_EQ(notice.value_or("none"), CaptionOf(step.letter));
                    EXPECT_FALSE(watch.Waiting());
                }
            }
            }
        }
    }
}

TEST(AnswerWatch, NextDeadlineIsTheEarliestWaitingOne)
{
    AnswerWatch watch;
    EXPECT_FALSE(watch.NextDeadline().has_value());
    watch.Sent('V', "[V]", 300, 5);
    watch.Sent('Y', "[Y]", 100, 5);
    EXPECT_EQ(watch.NextDeadline(), 1105);
    watch.Received('Y');
    EXPECT_EQ(watch.NextDeadline(), 1305);
    watch.Received('V');
    EXPECT_FALSE(watch.Waiting());
    EXPECT_FALSE(watch.NextDeadline().has_value());
}

TEST(AnswerWatch, LineTimeAtTenBitsAByteRoundedUp)
{
    struct Row {
        size_t bytes;
        uint32_t baud;
        int64_t ms;
    };
    const Row rows[] = {
        {31, 9600, 33}, {62, 9600, 65}, {5, 230400, 1},     {0, 9600, 0},
        {31, 0, 0},     {1, 10000, 1},  {4096, 9600, 4267},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(AnswerWatch::LineTimeMs(row.bytes, row.baud), row.ms)
            << row.bytes << " bytes at " << row.baud;
    }
}

}  // namespace

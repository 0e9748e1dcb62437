#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "SimProcess.h"
#include "link/Commands.h"
#include "link/FrameCodec.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A simulator and the analyzer's end of its terminal; what comes is decoded
// with the project's decoder, and Exchange waits for count bytes of frames.
struct Bench : FrameSink {
    explicit Bench(const std::vector<std::string>& args) : sim(args) { Open(sim.Path()); }
    ~Bench() { close(fd); }
    void Open(const std::string& path)  // the simulator sets its terminal raw
    {
        close(fd);
        fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    }
    // Reads until the frames received are count bytes long or the time is up.
    bool Read(size_t count, std::chrono::milliseconds time = std::chrono::seconds(20))
    {
        const Clock::time_point end = Clock::now() + time;
        uint8_t buffer[4096];
        ssize_t got = 0;
        while (text.size() < count && ReadableBefore(fd, end) &&
               (got = read(fd, buffer, sizeof buffer)) > 0) {
            decoder.Feed(buffer, static_cast<size_t>(got));
        }
        return text.size() >= count;
    }
    bool Exchange(const std::string& command, size_t count)
    {
        return write(fd, command.data(), command.size()) == ssize_t(command.size()) && Read(count);
    }
    void DispatchFrame(const FrameDecoder& d) override
    {
        text += ":" + std::string(reinterpret_cast<const char*>(d.rawChars), d.charCount) + "\r";
    }

    SimProcess sim;
    int fd = -1;
    FrameDecoder decoder{this};
    std::string text;  // the frames received
};

TEST(SimPtyTest, AnswersEachCommandInItsLayoutAndIgnoresMalformedOnes)
{
    Bench bench({"--no-traffic", "--no-pace", "--loopback", "--firmware", "23"});
    const uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    // In order from the default state; the answers, empty for none.
    const std::pair<std::string, std::string> steps[] = {
        {ReadConfigCommand().text, ":Y1C0102050500000000000000005A\r"},
        {ReadVersionCommand().text, ":V23BB\r"},
        {WriteConfigCommand(0, 0, 1, 1, 0, 0, 0x03020505, 0x123, 0x7F0).text,
         ":Z0C03020505012307F0FF\r"},
        {ReadConfigCommand().text, ":Y0C03020505012307F0FE\r"},
        {SendCanFrameCommand(0, 0, 2, 0x12F, data).text, ":W02012F010255\r"},  // reception off
        {SetReceptionCommand(1).text, ":G01A8\r"},
        {SendCanFrameCommand(0, 0, 2, 0x12F, data).text, ":W02012F010255\r:U02012F010253\r"},
        // Loopback is filtered as traffic: neither base identifier passes the mask.
        {SendCanFrameCommand(1, 0, 8, 0x12345678, data).text, ":W2812345678010203040506070889\r"},
        {SendCanFrameCommand(1, 1, 8, 0x123, data).text, ":W300000012340\r"},
        // Checksum, digits, lengths that do not fit the layout, unknown letters;
        // a ':' inside a frame abandons it and the frame it starts.
        {":Y58\r:G11a9\r:G\r:H48\r:Y00B9\r:G47\r:G178\r:W180000012346\r:W02012301E0\r"
         ":W2812345678010203040506070809F2\r:Z40010205050123FFFF29\r"
         ":Z0001020505000000000000000047\rxyz\n\r\n:G1:V56\r",
         ""},
        {SetReceptionCommand(0).text, ":G00A7\r"},
        {":Z7C01020505FFFFFFFF0000000011\r", ":Z7C010205051FFFFFFF00000000FC\r"},  // cut to width
        // A bit time the controller cannot run is kept at the one in force.
        {":Z1C0000000100000123000FFFFFC3\r", ":Z1C0102050500000123000FFFFFCF\r"},
        {":Z3001020505012307FF03\r", ":Z3001020505012307FF03\r"},  // mode 1 is 11-bit
        {WriteConfigCommand(2, 1, 0, 1, 1, 1, 0x00020505, 0x18FEF100, 0x1FFFFFFF).text,
         ":Z570002050518FEF1001FFFFFFF38\r"},
        {ResetCanCommand().text, ":R00B2\r"},
    };
    std::string expected;
    for (const auto& [command, answer] : steps) {
        expected += answer;
        bench.Exchange(command, expected.size());
        ASSERT_EQ(bench.text, expected) << command;
    }
}

TEST(SimPtyTest, OutputIsPacedAtTheLineSpeedUnlessTurnedOff)
{
    Bench paced({"--flood", "--baud", "9600"});
    ASSERT_TRUE(paced.Exchange(SetReceptionCommand(1).text, 7));  // the answer
    const Clock::time_point start = Clock::now();
    paced.Read(SIZE_MAX, std::chrono::milliseconds(2500));
    const double rate =
        double(paced.text.size() - 7) / std::chrono::duration<double>(Clock::now() - start).count();
    // 960 bytes/s on the line; a loaded machine can only make it slower.
    EXPECT_GT(rate, 960 * 0.3);
    EXPECT_LT(rate, 960 * 1.2);

    // 25 KB would take 26 s paced, past the 20 s that ReadUntil waits.
    Bench unpaced({"--flood", "--baud", "9600", "--no-pace"});
    ASSERT_TRUE(unpaced.Exchange(SetReceptionCommand(1).text, 7));
    EXPECT_TRUE(unpaced.Read(25000));
}

TEST(SimPtyTest, SignalEndsCleanlyAndRemovesTheLink)
{
    const fs::path link = fs::temp_directory_path() / ("ttyTALVOX-" + std::to_string(getpid()));
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        fs::create_symlink("/nonexistent/pts", link);  // a stale link is replaced
        Bench bench({"--link", link.string(), "--no-traffic", "--verbose", "--errors"});
        EXPECT_EQ(fs::read_symlink(link), fs::path(bench.sim.Path()));
        for (size_t round = 1; round <= 2; ++round) {  // the analyzer closes and reopens it
            bench.Open(link.string());
            ASSERT_TRUE(bench.Exchange(ReadVersionCommand().text, round * 7));
        }
        const int status = bench.sim.Stop(signal);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << signal << " " << status;
        EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    }
}

TEST(SimPtyTest, OptionsHelpAndErrors)
{
    const fs::path dir = fs::temp_directory_path() / ("talvox-keep-" + std::to_string(getpid()));
    fs::create_directory(dir);
    const std::tuple<std::string, int, std::string> cases[] = {
        {"--help", 0, "Usage: talvox-sim [options]\n"},
        {"--no-pace extra", 2, "unknown option 'extra'\nTry 'talvox-sim --help'.\n"},
        {"--baud", 2, "option --baud needs a value\n"},
        {"--baud=4000001", 2, "bad --baud '4000001': a speed from 300 to 4000000 bit/s\n"},
        {"--firmware 100", 2, "bad --firmware '100': one byte in hexadecimal, e.g. 12 for 1.2\n"},
        {"--flood=1", 2, "option --flood takes no value\n"},
        // Anything but a symbolic link at the link's path is left alone.
        {"--link " + dir.string(), 1, "--link " + dir.string() + " exists and is not a symbolic"},
    };
    for (const auto& [args, exitCode, message] : cases) {
        const std::string command = "timeout 20 " TALVOX_SIM_PATH " " + args + " 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string output(4096, '\0');
        output.resize(fread(output.data(), 1, output.size(), pipe));
        const int status = pclose(pipe);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == exitCode) << args;
        EXPECT_TRUE(output.starts_with((exitCode != 0 ? "talvox-sim: " : "") + message)) << output;
    }
    EXPECT_TRUE(fs::is_directory(dir));
    fs::remove(dir);
}

}  // namespace

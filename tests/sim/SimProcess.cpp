#include "SimProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point end)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

pid_t Spawn(const std::vector<std::string>& args, int outFd, int errFd)
{
    std::vector<std::string> all{TALVOX_SIM_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    if (errFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, errFd, STDERR_FILENO);
    }
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits for the child's end within the deadline: its wait status, or -1.
int WaitEnd(pid_t pid, int pidfd, Clock::time_point end)
{
    pollfd fd{pidfd, POLLIN, 0};
    while (poll(&fd, 1, RemainingMs(end)) < 0 && errno == EINTR) {
    }
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
        return status;
    }
    return -1;
}

}  // namespace

SimProcess::SimProcess(const std::vector<std::string>& args)
{
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        return;
    }
    m_pid = Spawn(args, out[1], -1);
    close(out[1]);
    m_stdout = out[0];
    if (m_pid < 0) {
        return;
    }
    m_pidfd = static_cast<int>(syscall(SYS_pidfd_open, m_pid, 0));
    const Clock::time_point end = Clock::now() + kSimDeadline;
    std::string line;
    while (line.find('\n') == std::string::npos) {
        pollfd fd{m_stdout, POLLIN, 0};
        if (poll(&fd, 1, RemainingMs(end)) <= 0) {
            return;
        }
        char buffer[256];
        const ssize_t got = read(m_stdout, buffer, sizeof buffer);
        if (got <= 0) {
            return;
        }
        line.append(buffer, static_cast<size_t>(got));
    }
    m_path = line.substr(0, line.find('\n'));
}

SimProcess::~SimProcess()
{
    if (m_pid > 0) {
        Stop(SIGKILL);
    }
    if (m_pidfd >= 0) {
        close(m_pidfd);
    }
    if (m_stdout >= 0) {
        close(m_stdout);
    }
}

int SimProcess::Stop(int signal)
{
    if (m_pid <= 0) {
        return -1;
    }
    kill(m_pid, signal);
    int status = WaitEnd(m_pid, m_pidfd, Clock::now() + kSimDeadline);
    if (status == -1) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    m_pid = -1;
    return status;
}

SimRun RunSimToEnd(const std::vector<std::string>& args)
{
    SimRun run;
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
        return run;
    }
    const pid_t pid = Spawn(args, out[1], err[1]);
    close(out[1]);
    close(err[1]);
    const Clock::time_point end = Clock::now() + kSimDeadline;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&run.out, &run.err};
    int open = pid > 0 ? 2 : 0;
    while (open > 0 && poll(fds, 2, RemainingMs(end)) > 0) {
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) {
                continue;
            }
            char buffer[1024];
            const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(got));
            } else {
                fds[i].fd = -1;
                --open;
            }
        }
    }
    close(out[0]);
    close(err[0]);
    if (pid > 0) {
        if (open > 0) {
            kill(pid, SIGKILL);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        run.status = open > 0 ? -1 : status;
    }
    return run;
}

PtyPeer::~PtyPeer()
{
    Close();
}

bool PtyPeer::Open(const std::string& path)
{
    Close();
    m_fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        return false;
    }
    termios settings{};
    if (tcgetattr(m_fd, &settings) != 0) {
        return false;
    }
    cfmakeraw(&settings);
    return tcsetattr(m_fd, TCSANOW, &settings) == 0;
}

void PtyPeer::Close()
{
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
}

bool PtyPeer::Write(const std::string& text)
{
    size_t done = 0;
    const Clock::time_point end = Clock::now() + kSimDeadline;
    while (done < text.size()) {
        const ssize_t n = write(m_fd, text.data() + done, text.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        }
        pollfd fd{m_fd, POLLOUT, 0};
        if (poll(&fd, 1, RemainingMs(end)) <= 0) {
            return false;
        }
    }
    return true;
}

bool PtyPeer::ReadOnce(int timeoutMs)
{
    pollfd fd{m_fd, POLLIN, 0};
    if (poll(&fd, 1, timeoutMs) <= 0) {
        return false;
    }
    uint8_t buffer[4096];
    const ssize_t got = read(m_fd, buffer, sizeof buffer);
    if (got <= 0) {
        return false;
    }
    bytesRead += static_cast<size_t>(got);
    m_decoder.Feed(buffer, static_cast<size_t>(got));
    return true;
}

bool PtyPeer::ReadUntil(const std::function<bool()>& done, std::chrono::milliseconds deadline)
{
    const Clock::time_point end = Clock::now() + deadline;
    while (!done()) {
        const int left = RemainingMs(end);
        if (left == 0) {
            return false;
        }
        ReadOnce(left);
    }
    return true;
}

void PtyPeer::ReadFor(std::chrono::milliseconds time)
{
    const Clock::time_point end = Clock::now() + time;
    while (Clock::now() < end) {
        ReadOnce(RemainingMs(end));
    }
}

void PtyPeer::DispatchFrame(const FrameDecoder& decoder)
{
    frames.push_back({static_cast<char>(decoder.Letter()),
                      std::vector<uint8_t>(decoder.bytes, decoder.bytes + decoder.byteCount + 1)});
}

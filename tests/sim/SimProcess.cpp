#include "SimProcess.h"

#include <algorithm>
#include <csignal>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

bool ReadableBefore(int fd, std::chrono::steady_clock::time_point end)
{
    pollfd p{fd, POLLIN, 0};
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    return poll(&p, 1, static_cast<int>(std::max<int64_t>(left.count(), 0))) > 0;
}

namespace {

// The arguments for execv, which changes none of them.
std::vector<char*> Argv(const char* program, const std::vector<std::string>& args)
{
    std::vector<char*> argv{const_cast<char*>(program)};
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    return argv;
}

}  // namespace

SimRun RunSimToEnd(const std::vector<std::string>& args)
{
    SimRun run;
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        return run;
    }
    if (pipe2(err, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        return run;
    }
    std::vector<char*> argv = Argv(TALVOX_SIM_PATH, args);
    const pid_t pid = fork();
    if (pid == 0) {  // only async-signal-safe calls until exec
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    if (pid < 0) {
        close(out[0]);
        close(err[0]);
        return run;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* texts[2] = {&run.out, &run.err};
    while ((fds[0].fd >= 0 || fds[1].fd >= 0) && std::chrono::steady_clock::now() < end) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (poll(fds, 2, static_cast<int>(std::max<int64_t>(left.count(), 0))) <= 0) {
            continue;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) {
                continue;
            }
            char buffer[4096];
            const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                texts[i]->append(buffer, static_cast<size_t>(got));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
            }
        }
    }
    const bool ended = fds[0].fd < 0 && fds[1].fd < 0;
    for (const pollfd& p : fds) {
        if (p.fd >= 0) {
            close(p.fd);
        }
    }
    if (!ended) {
        kill(pid, SIGKILL);
    }
    int status = -1;
    waitpid(pid, &status, 0);
    run.status = ended ? status : -1;
    return run;
}

SimProcess::SimProcess(const std::vector<std::string>& args, const std::string& program)
{
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        return;
    }
    std::vector<char*> argv = Argv(program.empty() ? TALVOX_SIM_PATH : program.c_str(), args);
    m_pid = fork();
    if (m_pid == 0) {  // only async-signal-safe calls until exec
        dup2(out[1], STDOUT_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    m_stdout = out[0];
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::string line;
    char c = 0;
    while (ReadableBefore(m_stdout, end) && read(m_stdout, &c, 1) == 1 && c != '\n') {
        line += c;
    }
    m_path = c == '\n' ? line : "";
}

SimProcess::~SimProcess()
{
    Stop(SIGKILL);
    close(m_stdout);
}

int SimProcess::Stop(int signal)
{
    int status = -1;
    if (m_pid > 0) {
        kill(m_pid, signal);
        // Its end closes its standard output, which says nothing after the path.
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        char c;
        if (!ReadableBefore(m_stdout, end) || read(m_stdout, &c, 1) != 0 ||
            waitpid(m_pid, &status, 0) != m_pid) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
            status = -1;
        }
    }
    m_pid = -1;
    return status;
}

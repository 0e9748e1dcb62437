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

SimProcess::SimProcess(const std::vector<std::string>& args, const std::string& program)
{
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        return;
    }
    // execv changes none of the arguments.
    std::vector<char*> argv{const_cast<char*>(program.empty() ? TALVOX_SIM_PATH : program.c_str())};
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
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

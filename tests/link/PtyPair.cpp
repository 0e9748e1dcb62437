#include "PtyPair.h"

#include <algorithm>

#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair()
{
    int slave = -1;
    char name[256] = {};
    termios raw{};
    cfmakeraw(&raw);
    if (openpty(&m_master, &slave, name, &raw, nullptr) == 0) {
        m_slavePath = name;
        ::close(slave);  // the master keeps the terminal alive
    }
}

void PtyPair::CloseMaster()
{
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

bool PtyPair::Send(const std::string& bytes)
{
    // A blocking write to a terminal returns once every byte is queued.
    return ::write(m_master, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

std::string PtyPair::Receive(size_t count, int waitMs)
{
    std::string got;
    char buffer[4096];
    pollfd wait{m_master, POLLIN, 0};
    while (got.size() < count && ::poll(&wait, 1, waitMs) > 0) {
        const ssize_t n = ::read(m_master, buffer, std::min(sizeof buffer, count - got.size()));
        if (n <= 0) {
            break;
        }
        got.append(buffer, static_cast<size_t>(n));
    }
    return got;
}

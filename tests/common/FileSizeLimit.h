#pragma once

#include <csignal>

#include <sys/resource.h>

// Runs body while writes past bytes fail with EFBIG (SIGXFSZ ignored): a full
// disk that root cannot bypass either. False when the limit could not be set.
template <class Body>
bool WithFileSizeLimit(rlim_t bytes, Body body)
{
    rlimit saved{};
    if (::getrlimit(RLIMIT_FSIZE, &saved) != 0) {
        return false;
    }
    const rlimit limited = {bytes, saved.rlim_max};
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    const bool set = ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
    if (set) {
        body();
        ::setrlimit(RLIMIT_FSIZE, &saved);
    }
    std::signal(SIGXFSZ, oldHandler);
    return set;
}

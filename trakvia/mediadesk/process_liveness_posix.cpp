// process_is_running on POSIX: signal 0 tests for the process without touching it.
#ifndef _WIN32
#include "process_liveness.hpp"

#include <cerrno>
#include <climits>
#include <csignal>
#include <sys/types.h>

namespace trakvia::mediadesk {

bool process_is_running(long long pid) {
    if (pid <= 0 || pid > INT_MAX) {
        return false;  // 0 and negative ids would name process groups
    }
    if (kill(static_cast<pid_t>(pid), 0) == 0) {
        return true;
    }
    return errno == EPERM;  // it exists, under another user
}

}  // namespace trakvia::mediadesk
#endif

// process_is_running on Windows: a process handle that has not yet signalled its end.
// (os.kill(pid, 0) is no test there: it terminates the process.)
#ifdef _WIN32
#include "process_liveness.hpp"

#include <windows.h>

namespace trakvia::mediadesk {

bool process_is_running(long long pid) {
    if (pid <= 0 || pid > 0xFFFFFFFFLL) {
        return false;
    }
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr) {
        return GetLastError() == ERROR_ACCESS_DENIED;
    }
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

}  // namespace trakvia::mediadesk
#endif

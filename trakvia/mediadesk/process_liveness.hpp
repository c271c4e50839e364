// Whether a process of this computer is still running; the one platform difference of the module.
#pragma once

namespace trakvia::mediadesk {

// True when a process with this id runs on this computer (or may: one we are not allowed to
// query counts as running). Ids that no process can have give false.
bool process_is_running(long long pid);

}  // namespace trakvia::mediadesk

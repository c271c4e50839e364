"""Lets long background work leave the GUI thread room: a lower priority for the calling thread."""
import os
import sys
import threading


def lower_current_thread_priority() -> None:
    """Lowers the calling thread's scheduling priority. On Linux the threads it starts later
    (FFmpeg's decoder and x264's encoder threads) inherit it; elsewhere only this thread drops."""
    if sys.platform == "win32":
        import ctypes
        kernel32 = ctypes.windll.kernel32
        kernel32.SetThreadPriority(kernel32.GetCurrentThread(), -1)   # THREAD_PRIORITY_BELOW_NORMAL
        return
    try:
        os.setpriority(os.PRIO_PROCESS, threading.get_native_id(), 10)   # Linux: a thread's own nice value
    except (AttributeError, OSError):
        pass   # other systems: the thread keeps its priority

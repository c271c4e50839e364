// Program entry of Trakvia_Launcher: fills the launch context and hands over to run_launcher.
#include "launcher.h"

#ifdef _WIN32
#include <windows.h>

// A GUI program: no console window. The command line is read from the system, not from here.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return trakvia::launcher::run_launcher({});
}
#else
int main(int argc, char** argv) {
    return trakvia::launcher::run_launcher({argc, argv});
}
#endif

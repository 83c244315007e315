// Windowed-subsystem entry: the process main of the release build.
// Implements: a process entry that gives WinMain the module handle, no previous instance, the
//   command line after the program name (joined with spaces) and SW_SHOWDEFAULT.
// Leaves out: quoting of arguments in the command line, the startup info's show command.
#include "platform/winmain.h"

#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
    // A windowed program has no console: standard output goes nowhere, standard error stays
    // for the fatal-error line.
    int devNull = open("/dev/null", O_WRONLY);
    if (devNull >= 0) {
        std::fflush(stdout);
        dup2(devNull, STDOUT_FILENO);
        close(devNull);
    }
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            commandLine += ' ';
        commandLine += argv[i];
    }
    return WinMain(GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOWDEFAULT);
}

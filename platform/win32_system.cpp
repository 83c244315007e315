// Win32 stand-in: the performance counter, module handles, COM initialisation, process exit.
// Implements: QueryPerformanceCounter/QueryPerformanceFrequency over the monotonic clock (in
//   nanoseconds), GetModuleHandleA for the program itself, CoInitialize/CoUninitialize as a
//   per-process count (S_OK first, S_FALSE when already initialised), ExitProcess.
// Leaves out: other modules (GetModuleHandleA of a name answers null), COM apartments and
//   objects, per-thread COM state.
#include "platform/win32.h"


#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {
int gComInitCount = 0;
// The program's own module: any distinct non-null value serves as its handle.
char gModule;
} // namespace

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
    if (!count)
        return FALSE;
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    count->QuadPart = (LONGLONG)ts.tv_sec * 1000000000LL + ts.tv_nsec;
    return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    if (!frequency)
        return FALSE;
    frequency->QuadPart = 1000000000LL;
    return TRUE;
}

HMODULE GetModuleHandleA(LPCSTR moduleName) { return moduleName ? nullptr : (HMODULE)&gModule; }

HRESULT CoInitialize(LPVOID) { return gComInitCount++ == 0 ? S_OK : S_FALSE; }

void CoUninitialize() {
    if (gComInitCount > 0)
        --gComInitCount;
}

void ExitProcess(UINT exitCode) {
    // Ends at once like the system call: buffered output is written and no destructors of the
    // program run. SDL is not shut down: tearing its windows down on the way out can make it
    // send events to windows the X server has already dropped, and Xlib's default error
    // handler would then end the process with code 1 instead of ours. The X server frees the
    // windows itself; a changed display mode is restored by the device, which is released
    // before any normal exit.
    std::fflush(nullptr);
    _exit((int)exitCode);
}

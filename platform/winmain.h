// The windowed-subsystem program entry: the release build defines WinMain, and the process
// entry of platform/winmain.cpp hands over to it.
#pragma once

#include "platform/win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand);

// The one door to the platform. On Windows it is <windows.h> itself; elsewhere it is
// our own stand-in for the few Win32 calls the program makes (platform/core/).
#pragma once

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <cstdlib>
#include <ctime>
#else
#include "platform/core/windows.h"
#endif

// The screensaver window.
#include "shell/shell.h"

HINSTANCE gInstance;
HWND gMainWindow;
UINT_PTR gTimerId;

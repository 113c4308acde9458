// The shell's own program-wide values: the splash window and the page the
// message loop offers each message first. The instance and the paths every
// page may read are in pagekit/program.h.
#pragma once

#include <windows.h>

struct AppGlobals {
    HWND splash;
    HWND currentPage;           // offered each message by the message loop
};

extern AppGlobals g_app;

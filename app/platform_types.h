// Window and memory handle types. The records that hold them are also used by
// the portable conversion code, which is built and tested without the
// platform headers; there the handles are opaque pointers.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
typedef void* HWND;
typedef void* HGLOBAL;
#endif

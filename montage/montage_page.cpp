// The montage page. Until its editing arrives the page shows its controls
// only; the montage patterns are loaded at start with the settings.
#include <windows.h>

#include "app/page_procs.h"

INT_PTR CALLBACK MontagePageProc(HWND, UINT message, WPARAM, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
    case WM_DESTROY:
        return TRUE;
    }
    return FALSE;
}

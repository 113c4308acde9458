// The montage page. Until its editing arrives the page shows its controls
// only; the montage patterns are loaded at start with the settings.
#include "montage/montage_page.h"

INT_PTR CALLBACK MontagePageProc(HWND, UINT message, WPARAM, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
    case WM_DESTROY:
        return TRUE;
    }
    return FALSE;
}

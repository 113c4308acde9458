// The display control CTLKITSTATIC32: a read-only text field that paints its
// window text in its font on a background colour of its own. Used for the
// values on the pages and inside the status line.
//
// Control-kit style bits (low word of the window style):
//   0x001  text centred vertically on one line
//   0x002  text right-aligned (0x004: centred horizontally)
//   0x010  sunken edge
//   0x080  long text ends in an ellipsis ("...") instead of being clipped
//   0x100  filled with the control's background colour (default light grey)
//   0x020  bold frame instead of the sunken edge
#pragma once

#include <windows.h>

#define CTLKIT_STATIC_CLASS_NAME "CTLKITSTATIC32"

enum {
    CKS_VCENTER = 0x001, CKS_RIGHT = 0x002, CKS_CENTER = 0x004,
    CKS_SUNKEN = 0x010, CKS_FRAME = 0x020, CKS_ELLIPSIS = 0x080, CKS_FILL = 0x100
};

// Sets the background colour: lParam is the COLORREF; repaints.
#define CKM_SETCOLOR (WM_USER + 11)

// Registers the control class for the program instance. Non-zero on success
// (also when it is registered already).
BOOL CtlKitRegister();

// The montage page's "Pattern Copy..." dialog: the current pattern, with its
// name, copied into another slot (and registered there), exported to a
// pattern file, or replaced by the pattern of a pattern file, so that a lab
// keeps one montage on every PC. Run modally over the page through the
// user-interface seam.
#pragma once

#include <windows.h>

// What the dialog ended with (IDCANCEL when closed, -1 when it could not be
// made). The page rebuilds its list and repaints the grid afterwards.
INT_PTR RunPatternCopyDialog(HWND page);

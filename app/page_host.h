// The window each tab page lives in: it shows the page at the size the page
// needs, or larger to fill the room, and scrolls it where the room is
// smaller (a screen too small for the window at its scaling).
#pragma once

#include <windows.h>

// Registers the host's window class. Non-zero on success.
BOOL RegisterPageHostClass(HINSTANCE instance);

// A hidden host under the tab control for one page.
HWND CreatePageHost(HWND tab);

// The host of `page`, or null when the page is not hosted.
HWND HostOf(HWND page);

// Places the page's host in `area` (tab control coordinates), or the page
// itself when it has no host.
void PlaceHostedPage(HWND page, const RECT& area);

// Scrolls the page's host so that `control` of the page is in view.
void ScrollIntoView(HWND page, HWND control);

// The client size `page` needs: its own answer to WM_PAGE_MINSIZE, or else
// the extent of its controls with a small margin.
SIZE PageNeeds(HWND page);

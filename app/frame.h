// The frame of the main window: status line, toolbar with tooltips, the tab
// control with its four pages, page selection, layout and caption.
#pragma once

#include <windows.h>

#include <cstddef>

#include "pagekit/converter_state.h"

enum { kCaptionSize = 512 };

// Builds the status line (with its display control), the toolbar and the tab
// control with the four pages into `state.frame`, and shows page 0.
void BuildFrame(HWND mainWindow, ConverterState& state);

// Shows page `index` in the tab control, sends it the page-refresh message
// and records it as the current page.
void SelectPage(HWND mainWindow, ConverterState& state, int index);

// Fits the toolbar, status line, tab control and pages to a client size.
void LayoutFrame(HWND mainWindow, const ConverterState& state, int width, int height);

// Grows the main window, when needed, until every page shows all its
// controls (the page font's size decides how large the pages are).
void FitWindowToPages(HWND mainWindow, const ConverterState& state);

// The caption text: the product name, the facility name and, while a source
// is open, the recording's path in brackets. Always cut to `size`.
void BuildCaption(char* caption, size_t size, const char* hospital, unsigned sourceKind,
                  const char* orgFile);
void SetCaption(HWND mainWindow, const ConverterState& state);

// Answers the tab-change and tooltip notifications; returns 0.
LRESULT OnFrameNotify(HWND mainWindow, ConverterState& state, const NMHDR* header);

// Shows the held night check in the status line's middle part: its progress,
// then the night verdict with its rule, or that it was stopped.
void ShowCheckStatus(HWND mainWindow, const HeldCheck& held);

// What the montage grid's window code and its in-place editor share: the
// grid's layout in its present client area, its font, the view of the source
// recording its texts and menus depend on, and the pattern entry of a row.
#pragma once

#include <windows.h>

#include "engine/grid_rules.h"
#include "pagekit/converter_state.h"
#include "pagekit/state_lock.h"
#include "winkit/winkit.h"

// The grid's three window values: the attached ConverterState handle (0: not
// attached), the font last given by WM_SETFONT (0: none) and the row the
// keyboard works on (an end of the selection). The record's handle sits
// where StateLock looks for it, so StateLock(grid) locks the attached record.
enum { kGridSlotState = kStateSlot, kGridSlotFont = sizeof(LONG_PTR), kGridSlotCursor = 2 * sizeof(LONG_PTR) };

inline HFONT GridFont(HWND grid) { return reinterpret_cast<HFONT>(GetWindowLongPtrA(grid, kGridSlotFont)); }

inline GridLayout GridLayoutOf(HWND grid, const ConverterState& s) {
    RECT client;
    GetClientRect(grid, &client);
    return LayoutGrid(client.right, client.bottom, s.settings.MaxCh, WkWindowDpi(grid));
}

inline GridView GridViewOf(const ConverterState& s) {
    return GridView{s.source.sampleRate, s.source.channelCount, s.source.bitsPerSample, s.settings.TCType};
}

// The current pattern's entry of grid row `row` (1..32; other rows give
// entry 1, which no caller asks for: rows come from the layout's 1..32).
inline ChannelSetting& GridRow(ConverterState& s, int row) {
    return CurrentPattern(s).channels[row >= 1 && row <= kChannelEntries ? row - 1 : 0];
}

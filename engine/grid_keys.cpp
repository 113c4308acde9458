// Montage grid keyboard rules; see grid_keys.h.
#include "engine/grid_keys.h"

namespace {

int Clamp(int value, int low, int high) { return value < low ? low : value > high ? high : value; }

// The row the keyboard works on: the remembered one while it is an end of
// the selection, else the last selected row.
int CursorRow(const GridSelection& s, int cursor) {
    return cursor == s.first || cursor == s.last ? cursor : s.last;
}

}  // namespace

GridKeyAction GridKeyFor(int key, bool shift, bool ctrl, bool alt) {
    if (alt) return kGridKeyNone;
    if (key == kKeyTab) return ctrl ? kGridKeyNone : shift ? kGridKeyPreviousControl : kGridKeyNextControl;
    if (ctrl) return kGridKeyNone;
    switch (key) {
    case kKeyLeft: return kGridKeyLeft;
    case kKeyRight: return kGridKeyRight;
    case kKeyUp: return shift ? kGridKeyExtendUp : kGridKeyUp;
    case kKeyDown: return shift ? kGridKeyExtendDown : kGridKeyDown;
    case kKeyHome: return kGridKeyFirstRow;
    case kKeyEnd: return kGridKeyLastRow;
    case kKeyReturn: case kKeyF2: return kGridKeyEdit;
    case kKeySpace: case kKeyApps: return kGridKeyMenu;
    case kKeyF10: return shift ? kGridKeyMenu : kGridKeyNone;
    default: return kGridKeyNone;
    }
}

GridSelection MoveGridCursor(const GridSelection& s, int* cursor, GridKeyAction action, int rows) {
    GridSelection next = s;
    next.dragging = 0;
    if (rows < 1) rows = 1;
    if (s.column < 1 || s.column >= kGridColumnCount || s.first < 1) {
        next.column = kGridColOnOff;
        next.first = next.last = 1;
        *cursor = 1;
        return next;
    }
    int column = s.column;
    int row = Clamp(CursorRow(s, *cursor), 1, rows);
    switch (action) {
    case kGridKeyLeft: column -= 1; break;
    case kGridKeyRight: column += 1; break;
    case kGridKeyUp: row -= 1; break;
    case kGridKeyDown: row += 1; break;
    case kGridKeyFirstRow: row = 1; break;
    case kGridKeyLastRow: row = rows; break;
    default: return s;
    }
    next.column = Clamp(column, 1, kGridColumnCount - 1);
    next.first = next.last = Clamp(row, 1, rows);
    *cursor = next.first;
    return next;
}

GridSelection ExtendGridSelection(const GridSelection& s, int* cursor, GridKeyAction action, int rows) {
    if (s.column < 1 || s.column >= kGridColumnCount || s.first < 1) return s;
    const int moving = CursorRow(s, *cursor);
    const int anchor = moving == s.first ? s.last : s.first;
    const int step = action == kGridKeyExtendUp ? -1 : action == kGridKeyExtendDown ? 1 : 0;
    const int row = moving + step;
    if (step == 0 || row < 1 || row > rows) return s;
    GridSelection next = s;
    next.first = row < anchor ? row : anchor;
    next.last = row > anchor ? row : anchor;
    *cursor = row;
    return next;
}

bool TypedCharOpensEditor(unsigned code) {
    const unsigned byte = code & 0xFF;
    return byte > 0x20 && byte != 0x7F;
}

const char* GridHintText() {
    return "Enter or double click: type a value   Space or right click: choose from a list";
}

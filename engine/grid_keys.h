// The montage grid's keyboard rules, which need no window: which action a
// key gives, how the arrow keys move the selected cell and how Shift with Up
// or Down extends the selection within its column, which typed characters
// open the in-place editor, and the hint shown under the grid. The grid
// window (montage/) reads the key and its modifiers and acts on the answer.
#pragma once

#include "engine/grid_rules.h"

// Virtual-key codes the grid answers (the platform's values).
enum GridKeyCode {
    kKeyTab = 0x09,
    kKeyReturn = 0x0D,
    kKeyEscape = 0x1B,
    kKeySpace = 0x20,
    kKeyHome = 0x24,
    kKeyLeft = 0x25,
    kKeyUp = 0x26,
    kKeyRight = 0x27,
    kKeyDown = 0x28,
    kKeyEnd = 0x23,
    kKeyApps = 0x5D,
    kKeyF2 = 0x71,
    kKeyF10 = 0x79,
};

enum GridKeyAction {
    kGridKeyNone,
    kGridKeyLeft,
    kGridKeyRight,
    kGridKeyUp,
    kGridKeyDown,
    kGridKeyFirstRow,       // Home
    kGridKeyLastRow,        // End
    kGridKeyExtendUp,       // Shift+Up
    kGridKeyExtendDown,     // Shift+Down
    kGridKeyEdit,           // Enter, F2
    kGridKeyMenu,           // Space, Shift+F10, the context-menu key
    kGridKeyNextControl,    // Tab
    kGridKeyPreviousControl // Shift+Tab
};

// The action of a key pressed with the given modifiers. Ctrl or Alt with any
// key but Tab gives none (those belong to the window and its menu); Ctrl+Tab
// gives none too, so it reaches the window, which switches pages with it.
GridKeyAction GridKeyFor(int virtualKey, bool shift, bool ctrl, bool alt);

// The selection after a move (Left, Right, Up, Down, Home, End): one cell,
// one step from the row the keyboard works on (`cursor`) and the selected
// column, kept inside columns 1..10 and rows 1..rows. With nothing selected
// any move selects "ON/OFF" of row 1. `cursor` is updated to the new row.
GridSelection MoveGridCursor(const GridSelection& selection, int* cursor, GridKeyAction action, int rows);

// The selection after Shift+Up or Shift+Down: the row the keyboard works on
// (`cursor`, taken as the last selected row when it lies outside the
// selection) moves one row, and the selection runs from the other end of
// the selection (the anchor) to it, as a drag does. Unchanged without a
// selection or at the first or last row.
GridSelection ExtendGridSelection(const GridSelection& selection, int* cursor, GridKeyAction action, int rows);

// Whether a typed character (one byte, or a double-byte character's lead
// byte) opens the in-place editor with it: printable characters other than
// the space, which opens the choice menu instead.
bool TypedCharOpensEditor(unsigned code);

// The line under the grid that tells a newcomer how to edit it.
const char* GridHintText();

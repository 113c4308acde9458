// The montage grid's two ways of changing values: the in-place editor (an
// EDIT control laid over the selected cell, opened by a double click and by
// Enter moving on to the next row) and the choice menus that a right-button
// release opens for the selected column. Values change in place in the
// current pattern of the attached ConverterState.
#pragma once

#include <windows.h>

#include "pagekit/converter_state.h"

// Creates the hidden editor (control 2100) as a child of the grid, once, and
// keeps it and its class window procedure in the record.
void CreateGridEditor(HWND grid, ConverterState& s);

// Opens the editor on the last selected row of the selected column, with the
// column's initial text (all selected) and byte limit, and gives it the focus.
// Nothing for a column without an editor.
void OpenGridEditor(HWND grid, ConverterState& s);

// Opens the editor as OpenGridEditor does, with `text` (a typed character)
// in place of the cell's text and the caret after it.
void OpenGridEditorWith(HWND grid, ConverterState& s, const char* text);

// The editor's notices (WM_COMMAND from control 2100): Enter stores the text
// and moves to the next row (row 1 after the last), reopening there when that
// channel is switched on; Tab and a lost focus discard the text.
void OnGridEditorNotice(HWND grid, ConverterState& s, int code);

// Shows the choice menu of the selected column at the cursor; a chosen item
// is posted back to the grid as its command.
void OpenGridChoiceMenu(HWND grid, ConverterState& s);
// The same menu at screen point `at` (the keyboard opens it at the cell).
void OpenGridChoiceMenuAt(HWND grid, ConverterState& s, POINT at);

// A choice menu command (2500 + item index): applies it to every selected row
// and repaints the grid.
void ApplyGridChoiceCommand(HWND grid, ConverterState& s, int command);

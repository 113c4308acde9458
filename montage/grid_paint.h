// Drawing the montage grid: the header row and the channel rows of the
// current pattern, the selection in yellow, inks by the cell's rule.
#pragma once

#include <windows.h>

#include "pagekit/converter_state.h"

// Draws the grid into `target` (a paint or window DC) through an off-screen
// picture; without a record only the black background shows. The open
// editor's place is left alone so the copy never covers it.
void PresentGrid(HWND grid, HDC target, const ConverterState* s);

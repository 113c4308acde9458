// Opening and closing the source recording. One recording is open at a time;
// every open first closes the current one.
#pragma once

#include <windows.h>

#include "app/converter_state.h"

// Command "open": asks for a header file with the open-file dialog, closes
// the current recording, opens the chosen one and prepares the current
// montage pattern for its channels. A running conversion is ended first.
// Returns true when a recording was opened; a file that is not a recording
// beeps and shows the warning dialog.
bool OpenRecording(HWND mainWindow);
// Command "close": closes the recording (safe with nothing open).
void CloseRecording(HWND mainWindow);

// The parts that need no window.

// Fills the source fields from an opened reader handle and switches on the
// current pattern's entries of the recording's channels (at most 32 exist).
void ApplyOpenedRecording(ConverterState& state, TaffHandle handle, const char* path);
// Closes the reader handle and clears the source fields; sampleRate,
// humFilter, sourceStem, kindName, the montage and OrgFile are kept.
void CloseSource(ConverterState& state);
// The header path without its extension: cut at the last "." when the path
// is longer than 3 characters (unchanged without one).
void MakeSourceStem(char* stem, size_t size, const char* path);
// Prepares the open request's folder and name from the last opened path:
// returns the dialog flags.
DWORD PrepareOpenFolder(char* initialDir, size_t dirSize, char* fileName, size_t nameSize, const char* orgFile);

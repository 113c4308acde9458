// Choosing the PSG output file with the Save As dialog: a name proposed
// from the source recording in the folder of the last output, and the
// program's own confirmation before an existing file is chosen.
#pragma once

#include <windows.h>

#include <cstddef>

// Runs the choice for the main window. 1 when a file was chosen and
// recorded (outputPath, CopyFile, state OutputChosen), 0 otherwise.
WORD ChooseOutputFile(HWND mainWindow);

// The proposed name: the source file name after its last "\", its extension
// replaced by ".DAT"; empty when the path has no "\".
void ProposeOutputName(char* name, size_t size, const char* sourcePath);
// Prepares the dialog's folder and name from the last output path and the
// proposal; returns the dialog flags.
DWORD PrepareSaveFolder(char* initialDir, size_t dirSize, char* fileName, size_t nameSize, const char* copyFile,
                        const char* proposal);

// The two file-dialog requests of the program, prepared once when the main
// window is created: the open request (recordings, calibration files) and
// the save request (the PSG output file). Both share one set of buffers;
// each use sets its own title, filter, owner, flags and default extension.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <cstddef>

struct FileDialogBuffers {
    char filter[260];
    char fileName[260];
    char fileTitle[512];
    char initialDir[260];
    char title[64];
};

extern FileDialogBuffers g_fileBuffers;
extern OPENFILENAMEA g_openRequest;
extern OPENFILENAMEA g_saveRequest;

void PrepareFileDialogs();

// Copies a "|"-separated filter list into the filter buffer with every "|"
// turned into a zero, at most 260 bytes, always double-zero-terminated.
void SetDialogFilter(const char* bars);

// Prepares a dialog's folder and file name from a remembered path: when the
// path is 6 characters or shorter both are emptied and the result is false;
// otherwise the name is the path, the folder the path cut just after its last
// "\" (whole without one), and the result is true.
bool PrepareDialogFolder(char* initialDir, size_t dirSize, char* fileName, size_t nameSize, const char* lastPath);

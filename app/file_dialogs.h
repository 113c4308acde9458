// The two file-dialog requests of the program, prepared once when the main
// window is created: the open request (recordings, calibration files) and
// the save request (the PSG output file). Both share one set of buffers;
// each use sets its own title, filter, owner, flags and default extension.
#pragma once

#include <windows.h>
#include <commdlg.h>

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

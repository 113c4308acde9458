// The two file-dialog requests of the program, prepared once when the main
// window is created: the open request (recordings, calibration files) and
// the save request (the PSG output file). Both share one set of buffers;
// each use sets its own title, filter, owner, flags and default extension.
// The dialogs themselves are shown through the user-interface seam.
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

// The dialog flags for a prepared folder: the folder must exist when one was
// prepared from a remembered path.
DWORD FolderDialogFlags(bool hasFolder);

// Runs the open-file dialog through the seam for `owner`: `title`, the
// "|"-separated `filter`, default extension `defExt`, starting in the folder
// of `lastPath` (the remembered path, see PrepareDialogFolder). True with the
// chosen path in g_fileBuffers.fileName.
bool AskOpenFile(HWND owner, const char* title, const char* filter, const char* defExt, const char* lastPath);

// As AskOpenFile, starting in the folder of `pathInFolder` with an empty
// file-name field, so no file is proposed.
bool AskOpenFileInFolder(HWND owner, const char* title, const char* filter, const char* defExt,
                         const char* pathInFolder);

// Runs the Save As dialog through the seam for `owner`, starting in the
// folder of the last output `copyFile` with `proposal` as the name (see
// PrepareSaveFolder). True with the chosen path in g_fileBuffers.fileName.
bool AskSaveFile(HWND owner, const char* title, const char* filter, const char* defExt, const char* copyFile,
                 const char* proposal);

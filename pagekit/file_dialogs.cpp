// The shared file-dialog requests; see file_dialogs.h.
#include "pagekit/file_dialogs.h"

#include <cstring>

#include "engine/output_name.h"
#include "pagekit/ui_seam.h"
#include "textkit/sjis_text.h"

FileDialogBuffers g_fileBuffers;
OPENFILENAMEA g_openRequest;
OPENFILENAMEA g_saveRequest;

namespace {

void PrepareRequest(OPENFILENAMEA& request) {
    memset(&request, 0, sizeof request);
    request.lStructSize = sizeof request;
    request.lpstrFilter = g_fileBuffers.filter;
    request.lpstrFile = g_fileBuffers.fileName;
    request.nMaxFile = sizeof g_fileBuffers.fileName;
    request.lpstrFileTitle = g_fileBuffers.fileTitle;
    request.nMaxFileTitle = sizeof g_fileBuffers.fileTitle;
    request.lpstrInitialDir = g_fileBuffers.initialDir;
    request.lpstrTitle = g_fileBuffers.title;
    request.lpstrDefExt = "dat";
}

}  // namespace

void PrepareFileDialogs() {
    memset(&g_fileBuffers, 0, sizeof g_fileBuffers);
    strcpy(g_fileBuffers.initialDir, ".\\");
    PrepareRequest(g_openRequest);
    PrepareRequest(g_saveRequest);
}

void SetDialogFilter(const char* bars) {
    const size_t size = sizeof g_fileBuffers.filter;
    size_t i = 0;
    for (; i < size - 2 && bars[i]; ++i) g_fileBuffers.filter[i] = bars[i] == '|' ? '\0' : bars[i];
    g_fileBuffers.filter[i] = '\0';
    g_fileBuffers.filter[i + 1] = '\0';
}

DWORD FolderDialogFlags(bool hasFolder) { return hasFolder ? OFN_SHAREAWARE | OFN_PATHMUSTEXIST : OFN_SHAREAWARE; }

namespace {

void SetRequestTexts(OPENFILENAMEA& request, HWND owner, const char* title, const char* filter, const char* defExt) {
    CopyText(g_fileBuffers.title, sizeof g_fileBuffers.title, title);
    SetDialogFilter(filter);
    request.hwndOwner = owner;
    request.lpstrDefExt = defExt;
}

}  // namespace

namespace {

bool AskOpen(HWND owner, const char* title, const char* filter, const char* defExt, const char* lastPath,
             bool proposeName) {
    SetRequestTexts(g_openRequest, owner, title, filter, defExt);
    const bool hasFolder = PrepareDialogFolder(g_fileBuffers.initialDir, sizeof g_fileBuffers.initialDir,
                                               g_fileBuffers.fileName, sizeof g_fileBuffers.fileName, lastPath);
    if (!proposeName) g_fileBuffers.fileName[0] = '\0';
    g_openRequest.Flags = FolderDialogFlags(hasFolder);
    return Ui().openFileDialog(&g_openRequest) != FALSE;
}

}  // namespace

bool AskOpenFile(HWND owner, const char* title, const char* filter, const char* defExt, const char* lastPath) {
    return AskOpen(owner, title, filter, defExt, lastPath, true);
}

bool AskOpenFileInFolder(HWND owner, const char* title, const char* filter, const char* defExt,
                         const char* pathInFolder) {
    return AskOpen(owner, title, filter, defExt, pathInFolder, false);
}

bool AskSaveFile(HWND owner, const char* title, const char* filter, const char* defExt, const char* copyFile,
                 const char* proposal) {
    SetRequestTexts(g_saveRequest, owner, title, filter, defExt);
    const bool hasFolder = PrepareSaveFolder(g_fileBuffers.initialDir, sizeof g_fileBuffers.initialDir,
                                             g_fileBuffers.fileName, sizeof g_fileBuffers.fileName, copyFile, proposal);
    g_saveRequest.Flags = FolderDialogFlags(hasFolder);
    return Ui().saveFileDialog(&g_saveRequest) != FALSE;
}

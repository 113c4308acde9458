// The shared file-dialog requests; see file_dialogs.h.
#include "app/file_dialogs.h"

#include <cstring>

#include "app/profile.h"

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

bool PrepareDialogFolder(char* initialDir, size_t dirSize, char* fileName, size_t nameSize, const char* lastPath) {
    CopyText(fileName, static_cast<int>(nameSize), lastPath);
    CopyText(initialDir, static_cast<int>(dirSize), lastPath);
    if (strlen(initialDir) <= 6) {
        initialDir[0] = '\0';
        fileName[0] = '\0';
        return false;
    }
    int slash = LastCharIndex(initialDir, '\\');
    if (slash >= 0) initialDir[slash + 1] = '\0';
    return true;
}

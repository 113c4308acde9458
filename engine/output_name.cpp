// Dialog names and folders; see output_name.h.
#include "engine/output_name.h"

#include <cstring>

#include "textkit/sjis_text.h"

void ProposeOutputName(char* name, size_t size, const char* sourcePath) {
    name[0] = '\0';
    int slash = LastCharIndex(sourcePath, '\\');
    if (slash < 0) return;
    CopyText(name, static_cast<int>(size), sourcePath + slash + 1);
    int dot = LastCharIndex(name, '.');
    if (dot < 0) return;
    name[dot] = '\0';
    AppendText(name, static_cast<int>(size), ".DAT");
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

bool PrepareSaveFolder(char* initialDir, size_t dirSize, char* fileName, size_t nameSize, const char* copyFile,
                       const char* proposal) {
    if (!PrepareDialogFolder(initialDir, dirSize, fileName, nameSize, copyFile)) return false;
    CopyText(fileName, static_cast<int>(nameSize), initialDir);
    AppendText(fileName, static_cast<int>(nameSize), proposal);
    return true;
}

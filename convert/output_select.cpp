// Choosing the PSG output file; see output_select.h.
#include "convert/output_select.h"

#include <cstring>

#include "app/app_globals.h"
#include "app/file_dialogs.h"
#include "app/profile.h"
#include "app/state_lock.h"
#include "app/ui_seam.h"
#include "resources/resource_ids.h"

void ProposeOutputName(char* name, size_t size, const char* sourcePath) {
    name[0] = '\0';
    int slash = LastCharIndex(sourcePath, '\\');
    if (slash < 0) return;
    CopyText(name, static_cast<int>(size), sourcePath + slash + 1);
    int dot = LastCharIndex(name, '.');
    if (dot < 0) return;
    name[dot] = '\0';
    size_t used = strlen(name);
    CopyText(name + used, static_cast<int>(size - used), ".DAT");
}

DWORD PrepareSaveFolder(char* initialDir, size_t dirSize, char* fileName, size_t nameSize, const char* copyFile,
                        const char* proposal) {
    if (!PrepareDialogFolder(initialDir, dirSize, fileName, nameSize, copyFile)) return OFN_SHAREAWARE;
    CopyText(fileName, static_cast<int>(nameSize), initialDir);
    size_t used = strlen(fileName);
    CopyText(fileName + used, static_cast<int>(nameSize - used), proposal);
    return OFN_PATHMUSTEXIST | OFN_SHAREAWARE;
}

WORD ChooseOutputFile(HWND mainWindow) {
    StateLock lock(mainWindow);
    if (!lock) return 0;
    ConverterState& state = *lock;
    // The running conversion writes to outputPath: a new choice waits for its end.
    if (state.conv.conversionState == kConvConverting) {
        Ui().beep(0);
        return 0;
    }
    CopyText(g_fileBuffers.title, sizeof g_fileBuffers.title, "PSG Convert File Select");
    SetDialogFilter("PSG File(*.DAT)|*.dat|All Files(*.*)|*.*|");
    char proposal[kPathSize];
    ProposeOutputName(proposal, sizeof proposal, state.source.sourcePath);
    g_saveRequest.Flags = PrepareSaveFolder(g_fileBuffers.initialDir, sizeof g_fileBuffers.initialDir,
                                            g_fileBuffers.fileName, sizeof g_fileBuffers.fileName,
                                            state.settings.CopyFile, proposal);
    g_saveRequest.hwndOwner = mainWindow;
    g_saveRequest.lpstrDefExt = "DAT";
    if (!Ui().saveFileDialog(&g_saveRequest)) return 0;

    if (GetFileAttributesA(g_fileBuffers.fileName) != INVALID_FILE_ATTRIBUTES &&
        Ui().messageDialog(mainWindow, g_app.instance, IDD_CONFIRM_OVERWRITE) != IDOK)
        return 0;
    CopyText(state.settings.CopyFile, sizeof state.settings.CopyFile, g_fileBuffers.fileName);
    CopyText(state.conv.outputPath, sizeof state.conv.outputPath, g_fileBuffers.fileName);
    state.conv.conversionState = kConvOutputChosen;
    return 1;
}

// Opening and closing the source recording; see source_open.h.
#include "source/source_open.h"

#include <cstring>

#include "app/app_globals.h"
#include "app/file_dialogs.h"
#include "app/profile.h"
#include "app/state_lock.h"
#include "app/ui_seam.h"
#include "convert/convert_run.h"
#include "resources/resource_ids.h"

namespace {

// Shows the open-file dialog; true with the chosen path in the name buffer.
bool AskForRecording(HWND mainWindow, const char* orgFile) {
    CopyText(g_fileBuffers.title, sizeof g_fileBuffers.title, "TAFFormat File Select");
    SetDialogFilter("TAFFormat File(*.HDR)|*.hdr|All Files(*.*)|*.*|");
    g_openRequest.Flags = PrepareOpenFolder(g_fileBuffers.initialDir, sizeof g_fileBuffers.initialDir,
                                            g_fileBuffers.fileName, sizeof g_fileBuffers.fileName, orgFile);
    g_openRequest.hwndOwner = mainWindow;
    g_openRequest.lpstrDefExt = "HDR";
    return Ui().openFileDialog(&g_openRequest) != FALSE;
}

}  // namespace

DWORD PrepareOpenFolder(char* initialDir, size_t dirSize, char* fileName, size_t nameSize, const char* orgFile) {
    if (!PrepareDialogFolder(initialDir, dirSize, fileName, nameSize, orgFile)) return OFN_SHAREAWARE;
    return OFN_SHAREAWARE | OFN_PATHMUSTEXIST;
}

void MakeSourceStem(char* stem, size_t size, const char* path) {
    CopyText(stem, static_cast<int>(size), path);
    if (strlen(stem) <= 3) return;
    int dot = LastCharIndex(stem, '.');
    if (dot >= 0) stem[dot] = '\0';
}

void ApplyOpenedRecording(ConverterState& state, TaffHandle handle, const char* path) {
    SourceInfo& source = state.source;
    source.sourceHandle = handle;
    CopyText(source.sourcePath, sizeof source.sourcePath, path);
    MakeSourceStem(source.sourceStem, sizeof source.sourceStem, path);
    source.channelCount = TaffGetValue(handle, TAFF_VALUE_CHANNELS, 0);
    source.bitsPerSample = 16;
    source.sampleRate = TaffGetValue(handle, TAFF_VALUE_RATE, 0);
    source.lengthSamples = TaffGetValue(handle, TAFF_VALUE_LENGTH, 0);
    source.bytesPerScan = source.channelCount * 2;
    source.startYear = TaffGetValue(handle, TAFF_VALUE_YEAR, 0);
    source.startMonth = TaffGetValue(handle, TAFF_VALUE_MONTH, 0);
    source.startDay = TaffGetValue(handle, TAFF_VALUE_DAY, 0);
    source.startHour = TaffGetValue(handle, TAFF_VALUE_HOUR, 0);
    source.startMinute = TaffGetValue(handle, TAFF_VALUE_MINUTE, 0);
    source.startSecond = TaffGetValue(handle, TAFF_VALUE_SECOND, 0);

    // Entries of the recording's channels are switched on (a type of 0
    // becomes EEG), the others off; a pattern has 32 entries, no more.
    MontagePattern& pattern = CurrentPattern(state);
    for (int j = 0; j < kChannelEntries; ++j) {
        ChannelSetting& entry = pattern.channels[j];
        if (j < source.channelCount) {
            entry.enabled = 1;
            if (entry.signalType == 0) entry.signalType = 4;
        } else {
            entry.enabled = 0;
        }
    }
    CopyText(source.kindName, sizeof source.kindName, "TAFFormat File");
    source.sourceKind = kSourceTaff;
}

void CloseSource(ConverterState& state) {
    SourceInfo& source = state.source;
    if (source.sourceKind == kSourceTaff && source.sourceHandle)
        source.sourceHandle = TaffClose(source.sourceHandle);
    source.sourceKind = kSourceNone;
    source.bitsPerSample = source.channelCount = source.lengthSamples = source.bytesPerScan = 0;
    source.startYear = source.startMonth = source.startDay = 0;
    source.startHour = source.startMinute = source.startSecond = 0;
    source.sourcePath[0] = '\0';
}

bool OpenRecording(HWND mainWindow) {
    StateLock lock(mainWindow);
    if (!lock) return false;
    ConverterState& state = *lock;
    if (!AskForRecording(mainWindow, state.settings.OrgFile)) return false;

    // The operator has chosen: a conversion still running on the current
    // recording ends here, before that recording is closed.
    AbortConversionRun(state);
    CloseSource(state);
    CopyText(state.settings.OrgFile, sizeof state.settings.OrgFile, g_fileBuffers.fileName);
    TaffHandle handle = TaffOpen(state.settings.OrgFile, 0);
    if (!handle) {
        Ui().beep(0);
        Ui().messageDialog(mainWindow, g_app.instance, IDD_WARN_NOT_TAFF);
        return false;
    }
    ApplyOpenedRecording(state, handle, state.settings.OrgFile);
    return true;
}

void CloseRecording(HWND mainWindow) {
    StateLock lock(mainWindow);
    if (lock) CloseSource(*lock);
}

// The conversion controller; see conversion_controller.h.
#include "convert/conversion_controller.h"

#include <cstdio>
#include <cstring>

#include "engine/conversion_run.h"
#include "engine/output_check.h"
#include "engine/output_name.h"
#include "pagekit/file_dialogs.h"
#include "pagekit/program.h"
#include "pagekit/ui_seam.h"
#include "resources/resource_ids.h"
#include "textkit/sjis_text.h"

namespace {

HWND ConvertPage(const ConverterState& state) { return state.frame.pages[kPageConvert]; }

void ShowCounter(const ConverterState& state) {
    char text[48];
    snprintf(text, sizeof text, "%i / %i", static_cast<int>(state.conv.framesDone),
             static_cast<int>(state.conv.totalFrames));
    SetDlgItemTextA(ConvertPage(state), IDC_CONV_COUNTER, text);
}

void StartTimer(ConverterState& state) {
    HWND page = ConvertPage(state);
    state.frame.conversionTimer = page ? SetTimer(page, IDT_CONV_FRAME, kConvertTimerMs, nullptr) : 0;
}

void StopTimer(ConverterState& state) {
    HWND page = ConvertPage(state);
    if (page) KillTimer(page, IDT_CONV_FRAME);
    state.frame.conversionTimer = 0;
}

// Stops the timer and ends the run; returns how it ended.
ConversionEnd StopRun(ConverterState& state) {
    StopTimer(state);
    return EndRun(RunRecordsOf(state));
}

// Ends the run and tells the operator: counter, status, beep, and the
// warning when a write failed.
void EndRunAndTell(ConverterState& state) {
    const ConversionEnd end = StopRun(state);
    HWND page = ConvertPage(state);
    ShowCounter(state);
    if (page) SendMessageA(page, WM_PAGE_REFRESH, 0, 0);
    Ui().beep(0);
    if (end == kRunWriteFailed) Ui().messageDialog(page, g_program.instance, IDD_WARN_WRITE_FAILED);
}

// Full path of `path` as the file system resolves it (unchanged when that fails).
void FullPath(char* full, const char* path) {
    char* name = nullptr;
    DWORD length = GetFullPathNameA(path, kPathSize, full, &name);
    if (length == 0 || length >= kPathSize) CopyText(full, kPathSize, path);
}

// The output must not be the source recording's header or data file. The
// source is the open recording, or the last one opened when none is.
OutputPathVerdict CheckAgainstSource(const ConverterState& state) {
    const char* source = state.source.sourcePath[0] ? state.source.sourcePath : state.settings.OrgFile;
    char output[kPathSize], sourceFull[kPathSize] = "";
    FullPath(output, state.conv.outputPath);
    if (source[0]) FullPath(sourceFull, source);
    if (strlen(state.conv.outputPath) <= 3) return kOutputPathTooShort;
    return CheckOutputPath(output, sourceFull);
}

}  // namespace

bool ChooseOutput(HWND mainWindow, ConverterState& state) {
    // The running conversion writes to outputPath: a new choice waits for its end.
    if (IsConverting(state.conv)) {
        Ui().beep(0);
        return false;
    }
    char proposal[kPathSize];
    ProposeOutputName(proposal, sizeof proposal, state.source.sourcePath);
    if (!AskSaveFile(mainWindow, "PSG Convert File Select", "PSG File(*.DAT)|*.dat|All Files(*.*)|*.*|", "DAT",
                     state.settings.CopyFile, proposal))
        return false;
    const char* chosen = g_fileBuffers.fileName;
    if (GetFileAttributesA(chosen) != INVALID_FILE_ATTRIBUTES &&
        Ui().messageDialog(mainWindow, g_program.instance, IDD_CONFIRM_OVERWRITE) != IDOK)
        return false;
    if (!ChooseOutputPath(state.conv, chosen)) return false;
    CopyText(state.settings.CopyFile, sizeof state.settings.CopyFile, chosen);
    return true;
}

void StartConversion(ConverterState& state) {
    HWND page = ConvertPage(state);
    // A second start while converting would replace the running handle.
    if (IsConverting(state.conv)) {
        Ui().beep(0);
        return;
    }
    if (state.conv.conversionState == kConvNoOutput) {
        Ui().messageDialog(page, g_program.instance, IDD_WARN_NO_OUTPUT);
        return;
    }
    OutputPathVerdict verdict = CheckAgainstSource(state);
    if (verdict == kOutputPathTooShort) return;
    if (verdict == kOutputPathIsSource) {
        Ui().messageDialog(page, g_program.instance, IDD_WARN_SAME_FILE);
        return;
    }
    HeaderRefusal why = kHeaderWritten;
    if (StartRun(RunRecordsOf(state), &why)) StartTimer(state);
    // Nothing chosen, or a frame time the list does not offer (a hand-edited
    // settings file): the start is refused with a beep.
    if (why == kHeaderNoOutput || why == kHeaderBadFrameTime) Ui().beep(0);
    if (page) SendMessageA(page, WM_PAGE_REFRESH, 0, 0);
    if (why == kHeaderWriteFailed) {
        Ui().beep(MB_ICONEXCLAMATION);
        Ui().messageDialog(page, g_program.instance, IDD_WARN_WRITE_FAILED);
    }
    // A switched-on channel whose divisor (from a hand-edited settings file)
    // gives no whole output rate: nothing is written, the operator is told.
    if (why == kHeaderBadRate) {
        Ui().beep(MB_ICONEXCLAMATION);
        Ui().messageDialog(page, g_program.instance, IDD_WARN_BAD_RATE);
    }
}

void OnConversionTimer(ConverterState& state) {
    // A tick left over from a run that has ended already.
    if (!IsConverting(state.conv)) {
        StopTimer(state);
        return;
    }
    if (StepRun(RunRecordsOf(state))) {
        ShowCounter(state);
        return;
    }
    EndRunAndTell(state);
}

void OnSourceOpened(ConverterState& state) { ForgetOutputFile(state.conv); }

void OnSourceClosed(ConverterState& state) {
    if (IsConverting(state.conv)) EndRunAndTell(state);
}

void AbortConversion(ConverterState& state) {
    if (!IsConverting(state.conv)) return;
    StopRun(state);
    HWND page = ConvertPage(state);
    if (page) PostMessageA(page, WM_PAGE_REFRESH, 0, 0);
}

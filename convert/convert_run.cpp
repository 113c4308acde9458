// The conversion run driven by the conversion page; see convert_run.h.
#include "convert/convert_run.h"

#include <cstdio>
#include <cstring>

#include "app/app_globals.h"
#include "app/profile.h"
#include "app/state_lock.h"
#include "app/ui_seam.h"
#include "convert/frame_step.h"
#include "convert/output_check.h"
#include "convert/psg_header.h"
#include "resources/resource_ids.h"

namespace {

void ShowCounter(HWND page, const ConversionFields& conv) {
    char text[48];
    snprintf(text, sizeof text, "%i / %i", static_cast<int>(conv.framesDone), static_cast<int>(conv.totalFrames));
    SetDlgItemTextA(page, IDC_CONV_COUNTER, text);
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

// Stops the timer and ends the run; returns how it ended.
ConversionEnd FinishRun(ConverterState& state) {
    HWND page = state.frame.pages[3];
    if (page) KillTimer(page, kConvertTimerId);
    state.conv.timerId = 0;
    return EndConversionRun(state);
}

}  // namespace

void StartConversion(HWND page) {
    HeaderRefusal why = kHeaderWritten;
    {
        StateLock lock(g_app.mainWindow);
        if (!lock) return;
        ConverterState& state = *lock;
        // A second start while converting would replace the running handle.
        if (state.conv.conversionState == kConvConverting) {
            Ui().beep(0);
            return;
        }
        if (state.conv.conversionState == kConvNoOutput) {
            Ui().messageDialog(page, g_app.instance, IDD_WARN_NO_OUTPUT);
            return;
        }
        OutputPathVerdict verdict = CheckAgainstSource(state);
        if (verdict == kOutputPathTooShort) return;
        if (verdict == kOutputPathIsSource) {
            Ui().messageDialog(page, g_app.instance, IDD_WARN_SAME_FILE);
            return;
        }
        state.conv.recHandle = WritePsgHeader(state, &why);
        if (state.conv.recHandle) {
            state.conv.timerId = SetTimer(page, kConvertTimerId, kConvertTimerMs, nullptr);
            state.conv.conversionState = kConvConverting;
        }
    }
    // Nothing chosen, or a frame time the list does not offer (a hand-edited
    // settings file): the start is refused with a beep.
    if (why == kHeaderNoOutput || why == kHeaderBadFrameTime) Ui().beep(0);
    SendMessageA(page, WM_PAGE_REFRESH, 0, 0);
    if (why == kHeaderWriteFailed) {
        Ui().beep(MB_ICONEXCLAMATION);
        Ui().messageDialog(page, g_app.instance, IDD_WARN_WRITE_FAILED);
    }
}

void OnConversionTick(HWND page) {
    bool ended = false;
    ConversionEnd end = kRunCompleted;
    {
        StateLock lock(g_app.mainWindow);
        if (!lock) return;
        ConverterState& state = *lock;
        int goOn = 0;
        if (state.source.sourceKind == kSourceTaff) {
            int32_t skip = TaffGetValue(state.source.sourceHandle, TAFF_VALUE_SKIP_WORD, 0);
            goOn = ConvertStep(state, skip);
        }
        if (!goOn) {
            end = FinishRun(state);
            ended = true;
        }
        ShowCounter(page, state.conv);
    }
    if (!ended) return;
    SendMessageA(page, WM_PAGE_REFRESH, 0, 0);
    Ui().beep(0);
    if (end == kRunWriteFailed) Ui().messageDialog(page, g_app.instance, IDD_WARN_WRITE_FAILED);
}

void AbortConversionRun(ConverterState& state) {
    if (state.conv.conversionState != kConvConverting) return;
    FinishRun(state);
    HWND page = state.frame.pages[3];
    if (page) PostMessageA(page, WM_PAGE_REFRESH, 0, 0);
}

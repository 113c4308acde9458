// The conversion controller; see conversion_controller.h.
#include "convert/conversion_controller.h"

#include <cstdio>
#include <cstring>

#include "engine/check_follow.h"
#include "engine/check_texts.h"
#include "engine/conversion_run.h"
#include "engine/output_check.h"
#include "engine/output_name.h"
#include "engine/psg_header.h"
#include "engine/recording.h"
#include "engine/run_checks.h"
#include "engine/settings_load.h"
#include "filekit/filekit.h"
#include "pagekit/file_dialogs.h"
#include "pagekit/file_identity.h"
#include "pagekit/held_check.h"
#include "pagekit/program.h"
#include "pagekit/state_lock.h"
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

// Removes the run's temporary file, when there is one, and forgets it.
void DiscardStagedFile(ConversionFields& c) {
    if (c.stagingPath[0]) RemoveFile(c.stagingPath);
    c.stagingPath[0] = '\0';
}

// The complete temporary file replaces the chosen name in one step, so an
// existing file is replaced only by a whole new one. A move that fails
// leaves the chosen name as it was and counts as a failed write.
ConversionEnd PlaceStagedFile(ConversionFields& c) {
    if (!c.stagingPath[0]) return kRunCompleted;
    if (MoveIntoPlace(c.stagingPath, c.outputPath, true) == 0) {
        c.stagingPath[0] = '\0';
        return kRunCompleted;
    }
    DiscardStagedFile(c);
    c.writeFailed = 1;
    c.fileFinished = 0;
    return kRunWriteFailed;
}

// Stops the timer and ends the run; returns how it ended. Only a completed
// file reaches the chosen name; anything else is removed. While the stop
// question is open a completed file stays at its temporary name: the
// answer decides whether it is placed or removed.
ConversionEnd StopRun(ConverterState& state) {
    StopTimer(state);
    const ConversionEnd end = EndRun(RunRecordsOf(state));
    if (end == kRunCompleted) return state.conv.placementHeld ? end : PlaceStagedFile(state.conv);
    DiscardStagedFile(state.conv);
    return end;
}

// Stops a run the operator asked to stop: its partial file is removed and
// the page says so.
void StopRunByOperator(ConverterState& state) {
    StopRun(state);
    state.conv.runStopped = 1;
    HWND page = ConvertPage(state);
    ShowCounter(state);
    if (page) SendMessageA(page, WM_PAGE_REFRESH, 0, 0);
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

// The output must not be the source recording's header or data file. The
// source is the open recording, or the last one opened when none is. First
// the texts: the long, full forms of both paths compared by stem (so any
// extension of the recording's name is refused); then the files themselves,
// which also catches another path to the same file (a link to the
// recording's folder, a hard link, a short name, another drive letter).
OutputPathVerdict CheckAgainstSource(const ConverterState& state, const char* outputPath) {
    const char* source = state.source.sourcePath[0] ? state.source.sourcePath : state.settings.OrgFile;
    if (strlen(outputPath) <= 3) return kOutputPathTooShort;
    char output[kPathSize], sourceFull[kPathSize] = "";
    LongFullPath(output, sizeof output, outputPath);
    if (source[0]) LongFullPath(sourceFull, sizeof sourceFull, source);
    const OutputPathVerdict verdict = CheckOutputPath(output, sourceFull);
    if (verdict != kOutputPathOk || !source[0]) return verdict;
    // The data file lies beside the header under the same name.
    char data[kPathSize];
    MakeSourceStem(data, sizeof data, source);
    AppendText(data, sizeof data, ".DAT");
    if (SameFile(outputPath, source) || SameFile(outputPath, data))
        return kOutputPathIsSource;
    return kOutputPathOk;
}

}  // namespace

bool ChooseOutput(HWND mainWindow, ConverterState& state) {
    // The running conversion writes to outputPath: a new choice waits for its end.
    if (IsConverting(state.conv)) {
        Ui().beep(0);
        return false;
    }
    // The last output's folder (the recording's the first time), the
    // recording's name proposed there; EDF tools may want the .edf name.
    char start[kPathSize], proposal[kPathSize];
    PlanOutputDialog(start, sizeof start, proposal, sizeof proposal, state.settings.CopyFile, state.source.sourcePath);
    if (!AskSaveFile(mainWindow, "PSG Convert File Select",
                     "PSG File(*.DAT)|*.dat|EDF (*.edf)|*.edf|All Files(*.*)|*.*|", "DAT", start, proposal))
        return false;
    const char* chosen = g_fileBuffers.fileName;
    // The recording's own files are refused before anything asks to replace
    // them; afterwards no output is chosen.
    if (CheckAgainstSource(state, chosen) == kOutputPathIsSource) {
        ForgetChosenOutput(state.conv);
        Ui().messageDialog(mainWindow, g_program.instance, IDD_WARN_SAME_FILE);
        return false;
    }
    if (PathExists(chosen) &&
        Ui().messageDialog(mainWindow, g_program.instance, IDD_CONFIRM_OVERWRITE) != IDOK)
        return false;
    if (!ChooseOutputPath(state.conv, chosen)) return false;
    CopyText(state.settings.CopyFile, sizeof state.settings.CopyFile, chosen);
    return true;
}

namespace {

// The warning of a record too large to read: it names the frame times that
// fit, or asks for a larger rate divisor when none does.
INT_PTR CALLBACK RecordTooLargeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemTextA(dialog, IDC_RECORD_FIT_TEXT, reinterpret_cast<const char*>(lParam));
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

void WarnRecordTooLarge(ConverterState& state) {
    char text[160] = "";
    const RunRecords records = RunRecordsOf(state);
    for (int seconds : kFrameTimeChoices) {
        if (!RecordFits(records, seconds)) continue;
        char item[16];
        snprintf(item, sizeof item, text[0] ? ", %isec" : "%isec", seconds);
        if (!text[0]) CopyText(text, sizeof text, ProgramText(IDS_FRAME_TIME_CHOICES).c_str());
        AppendText(text, sizeof text, item);
    }
    if (!text[0]) CopyText(text, sizeof text, ProgramText(IDS_FRAME_TIME_NONE).c_str());
    Ui().dialogBox(MainWindowOf(ConvertPage(state)), g_program.instance, MAKEINTRESOURCEA(IDD_WARN_RECORD_TOO_LARGE),
                   RecordTooLargeProc, reinterpret_cast<LPARAM>(text));
}

// A patient page still holding the first-start ID and name is a made-up
// patient: the operator confirms writing it, or (Cancel, the default) is
// shown the patient page and nothing starts.
bool PatientConfirmed(ConverterState& state) {
    if (!IsFirstStartPatient(state.patient)) return true;
    HWND mainWindow = MainWindowOf(ConvertPage(state));
    if (Ui().messageDialog(mainWindow, g_program.instance, IDD_CONFIRM_NEW_PATIENT) == IDOK) return true;
    if (mainWindow) SendMessageA(mainWindow, WM_SHOW_PAGE, kPagePatient, 0);
    return false;
}

// A night the check judged failing is converted only when the operator says
// so (確認 naming the rule set, why the night fails it and the failing
// channels; Cancel the default); once said for a
// recording and montage, it is not asked again for them.
bool FailingNightConfirmed(ConverterState& state) {
    const HeldCheck& held = *state.check;
    if (!held.valid || held.running || !held.result.complete || held.result.verdict != CheckVerdict::Fail) return true;
    const uint64_t key = NightKey(state.source.sourcePath, CurrentPattern(state));
    if (state.conv.failingNightAllowed == key) return true;
    // The rule set, why the night fails it ("EEG: 1.0 h < 4 h; SpO2: no
    // channel") and the failing channels, each said even when empty.
    std::string reason = ShownText(RuleOutcomeText(held.result, ReportLanguage::Japanese, true));
    if (reason.empty()) reason = ProgramText(IDS_CHECK_RULE_UNREAD);
    std::string failing = FailingChannels(held.result);
    if (failing.empty()) failing = ProgramText(IDS_CHECK_NONE);
    char text[1024];
    snprintf(text, sizeof text, ProgramText(IDS_CHECK_ASK_FAILING).c_str(), held.result.rule.c_str(), reason.c_str(),
             failing.c_str());
    const int answer = Ui().messageBox(MainWindowOf(ConvertPage(state)), text, ProgramText(IDS_CHECK_CAPTION_ASK).c_str(),
                                       MB_OKCANCEL | MB_DEFBUTTON2 | MB_ICONQUESTION);
    if (answer != IDOK) return false;
    state.conv.failingNightAllowed = key;
    return true;
}

// The run writes to a temporary name in the output's folder, unique to
// this process and run. False when no such name fits.
bool ChooseStagingName(ConversionFields& c) {
    static int serial = 0;
    return TemporaryNameFor(c.stagingPath, sizeof c.stagingPath, c.outputPath, CurrentProcessId(), ++serial);
}

// What the operator is told when the header is refused: a beep and a
// warning dialog (0: none).
enum RefusalBeep { kNoBeep, kPlainBeep, kWarningBeep };
struct RefusalNotice {
    HeaderRefusal why;
    RefusalBeep beep;
    int dialog;
};

const RefusalNotice kRefusalNotices[] = {
    // Nothing chosen, or a frame time outside 1..60 seconds (a hand-edited
    // settings file; a time inside it that the list does not offer is used
    // as stored): a beep only.
    {kHeaderNoOutput, kPlainBeep, 0},
    {kHeaderBadFrameTime, kPlainBeep, 0},
    // A data record larger than readers take: the frame times that fit are
    // offered.
    {kHeaderRecordTooLarge, kWarningBeep, IDD_WARN_RECORD_TOO_LARGE},
    // An output that could not be created (a folder the operator may not
    // write to, a read-only device, a name the file system refuses) is told
    // as a failed write; nothing was created.
    {kHeaderWriteFailed, kWarningBeep, IDD_WARN_WRITE_FAILED},
    {kHeaderCreateFailed, kWarningBeep, IDD_WARN_WRITE_FAILED},
    {kHeaderWriterFailed, kWarningBeep, IDD_WARN_WRITE_FAILED},
    // A switched-on channel whose divisor (from a hand-edited settings file)
    // gives no whole output rate: nothing is written.
    {kHeaderBadRate, kWarningBeep, IDD_WARN_BAD_RATE},
    {kHeaderNoChannel, kWarningBeep, IDD_WARN_NO_CHANNEL},
    {kHeaderNoMemory, kWarningBeep, IDD_WARN_NO_MEMORY},
};

void TellRefusal(ConverterState& state, HeaderRefusal why) {
    for (const RefusalNotice& n : kRefusalNotices) {
        if (n.why != why) continue;
        if (n.beep != kNoBeep) Ui().beep(n.beep == kWarningBeep ? MB_ICONEXCLAMATION : 0);
        if (n.dialog == IDD_WARN_RECORD_TOO_LARGE) WarnRecordTooLarge(state);
        else if (n.dialog) Ui().messageDialog(ConvertPage(state), g_program.instance, n.dialog);
        return;
    }
}

// The checks before anything is written, each refusal told as it is found.
bool ReadyToStart(ConverterState& state) {
    HWND page = ConvertPage(state);
    // A second start while converting would replace the running handle.
    if (IsConverting(state.conv)) {
        Ui().beep(0);
        return false;
    }
    if (state.conv.conversionState == kConvNoOutput) {
        Ui().messageDialog(page, g_program.instance, IDD_WARN_NO_OUTPUT);
        return false;
    }
    const OutputPathVerdict verdict = CheckAgainstSource(state, state.conv.outputPath);
    if (verdict == kOutputPathTooShort) return false;
    if (verdict == kOutputPathIsSource) {
        Ui().messageDialog(page, g_program.instance, IDD_WARN_SAME_FILE);
        return false;
    }
    // Nothing to convert is said first and alone: no question about the
    // patient or the night comes before it.
    uint8_t channels[kChannelEntries];
    if (state.source.sourceKind == kSourceTaff && RunChannelsOf(state.source, CurrentPattern(state), channels) == 0) {
        state.conv.lastRefusal = kHeaderNoChannel;
        if (page) SendMessageA(page, WM_PAGE_REFRESH, 0, 0);
        TellRefusal(state, kHeaderNoChannel);
        return false;
    }
    return PatientConfirmed(state) && FailingNightConfirmed(state);
}

// The findings the run writes into the file when the settings ask for them:
// only a complete check of this recording and montage; a check still
// running is neither waited for nor written.
const NightCheckResult* NotesFor(const ConverterState& state) {
    const HeldCheck& held = *state.check;
    if (!state.settings.CheckNotes || !held.valid || held.running || !held.result.complete) return nullptr;
    return &held.result;
}

}  // namespace

void StartConversion(ConverterState& state) {
    if (!ReadyToStart(state)) return;
    HeaderRefusal why = kHeaderWritten;
    if (!ChooseStagingName(state.conv)) {
        // No temporary name fits beside the output: told as a file that
        // could not be created.
        state.conv.writeFailed = 1;
        why = kHeaderCreateFailed;
    } else {
        const bool started = StartRun(RunRecordsOf(state), &why, NotesFor(state));
        if (started) StartTimer(state);
        else DiscardStagedFile(state.conv);
    }
    if (HWND page = ConvertPage(state)) SendMessageA(page, WM_PAGE_REFRESH, 0, 0);
    TellRefusal(state, why);
}

void OnConversionTimer(ConverterState& state) {
    // A tick left over from a run that has ended already.
    if (!IsConverting(state.conv)) {
        StopTimer(state);
        return;
    }
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const LONGLONG budget = frequency.QuadPart * state.frame.tickBudgetMs / 1000;
    int goOn;
    do {
        goOn = StepRun(RunRecordsOf(state));
        QueryPerformanceCounter(&now);
    } while (goOn && now.QuadPart - start.QuadPart < budget);
    if (goOn) {
        ShowCounter(state);
        return;
    }
    EndRunAndTell(state);
}

void OnSourceOpened(ConverterState& state) { ForgetOutputFile(state.conv); }

void OnSourceClosed(ConverterState& state) {
    if (IsConverting(state.conv)) StopRunByOperator(state);
}

void AbortConversion(ConverterState& state) {
    if (!IsConverting(state.conv)) return;
    StopRun(state);
    state.conv.runStopped = 1;
    HWND page = ConvertPage(state);
    if (page) PostMessageA(page, WM_PAGE_REFRESH, 0, 0);
}

namespace {

// The run ended while the stop question was open and the operator kept it:
// its complete file takes the chosen name now, told like any other end.
void PlaceHeldFile(ConverterState& state) {
    if (IsConverting(state.conv) || !state.conv.stagingPath[0]) return;
    const ConversionEnd end = PlaceStagedFile(state.conv);
    HWND page = ConvertPage(state);
    if (page) SendMessageA(page, WM_PAGE_REFRESH, 0, 0);
    if (end == kRunWriteFailed) Ui().messageDialog(page, g_program.instance, IDD_WARN_WRITE_FAILED);
}

}  // namespace

bool AskToStopConversion(HWND owner, ConverterState& state) {
    if (!IsConverting(state.conv)) return true;
    // The question runs a message loop in which the run goes on and may end;
    // until the answer its file is not put in place.
    state.conv.placementHeld = 1;
    const INT_PTR answer = Ui().messageDialog(owner, g_program.instance, IDD_CONFIRM_STOP_RUN);
    state.conv.placementHeld = 0;
    if (answer != IDOK) {
        PlaceHeldFile(state);
        return false;
    }
    if (IsConverting(state.conv)) {
        StopRunByOperator(state);
    } else {
        // Ended meanwhile: its file is removed as if the run had been
        // stopped, and a file that was under the chosen name stays as it was.
        DiscardStagedFile(state.conv);
        state.conv.fileFinished = 0;
        state.conv.runStopped = 1;
        HWND page = ConvertPage(state);
        if (page) SendMessageA(page, WM_PAGE_REFRESH, 0, 0);
    }
    return true;
}

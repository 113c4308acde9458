// The main window's commands, one handler each, working on the locked
// record the main window procedure hands them.
#include "app/commands.h"

#include <cstdio>
#include <cstring>
#include <optional>

#include "app/app_globals.h"
#include "app/frame.h"
#include "app/option_dialogs.h"
#include "app/settings.h"
#include "check/check_window.h"
#include "convert/conversion_controller.h"
#include "engine/recording.h"
#include "pagekit/file_dialogs.h"
#include "pagekit/help.h"
#include "pagekit/patient_age.h"
#include "pagekit/program.h"
#include "pagekit/ui_seam.h"
#include "position/position_dialog.h"
#include "preview/preview_window.h"
#include "resources/resource_ids.h"
#include "source/source_page.h"
#include "textkit/sjis_text.h"

namespace {

// The splash stays about one second after the message loop starts.
void OnCloseSplash() {
    Sleep(1000);
    if (g_app.splash) PostMessageA(g_app.splash, WM_CLOSE, 0, 0);
    g_app.splash = nullptr;
}

// "Open": asks for a header file; while a conversion runs, asks whether to
// stop it (Cancel keeps it running and opens nothing); closes the current
// recording and opens the chosen one. A file that is not a recording beeps
// and shows the warning dialog, and then no recording is shown as open. A
// data file shorter than its header announces is warned about.
void OnOpenRecording(HWND window, ConverterState& state) {
    if (!AskOpenFile(window, "TAFFormat File Select", "TAFFormat File(*.HDR)|*.hdr|All Files(*.*)|*.*|", "HDR",
                     state.settings.OrgFile))
        return;
    if (!AskToStopConversion(window, state)) return;
    CopyText(state.settings.OrgFile, sizeof state.settings.OrgFile, g_fileBuffers.fileName);
    if (!OpenSourceRecording(state.source, CurrentPattern(state), state.settings.OrgFile)) {
        Ui().beep(0);
        Ui().messageDialog(window, g_program.instance, IDD_WARN_NOT_TAFF);
        OnSourceOpened(state);          // no output is chosen for no recording
        SetCaption(window, state);
        SelectPage(window, state, kPageSource);
        return;
    }
    OnSourceOpened(state);
    RecomputePatientAge(state);     // the age on this recording's night
    SetCaption(window, state);
    SelectPage(window, state, kPageSource);
    WarnIfShortRecording(window, state.source);
}

void OnCloseRecording(HWND window, ConverterState& state) {
    if (!AskToStopConversion(window, state)) return;
    CloseSource(state.source);
    OnSourceClosed(state);
    SetCaption(window, state);
    SelectPage(window, state, kPageSource);
}

// "Convert": chooses the output, shows the conversion page and starts the
// conversion once this command has returned.
void OnConvert(HWND window, ConverterState& state) {
    // Without a recording there is nothing to convert: no dialog is offered.
    if (state.source.sourceKind != kSourceTaff) {
        Ui().beep(0);
        return;
    }
    if (!ChooseOutput(window, state)) return;
    SelectPage(window, state, kPageConvert);
    PostMessageA(window, WM_CONVERT_START, 0, 0);
}

// "波形確認": the signal preview of the open recording, one window brought
// to the front again on a second command; without a recording a warning.
void OnPreview(HWND window, ConverterState& state) {
    if (state.source.sourceKind != kSourceTaff) {
        Ui().messageDialog(window, g_program.instance, IDD_WARN_NO_RECORDING);
        return;
    }
    state.frame.preview = ShowPreviewWindow(window, state.frame.preview);
}

// "記録ﾁｪｯｸ": the check window of the open recording, one window brought to
// the front again on a second command; without a recording a warning.
void OnCheckWindow(HWND window, ConverterState& state) {
    if (state.source.sourceKind != kSourceTaff) {
        Ui().beep(MB_ICONEXCLAMATION);
        Ui().messageBox(window, ProgramText(IDS_CHECK_NO_RECORDING).c_str(),
                        ProgramText(IDS_CHECK_CAPTION_WARN).c_str(), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    state.frame.check = ShowCheckWindow(window, state.frame.check);
}

void OnHelp(HWND window) { ShowHelp(window, nullptr); }

// The facility name: stored at once (not only at exit) and shown in the
// caption.
void OnFacilityName(HWND window, ConverterState& state) {
    FacilityName name;
    CopyText(name.hospital, sizeof name.hospital, FieldString(state.patient.hospital).c_str());
    const std::optional<FacilityName> edited = RunFacilityDialog(window, name);
    if (!edited) return;
    CopyText(state.patient.hospital, sizeof state.patient.hospital, edited->hospital);
    SaveFacilitySetting(state.patient, g_program.patientPath);
    SetCaption(window, state);
}

// The identity options: stored at once and shown on the patient page.
void OnIdentityOptions(HWND window, ConverterState& state) {
    const std::optional<IdentityOptions> edited = RunPatientOptionsDialog(window, state.settings.identity);
    if (!edited) return;
    state.settings.identity = *edited;
    SaveOptionSettings(state.settings, g_program.settingsPath);
    if (HWND page = state.frame.pages[kPagePatient]) SendMessageA(page, WM_PAGE_REFRESH, 0, 0);
}

// The montage options: the choices go to the current pattern (stored with it
// by "Pattern Registry"); the exit question and the check's annotations are
// settings, stored at once.
void OnMontageOptions(HWND window, ConverterState& state) {
    MontagePattern& pattern = CurrentPattern(state);
    MontageOptions options;
    static_assert(sizeof options.labelChoices == sizeof pattern.labelChoices, "label choices differ");
    static_assert(sizeof options.unitChoices == sizeof pattern.unitChoices, "unit choices differ");
    memcpy(options.patternName, pattern.name, sizeof options.patternName);
    memcpy(options.labelChoices, pattern.labelChoices, sizeof options.labelChoices);
    memcpy(options.unitChoices, pattern.unitChoices, sizeof options.unitChoices);
    options.askAtExit = state.settings.AskUnregistered != 0;
    options.checkNotes = state.settings.CheckNotes != 0;
    const std::optional<MontageOptions> edited = RunMontageOptionsDialog(window, options);
    if (!edited) return;
    memcpy(pattern.labelChoices, edited->labelChoices, sizeof pattern.labelChoices);
    memcpy(pattern.unitChoices, edited->unitChoices, sizeof pattern.unitChoices);
    state.settings.AskUnregistered = edited->askAtExit ? 1 : 0;
    state.settings.CheckNotes = edited->checkNotes ? 1 : 0;
    SaveOptionSettings(state.settings, g_program.settingsPath);
}

}  // namespace

void OnMainCommand(HWND window, ConverterState& state, int command) {
    switch (command) {
    case IDM_CLOSE_SPLASH: OnCloseSplash(); break;
    case IDM_FILE_OPEN: OnOpenRecording(window, state); break;
    case IDM_FILE_CLOSE: OnCloseRecording(window, state); break;
    case IDM_FILE_CONVERT: OnConvert(window, state); break;
    case IDM_FILE_PREVIEW: OnPreview(window, state); break;
    case IDM_FILE_CHECK: OnCheckWindow(window, state); break;
    case IDM_FILE_EXIT: PostMessageA(window, WM_CLOSE, 0, 0); break;
    case IDM_HELP_CONTENTS: OnHelp(window); break;
    case IDM_HELP_ABOUT: Ui().modalDialog(window, g_program.instance, IDD_ABOUT); break;
    case IDM_SET_FACILITY: OnFacilityName(window, state); break;
    case IDM_SET_PATIENT_OPTIONS: OnIdentityOptions(window, state); break;
    case IDM_SET_MONTAGE_OPTIONS: OnMontageOptions(window, state); break;
    case IDM_SET_POSITION: RunPositionDialog(window); break;
    default: break;
    }
}

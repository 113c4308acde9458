// The option dialogs and the question at exit; see option_dialogs.h. Each
// dialog fills its controls from the record when it opens and hands them
// back on OK only; Cancel changes nothing.
#include "app/option_dialogs.h"

#include <string>

#include "app/frame.h"
#include "app/settings.h"
#include "engine/identity_rules.h"
#include "engine/pattern_file.h"
#include "montage/pattern_store.h"
#include "pagekit/program.h"
#include "pagekit/state_lock.h"
#include "pagekit/ui_seam.h"
#include "resources/resource_ids.h"
#include "textkit/sjis_text.h"
#include "winkit/winkit.h"

namespace {

// A control's text, however long, cut to a field of `size` bytes.
void ReadControl(HWND dialog, int id, char* field, int size) {
    HWND control = GetDlgItem(dialog, id);
    const int length = GetWindowTextLengthA(control);
    std::string text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    GetWindowTextA(control, &text[0], static_cast<int>(text.size()));
    CopyText(field, size, text.c_str());
}

void ShowField(HWND dialog, int id, const char* field, int size) {
    SendDlgItemMessageA(dialog, id, EM_LIMITTEXT, static_cast<WPARAM>(size - 1), 0);
    SetDlgItemTextA(dialog, id, FieldString(field, size_t(size)).c_str());
}

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
void Check(HWND dialog, int id, bool on) { CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }

// The shared frame of the three procedures: init and OK with the locked
// record, Cancel and the close box end without a change.
using InitHandler = void (*)(HWND, ConverterState&);
using OkHandler = void (*)(HWND, ConverterState&);

INT_PTR OptionDialog(HWND dialog, UINT message, WPARAM wParam, InitHandler init, OkHandler ok,
                     void (*command)(HWND, int)) {
    switch (message) {
    case WM_INITDIALOG:
        WithState(dialog, [&](ConverterState& state) { init(dialog, state); });
        WkCenterDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            WithState(dialog, [&](ConverterState& state) { ok(dialog, state); });
            EndDialog(dialog, IDOK);
        } else if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
        } else if (command) {
            command(dialog, LOWORD(wParam));
        }
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

// ---- facility name ------------------------------------------------------------

void OnFacilityInit(HWND dialog, ConverterState& state) {
    ShowField(dialog, IDC_FAC_NAME, state.patient.hospital, kHospitalSize);
}

// The caption follows at once; the name is stored now, not only at exit.
void OnFacilityOk(HWND dialog, ConverterState& state) {
    ReadControl(dialog, IDC_FAC_NAME, state.patient.hospital, kHospitalSize);
    SaveFacilitySetting(state.patient, g_program.patientPath);
    SetCaption(MainWindowOf(dialog), state);
}

INT_PTR CALLBACK FacilityDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    return OptionDialog(dialog, message, wParam, OnFacilityInit, OnFacilityOk, nullptr);
}

// ---- patient identity options -------------------------------------------------

const int kResearchControls[] = {IDC_IDN_CODE, IDC_IDN_KEEP_AGE, IDC_IDN_KEEP_SEX, IDC_IDN_SHIFT_START};

// The research copy's own choices are offered only while it is chosen.
void EnableResearchChoices(HWND dialog) {
    const bool research = Checked(dialog, IDC_IDN_RESEARCH);
    for (int id : kResearchControls) EnableWindow(GetDlgItem(dialog, id), research);
}

void OnIdentityInit(HWND dialog, ConverterState& state) {
    const IdentityOptions& o = state.settings.identity;
    const bool research = IsResearchCopy(o);
    Check(dialog, IDC_IDN_FULL, !research);
    Check(dialog, IDC_IDN_RESEARCH, research);
    ShowField(dialog, IDC_IDN_CODE, o.studyCode, kStudyCodeSize);
    Check(dialog, IDC_IDN_KEEP_AGE, o.keepAge);
    Check(dialog, IDC_IDN_KEEP_SEX, o.keepSex);
    Check(dialog, IDC_IDN_SHIFT_START, o.shiftStart);
    EnableResearchChoices(dialog);
}

// Stored at once, and shown on the patient page.
void OnIdentityOk(HWND dialog, ConverterState& state) {
    IdentityOptions& o = state.settings.identity;
    o.mode = Checked(dialog, IDC_IDN_RESEARCH) ? kIdentityResearch : kIdentityFull;
    ReadControl(dialog, IDC_IDN_CODE, o.studyCode, kStudyCodeSize);
    o.keepAge = Checked(dialog, IDC_IDN_KEEP_AGE);
    o.keepSex = Checked(dialog, IDC_IDN_KEEP_SEX);
    o.shiftStart = Checked(dialog, IDC_IDN_SHIFT_START);
    SaveOptionSettings(state.settings, g_program.settingsPath);
    if (HWND page = state.frame.pages[kPagePatient]) SendMessageA(page, WM_PAGE_REFRESH, 0, 0);
}

void OnIdentityCommand(HWND dialog, int id) {
    if (id == IDC_IDN_FULL || id == IDC_IDN_RESEARCH) EnableResearchChoices(dialog);
}

INT_PTR CALLBACK IdentityDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    return OptionDialog(dialog, message, wParam, OnIdentityInit, OnIdentityOk, OnIdentityCommand);
}

// ---- montage options ------------------------------------------------------------

void OnMontageInit(HWND dialog, ConverterState& state) {
    const MontagePattern& p = CurrentPattern(state);
    SetDlgItemTextA(dialog, IDC_MOPT_PATTERN, FieldString(p.name).c_str());
    for (int i = 0; i < kLabelChoices; ++i) ShowField(dialog, IDC_MOPT_LABEL1 + i, p.labelChoices[i], kLabelSize);
    for (int i = 0; i < kUnitChoices; ++i) ShowField(dialog, IDC_MOPT_UNIT1 + i, p.unitChoices[i], kUnitSize);
    Check(dialog, IDC_MOPT_ASK_EXIT, state.settings.AskUnregistered != 0);
}

// The choices belong to the pattern (stored by "Pattern Registry"); the
// exit question is a setting, stored at once.
void OnMontageOk(HWND dialog, ConverterState& state) {
    MontagePattern& p = CurrentPattern(state);
    for (int i = 0; i < kLabelChoices; ++i) ReadControl(dialog, IDC_MOPT_LABEL1 + i, p.labelChoices[i], kLabelSize);
    for (int i = 0; i < kUnitChoices; ++i) ReadControl(dialog, IDC_MOPT_UNIT1 + i, p.unitChoices[i], kUnitSize);
    state.settings.AskUnregistered = Checked(dialog, IDC_MOPT_ASK_EXIT) ? 1 : 0;
    SaveOptionSettings(state.settings, g_program.settingsPath);
}

INT_PTR CALLBACK MontageOptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    return OptionDialog(dialog, message, wParam, OnMontageInit, OnMontageOk, nullptr);
}

INT_PTR Run(HWND mainWindow, const char* templateName, DLGPROC procedure) {
    return Ui().dialogBox(mainWindow, g_program.instance, templateName, procedure, 0);
}

}  // namespace

INT_PTR RunFacilityDialog(HWND mainWindow) { return Run(mainWindow, DLG_FACILITYNAME, FacilityDialogProc); }
INT_PTR RunPatientOptionsDialog(HWND mainWindow) { return Run(mainWindow, DLG_PATIENTOPTIONS, IdentityDialogProc); }
INT_PTR RunMontageOptionsDialog(HWND mainWindow) {
    return Run(mainWindow, DLG_MONTAGEOPTIONS, MontageOptionsDialogProc);
}

bool ConfirmExit(HWND mainWindow, ConverterState& state) {
    if (!state.settings.AskUnregistered) return true;
    const int slot = state.currentPattern < kPatternCount ? state.currentPattern : 0;
    MontagePattern stored;
    ResetPatternToStartup(stored);
    LoadPatternSlot(stored, slot, g_program.settingsPath);
    if (SameStoredPattern(CurrentPattern(state), stored)) return true;
    const INT_PTR answer = Ui().messageDialog(mainWindow, g_program.instance, IDD_ASK_UNREGISTERED);
    if (answer == IDNO) return true;
    if (answer != IDYES) return false;
    if (StorePattern(state.patterns, slot, g_program.settingsPath)) return true;
    Ui().messageDialog(mainWindow, g_program.instance, IDD_WARN_PATTERN_NOT_SAVED);
    return false;
}

// The option dialogs and the question at exit; see option_dialogs.h. Each
// dialog fills its controls from its working copy when it opens and reads
// them back into it on OK only; Cancel leaves the copy as it was.
#include "app/option_dialogs.h"

#include <string>

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

// The shared frame of the three procedures: WM_INITDIALOG's parameter is
// the working copy, kept in the dialog's user slot; init fills the controls
// from it, OK reads them back into it, Cancel and the close box end without
// touching it.
template <typename Data>
INT_PTR OptionDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, void (*init)(HWND, const Data&),
                     void (*ok)(HWND, Data&), void (*command)(HWND, int)) {
    Data* work = reinterpret_cast<Data*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        init(dialog, *reinterpret_cast<Data*>(lParam));
        WkCenterDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            if (work) ok(dialog, *work);
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

// Runs `templateName` on a copy of `current`: the edited copy on OK.
template <typename Data>
std::optional<Data> RunOnCopy(HWND owner, const char* templateName, DLGPROC procedure, const Data& current) {
    Data work = current;
    const INT_PTR ended =
        Ui().dialogBox(owner, g_program.instance, templateName, procedure, reinterpret_cast<LPARAM>(&work));
    if (ended != IDOK) return std::nullopt;
    return work;
}

// ---- facility name ------------------------------------------------------------

void OnFacilityInit(HWND dialog, const FacilityName& name) {
    ShowField(dialog, IDC_FAC_NAME, name.hospital, kHospitalSize);
}

void OnFacilityOk(HWND dialog, FacilityName& name) { ReadControl(dialog, IDC_FAC_NAME, name.hospital, kHospitalSize); }

INT_PTR CALLBACK FacilityDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return OptionDialog<FacilityName>(dialog, message, wParam, lParam, OnFacilityInit, OnFacilityOk, nullptr);
}

// ---- patient identity options -------------------------------------------------

const int kResearchControls[] = {IDC_IDN_CODE, IDC_IDN_KEEP_AGE, IDC_IDN_KEEP_SEX, IDC_IDN_REPLACE_DATE};

// The research copy's own choices are offered only while it is chosen.
void EnableResearchChoices(HWND dialog) {
    const bool research = Checked(dialog, IDC_IDN_RESEARCH);
    for (int id : kResearchControls) EnableWindow(GetDlgItem(dialog, id), research);
}

void OnIdentityInit(HWND dialog, const IdentityOptions& o) {
    const bool research = IsResearchCopy(o);
    Check(dialog, IDC_IDN_FULL, !research);
    Check(dialog, IDC_IDN_RESEARCH, research);
    ShowField(dialog, IDC_IDN_CODE, o.studyCode, kStudyCodeSize);
    Check(dialog, IDC_IDN_KEEP_AGE, o.keepAge);
    Check(dialog, IDC_IDN_KEEP_SEX, o.keepSex);
    Check(dialog, IDC_IDN_REPLACE_DATE, o.replaceStartDate);
    EnableResearchChoices(dialog);
}

void OnIdentityOk(HWND dialog, IdentityOptions& o) {
    o.mode = Checked(dialog, IDC_IDN_RESEARCH) ? kIdentityResearch : kIdentityFull;
    ReadControl(dialog, IDC_IDN_CODE, o.studyCode, kStudyCodeSize);
    o.keepAge = Checked(dialog, IDC_IDN_KEEP_AGE);
    o.keepSex = Checked(dialog, IDC_IDN_KEEP_SEX);
    o.replaceStartDate = Checked(dialog, IDC_IDN_REPLACE_DATE);
}

void OnIdentityCommand(HWND dialog, int id) {
    if (id == IDC_IDN_FULL || id == IDC_IDN_RESEARCH) EnableResearchChoices(dialog);
}

INT_PTR CALLBACK IdentityDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return OptionDialog<IdentityOptions>(dialog, message, wParam, lParam, OnIdentityInit, OnIdentityOk,
                                         OnIdentityCommand);
}

// ---- montage options ------------------------------------------------------------

void OnMontageInit(HWND dialog, const MontageOptions& m) {
    SetDlgItemTextA(dialog, IDC_MOPT_PATTERN, FieldString(m.patternName).c_str());
    for (int i = 0; i < kLabelChoices; ++i) ShowField(dialog, IDC_MOPT_LABEL1 + i, m.labelChoices[i], kLabelSize);
    for (int i = 0; i < kUnitChoices; ++i) ShowField(dialog, IDC_MOPT_UNIT1 + i, m.unitChoices[i], kUnitSize);
    Check(dialog, IDC_MOPT_ASK_EXIT, m.askAtExit);
    Check(dialog, IDC_MOPT_CHECK_NOTES, m.checkNotes);
}

void OnMontageOk(HWND dialog, MontageOptions& m) {
    for (int i = 0; i < kLabelChoices; ++i) ReadControl(dialog, IDC_MOPT_LABEL1 + i, m.labelChoices[i], kLabelSize);
    for (int i = 0; i < kUnitChoices; ++i) ReadControl(dialog, IDC_MOPT_UNIT1 + i, m.unitChoices[i], kUnitSize);
    m.askAtExit = Checked(dialog, IDC_MOPT_ASK_EXIT);
    m.checkNotes = Checked(dialog, IDC_MOPT_CHECK_NOTES);
}

INT_PTR CALLBACK MontageOptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return OptionDialog<MontageOptions>(dialog, message, wParam, lParam, OnMontageInit, OnMontageOk, nullptr);
}

}  // namespace

std::optional<FacilityName> RunFacilityDialog(HWND owner, const FacilityName& current) {
    return RunOnCopy(owner, DLG_FACILITYNAME, FacilityDialogProc, current);
}

std::optional<IdentityOptions> RunPatientOptionsDialog(HWND owner, const IdentityOptions& current) {
    return RunOnCopy(owner, DLG_PATIENTOPTIONS, IdentityDialogProc, current);
}

std::optional<MontageOptions> RunMontageOptionsDialog(HWND owner, const MontageOptions& current) {
    return RunOnCopy(owner, DLG_MONTAGEOPTIONS, MontageOptionsDialogProc, current);
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

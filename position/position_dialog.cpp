// The position calibration dialog; see position_dialog.h. The level count
// list shows rows 1..count and hides the others; a label, centre or width
// reaches the working copy when its field loses the focus, a centre or width
// only within -32767..32767 (otherwise a beep and the previous value is shown
// again). The rules themselves are the engine's (engine/position_rules.h).
#include "position/position_dialog.h"

#include <cstdio>
#include <memory>

#include "engine/position_rules.h"
#include "pagekit/help.h"
#include "pagekit/profile.h"
#include "pagekit/program.h"
#include "pagekit/state_lock.h"
#include "pagekit/ui_seam.h"
#include "resources/resource_ids.h"
#include "winkit/winkit.h"

namespace {

enum { kFieldTextSize = 256 };

// The default table: section POSCALINFO of the settings file. Writes go
// through a checked copy of the file, put in its place by Commit, so a
// store that fails halfway leaves the previous file whole.
class DefaultsSection : public PositionProfile {
public:
    int32_t ReadInt(const char* key, int32_t fallback) override {
        return ReadProfileInt(kPositionDefaultsSection, key, fallback, g_program.settingsPath);
    }
    int ReadText(const char* key, char* dest, int size) override {
        return ReadProfileText(kPositionDefaultsSection, key, "", dest, size, g_program.settingsPath);
    }
    void WriteText(const char* key, const char* text) override {
        if (!batch_) batch_.reset(new ProfileBatch(g_program.settingsPath));
        batch_->Text(kPositionDefaultsSection, key, text);
    }
    bool Commit() { return !batch_ || batch_->Commit(); }

private:
    std::unique_ptr<ProfileBatch> batch_;   // made at the first write
};

bool HaveSettingsFile() { return g_program.settingsPath[0] != '\0'; }

PositionCalibration* WorkingCopy(HWND dialog) {
    return reinterpret_cast<PositionCalibration*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

void SetNumber(HWND dialog, int id, int32_t value) {
    char text[16];
    snprintf(text, sizeof text, "%i", static_cast<int>(value));
    SetDlgItemTextA(dialog, id, text);
}

void ShowRow(HWND dialog, int level, bool shown) {
    const int ids[] = {IDC_POS_ROW_NO(level), IDC_POS_LABEL(level), IDC_POS_CENTER(level), IDC_POS_WIDTH(level)};
    for (int id : ids) ShowWindow(GetDlgItem(dialog, id), shown ? SW_SHOW : SW_HIDE);
}

// Rewrites the list and the rows from the working copy.
void Refresh(HWND dialog, const PositionCalibration& work) {
    SendDlgItemMessageA(dialog, IDC_POS_LEVEL_COUNT, CB_SETCURSEL, work.levelCount, 0);
    for (int level = 1; level <= IDC_POS_ROWS; ++level) {
        const bool shown = level <= work.levelCount;
        if (shown) {
            SetDlgItemTextA(dialog, IDC_POS_LABEL(level), work.levelLabels[level - 1]);
            SetNumber(dialog, IDC_POS_CENTER(level), work.centers[level - 1]);
            SetNumber(dialog, IDC_POS_WIDTH(level), work.widths[level - 1]);
        }
        ShowRow(dialog, level, shown);
    }
}

void OnInitDialog(HWND dialog, ConverterState* state, PositionCalibration* work) {
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(work));
    if (work && state) CopyPositionTable(*work, CurrentPattern(*state).position);
    SendDlgItemMessageA(dialog, IDC_POS_LEVEL_COUNT, CB_RESETCONTENT, 0, 0);
    for (int count = 0; count <= kMaxLevels; ++count) {
        char item[8];
        snprintf(item, sizeof item, " %i ", count);
        SendDlgItemMessageA(dialog, IDC_POS_LEVEL_COUNT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    }
    if (work) Refresh(dialog, *work);
    WkCenterDialog(dialog);
}

void OnLevelCountChosen(HWND dialog, PositionCalibration& work) {
    ChooseLevelCount(work, static_cast<int>(SendDlgItemMessageA(dialog, IDC_POS_LEVEL_COUNT, CB_GETCURSEL, 0, 0)));
    Refresh(dialog, work);
}

void OnLabelDone(HWND dialog, PositionCalibration& work, int level) {
    char text[kFieldTextSize];
    GetDlgItemTextA(dialog, IDC_POS_LABEL(level), text, sizeof text);
    TakeLevelLabel(work, level, text);
}

// A centre or width field lost the focus: keep a value in range, beep at
// one outside it, and show the value kept.
void OnValueDone(HWND dialog, int id, int32_t& value) {
    char text[kFieldTextSize];
    GetDlgItemTextA(dialog, id, text, sizeof text);
    if (!TakeLevelValue(text, value)) Ui().beep(0);
    SetNumber(dialog, id, value);
}

// A row field was left: hands its text to the working copy. False when `id`
// is not a row field.
bool OnRowFieldDone(HWND dialog, PositionCalibration& work, int id) {
    if (id >= IDC_POS_LABEL(1) && id <= IDC_POS_LABEL(kMaxLevels)) {
        OnLabelDone(dialog, work, id - IDC_POS_LABEL(1) + 1);
    } else if (id >= IDC_POS_CENTER(1) && id <= IDC_POS_CENTER(kMaxLevels)) {
        OnValueDone(dialog, id, work.centers[id - IDC_POS_CENTER(1)]);
    } else if (id >= IDC_POS_WIDTH(1) && id <= IDC_POS_WIDTH(kMaxLevels)) {
        OnValueDone(dialog, id, work.widths[id - IDC_POS_WIDTH(1)]);
    } else {
        return false;
    }
    return true;
}

// OK by the Enter key leaves the focus in the field being typed: that field
// is taken first, so what the operator sees is what the pattern gets.
void TakeFocusedField(HWND dialog, PositionCalibration& work) {
    HWND focus = GetFocus();
    if (focus && IsChild(dialog, focus)) OnRowFieldDone(dialog, work, GetDlgCtrlID(focus));
}

void OnOk(HWND dialog, ConverterState& state, PositionCalibration& work) {
    TakeFocusedField(dialog, work);
    CopyPositionTable(CurrentPattern(state).position, work);
    EndDialog(dialog, IDOK);
}

void OnDefaultLoad(HWND dialog, PositionCalibration& work) {
    if (!HaveSettingsFile()) return;
    DefaultsSection section;
    LoadPositionKeys(work, section);
    Refresh(dialog, work);
}

// Hands the working copy to the pattern as OK does, without closing, and
// writes it as the default table.
void OnDefaultStore(ConverterState& state, const PositionCalibration& work) {
    CopyPositionTable(CurrentPattern(state).position, work);
    if (!HaveSettingsFile()) return;
    DefaultsSection section;
    StorePositionKeys(work, section);
    if (!section.Commit()) Ui().beep(MB_ICONEXCLAMATION);   // the previous defaults stay
}

void OnCommand(HWND dialog, ConverterState& state, PositionCalibration& work, int id, int code) {
    switch (id) {
    case IDOK: OnOk(dialog, state, work); return;
    case IDCANCEL: EndDialog(dialog, IDCANCEL); return;
    case IDC_POS_LEVEL_COUNT:
        if (code == CBN_SELCHANGE) OnLevelCountChosen(dialog, work);
        return;
    case IDC_POS_DEFAULT_LOAD: OnDefaultLoad(dialog, work); return;
    case IDC_POS_DEFAULT_STORE: OnDefaultStore(state, work); return;
    case IDC_POS_HELP: ShowHelp(dialog, "position"); return;
    }
    if (code == EN_KILLFOCUS) OnRowFieldDone(dialog, work, id);
}

}  // namespace

INT_PTR RunPositionDialog(HWND mainWindow) {
    PositionCalibration work = {};
    return Ui().dialogBox(mainWindow, g_program.instance, DLG_POSLEVELSETUP, PositionDialogProc,
                          reinterpret_cast<LPARAM>(&work));
}

INT_PTR CALLBACK PositionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        StateLock lock(MainWindowOf(dialog));
        OnInitDialog(dialog, lock.get(), reinterpret_cast<PositionCalibration*>(lParam));
        return TRUE;
    }
    case WM_COMMAND: {
        StateLock lock(MainWindowOf(dialog));
        PositionCalibration* work = WorkingCopy(dialog);
        if (lock && work) OnCommand(dialog, *lock, *work, LOWORD(wParam), HIWORD(wParam));
        else if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    case WM_CLOSE:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

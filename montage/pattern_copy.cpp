// The Pattern Copy dialog; see pattern_copy.h. The files are the engine's
// pattern files (engine/pattern_file.h): the keys of a pattern section, read
// back with the settings file's value rules. A file that holds no pattern is
// refused with a warning and changes nothing.
#include "montage/pattern_copy.h"

#include <cstdio>
#include <string>

#include "engine/pattern_file.h"
#include "filekit/filekit.h"
#include "montage/pattern_store.h"
#include "pagekit/file_dialogs.h"
#include "pagekit/program.h"
#include "pagekit/state_lock.h"
#include "pagekit/ui_seam.h"
#include "resources/resource_ids.h"
#include "textkit/sjis_text.h"
#include "winkit/winkit.h"

namespace {

const char kPatternFilter[] = "Pattern File(*.PAT)|*.pat|All Files(*.*)|*.*|";

int CurrentSlot(const ConverterState& state) {
    return state.currentPattern < kPatternCount ? state.currentPattern : 0;
}


void SetStatus(HWND dialog, const std::string& text) { SetDlgItemTextA(dialog, IDC_PCOPY_STATUS, text.c_str()); }

// The slot list "1: name" .. "8: name", with `selected` chosen.
void FillSlots(HWND dialog, const ConverterState& state, int selected) {
    SendDlgItemMessageA(dialog, IDC_PCOPY_SLOT, CB_RESETCONTENT, 0, 0);
    for (int k = 0; k < kPatternCount; ++k) {
        const std::string item = std::to_string(k + 1) + ": " + FieldString(state.patterns[k].name);
        SendDlgItemMessageA(dialog, IDC_PCOPY_SLOT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }
    SendDlgItemMessageA(dialog, IDC_PCOPY_SLOT, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

void ShowCurrent(HWND dialog, const ConverterState& state) {
    const std::string text = std::to_string(CurrentSlot(state) + 1) + ": " + FieldString(CurrentPattern(state).name);
    SetDlgItemTextA(dialog, IDC_PCOPY_CURRENT, text.c_str());
}

void OnInit(HWND dialog, ConverterState& state) {
    ShowCurrent(dialog, state);
    FillSlots(dialog, state, (CurrentSlot(state) + 1) % kPatternCount);
    WkCenterDialog(dialog);
}

// The current pattern into the chosen slot, in memory and in the settings
// file: choosing that slot on the page reads it from the file.
void OnCopy(HWND dialog, ConverterState& state) {
    const int k = static_cast<int>(SendDlgItemMessageA(dialog, IDC_PCOPY_SLOT, CB_GETCURSEL, 0, 0));
    if (k < 0 || k >= kPatternCount || k == CurrentSlot(state)) {
        Ui().beep(0);
        return;
    }
    state.patterns[k] = CurrentPattern(state);
    if (!StorePattern(state.patterns, k, g_program.settingsPath)) {
        Ui().messageDialog(dialog, g_program.instance, IDD_WARN_PATTERN_NOT_SAVED);
        return;
    }
    FillSlots(dialog, state, k);
    char status[128];
    snprintf(status, sizeof status, ProgramText(IDS_PCOPY_COPIED).c_str(), k + 1);
    SetStatus(dialog, status);
}

// A file name from the pattern's name: characters a file name cannot hold
// become "_".
std::string ProposedName(const MontagePattern& p) {
    std::string name = FieldString(p.name);
    if (name.empty()) name = "PATTERN";
    for (size_t i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (IsSjisLead(c) && i + 1 < name.size()) {
            ++i;
            continue;
        }
        if (c < 32 || std::string("\\/:*?\"<>|").find(static_cast<char>(c)) != std::string::npos) name[i] = '_';
    }
    return name + ".PAT";
}

void OnExport(HWND dialog, ConverterState& state) {
    const MontagePattern& p = CurrentPattern(state);
    if (!AskSaveFile(dialog, "Pattern Export", kPatternFilter, "PAT", g_program.settingsPath,
                     ProposedName(p).c_str()))
        return;
    // Written whole beside its place and moved over it: a crash or a full
    // disk leaves the older file as it was.
    if (WriteFileBeside(g_fileBuffers.fileName, PatternFileText(p), true) != 0) {
        Ui().messageDialog(dialog, g_program.instance, IDD_WARN_PATTERN_NOT_SAVED);
        return;
    }
    SetStatus(dialog, ProgramText(IDS_PCOPY_EXPORTED));
}

// The file's pattern, with its name, becomes the current pattern in memory;
// "Pattern Registry" stores it, as any edit.
void OnImport(HWND dialog, ConverterState& state) {
    if (!AskOpenFileInFolder(dialog, "Pattern Import", kPatternFilter, "PAT", g_program.settingsPath)) return;
    MontagePattern read;
    if (ReadPatternFile(g_fileBuffers.fileName, read) != kPatternFileRead) {
        Ui().beep(0);
        Ui().messageDialog(dialog, g_program.instance, IDD_WARN_NOT_PATTERN);
        return;
    }
    CurrentPattern(state) = read;
    ShowCurrent(dialog, state);
    FillSlots(dialog, state, static_cast<int>(SendDlgItemMessageA(dialog, IDC_PCOPY_SLOT, CB_GETCURSEL, 0, 0)));
    SetStatus(dialog, ProgramText(IDS_PCOPY_IMPORTED));
}

void OnCommand(HWND dialog, ConverterState& state, int id) {
    switch (id) {
    case IDC_PCOPY_COPY: OnCopy(dialog, state); break;
    case IDC_PCOPY_EXPORT: OnExport(dialog, state); break;
    case IDC_PCOPY_IMPORT: OnImport(dialog, state); break;
    }
}

INT_PTR CALLBACK PatternCopyProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        WithState(dialog, [&](ConverterState& state) { OnInit(dialog, state); });
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK) {
            EndDialog(dialog, IDCANCEL);
        } else if (HIWORD(wParam) == BN_CLICKED) {
            WithState(dialog, [&](ConverterState& state) { OnCommand(dialog, state, LOWORD(wParam)); });
        }
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

// Owned by the main window: a modal dialog's owner is a top-level window.
INT_PTR RunPatternCopyDialog(HWND page) {
    return Ui().dialogBox(MainWindowOf(page), g_program.instance, DLG_PATTERNCOPY, PatternCopyProc, 0);
}

// The patient page: the patient and examination details of PatientInfo that
// the header writer puts into the PSG file's patient block, and the check
// box that decides whether they are saved at exit. Every change goes into
// the record the moment its control reports it; the remembered choice lists
// are in history_lists.cpp, the arithmetic in engine/patient_rules.h.
#include "patient/patient_page.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/identity_rules.h"
#include "engine/list_typing.h"
#include "engine/patient_rules.h"
#include "pagekit/patient_age.h"
#include "pagekit/program.h"
#include "pagekit/state_lock.h"
#include "pagekit/ui_seam.h"
#include "patient/history_lists.h"
#include "resources/resource_ids.h"
#include "textkit/sjis_text.h"

namespace {

// The plain text fields: ID, name and kana.
struct TextControl { int id; int size; char* (*field)(PatientInfo&); };

const TextControl kTextControls[] = {
    {IDC_PAT_ID, kPatientIdSize, [](PatientInfo& p) { return p.id; }},
    {IDC_PAT_NAME, kPatientNameSize, [](PatientInfo& p) { return p.name; }},
    {IDC_PAT_KANA, kPatientNameSize, [](PatientInfo& p) { return p.kana; }},
};

const char* const kSexCodes[] = {"0", "M", "F"};

// The text of a control, however long, cut to a field of `size` bytes.
void ReadControlText(HWND control, char* field, int size) {
    int length = GetWindowTextLengthA(control);
    std::string text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    GetWindowTextA(control, &text[0], static_cast<int>(text.size()));
    CopyText(field, size, text.c_str());
}

void AddNumbers(HWND page, int id, int first, int last) {
    for (int n = first; n <= last; ++n) {
        char text[8];
        snprintf(text, sizeof text, "%u", static_cast<unsigned>(n));
        SendDlgItemMessageA(page, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
}

// Selects item `index`; an index the list does not have leaves it without
// a selection.
void Select(HWND page, int id, int index) {
    int count = static_cast<int>(SendDlgItemMessageA(page, id, CB_GETCOUNT, 0, 0));
    if (index < 0 || index >= count) index = -1;
    SendDlgItemMessageA(page, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int Selection(HWND page, int id) { return static_cast<int>(SendDlgItemMessageA(page, id, CB_GETCURSEL, 0, 0)); }

// The birth-date lists take digits typed in quick succession: "1962"
// selects 1962. The selection is reported to the page as the list's own
// choice would be. One typing record per list (the program has one page).
const int kTypedLists[] = {IDC_PAT_BIRTH_YEAR, IDC_PAT_BIRTH_MONTH, IDC_PAT_BIRTH_DAY};
ListTyping g_listTyping[3];

std::vector<std::string> ListTexts(HWND list) {
    std::vector<std::string> texts;
    const int count = static_cast<int>(SendMessageA(list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[16] = "";
        if (SendMessageA(list, CB_GETLBTEXTLEN, i, 0) < LRESULT(sizeof text))
            SendMessageA(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        texts.push_back(text);
    }
    return texts;
}

LRESULT CALLBACK TypedListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR which, DWORD_PTR) {
    if (message == WM_CHAR && wParam >= '0' && wParam <= '9' && which < 3) {
        const int index =
            TypeIntoList(g_listTyping[which], static_cast<char>(wParam), GetTickCount(), ListTexts(list));
        if (index >= 0 && index != SendMessageA(list, CB_GETCURSEL, 0, 0)) {
            SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
            SendMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), CBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(list));
        }
        return 0;
    }
    if (message == WM_NCDESTROY) RemoveWindowSubclass(list, TypedListProc, which);
    return DefSubclassProc(list, message, wParam, lParam);
}

void OnInitPage(HWND page) {
    for (UINT_PTR i = 0; i < 3; ++i) {
        g_listTyping[i] = ListTyping{};
        SetWindowSubclass(GetDlgItem(page, kTypedLists[i]), TypedListProc, i, 0);
    }
    for (const char* code : kSexCodes) SendDlgItemMessageA(page, IDC_PAT_SEX, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(code));
    Select(page, IDC_PAT_SEX, 0);
    AddNumbers(page, IDC_PAT_BIRTH_YEAR, kBirthYearFirst, kBirthYearLast);
    AddNumbers(page, IDC_PAT_BIRTH_MONTH, 1, 12);
    AddNumbers(page, IDC_PAT_BIRTH_DAY, 1, 31);
    AddNumbers(page, IDC_PAT_AGE_YEARS, 0, kAgeYearsLast);
    AddNumbers(page, IDC_PAT_AGE_MONTHS, 0, kAgeMonthsLast);
    for (const HistoryBox& box : kHistoryBoxes)
        LoadHistoryList(GetDlgItem(page, box.id), box, box.reading, g_program.patientPath);
}

// An age older than the years list goes is shown as an empty pair: the
// months alone would read as an age.
void ShowAge(HWND page, const PatientInfo& p) {
    const bool listed = p.ageYears <= kAgeYearsLast;
    Select(page, IDC_PAT_AGE_YEARS, listed ? p.ageYears : -1);
    Select(page, IDC_PAT_AGE_MONTHS, listed ? p.ageMonths : -1);
}

void ShowMeasures(HWND page, const PatientInfo& p) {
    char text[32];
    FormatHeight(text, sizeof text, p.height);
    SetDlgItemTextA(page, IDC_PAT_HEIGHT, text);
    FormatWeight(text, sizeof text, p.weight);
    SetDlgItemTextA(page, IDC_PAT_WEIGHT, text);
}

// Selects the sex whose code equals the record's; an unknown code leaves
// the selection as it is.
void ShowSex(HWND page, const PatientInfo& p) {
    const std::string sex = FieldString(p.sex, size_t(kSexSize));
    for (int i = 0; i < 3; ++i) {
        if (sex == kSexCodes[i]) {
            Select(page, IDC_PAT_SEX, i);
            return;
        }
    }
}

// What of the identity the PSG file will carry, so that nobody converts a
// de-identified file (or a named one) by surprise. The de-identified copy's
// details take a second line (the longest code with every option fits it).
std::string IdentityLine(const IdentityOptions& o) {
    if (!IsResearchCopy(o)) return ProgramText(IDS_IDENTITY_FULL);
    const std::string code = FieldString(o.studyCode, size_t(kStudyCodeSize));
    std::string line = ProgramText(IDS_IDENTITY_RESEARCH) + (code.empty() ? ProgramText(IDS_IDENTITY_NO_CODE) : code);
    if (o.keepAge) line += ProgramText(IDS_IDENTITY_KEEP_AGE);
    if (o.keepSex) line += ProgramText(IDS_IDENTITY_KEEP_SEX);
    if (o.replaceStartDate) line += ProgramText(IDS_IDENTITY_NEW_DATE);
    return line + ")";
}

void OnRefresh(HWND page, ConverterState& state) {
    PatientInfo& p = state.patient;
    SetDlgItemTextA(page, IDC_PAT_IDENTITY, IdentityLine(state.settings.identity).c_str());
    CheckDlgButton(page, IDC_PAT_SAVE_ON_EXIT, state.settings.SaveEnable ? BST_CHECKED : BST_UNCHECKED);
    for (const TextControl& c : kTextControls) {
        SendDlgItemMessageA(page, c.id, EM_LIMITTEXT, static_cast<WPARAM>(c.size), 0);
        SetDlgItemTextA(page, c.id, FieldString(c.field(p), size_t(c.size)).c_str());
    }
    ShowSex(page, p);
    ShowAge(page, p);
    Select(page, IDC_PAT_BIRTH_YEAR, p.birthYear - kBirthYearFirst);
    Select(page, IDC_PAT_BIRTH_MONTH, p.birthMonth - 1);
    Select(page, IDC_PAT_BIRTH_DAY, p.birthDay - 1);
    SendDlgItemMessageA(page, IDC_PAT_HEIGHT, EM_LIMITTEXT, kMeasureLimit, 0);
    SendDlgItemMessageA(page, IDC_PAT_WEIGHT, EM_LIMITTEXT, kMeasureLimit, 0);
    ShowMeasures(page, p);
    for (const HistoryBox& box : kHistoryBoxes) {
        SendDlgItemMessageA(page, box.id, CB_LIMITTEXT, static_cast<WPARAM>(box.size), 0);
        SetDlgItemTextA(page, box.id, FieldString(box.field(p), size_t(box.size)).c_str());
    }
}

void OnTextDone(HWND page, PatientInfo& p, const TextControl& c) {
    ReadControlText(GetDlgItem(page, c.id), c.field(p), c.size);
}

void OnSexChosen(HWND page, PatientInfo& p) {
    int index = Selection(page, IDC_PAT_SEX);
    if (index >= 0 && index < 3) CopyText(p.sex, kSexSize, kSexCodes[index]);
}

// A refused height or weight beeps; either way the field shows the record.
void OnMeasureDone(HWND page, PatientInfo& p, int id) {
    char text[16];
    GetDlgItemTextA(page, id, text, sizeof text);
    bool taken = id == IDC_PAT_HEIGHT ? TakeHeight(text, &p.height) : TakeWeight(text, &p.weight);
    if (!taken) Ui().beep(0);
    ShowMeasures(page, p);
}

// The age on the night of the open recording (today's local date without
// one); a birth date after that date beeps and keeps the age.
void RecomputeAge(HWND page, ConverterState& state) {
    if (!RecomputePatientAge(state)) Ui().beep(0);
    ShowAge(page, state.patient);
}

void OnBirthChosen(HWND page, ConverterState& state, int id) {
    PatientInfo& p = state.patient;
    int index = Selection(page, id);
    if (index < 0) return;
    if (id == IDC_PAT_BIRTH_YEAR) p.birthYear = static_cast<uint16_t>(kBirthYearFirst + index);
    else if (id == IDC_PAT_BIRTH_MONTH) p.birthMonth = static_cast<uint16_t>(index + 1);
    else p.birthDay = static_cast<uint16_t>(index + 1);
    RecomputeAge(page, state);
}

void OnAgeChosen(HWND page, PatientInfo& p, int id) {
    int index = Selection(page, id);
    if (index < 0) return;
    if (id == IDC_PAT_AGE_YEARS) p.ageYears = static_cast<uint16_t>(index);
    else p.ageMonths = static_cast<uint16_t>(index);
}

void OnSaveOnExit(HWND page, AppSettings& settings) {
    settings.SaveEnable = IsDlgButtonChecked(page, IDC_PAT_SAVE_ON_EXIT) == BST_CHECKED ? 1 : 0;
}

bool IsChoiceDone(int code) { return code == CBN_SELCHANGE || code == CBN_KILLFOCUS; }

// The controls that are not history boxes.
void OnFieldCommand(HWND page, ConverterState& state, int id, int code) {
    PatientInfo& p = state.patient;
    switch (id) {
    case IDC_PAT_SEX:
        if (IsChoiceDone(code)) OnSexChosen(page, p);
        break;
    case IDC_PAT_HEIGHT:
    case IDC_PAT_WEIGHT:
        if (code == EN_KILLFOCUS) OnMeasureDone(page, p, id);
        break;
    case IDC_PAT_BIRTH_YEAR:
    case IDC_PAT_BIRTH_MONTH:
    case IDC_PAT_BIRTH_DAY:
        if (code == CBN_SELCHANGE) OnBirthChosen(page, state, id);
        break;
    case IDC_PAT_AGE_YEARS:
    case IDC_PAT_AGE_MONTHS:
        if (code == CBN_SELCHANGE) OnAgeChosen(page, p, id);
        break;
    case IDC_PAT_SAVE_ON_EXIT: OnSaveOnExit(page, state.settings); break;
    default: break;
    }
}

void OnCommand(HWND page, ConverterState& state, int id, int code) {
    for (const TextControl& c : kTextControls) {
        if (c.id == id) {
            if (code == EN_KILLFOCUS) OnTextDone(page, state.patient, c);
            return;
        }
    }
    if (const HistoryBox* box = FindHistoryBox(id)) {
        // A list that could not be stored is answered with a beep; the field keeps the entry.
        if (IsChoiceDone(code) &&
            !UpdateHistory(GetDlgItem(page, id), *box, state.patient, code == CBN_SELCHANGE, g_program.patientPath))
            Ui().beep(0);
        return;
    }
    OnFieldCommand(page, state, id, code);
}

}  // namespace

INT_PTR CALLBACK PatientPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitPage(page);
        WithState(page, [&](ConverterState& state) { OnRefresh(page, state); });
        return TRUE;
    case WM_COMMAND:
        WithState(page, [&](ConverterState& state) { OnCommand(page, state, LOWORD(wParam), HIWORD(wParam)); });
        return FALSE;
    case WM_PAGE_REFRESH:
        WithState(page, [&](ConverterState& state) { OnRefresh(page, state); });
        return FALSE;
    case WM_DESTROY:
        return TRUE;
    }
    return FALSE;
}

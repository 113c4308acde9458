// The source data page: shows the opened recording's properties, lets the
// operator correct its start date and time, choose the hum filter and the
// calibration wave type, and copy the recorder's channel names into the
// current montage pattern.
#include "source/source_page.h"

#include <cstdio>

#include "engine/run_checks.h"
#include "engine/source_fields.h"
#include "pagekit/patient_age.h"
#include "pagekit/program.h"
#include "pagekit/record_notice.h"
#include "pagekit/state_lock.h"
#include "pagekit/ui_seam.h"
#include "resources/resource_ids.h"
#include "winkit/winkit.h"

namespace {

struct StartControl { int id; StartField field; const char* format; };

const StartControl kStartControls[] = {
    {IDC_SRC_YEAR, kStartYear, "%04i"},     {IDC_SRC_MONTH, kStartMonth, "%02i"},
    {IDC_SRC_DAY, kStartDay, "%02i"},       {IDC_SRC_HOUR, kStartHour, "%02i"},
    {IDC_SRC_MINUTE, kStartMinute, "%02i"}, {IDC_SRC_SECOND, kStartSecond, "%02i"},
};

// The start fields of SourceInfo, in the order of StartField.
int32_t SourceInfo::* const kStartMembers[] = {&SourceInfo::startYear,  &SourceInfo::startMonth,
                                               &SourceInfo::startDay,   &SourceInfo::startHour,
                                               &SourceInfo::startMinute, &SourceInfo::startSecond};

void SetNumber(HWND page, int id, const char* format, int value) {
    char text[32];
    snprintf(text, sizeof text, format, value);
    SetDlgItemTextA(page, id, text);
}

void FillList(HWND page, int id, const char* const* items, int count) {
    SendDlgItemMessageA(page, id, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < count; ++i) SendDlgItemMessageA(page, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items[i]));
}

void OnInitPage(HWND page) {
    SendDlgItemMessageA(page, IDC_SRC_FILETYPE, WM_SETFONT, reinterpret_cast<WPARAM>(WkGetFont(0, kWkFontProminent)), 0);
    static const char* const kHum[] = {"---", "50Hz", "60Hz"};
    const std::string square = ProgramText(IDS_CAL_SQUARE), sine = ProgramText(IDS_CAL_SINE);
    const char* const cal[] = {square.c_str(), sine.c_str()};
    FillList(page, IDC_SRC_HUMFILTER, kHum, 3);
    FillList(page, IDC_SRC_CALTYPE, cal, 2);
}

// The recording's properties and start; without a recording every field
// is empty (the rate the program keeps for the montage is no recording's).
const int kPropertyFields[] = {IDC_SRC_FILENAME, IDC_SRC_CHANNELS, IDC_SRC_RATE, IDC_SRC_BITS, IDC_SRC_TOTALTIME};

void ShowNoRecording(HWND page) {
    SetDlgItemTextA(page, IDC_SRC_FILETYPE, "No Select");
    for (int id : kPropertyFields) SetDlgItemTextA(page, id, "");
    for (const StartControl& c : kStartControls) SetDlgItemTextA(page, c.id, "");
}

void ShowRecording(HWND page, const SourceInfo& source) {
    SetDlgItemTextA(page, IDC_SRC_FILETYPE, source.kindName);
    SetDlgItemTextA(page, IDC_SRC_FILENAME, source.sourcePath);
    SetNumber(page, IDC_SRC_CHANNELS, "%i", source.channelCount);
    SetNumber(page, IDC_SRC_RATE, "%i Hz", source.sampleRate);
    // The width the recorder stored, not the one the reader serves.
    SetNumber(page, IDC_SRC_BITS, "%ibit", source.recordedBits > 0 ? source.recordedBits : source.bitsPerSample);
    for (const StartControl& c : kStartControls)
        SetNumber(page, c.id, c.format, source.*kStartMembers[c.field]);
    char total[48];
    if (!FormatTotalTime(total, sizeof total, source.lengthSamples, source.sampleRate)) total[0] = '\0';
    SetDlgItemTextA(page, IDC_SRC_TOTALTIME, total);
}

void OnRefresh(HWND page, const ConverterState& state) {
    const SourceInfo& source = state.source;
    if (IsSourceOpen(source.sourceKind)) ShowRecording(page, source);
    else ShowNoRecording(page);
    SendDlgItemMessageA(page, IDC_SRC_HUMFILTER, CB_SETCURSEL, source.humFilter, 0);
    SendDlgItemMessageA(page, IDC_SRC_CALTYPE, CB_SETCURSEL, state.settings.CalType, 0);
    EnableWindow(GetDlgItem(page, IDC_SRC_SETLABELS), source.sourceKind == kSourceTaff);
}

// A start field lost the focus: keep an accepted value, then show the stored one.
void OnStartFieldDone(HWND page, ConverterState& state, const StartControl& control) {
    // Without a recording there is no start to correct: the field stays empty.
    if (!IsSourceOpen(state.source.sourceKind)) {
        SetDlgItemTextA(page, control.id, "");
        return;
    }
    char text[64];
    GetDlgItemTextA(page, control.id, text, sizeof text);
    int32_t value = ParseTypedNumber(text);
    int32_t& stored = state.source.*kStartMembers[control.field];
    const int32_t before = stored;
    if (StartFieldAccepts(control.field, value)) stored = value;
    SetNumber(page, control.id, control.format, stored);
    // The patient's age is the age on the night: a corrected year or month
    // moves it.
    if (stored != before && (control.field == kStartYear || control.field == kStartMonth))
        RecomputePatientAge(state);
}

// The short-recording warning: its second line names both lengths.
INT_PTR CALLBACK ShortRecordingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemTextA(dialog, IDC_SHORT_RECORDING_TEXT, reinterpret_cast<const char*>(lParam));
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

void OnListChanged(HWND page, ConverterState& state, int id) {
    int index = static_cast<int>(SendDlgItemMessageA(page, id, CB_GETCURSEL, 0, 0));
    if (index < 0) return;
    if (id == IDC_SRC_HUMFILTER) state.source.humFilter = index;
    else state.settings.CalType = static_cast<uint16_t>(index);
}

// Copies the recorder's channel names into the labels of the current
// pattern; only the 32 entries a pattern has are filled.
void OnSetLabels(HWND page, ConverterState& state) {
    if (state.source.sourceKind != kSourceTaff) return;
    MontagePattern& pattern = CurrentPattern(state);
    int count = state.source.channelCount < kChannelEntries ? state.source.channelCount : kChannelEntries;
    for (int i = 0; i < count; ++i) {
        char* label = pattern.channels[i].label;
        TaffGetText(state.source.sourceHandle, TAFF_TEXT_CHANNEL_NAME, i, label, kLabelSize);
    }
    EnableWindow(GetDlgItem(page, IDC_SRC_SETLABELS), TRUE);
}

void OnCommand(HWND page, ConverterState& state, int id, int code) {
    for (const StartControl& c : kStartControls) {
        if (c.id == id) {
            if (code == EN_KILLFOCUS) OnStartFieldDone(page, state, c);
            return;
        }
    }
    if ((id == IDC_SRC_HUMFILTER || id == IDC_SRC_CALTYPE) && code == CBN_SELCHANGE) OnListChanged(page, state, id);
    else if (id == IDC_SRC_SETLABELS && code == BN_CLICKED) OnSetLabels(page, state);
}

}  // namespace

INT_PTR CALLBACK SourcePageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitPage(page);
        return TRUE;
    case WM_COMMAND:
        WithState(page, [&](ConverterState& state) { OnCommand(page, state, LOWORD(wParam), HIWORD(wParam)); });
        NoticeRecordChanged(page);   // a corrected start time, labels copied
        return FALSE;
    case WM_PAGE_REFRESH:
        WithState(page, [&](ConverterState& state) { OnRefresh(page, state); });
        return FALSE;
    case WM_DESTROY:
        return TRUE;
    }
    return FALSE;
}

void WarnIfShortRecording(HWND owner, const SourceInfo& source) {
    if (!IsShortRecording(source)) return;
    char announced[32], held[32], text[160];
    if (!FormatTotalTime(announced, sizeof announced, source.declaredSamples, source.sampleRate) ||
        !FormatTotalTime(held, sizeof held, source.lengthSamples, source.sampleRate))
        return;
    snprintf(text, sizeof text, ProgramText(IDS_SHORT_RECORDING).c_str(), announced, held, held);
    Ui().beep(MB_ICONEXCLAMATION);
    Ui().dialogBox(owner, g_program.instance, MAKEINTRESOURCEA(IDD_WARN_SHORT_RECORDING), ShortRecordingProc,
                   reinterpret_cast<LPARAM>(text));
}

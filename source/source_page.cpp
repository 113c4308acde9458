// The source data page: shows the opened recording's properties, lets the
// operator correct its start date and time, choose the hum filter and the
// calibration wave type, and copy the recorder's channel names into the
// current montage pattern.
#include <windows.h>

#include <cstdio>

#include "app/app_globals.h"
#include "app/page_procs.h"
#include "app/state_lock.h"
#include "resources/resource_ids.h"
#include "source/source_fields.h"
#include "winkit/winkit.h"

namespace {

struct StartControl { int id; StartField field; const char* format; };

const StartControl kStartControls[] = {
    {IDC_SRC_YEAR, kStartYear, "%04i"},     {IDC_SRC_MONTH, kStartMonth, "%02i"},
    {IDC_SRC_DAY, kStartDay, "%02i"},       {IDC_SRC_HOUR, kStartHour, "%02i"},
    {IDC_SRC_MINUTE, kStartMinute, "%02i"}, {IDC_SRC_SECOND, kStartSecond, "%02i"},
};

int32_t& StartValue(SourceInfo& source, StartField field) {
    int32_t* values[] = {&source.startYear, &source.startMonth, &source.startDay,
                         &source.startHour, &source.startMinute, &source.startSecond};
    return *values[field];
}

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
    SendDlgItemMessageA(page, IDC_SRC_FILETYPE, WM_SETFONT, reinterpret_cast<WPARAM>(WkGetFont(0, 7)), 0);
    static const char* const kHum[] = {"---", "50Hz", "60Hz"};
    static const char* const kCal[] = {"方形波", "正弦波"};
    FillList(page, IDC_SRC_HUMFILTER, kHum, 3);
    FillList(page, IDC_SRC_CALTYPE, kCal, 2);
}

void OnRefresh(HWND page) {
    StateLock lock(g_app.mainWindow);
    if (!lock) return;
    SourceInfo& source = lock->source;
    if (source.sourceKind == kSourceNone) SetDlgItemTextA(page, IDC_SRC_FILETYPE, "No Select");
    else if (IsSourceOpen(source.sourceKind)) SetDlgItemTextA(page, IDC_SRC_FILETYPE, source.kindName);
    SetDlgItemTextA(page, IDC_SRC_FILENAME, source.sourcePath);
    SetNumber(page, IDC_SRC_CHANNELS, "%i", source.channelCount);
    SetNumber(page, IDC_SRC_RATE, "%i Hz", source.sampleRate);
    SetNumber(page, IDC_SRC_BITS, "%ibit", source.bitsPerSample);
    SendDlgItemMessageA(page, IDC_SRC_HUMFILTER, CB_SETCURSEL, source.humFilter, 0);
    SendDlgItemMessageA(page, IDC_SRC_CALTYPE, CB_SETCURSEL, lock->settings.CalType, 0);
    for (const StartControl& c : kStartControls) SetNumber(page, c.id, c.format, StartValue(source, c.field));
    EnableWindow(GetDlgItem(page, IDC_SRC_SETLABELS), source.sourceKind == kSourceTaff);
    char total[48];
    if (FormatTotalTime(total, sizeof total, source.lengthSamples, source.sampleRate))
        SetDlgItemTextA(page, IDC_SRC_TOTALTIME, total);
}

// A start field lost the focus: keep an accepted value, then show the stored one.
void OnStartFieldDone(HWND page, const StartControl& control) {
    StateLock lock(g_app.mainWindow);
    if (!lock) return;
    char text[64];
    GetDlgItemTextA(page, control.id, text, sizeof text);
    int32_t value = ParseTypedNumber(text);
    int32_t& stored = StartValue(lock->source, control.field);
    if (StartFieldAccepts(control.field, value)) stored = value;
    SetNumber(page, control.id, control.format, stored);
}

void OnListChanged(HWND page, int id) {
    StateLock lock(g_app.mainWindow);
    if (!lock) return;
    int index = static_cast<int>(SendDlgItemMessageA(page, id, CB_GETCURSEL, 0, 0));
    if (index < 0) return;
    if (id == IDC_SRC_HUMFILTER) lock->source.humFilter = index;
    else lock->settings.CalType = static_cast<uint16_t>(index);
}

// Copies the recorder's channel names into the labels of the current
// pattern; only the 32 entries a pattern has are filled.
void OnSetLabels(HWND page) {
    StateLock lock(g_app.mainWindow);
    if (!lock || lock->source.sourceKind != kSourceTaff) return;
    MontagePattern& pattern = CurrentPattern(*lock);
    int count = lock->source.channelCount < kChannelEntries ? lock->source.channelCount : kChannelEntries;
    for (int i = 0; i < count; ++i) {
        char* label = pattern.channels[i].label;
        TaffGetText(lock->source.sourceHandle, TAFF_TEXT_CHANNEL_NAME, i, label, kLabelSize);
    }
    EnableWindow(GetDlgItem(page, IDC_SRC_SETLABELS), TRUE);
}

void OnCommand(HWND page, int id, int code) {
    for (const StartControl& c : kStartControls) {
        if (c.id == id) {
            if (code == EN_KILLFOCUS) OnStartFieldDone(page, c);
            return;
        }
    }
    if ((id == IDC_SRC_HUMFILTER || id == IDC_SRC_CALTYPE) && code == CBN_SELCHANGE) OnListChanged(page, id);
    else if (id == IDC_SRC_SETLABELS && code == BN_CLICKED) OnSetLabels(page);
}

}  // namespace

INT_PTR CALLBACK SourcePageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitPage(page);
        return TRUE;
    case WM_COMMAND:
        OnCommand(page, LOWORD(wParam), HIWORD(wParam));
        return FALSE;
    case WM_PAGE_REFRESH:
        OnRefresh(page);
        return FALSE;
    case WM_DESTROY:
        return TRUE;
    }
    return FALSE;
}

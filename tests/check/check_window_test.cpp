// The night check in the window, through the real main window under Wine:
// the check started by opening a recording and shown in the status line,
// the window answering while a long night is checked, nothing left running
// when the recording closes mid-check, the check window and its way into
// the preview, a montage change checked again, the question before a
// failing night is converted, and the findings written into the file when
// the settings ask for it (read back natively by check_notes_readback).
#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "check/check_window.h"
#include "pagekit/held_check.h"
#include "resources/resource_ids.h"
#include "tests/app/gui_support.h"

namespace {

// The sample montage (tools/sample/MORLEX.INI from MaxCh on, its rule set
// for a short night left out) under [SYSTEM], with `rule` as the night's
// rule set.
void WriteSampleSettings(const std::string& rule = "EEG, SpO2, airflow >= 4 h", bool notes = false) {
    std::ifstream in(SAMPLE_INI);
    std::stringstream text;
    text << "[SYSTEM]\r\n";
    std::string line;
    bool from = false;
    while (std::getline(in, line)) {
        if (line.rfind("MaxCh", 0) == 0) from = true;
        if (line.rfind("[NIGHTCHECK]", 0) == 0) break;
        if (from) text << line << "\r\n";
    }
    text << "[NIGHTCHECK]\r\nRule=" << rule << "\r\nAnnotations=" << (notes ? 1 : 0) << "\r\n";
    WriteTextFile(SettingsPath(), text.str());
}

// A sample night of `seconds` with C3-A2 flat from 600 s for 300 s.
TaffGenOptions FaultyNight(double seconds) {
    TaffGenOptions o;
    o.channels = 14;
    o.seconds = seconds;
    TaffGenFault flat;
    flat.kind = TaffGenFaultKind::Flat;
    flat.channel = 0;
    flat.startSeconds = 600;
    flat.lengthSeconds = 300;
    o.faults.push_back(flat);
    return o;
}

// The verdict line of a faulty half-hour night under the default rule set.
const char kVerdictLine[] =
    "記録ﾁｪｯｸ: 不良 (EEG, SpO2, airflow >= 4 h)\r\nEEG: 0.5 時間 < 4 時間; 気流: 0.5 時間 < 4 時間; SpO2: 0.5 時間 < 4 時間";

// Threads of this process now.
int ThreadCount() {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 entry;
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Thread32First(snap, &entry); more; more = Thread32Next(snap, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
    CloseHandle(snap);
    return count;
}

std::string ListCell(HWND list, int row, int column) {
    char text[256] = "";
    LVITEMA item;
    memset(&item, 0, sizeof item);
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

int ListRows(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

// The first row whose first columns are `channel` and `check`; -1 when none.
int RowOf(HWND list, const std::string& channel, const std::string& check) {
    for (int row = 0; row < ListRows(list); ++row)
        if (ListCell(list, row, 0) == channel && ListCell(list, row, 1) == check) return row;
    return -1;
}

class CheckInWindow : public MainWindowTest {
protected:
    void OpenRecording(const std::string& path) {
        Fake().openAnswer = path;
        SendMessageA(window, WM_COMMAND, IDM_FILE_OPEN, 0);
        ASSERT_EQ(kSourceTaff, State().source.sourceKind) << path;
    }
    bool CheckDone(int ms = 60000) {
        return PumpUntil([this] { return Held().valid && !Held().running; }, ms);
    }
    std::string Status() {
        char text[256] = "";
        HWND status = GetDlgItem(window, IDC_MAIN_STATUSBAR);
        if (SendMessageA(status, SB_GETTEXTLENGTHA, 1, 0) < LRESULT(sizeof text))
            SendMessageA(status, SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(text));
        return text;
    }
    // Converts the open recording to `output` (the conversion page's run to
    // its end); true when the file was written.
    bool Convert(const std::string& output) {
        Fake().saveAnswer = output;
        SendMessageA(window, WM_COMMAND, IDM_FILE_CONVERT, 0);
        PumpPending();      // the start, refused or begun
        PumpUntil([&] { return State().conv.conversionState != kConvConverting; }, 60000);
        return GetFileAttributesA(output.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
};

TEST_F(CheckInWindow, OpeningChecksTheNightAndTheStatusLineShowsTheVerdict) {
    WriteSampleSettings("EEG >= 0.25 h");
    Open();
    OpenRecording(MakeRecording("PASS.HDR", FaultyNight(1800)));
    ASSERT_TRUE(CheckDone());
    EXPECT_TRUE(Held().result.complete);
    EXPECT_EQ("記録ﾁｪｯｸ: 注意あり (EEG >= 0.25 h)", Status());
}

TEST_F(CheckInWindow, TheWindowAnswersWhileALongNightIsCheckedAndClosingStopsTheCheck) {
    WriteSampleSettings();
    Open();
    const std::string path = MakeRecording("LONG.HDR", FaultyNight(6 * 3600));
    const int before = ThreadCount();
    ASSERT_GT(before, 0);
    OpenRecording(path);
    ASSERT_TRUE(PumpUntil([this] { return Held().done > 0; }));
    // Another thread asks the window 40 times with a 50 ms limit each while
    // this one pumps as the program's loop does.
    std::atomic<int> answered{0}, probes{0};
    std::atomic<long long> slowestUs{0};
    std::thread prober([&] {
        for (int i = 0; i < 40; ++i) {
            DWORD_PTR result = 0;
            const auto start = std::chrono::steady_clock::now();
            if (SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 50, &result)) ++answered;
            const long long us = std::chrono::duration_cast<std::chrono::microseconds>(
                                     std::chrono::steady_clock::now() - start).count();
            slowestUs = std::max(slowestUs.load(), us);
            ++probes;
        }
    });
    PumpUntil([&] { return probes == 40; }, 30000);
    prober.join();
    EXPECT_EQ(40, answered.load());
    EXPECT_LT(slowestUs.load(), 50000);
    ASSERT_TRUE(Held().running) << "the night was checked before the probes ended";

    // Closing the recording mid-check: the check stops and its thread is gone.
    SendMessageA(window, WM_COMMAND, IDM_FILE_CLOSE, 0);
    PumpPending();
    EXPECT_FALSE(Held().running);
    EXPECT_TRUE(Held().stopped);
    EXPECT_EQ("記録ﾁｪｯｸ中止", Status());
    EXPECT_TRUE(PumpUntil([&] { return ThreadCount() == before; }, 5000)) << ThreadCount() << " vs " << before;
}

TEST_F(CheckInWindow, TheCheckWindowListsTheFindingsAndShowsOneInThePreview) {
    WriteSampleSettings();
    Open();
    // Without a recording: a warning, and no window.
    SendMessageA(window, WM_COMMAND, IDM_FILE_CHECK, 0);
    EXPECT_EQ(1u, Fake().messageBoxes.size());
    EXPECT_EQ(nullptr, FindWindowA(CHECK_CLASS, nullptr));

    OpenRecording(MakeRecording("LIST.HDR", FaultyNight(1800)));
    SendMessageA(window, WM_COMMAND, IDM_FILE_CHECK, 0);
    HWND check = State().frame.check;
    ASSERT_NE(nullptr, check);
    EXPECT_EQ(check, FindWindowA(CHECK_CLASS, nullptr));
    EXPECT_EQ(window, GetWindow(check, GW_OWNER));
    SendMessageA(window, WM_COMMAND, IDM_FILE_CHECK, 0);
    EXPECT_EQ(check, State().frame.check);      // the same window again
    ASSERT_TRUE(CheckDone());
    HWND list = GetDlgItem(check, IDC_CHECK_FINDINGS);
    // The window follows the check as it completes.
    ASSERT_TRUE(PumpUntil([&] { return ListRows(list) == int(Held().result.findings.size()); }));
    const int row = RowOf(list, "C3-A2", "平坦");
    ASSERT_GE(row, 0);
    EXPECT_EQ("22:25:04", ListCell(list, row, 2));
    EXPECT_EQ("22:30:04", ListCell(list, row, 3));
    EXPECT_EQ("不良", ListCell(list, row, 5));
    EXPECT_EQ("値が一定", ListCell(list, row, 6));
    EXPECT_EQ(ListRows(GetDlgItem(check, IDC_CHECK_CHANNELS)), 14);
    EXPECT_EQ(kVerdictLine, ControlText(check, IDC_CHECK_VERDICT));
    // The value with its unit, and a hum's mains frequency.
    for (CheckFinding& f : Held().result.findings)
        if (f.kind == CheckKind::Flat && strcmp(f.label, "C3-A2") == 0) f.unit = "uV";
    Held().result.findings.push_back(Held().result.findings[0]);
    CheckFinding& hum = Held().result.findings.back();
    hum.kind = CheckKind::Hum, hum.value = 5.664, hum.unit = "uV rms", hum.note = "50 Hz";
    strcpy(hum.label, "HUM-TEST");
    Held().result.mainsHz = 50;
    ++Held().resultSerial;
    SendMessageA(check, WM_CHECK_CHANGED, 0, 0);
    EXPECT_EQ("0 uV", ListCell(list, RowOf(list, "C3-A2", "平坦"), 4));
    EXPECT_EQ("5.7 uV rms (50 Hz)", ListCell(list, RowOf(list, "HUM-TEST", "電源ﾉｲｽﾞ"), 4));
    EXPECT_EQ("", ListCell(list, RowOf(list, "HUM-TEST", "電源ﾉｲｽﾞ"), 6));  // the frequency said once

    // Sorted by the measured value, highest first after a second click.
    NMLISTVIEW click;
    memset(&click, 0, sizeof click);
    click.hdr.hwndFrom = list;
    click.hdr.idFrom = IDC_CHECK_FINDINGS;
    click.hdr.code = LVN_COLUMNCLICK;
    click.iSubItem = 4;
    SendMessageA(check, WM_NOTIFY, IDC_CHECK_FINDINGS, reinterpret_cast<LPARAM>(&click));
    SendMessageA(check, WM_NOTIFY, IDC_CHECK_FINDINGS, reinterpret_cast<LPARAM>(&click));
    double highest = 0;
    for (const CheckFinding& f : Held().result.findings) highest = std::max(highest, f.value);
    // (the text rounded as its unit is read)
    EXPECT_NEAR(highest, atof(ListCell(list, 0, 4).c_str()), 0.05 + 0.005 * highest) << ListCell(list, 0, 4);

    // A double click on the flat stretch: the preview shows it, C3-A2 chosen.
    const int flatRow = RowOf(list, "C3-A2", "平坦");
    RECT box = {LVIR_BOUNDS, 0, 0, 0};
    SendMessageA(list, LVM_GETITEMRECT, flatRow, reinterpret_cast<LPARAM>(&box));
    const LPARAM at = MAKELPARAM(box.left + 4, (box.top + box.bottom) / 2);
    SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(list, WM_LBUTTONUP, 0, at);
    SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageA(list, WM_LBUTTONUP, 0, at);
    ASSERT_TRUE(PumpUntil([&] {
        return State().frame.preview && ControlText(State().frame.preview, IDC_PREV_EPOCH_START) == "22:25:04 (+0:10:00)";
    }, 10000)) << (State().frame.preview ? ControlText(State().frame.preview, IDC_PREV_EPOCH_START) : "no preview");

    // The report saved where the operator chooses; NAME.check.html proposed.
    Fake().saveAnswer = TempDir() + "\\LIST-report.html";
    SendMessageA(check, WM_COMMAND, IDC_CHECK_SAVE, 0);
    EXPECT_EQ(TempDir() + "\\LIST.check.html", Fake().saveFileName);   // beside the recording
    const std::string report = ReadTextFile(Fake().saveAnswer);
    EXPECT_EQ(0u, report.find(u8"<!DOCTYPE html>\n<html lang=\"ja\"><head><meta charset=\"utf-8\">\n"
                              u8"<title>記録チェック: LIST.HDR</title>"));
    EXPECT_NE(std::string::npos, report.find(u8"<h1>記録チェック</h1>"));
    EXPECT_NE(std::string::npos, report.find(u8">不良</b> 平坦 22:25:04-22:30:04 0 uV 値が一定</li>")) << report;
    // English when the settings ask for it.
    WritePrivateProfileStringA("NIGHTCHECK", "ReportLanguage", "en", SettingsPath().c_str());
    SendMessageA(check, WM_COMMAND, IDC_CHECK_SAVE, 0);
    EXPECT_EQ(0u, ReadTextFile(Fake().saveAnswer).find("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
                                                       "<title>Night check: LIST.HDR</title>"));

    DestroyWindow(check);
    EXPECT_EQ(nullptr, State().frame.check);    // the closed window is forgotten
}

TEST_F(CheckInWindow, AMontageChangeChecksTheTouchedChannelsAgain) {
    WriteSampleSettings();
    Open();
    OpenRecording(MakeRecording("MONT.HDR", FaultyNight(1800)));
    ASSERT_TRUE(CheckDone());
    auto count = [this](const char* label, CheckKind kind) {
        int n = 0;
        for (const CheckFinding& f : Held().result.findings)
            if (strcmp(f.label, label) == 0 && f.kind == kind) ++n;
        return n;
    };
    ASSERT_EQ(1, count("C3-A2", CheckKind::Flat));
    const size_t channels = Held().result.channels.size();

    // A label only: relabelled at once, nothing checked again.
    strcpy(CurrentPattern(State()).channels[0].label, "C3-M2");
    PostMessageA(window, WM_RECORD_CHANGED, 0, 0);
    PumpPending();
    EXPECT_FALSE(Held().running);
    EXPECT_EQ(1, count("C3-M2", CheckKind::Flat));

    // Its calibration: that channel is checked again, the others kept.
    const uint32_t serial = Held().serial;
    CurrentPattern(State()).channels[0].calEU *= 2;
    PostMessageA(window, WM_RECORD_CHANGED, 0, 0);
    PumpPending();
    EXPECT_TRUE(Held().running || Held().serial > serial + 1);
    ASSERT_TRUE(CheckDone());
    EXPECT_EQ(1, count("C3-M2", CheckKind::Flat));
    EXPECT_EQ(channels, Held().result.channels.size());

    // Switched off: its findings go, the others move up a place.
    const int ecgTrace = [this] {
        for (const ChannelSummary& ch : Held().result.channels)
            if (strcmp(ch.label, "ECG") == 0) return ch.trace;
        return -1;
    }();
    CurrentPattern(State()).channels[0].enabled = 0;
    PostMessageA(window, WM_RECORD_CHANGED, 0, 0);
    PumpPending();
    ASSERT_TRUE(CheckDone());
    EXPECT_EQ(0, count("C3-M2", CheckKind::Flat));
    EXPECT_EQ(channels - 1, Held().result.channels.size());
    for (const ChannelSummary& ch : Held().result.channels)
        if (strcmp(ch.label, "ECG") == 0) {
            EXPECT_EQ(ecgTrace - 1, ch.trace);
        }
}

TEST_F(CheckInWindow, AFailingNightIsAskedAboutOnceAndCancelWritesNothing) {
    WriteSampleSettings();
    Open();
    OpenRecording(MakeRecording("ASK.HDR", FaultyNight(1800)));
    ASSERT_TRUE(CheckDone());
    ASSERT_EQ(CheckVerdict::Fail, Held().result.verdict);
    Fake().messageBoxAnswer = IDCANCEL;
    const std::string output = TempDir() + "\\ASKED.DAT";
    EXPECT_FALSE(Convert(output));
    ASSERT_EQ(1u, Fake().messageBoxes.size());
    EXPECT_NE(std::string::npos, Fake().messageBoxes[0].find("\n不良のﾁｬﾝﾈﾙ: ")) << Fake().messageBoxes[0];
    EXPECT_EQ(UINT(MB_OKCANCEL | MB_DEFBUTTON2 | MB_ICONQUESTION), Fake().messageBoxTypes[0]);

    Fake().messageBoxAnswer = IDOK;
    EXPECT_TRUE(Convert(output));
    EXPECT_EQ(2u, Fake().messageBoxes.size());
    // The same recording and montage: not asked again.
    DeleteFileA(output.c_str());
    EXPECT_TRUE(Convert(output));
    EXPECT_EQ(2u, Fake().messageBoxes.size());
}

// On a night of one EEG channel, its lead off for five minutes, the
// question says why the night fails the rule set and names the channel
// whose fail finding fails it.
TEST_F(CheckInWindow, TheQuestionSaysWhyTheNightFails) {
    WriteSampleSettings();
    Open();
    TaffGenOptions night = FaultyNight(1800);
    night.channels = 1;
    OpenRecording(MakeRecording("ONE.HDR", night));
    ASSERT_TRUE(CheckDone());
    Fake().messageBoxAnswer = IDCANCEL;
    EXPECT_FALSE(Convert(TempDir() + "\\ONE_PSG.DAT"));
    ASSERT_EQ(1u, Fake().messageBoxes.size());
    EXPECT_EQ("この記録は記録ﾁｪｯｸで不良と判定されています。\n判定基準: EEG, SpO2, airflow >= 4 h\n"
              "理由: EEG: 0.4 時間 < 4 時間; 気流: チャンネルなし; SpO2: チャンネルなし\n不良のﾁｬﾝﾈﾙ: C3-A2\n\n"
              "このまま変換しますか?",
              Fake().messageBoxes[0]);
}

// The check window opens beside the main window, inside the work area,
// showing every channel row of a 14-channel night (also run at 144 dpi),
// with the focus on the findings; Tab, Down and Enter as the message loop
// hands them over show a finding in the preview, Esc closes the window.
TEST_F(CheckInWindow, TheWindowOpensBesideTheMainWindowAndAnswersKeys) {
    if (const char* expected = std::getenv("EXPECTED_DPI")) {
        HDC dc = GetDC(nullptr);
        ASSERT_EQ(atoi(expected), GetDeviceCaps(dc, LOGPIXELSX)) << "the prefix's screen is not at that dpi";
        ReleaseDC(nullptr, dc);
    }
    WriteSampleSettings();
    Open();
    TaffGenOptions night = FaultyNight(1800);
    TaffGenFault second = night.faults[0];
    second.channel = 1;
    second.startSeconds = 1200;
    night.faults.push_back(second);
    OpenRecording(MakeRecording("KEYS.HDR", night));
    ASSERT_TRUE(CheckDone());
    SendMessageA(window, WM_COMMAND, IDM_FILE_CHECK, 0);
    HWND check = State().frame.check;
    ASSERT_NE(nullptr, check);
    RECT place, work, main;
    GetWindowRect(check, &place);
    GetWindowRect(window, &main);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_TRUE(place.left >= work.left && place.top >= work.top && place.right <= work.right &&
                place.bottom <= work.bottom)
        << place.left << "," << place.top << "," << place.right << "," << place.bottom << " in " << work.right << "x"
        << work.bottom;
    if (main.right + (place.right - place.left) <= work.right) {
        EXPECT_EQ(main.right, place.left);
    }
    HWND channels = GetDlgItem(check, IDC_CHECK_CHANNELS), findings = GetDlgItem(check, IDC_CHECK_FINDINGS);
    EXPECT_EQ(14, ListRows(channels));
    EXPECT_GE(SendMessageA(channels, LVM_GETCOUNTPERPAGE, 0, 0), 14);
    EXPECT_EQ(findings, GetFocus());

    auto key = [&](WPARAM vk) {
        MSG m = {};
        m.hwnd = GetFocus();
        m.message = WM_KEYDOWN;
        m.wParam = vk;
        if (!TranslateCheckKey(check, m)) SendMessageA(m.hwnd, WM_KEYDOWN, vk, 0);
        PumpPending();
    };
    key(VK_TAB);
    EXPECT_EQ(channels, GetFocus());
    EXPECT_EQ(0, SendMessageA(channels, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));   // the focused row marked
    key(VK_DOWN);
    EXPECT_EQ(1, SendMessageA(channels, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
    const int chosen = int(SendMessageA(findings, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
    ASSERT_GE(chosen, 0);
    EXPECT_EQ("C4-A1", ListCell(findings, chosen, 0));     // the channel's first finding chosen
    key(VK_RETURN);
    ASSERT_TRUE(PumpUntil([&] {
        return State().frame.preview && ControlText(State().frame.preview, IDC_PREV_EPOCH_START) == "22:35:04 (+0:20:00)";
    }, 10000)) << (State().frame.preview ? ControlText(State().frame.preview, IDC_PREV_EPOCH_START) : "no preview");
    // Esc closes it; moved before, it opens again where it was.
    SetWindowPos(check, nullptr, work.left + 10, work.top + 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    GetWindowRect(check, &place);
    SetFocus(findings);
    key(VK_ESCAPE);
    EXPECT_FALSE(IsWindow(check));
    EXPECT_EQ(nullptr, State().frame.check);
    SendMessageA(window, WM_COMMAND, IDM_FILE_CHECK, 0);
    RECT again = {0, 0, 0, 0};
    ASSERT_NE(nullptr, State().frame.check);
    GetWindowRect(State().frame.check, &again);
    EXPECT_TRUE(EqualRect(&place, &again)) << again.left << "," << again.top << " not " << place.left << "," << place.top;
}

// A conversion started while the check runs does not wait for it, and its
// file is the file a conversion after the check writes.
TEST_F(CheckInWindow, AConversionDuringTheCheckNeitherWaitsNorChanges) {
    WriteSampleSettings();
    Open();
    OpenRecording(MakeRecording("DURING.HDR", FaultyNight(2 * 3600)));
    const std::string during = TempDir() + "\\DURING_PSG.DAT", after = TempDir() + "\\AFTER_PSG.DAT";
    Fake().saveAnswer = during;
    SendMessageA(window, WM_COMMAND, IDM_FILE_CONVERT, 0);
    // One message at a time until the conversion has started: the check runs.
    MSG m;
    while (State().conv.conversionState == kConvOutputChosen && PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&m);
    ASSERT_EQ(kConvConverting, State().conv.conversionState);
    ASSERT_TRUE(Held().running);
    ASSERT_TRUE(PumpUntil([&] { return State().conv.conversionState != kConvConverting; }, 60000));
    ASSERT_TRUE(CheckDone());
    ASSERT_TRUE(Convert(after));
    const std::string a = ReadTextFile(during), b = ReadTextFile(after);
    ASSERT_GT(a.size(), 256u);
    EXPECT_TRUE(a == b) << "the files differ";
}

// The montage option writes the warn and fail findings into the file (the
// native check_notes_readback reads both files with EDFlib); off, none.
// The option is stored at once when the dialog is left with OK.
TEST_F(CheckInWindow, TheAnnotationsOptionWritesTheFindingsIntoTheFile) {
    WriteSampleSettings("EEG >= 0.25 h", false);
    Open();
    CreateDirectoryA(CHECK_NOTES_DIR, nullptr);
    OpenRecording(MakeRecording("NOTES.HDR", FaultyNight(1800)));
    ASSERT_TRUE(CheckDone());
    const std::string off = std::string(CHECK_NOTES_DIR) + "\\OFF.DAT", on = std::string(CHECK_NOTES_DIR) + "\\ON.DAT";
    DeleteFileA(off.c_str());
    DeleteFileA(on.c_str());
    ASSERT_TRUE(Convert(off));

    // Switched on in the montage options.
    Fake().dialogScript = [](HWND dialog) {
        SendDlgItemMessageA(dialog, IDC_MOPT_CHECK_NOTES, BM_CLICK, 0, 0);
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    };
    SendMessageA(window, WM_COMMAND, IDM_SET_MONTAGE_OPTIONS, 0);
    EXPECT_EQ(1, State().settings.CheckNotes);
    EXPECT_EQ(1, GetPrivateProfileIntA("NIGHTCHECK", "Annotations", 0, SettingsPath().c_str()));
    ASSERT_TRUE(Convert(on));
}

}  // namespace

// The end-to-end run: the real converter started as its own process and
// driven only from outside, through its windows and the system's real
// common dialogs, as a person at the screen would: open a recording through
// the open dialog, correct the start time, fill in the patient, look at the
// montage, open the position levels, look at the signal preview, choose the
// output through Save As (answering the program's overwrite confirmation),
// convert, wait for the finished status and exit. Screenshots of every page and dialog are taken
// along the way (BMP files in the shots folder). The PSG file and the
// settings written at exit are checked afterwards by the native checker.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "tests/e2e/e2e_plan.h"
#include "tests/e2e/e2e_windows.h"

namespace {

using namespace e2e;

// The work folder: the program copy with its settings, the recordings, the
// output folder and the screenshots.
// E2E_WORK in the environment names another folder (the run command's
// demonstration uses that).
std::string Work(const std::string& name = "") {
    char folder[MAX_PATH] = "";
    if (!GetEnvironmentVariableA("E2E_WORK", folder, sizeof folder)) snprintf(folder, sizeof folder, "%s", E2E_WORK);
    std::string path = folder;
    if (!name.empty()) path += "\\" + name;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

void PrepareWork() {
    CreateDirectoryA(Work().c_str(), nullptr);
    for (const char* sub : {"prog", "prog\\COND", "out", "shots"}) CreateDirectoryA(Work(sub).c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(E2E_EXE, Work("prog\\MORLEXCV.exe").c_str(), FALSE)) << E2E_EXE;
    std::string error;
    ASSERT_TRUE(WriteTaffRecording(Recording(), Work(kHeaderName), &error)) << error;
}

// The settings the run command gives a newcomer: the sample montage and the
// recording to open; no patient file yet.
void FreshSettings(const std::string& orgFile) {
    DeleteFileA(Work("prog\\COND\\PATIENT.INF").c_str());
    std::string ini = ReadFile(E2E_SAMPLE_INI);
    ASSERT_FALSE(ini.empty());
    ini = "[SYSTEM]\r\nOrgFile=" + orgFile + "\r\n" + ini.substr(ini.find("MaxCh"));
    ASSERT_NO_FATAL_FAILURE(WriteFile(Work("prog\\COND\\MORLEX.INI"), ini));
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(PrepareWork());
        ASSERT_EQ(nullptr, FindWindowA(MAIN_CLASS, nullptr)) << "a converter is already running";
    }
    void TearDown() override { program.Kill(); }
    void Start(const std::string& orgFile) {
        ASSERT_NO_FATAL_FAILURE(FreshSettings(orgFile));
        ASSERT_TRUE(program.Start(Work("prog\\MORLEXCV.exe")));
        ASSERT_TRUE(program.main) << "the main window did not appear";
        ui.main = program.main;
        ASSERT_TRUE(ui.FindPages()) << "a page is missing";
    }
    void Shot(const char* name, HWND window = nullptr) {
        if (!window) window = ui.main;
        EXPECT_TRUE(ShowsSettled(window));
        EXPECT_TRUE(SaveScreenshot(window, Work("shots\\") + name + ".bmp"));
    }
    // Opens `path` through command 4002 and the real open dialog.
    void OpenThroughDialog(const std::string& path) {
        PostMessageA(ui.main, WM_COMMAND, IDM_FILE_OPEN, 0);
        HWND dialog = WaitForDialog("TAFFormat File Select", 10000);
        ASSERT_TRUE(dialog) << "the open dialog did not appear";
        ASSERT_TRUE(ChooseFileInDialog(dialog, path));
    }
    // Chooses `path` through command 4008 and the real Save As dialog.
    void ConvertThroughDialog(const std::string& path) {
        PostMessageA(ui.main, WM_COMMAND, IDM_FILE_CONVERT, 0);
        HWND dialog = WaitForDialog("PSG Convert File Select", 10000);
        ASSERT_TRUE(dialog) << "the Save As dialog did not appear";
        ASSERT_TRUE(ChooseFileInDialog(dialog, path));
    }
    Program program;
    MainUi ui;
};

TEST_F(EndToEnd, ConvertsTheSampleThroughTheRealDialogsAndPages) {
    const std::string recording = Work(kHeaderName);
    ASSERT_NO_FATAL_FAILURE(Start(recording));
    Shot("main-window-first-start");

    // Source page: the recording, then the start time corrected.
    ASSERT_NO_FATAL_FAILURE(OpenThroughDialog(recording));
    ASSERT_TRUE(WaitFor([&] { return ControlText(ui.source, IDC_SRC_CHANNELS) == "14"; }, 10000))
        << "channels shown: " << ControlText(ui.source, IDC_SRC_CHANNELS);
    EXPECT_EQ("200 Hz", ControlText(ui.source, IDC_SRC_RATE));
    EXPECT_EQ("0:02:30", ControlText(ui.source, IDC_SRC_TOTALTIME));
    EXPECT_NE(std::string::npos, WindowText(ui.main).find(kHeaderName)) << WindowText(ui.main);
    EditField(ui.source, IDC_SRC_HOUR, std::to_string(kStartHour));
    EditField(ui.source, IDC_SRC_MINUTE, std::to_string(kStartMinute));
    EditField(ui.source, IDC_SRC_SECOND, std::to_string(kStartSecond));
    EditField(ui.source, IDC_SRC_MINUTE + 0, "75");   // out of range: the stored minute comes back
    EXPECT_EQ("05", ControlText(ui.source, IDC_SRC_MINUTE));
    EXPECT_EQ("23", ControlText(ui.source, IDC_SRC_HOUR));
    ExpectWholeDialog(ui.source, "source page");
    Shot("main-window-source-page");

    // Patient page.
    ASSERT_TRUE(ui.ShowPage(1)) << "the patient page did not show";
    EditField(ui.patient, IDC_PAT_ID, kPatientId);
    EditField(ui.patient, IDC_PAT_NAME, kPatientName);
    EditField(ui.patient, IDC_PAT_HEIGHT, "158.5");
    EXPECT_EQ(kPatientId, ControlText(ui.patient, IDC_PAT_ID));
    ExpectWholeDialog(ui.patient, "patient page");
    Shot("patient-page");

    // Montage page: the sample pattern's labels in the grid.
    ASSERT_TRUE(ui.ShowPage(2)) << "the montage page did not show";
    ExpectWholeDialog(ui.montage, "montage page");
    Shot("montage-page");
    MontagePageSteps(ui);
    // A label typed into the grid, a calibration file imported through the
    // real open dialog, and the pattern registered.
    ASSERT_TRUE(EditGridLabel(ui, kMaxCh, kEditedRow, kEditedLabel)) << "the grid's editor did not open";
    Shot("montage-grid");
    ASSERT_NO_FATAL_FAILURE(WriteFile(Work(kCalName), CalFileText()));
    PostMessageA(ui.montage, WM_COMMAND, MAKEWPARAM(IDC_MONT_LOAD_CAL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(ui.montage, IDC_MONT_LOAD_CAL)));
    HWND calDialog = WaitForDialog("CAL Condition File Select", 10000);
    ASSERT_TRUE(calDialog) << "the CAL open dialog did not appear";
    ASSERT_TRUE(ChooseFileInDialog(calDialog, Work(kCalName)));
    PressButton(ui.montage, IDC_MONT_REGISTER);

    // Position levels: the real dialog through command 4209, kept with OK.
    PostMessageA(ui.main, WM_COMMAND, IDM_SET_POSITION, 0);
    HWND levels = WaitForDialogWithControl(IDC_POS_LEVEL_COUNT, 10000);
    ASSERT_TRUE(levels) << "the position dialog did not appear";
    EXPECT_EQ("Supine", ControlText(levels, IDC_POS_LABEL(1)));
    ExpectWholeDialog(levels, "position dialog");
    Shot("position-dialog", levels);
    PressButton(levels, IDOK);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(levels); }, 10000));

    // The signal preview through command 4010, at its second epoch from the
    // corrected start; it stays open while the conversion runs.
    PostMessageA(ui.main, WM_COMMAND, IDM_FILE_PREVIEW, 0);
    ASSERT_TRUE(WaitFor([&] { return FindWindowA(PREVIEW_CLASS, nullptr) != nullptr; }, 10000))
        << "the preview did not appear";
    HWND preview = FindWindowA(PREVIEW_CLASS, nullptr);
    PostMessageA(preview, WM_KEYDOWN, VK_NEXT, 0);
    ASSERT_TRUE(WaitFor([&] { return ControlText(preview, IDC_PREV_EPOCH_START) == "23:06:00 (+0:00:30)"; }, 10000))
        << "epoch start: " << ControlText(preview, IDC_PREV_EPOCH_START);
    // Every trace at the scale the sample montage opens it with, the
    // caption naming the recording's file.
    char caption[128] = "";
    GetWindowTextA(preview, caption, sizeof caption);
    EXPECT_EQ(std::string("波形確認 - ") + kHeaderName, caption);
    Shot("signal-preview", preview);

    // Output over an existing file: the program's confirmation 105, then
    // the conversion runs to its end.
    const std::string output = Work("out\\") + kOutputName;
    ASSERT_NO_FATAL_FAILURE(WriteFile(output, "an earlier file"));
    ASSERT_NO_FATAL_FAILURE(ConvertThroughDialog(output));
    HWND confirm = WaitForDialog("確認", 10000);
    ASSERT_TRUE(confirm) << "the overwrite confirmation did not appear";
    EXPECT_TRUE(DialogSays(confirm, "すでに同名のファイルが存在します。"));
    PressButton(confirm, IDOK);
    ASSERT_TRUE(WaitFor([&] { return ControlText(ui.convert, IDC_CONV_STATUS) == "変換が正常に終了しました。"; }, 30000))
        << "status: " << ControlText(ui.convert, IDC_CONV_STATUS);
    EXPECT_EQ(ControlText(ui.convert, IDC_CONV_OUTPUT), output);
    const std::string counter = ControlText(ui.convert, IDC_CONV_COUNTER);
    EXPECT_NE(std::string::npos, counter.find(" / ")) << counter;
    EXPECT_TRUE(TextFits(ui.convert, IDC_CONV_STATUS)) << "the status text is cut";
    ExpectWholeDialog(ui.convert, "conversion page");
    Shot("main-window-conversion-page");

    // Exit through command 4009: the program ends with 0 and writes its settings.
    PostMessageA(ui.main, WM_COMMAND, IDM_FILE_EXIT, 0);
    EXPECT_EQ(0u, program.WaitForExit(20000));
    const std::string ini = ReadFile(Work("prog\\COND\\MORLEX.INI"));
    EXPECT_NE(std::string::npos, ini.find("CopyFile=" + output)) << ini;
    EXPECT_NE(std::string::npos, ini.find("ChLabel" + std::to_string(kEditedRow) + "=" + kEditedLabel)) << ini;
    EXPECT_NE(std::string::npos, ReadFile(Work("prog\\COND\\PATIENT.INF")).find(kPatientId));
}

// The settings menu's option dialogs and Pattern Copy in the real program:
// each shows whole, is photographed for the operator's guide, and stores
// what was chosen.
TEST_F(EndToEnd, TheOptionDialogsShowWholeAndStoreTheirChoices) {
    ASSERT_NO_FATAL_FAILURE(Start(Work(kHeaderName)));
    const auto click = [](HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); };

    PostMessageA(ui.main, WM_COMMAND, IDM_SET_FACILITY, 0);
    HWND facility = WaitForDialog("施設名設定", 10000);
    ASSERT_TRUE(facility) << "the facility dialog did not appear";
    ExpectWholeDialog(facility, "facility dialog");
    EditField(facility, IDC_FAC_NAME, "North Sleep Lab");
    Shot("facility-name", facility);
    PressButton(facility, IDOK);
    EXPECT_TRUE(WaitFor([&] { return WindowText(ui.main).find("North Sleep Lab") != std::string::npos; }, 10000))
        << WindowText(ui.main);

    PostMessageA(ui.main, WM_COMMAND, IDM_SET_PATIENT_OPTIONS, 0);
    HWND identity = WaitForDialog("患者情報ｵﾌﾟｼｮﾝ", 10000);
    ASSERT_TRUE(identity) << "the patient options dialog did not appear";
    ExpectWholeDialog(identity, "patient options dialog");
    click(identity, IDC_IDN_RESEARCH);
    EditField(identity, IDC_IDN_CODE, "STUDY-17");
    click(identity, IDC_IDN_KEEP_AGE);
    click(identity, IDC_IDN_KEEP_SEX);
    Shot("patient-options", identity);
    PressButton(identity, IDOK);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(identity); }, 10000));
    ASSERT_TRUE(ui.ShowPage(1));
    EXPECT_TRUE(WaitFor([&] { return ControlText(ui.patient, IDC_PAT_IDENTITY).find("STUDY-17") != std::string::npos; },
                        10000));
    Shot("patient-page-research");

    PostMessageA(ui.main, WM_COMMAND, IDM_SET_MONTAGE_OPTIONS, 0);
    HWND montage = WaitForDialog("ﾓﾝﾀｰｼﾞｭｵﾌﾟｼｮﾝ", 10000);
    ASSERT_TRUE(montage) << "the montage options dialog did not appear";
    ExpectWholeDialog(montage, "montage options dialog");
    EXPECT_EQ("C3-A2", ControlText(montage, IDC_MOPT_LABEL1));   // the sample's choices
    EXPECT_EQ("bpm", ControlText(montage, IDC_MOPT_UNIT1 + 3));
    click(montage, IDC_MOPT_ASK_EXIT);
    Shot("montage-options", montage);
    PressButton(montage, IDOK);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(montage); }, 10000));

    ASSERT_TRUE(ui.ShowPage(2));
    PressButton(ui.montage, IDC_MONT_COPY);
    HWND copy = WaitForDialog("Pattern Copy", 10000);
    ASSERT_TRUE(copy) << "the Pattern Copy dialog did not appear";
    ExpectWholeDialog(copy, "Pattern Copy dialog");
    Shot("pattern-copy", copy);
    PressButton(copy, IDCANCEL);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(copy); }, 10000));

    PostMessageA(ui.main, WM_COMMAND, IDM_FILE_EXIT, 0);
    EXPECT_EQ(0u, program.WaitForExit(20000));
    const std::string ini = ReadFile(Work("prog\\COND\\MORLEX.INI"));
    EXPECT_NE(std::string::npos, ini.find("StudyCode=STUDY-17")) << ini;
    EXPECT_NE(std::string::npos, ini.find("AskUnregistered=1")) << ini;
    EXPECT_NE(std::string::npos, ReadFile(Work("prog\\COND\\PATIENT.INF")).find("Hospital=North Sleep Lab"));
}

TEST_F(EndToEnd, ANonRecordingChosenAsSourceIsRefusedWithWarning514) {
    ASSERT_NO_FATAL_FAILURE(WriteFile(Work(kNotRecordingName), "shopping list\r\nmilk\r\n"));
    ASSERT_NO_FATAL_FAILURE(Start(Work(kNotRecordingName)));
    ASSERT_NO_FATAL_FAILURE(OpenThroughDialog(Work(kNotRecordingName)));
    HWND warning = WaitForDialog("警告", 10000);
    ASSERT_TRUE(warning) << "warning 514 did not appear";
    EXPECT_TRUE(DialogSays(warning, "TEAC"));
    Shot("warning-not-a-recording", warning);
    PressButton(warning, IDOK);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(warning); }, 10000));
    EXPECT_EQ("No Select", ControlText(ui.source, IDC_SRC_FILETYPE));
    PostMessageA(ui.main, WM_COMMAND, IDM_FILE_EXIT, 0);
    EXPECT_EQ(0u, program.WaitForExit(20000));
}

TEST_F(EndToEnd, AnOutputOverTheRecordingsOwnDataFileIsRefusedWithWarning515) {
    const std::string recording = Work(kHeaderName);
    ASSERT_NO_FATAL_FAILURE(Start(recording));
    ASSERT_NO_FATAL_FAILURE(OpenThroughDialog(recording));
    ASSERT_TRUE(WaitFor([&] { return ControlText(ui.source, IDC_SRC_CHANNELS) == "14"; }, 10000));
    const std::string data = TaffGenDataPath(Recording(), recording);
    const std::string before = ReadFile(data);
    // Refused as soon as it is chosen, before any question to replace it.
    ASSERT_NO_FATAL_FAILURE(ConvertThroughDialog(data));
    HWND warning = WaitForDialog("警告", 10000);
    ASSERT_TRUE(warning) << "warning 515 did not appear";
    EXPECT_TRUE(DialogSays(warning, "変換ﾌｧｲﾙ名と元ﾃﾞｰﾀﾌｧｲﾙ名が同じです。"));
    Shot("warning-same-file", warning);
    PressButton(warning, IDOK);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(warning); }, 10000));
    EXPECT_TRUE(ReadFile(data) == before) << "the recording's data file was touched";
    PostMessageA(ui.main, WM_COMMAND, IDM_FILE_EXIT, 0);
    EXPECT_EQ(0u, program.WaitForExit(20000));
}

TEST_F(EndToEnd, ASecondStartAndClosingDuringAConversionLeaveTheFirstWhole) {
    std::string error;
    ASSERT_TRUE(WriteTaffRecording(LongRecording(), Work(kLongHeaderName), &error)) << error;
    ASSERT_NO_FATAL_FAILURE(Start(Work(kLongHeaderName)));
    ASSERT_NO_FATAL_FAILURE(OpenThroughDialog(Work(kLongHeaderName)));
    ASSERT_TRUE(WaitFor([&] { return ControlText(ui.source, IDC_SRC_CHANNELS) == "14"; }, 10000));
    const std::string output = Work("out\\LONG001.DAT");
    DeleteFileA(output.c_str());
    ASSERT_NO_FATAL_FAILURE(ConvertThroughDialog(output));
    HWND patient = WaitForDialog("確認", 10000);   // the first-start patient is confirmed
    ASSERT_TRUE(patient) << "the first-start patient was not asked about";
    EXPECT_TRUE(DialogSays(patient, "000-0001"));
    PressButton(patient, IDOK);
    ASSERT_TRUE(WaitFor([&] { return ControlText(ui.convert, IDC_CONV_STATUS).rfind("変換実行中です。", 0) == 0; }, 10000))
        << "status: " << ControlText(ui.convert, IDC_CONV_STATUS);
    EXPECT_TRUE(TextFits(ui.convert, IDC_CONV_STATUS)) << "the status text is cut while converting";
    Shot("main-window-converting");

    // A second copy ends at once and brings this one forward.
    ShowWindow(ui.main, SW_MINIMIZE);
    ASSERT_TRUE(WaitFor([&] { return IsIconic(ui.main) != FALSE; }, 10000));
    Program second;
    ASSERT_TRUE(second.Start(Work("prog\\MORLEXCV.exe"), false));
    EXPECT_EQ(0u, second.WaitForExit(20000));
    EXPECT_FALSE(IsIconic(ui.main));
    EXPECT_EQ(1, CountMainWindows());

    // The first run completes; a second run over its file is stopped by
    // closing the window: the program asks first (Cancel keeps the run), OK
    // ends it with 0, and the finished file is byte for byte as it was, with
    // no temporary file left beside it.
    ASSERT_TRUE(WaitFor([&] { return ControlText(ui.convert, IDC_CONV_STATUS) == "変換が正常に終了しました。"; }, 120000))
        << "status: " << ControlText(ui.convert, IDC_CONV_STATUS);
    const std::string finished = ReadFile(output);
    ASSERT_FALSE(finished.empty());
    HWND start = GetDlgItem(ui.convert, IDC_CONV_START);
    PostMessageA(ui.convert, WM_COMMAND, MAKEWPARAM(IDC_CONV_START, BN_CLICKED), reinterpret_cast<LPARAM>(start));
    patient = WaitForDialog("確認", 10000);
    ASSERT_TRUE(patient);
    PressButton(patient, IDOK);
    ASSERT_TRUE(WaitFor([&] { return ControlText(ui.convert, IDC_CONV_STATUS).rfind("変換実行中です。", 0) == 0; }, 10000));
    PostMessageA(ui.main, WM_CLOSE, 0, 0);
    HWND stop = WaitForDialog("確認", 10000);
    ASSERT_TRUE(stop) << "closing during a conversion did not ask";
    EXPECT_TRUE(DialogSays(stop, "変換実行中です。"));
    Shot("confirm-stop-conversion", stop);
    PressButton(stop, IDCANCEL);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(stop); }, 10000));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(program.process.hProcess, 0));
    PostMessageA(ui.main, WM_CLOSE, 0, 0);
    stop = WaitForDialog("確認", 10000);
    if (stop) PressButton(stop, IDOK);    // (none when the second run has already ended)
    EXPECT_EQ(0u, program.WaitForExit(20000));
    EXPECT_TRUE(ReadFile(output) == finished) << "the finished file was changed";
    WIN32_FIND_DATAA found;
    HANDLE part = FindFirstFileA(Work("out\\*.part").c_str(), &found);
    EXPECT_EQ(INVALID_HANDLE_VALUE, part) << "a temporary file was left: " << found.cFileName;
    if (part != INVALID_HANDLE_VALUE) FindClose(part);
}

// The focus and menu state of the program's window thread.
GUITHREADINFO ProgramThread(HWND main) {
    GUITHREADINFO info;
    memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info);
    return info;
}

// A key pressed where the program's focus is, as the keyboard would post it.
void PressKey(HWND target, WPARAM key, bool alt = false) {
    const LPARAM scan = LPARAM(MapVirtualKeyA(UINT(key), 0)) << 16;
    PostMessageA(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, 1 | scan | (alt ? LPARAM(1) << 29 : 0));
    PostMessageA(target, alt ? WM_SYSKEYUP : WM_KEYUP, key, 1 | scan | (alt ? LPARAM(1) << 29 : 0) | (LPARAM(3) << 30));
}

// A night with faults: opening it checks it in the background; the check
// window, opened by keys alone (Alt+F, K), lists the findings with the
// focus on them; Tab to the channels, Down to the second and Enter open the
// preview at that channel's first finding, with the channel chosen and the
// marks behind the traces. Both are photographed for the operator's guide.
TEST_F(EndToEnd, ANightWithFaultsIsCheckedAndItsFindingsShown) {
    TaffGenOptions night = Recording();
    night.seconds = 3600;
    std::vector<std::string> names;
    for (int c = 0; c < night.channels; ++c) names.push_back(TaffGenChannelName(c));
    for (const char* text : {"flat:C3-A2:60:300", "flat:C4-A1:120:120", "hum:Chin:600:900", "spo2:SpO2:1200:600",
                             "eog_in_phase:ROC:1800:900"}) {
        TaffGenFault fault;
        std::string error;
        ASSERT_TRUE(ParseTaffGenFault(text, names, &fault, &error)) << text << ": " << error;
        night.faults.push_back(fault);
    }
    const std::string recording = Work("FAULTS.HDR");
    std::string error;
    ASSERT_TRUE(WriteTaffRecording(night, recording, &error)) << error;
    ASSERT_NO_FATAL_FAILURE(Start(recording));
    ASSERT_NO_FATAL_FAILURE(OpenThroughDialog(recording));
    ASSERT_TRUE(WaitFor([&] { return ControlText(ui.source, IDC_SRC_CHANNELS) == "14"; }, 10000));

    // Alt+F opens the file menu, K its 記録ﾁｪｯｸ item.
    SetForegroundWindow(ui.main);
    PressKey(ui.main, 'F', true);
    ASSERT_TRUE(WaitFor([&] { return (ProgramThread(ui.main).flags & GUI_INMENUMODE) != 0; }, 10000))
        << "the file menu did not open";
    PressKey(ui.main, 'K');     // the menu's loop takes the thread's keys
    // Found once shown: while it is being made its lists may not be there yet.
    ASSERT_TRUE(WaitFor([&] {
        HWND shown = FindWindowA(CHECK_CLASS, nullptr);
        return shown && IsWindowVisible(shown) && GetDlgItem(shown, IDC_CHECK_FINDINGS);
    }, 10000)) << "the check window did not appear";
    HWND check = FindWindowA(CHECK_CLASS, nullptr);
    HWND list = GetDlgItem(check, IDC_CHECK_FINDINGS), channels = GetDlgItem(check, IDC_CHECK_CHANNELS);
    ASSERT_TRUE(WaitFor([&] { return !ControlText(check, IDC_CHECK_VERDICT).empty(); }, 60000))
        << "the check did not end";
    EXPECT_EQ(0u, ControlText(check, IDC_CHECK_VERDICT).find("記録ﾁｪｯｸ: ")) << ControlText(check, IDC_CHECK_VERDICT);
    EXPECT_TRUE(WaitFor([&] { return ProgramThread(ui.main).hwndFocus == list; }, 5000)) << "the findings have no focus";
    Shot("check-window", check);

    // Tab, Down, Enter: the second channel's first finding (the flat C4-A1
    // from 120 s) in the preview.
    PressKey(list, VK_TAB);
    ASSERT_TRUE(WaitFor([&] { return ProgramThread(ui.main).hwndFocus == channels; }, 5000)) << "Tab did not move";
    PressKey(channels, VK_DOWN);
    ASSERT_TRUE(WaitFor([&] { return SendMessageA(channels, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED) == 1; }, 5000));
    PressKey(channels, VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return FindWindowA(PREVIEW_CLASS, nullptr) != nullptr; }, 10000))
        << "the preview did not appear";
    HWND preview = FindWindowA(PREVIEW_CLASS, nullptr);
    ASSERT_TRUE(WaitFor([&] { return ControlText(preview, IDC_PREV_EPOCH_START) == "22:17:04 (+0:02:00)"; }, 10000))
        << "epoch start: " << ControlText(preview, IDC_PREV_EPOCH_START);
    Shot("preview-marks-flat", preview);

    // Back in the check window, Down to SpO2 (row 11) and Enter: the probe
    // off, its 0 % below the trace's 80-100 % scale, marked at the edge.
    SetForegroundWindow(check);
    ASSERT_TRUE(WaitFor([&] { return ProgramThread(ui.main).hwndFocus == channels; }, 5000))
        << "the channels did not take the focus back";
    for (int row = 1; row < 11; ++row) PressKey(channels, VK_DOWN);
    ASSERT_TRUE(WaitFor([&] { return SendMessageA(channels, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED) == 11; }, 5000));
    PressKey(channels, VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return ControlText(preview, IDC_PREV_EPOCH_START) == "22:35:04 (+0:20:00)"; }, 10000))
        << "epoch start: " << ControlText(preview, IDC_PREV_EPOCH_START);
    Shot("preview-marks", preview);

    PostMessageA(ui.main, WM_COMMAND, IDM_FILE_EXIT, 0);
    EXPECT_EQ(0u, program.WaitForExit(20000));
}

}  // namespace

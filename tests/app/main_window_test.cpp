// The real main window inside the test process: start-up with and without
// settings, the caption, the menu, the toolbar, tab switching with its page
// refresh, the notice and About commands, and what exit writes.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>

#include "app/app_globals.h"
#include "app/frame.h"
#include "app/main_window.h"
#include "resources/resource_ids.h"
#include "tests/app/gui_support.h"

namespace {

std::string Caption(HWND window) {
    char text[600];
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// Selects tab `index` as a click on the tab would.
void ClickTab(HWND window, int index) {
    HWND tab = GetDlgItem(window, IDC_MAIN_TAB);
    SendMessageA(tab, TCM_SETCURSEL, index, 0);
    NMHDR header = {tab, IDC_MAIN_TAB, static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageA(window, WM_NOTIFY, IDC_MAIN_TAB, reinterpret_cast<LPARAM>(&header));
}

class MainWindow : public MainWindowTest {
protected:
    HWND Page(int index) { return PeekState(window)->frame.pages[index]; }
};

TEST_F(MainWindow, FirstStartWithoutSettingsFolder) {
    ResetCondFolder(false);
    Open();
    EXPECT_EQ("TAFF To PSG File Converter - Sleep Center", Caption(window));
    ConverterState* state = PeekState(window);
    EXPECT_EQ(16, state->settings.MaxCh);
    EXPECT_EQ(200, state->source.sampleRate);
    EXPECT_EQ(14, state->source.channelCount);
    EXPECT_EQ(state->self, reinterpret_cast<HGLOBAL>(GetWindowLongPtrA(window, 0)));
    EXPECT_STREQ("Pattern1", state->patterns[0].name);
    EXPECT_EQ(500, state->patterns[7].channels[31].timeConstant);
    // Four pages, page 0 shown, as first refreshed before the start values.
    HWND tab = GetDlgItem(window, IDC_MAIN_TAB);
    EXPECT_EQ(4, SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < 4; ++i) EXPECT_NE(nullptr, Page(i)) << i;
    EXPECT_TRUE(IsWindowVisible(Page(0)));
    EXPECT_FALSE(IsWindowVisible(Page(3)));
    EXPECT_EQ(Page(0), g_app.currentPage);
    EXPECT_EQ("No Select", ControlText(Page(0), IDC_SRC_FILETYPE));
    EXPECT_EQ("", ControlText(Page(0), IDC_SRC_CHANNELS));
    EXPECT_EQ("", ControlText(Page(0), IDC_SRC_YEAR));
    CloseMainWindow(window);
    window = nullptr;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(SettingsPath().c_str()));
}

TEST_F(MainWindow, SwitchingTabsRefreshesThePageShown) {
    Open();
    TaffGenOptions recording;
    recording.channels = 14;
    recording.seconds = 60;
    Fake().openAnswer = MakeRecording("TABS.HDR", recording);
    SendMessageA(window, WM_COMMAND, IDM_FILE_OPEN, 0);
    ClickTab(window, 3);
    EXPECT_TRUE(IsWindowVisible(Page(3)));
    EXPECT_FALSE(IsWindowVisible(Page(0)));
    EXPECT_EQ(3, PeekState(window)->frame.currentPage);
    ClickTab(window, 0);
    EXPECT_EQ("14", ControlText(Page(0), IDC_SRC_CHANNELS));
    EXPECT_EQ("200 Hz", ControlText(Page(0), IDC_SRC_RATE));
    // A value changed elsewhere appears when the page is shown again.
    PeekState(window)->source.sampleRate = 500;
    EXPECT_EQ("200 Hz", ControlText(Page(0), IDC_SRC_RATE));
    ClickTab(window, 1);
    ClickTab(window, 0);
    EXPECT_EQ("500 Hz", ControlText(Page(0), IDC_SRC_RATE));
    EXPECT_EQ(Page(0), g_app.currentPage);
}

TEST_F(MainWindow, MenuToolbarAndCommands) {
    Open();
    // "View" stands beside "Conv" on the toolbar.
    HWND toolbar = GetDlgItem(window, IDC_MAIN_TOOLBAR);
    const LRESULT view = SendMessageA(toolbar, TB_COMMANDTOINDEX, IDM_FILE_PREVIEW, 0);
    EXPECT_EQ(SendMessageA(toolbar, TB_COMMANDTOINDEX, IDM_FILE_CONVERT, 0) + 1, view);
    char label[32] = "";
    TBBUTTON button = {};
    SendMessageA(toolbar, TB_GETBUTTON, view, reinterpret_cast<LPARAM>(&button));
    SendMessageA(toolbar, TB_GETSTRINGA, MAKEWPARAM(sizeof label, button.iString), reinterpret_cast<LPARAM>(label));
    EXPECT_STREQ("View", label);
    NMTTDISPINFOA tip = {};
    tip.hdr.code = TTN_GETDISPINFOA;
    tip.hdr.idFrom = IDM_FILE_CLOSE;
    SendMessageA(window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&tip));
    EXPECT_EQ(MAKEINTRESOURCEA(IDS_TIP_CLOSE), tip.lpszText);
    EXPECT_EQ(GetModuleHandleA(nullptr), tip.hinst);

    for (int command : {IDM_SET_FACILITY, IDM_SET_PATIENT_OPTIONS, IDM_SET_MONTAGE_OPTIONS})
        SendMessageA(window, WM_COMMAND, command, 0);
    EXPECT_EQ((std::vector<std::string>{DLG_FACILITYNAME, DLG_PATIENTOPTIONS, DLG_MONTAGEOPTIONS}),
              Fake().dialogBoxes);
    EXPECT_TRUE(Fake().messageDialogs.empty());
    SendMessageA(window, WM_COMMAND, IDM_HELP_ABOUT, 0);
    EXPECT_EQ(std::vector<int>{IDD_ABOUT}, Fake().modalDialogs);
    SendMessageA(window, WM_COMMAND, IDM_HELP_CONTENTS, 0);
    EXPECT_EQ(1, Fake().helpCalls);
    EXPECT_EQ(ProgramDir() + "\\HELP\\index.html", Fake().helpPage);
    EXPECT_TRUE(Fake().messageBoxes.empty());
    // Nothing can show the help: a warning names the page, also when a viewer
    // started and failed at once.
    Fake().helpAnswer = FALSE;
    SendMessageA(window, WM_COMMAND, IDM_HELP_CONTENTS, 0);
    SendMessageA(window, WM_HELP_NOT_SHOWN, 0, 0);
    ASSERT_EQ(2u, Fake().messageBoxes.size());
    for (const std::string& text : Fake().messageBoxes)
        EXPECT_NE(std::string::npos, text.find(ProgramDir() + "\\HELP\\index.html")) << text;
    SendMessageA(window, WM_COMMAND, 4999, 0);   // unknown ids are ignored
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(MainWindow, CloseWithNothingOpenResetsCaptionAndShowsPageZero) {
    Open();
    ClickTab(window, 2);
    SendMessageA(window, WM_COMMAND, IDM_FILE_CLOSE, 0);
    EXPECT_EQ("TAFF To PSG File Converter - Sleep Center", Caption(window));
    EXPECT_EQ(0, PeekState(window)->frame.currentPage);
    EXPECT_TRUE(IsWindowVisible(Page(0)));
}

TEST_F(MainWindow, ExitWritesTheSettingsAndThePatient) {
    WriteTextFile(PatientPath(), "[PATIENT]\r\nHospital=East Lab\r\nID=555\r\n");
    Open();
    EXPECT_EQ("TAFF To PSG File Converter - East Lab", Caption(window));
    PeekState(window)->settings.FrameTime = 10;
    strcpy(PeekState(window)->patient.kana, "ﾃｽﾄ");
    SendMessageA(window, WM_COMMAND, IDM_FILE_EXIT, 0);
    EXPECT_TRUE(PumpUntil([this] { return !IsWindow(window); }));
    window = nullptr;
    std::string system = ReadTextFile(SettingsPath());
    for (const char* key : {"RefCount=1", "MaxCh=16", "FrameTime=10", "SaveEnable=1", "TCType=0", "CalType=0",
                            "OrgFile=", "CopyFile=", "WindowPlacement="})
        EXPECT_NE(std::string::npos, system.find(key)) << key;
    std::string patient = ReadTextFile(PatientPath());
    EXPECT_NE(std::string::npos, patient.find("Name2=ﾃｽﾄ"));
    EXPECT_NE(std::string::npos, patient.find("ID=555"));
    EXPECT_NE(std::string::npos, patient.find("Departmemt="));
}

TEST_F(MainWindow, PatientIsKeptUnchangedWhenSavingIsOff) {
    const std::string before = "[PATIENT]\r\nName1=Before\r\n";
    WriteTextFile(PatientPath(), before);
    WriteTextFile(SettingsPath(), "[SYSTEM]\r\nSaveEnable=0\r\nRefCount=41\r\n");
    Open();
    strcpy(PeekState(window)->patient.name, "After");
    CloseMainWindow(window);
    window = nullptr;
    EXPECT_EQ(before, ReadTextFile(PatientPath()));
    EXPECT_NE(std::string::npos, ReadTextFile(SettingsPath()).find("RefCount=42"));
    EXPECT_NE(std::string::npos, ReadTextFile(SettingsPath()).find("SaveEnable=0"));
}

TEST_F(MainWindow, LayoutFitsTheTabControlToTheClientArea) {
    Open();
    SetWindowPos(window, nullptr, 0, 0, 900, 700, SWP_NOZORDER);
    RECT client, tab;
    GetClientRect(window, &client);
    GetWindowRect(GetDlgItem(window, IDC_MAIN_TAB), &tab);
    EXPECT_EQ(client.right - 2, tab.right - tab.left);
    RECT page;
    GetWindowRect(Page(0), &page);
    EXPECT_EQ(client.right - 2 - 2, page.right - page.left);
}

TEST_F(MainWindow, SplashClosesAboutASecondAfterTheLoopStarts) {
    StartProgramOnce();
    window = CreateMainWindow(GetModuleHandleA(nullptr));
    ASSERT_NE(nullptr, window);
    HWND splash = g_app.splash;
    ASSERT_NE(nullptr, splash);
    EXPECT_TRUE(IsWindowVisible(splash));
    DWORD start = GetTickCount();
    EXPECT_TRUE(PumpUntil([splash] { return !IsWindow(splash); }));
    EXPECT_GE(GetTickCount() - start, 1000u);
    // The status line holds its display control.
    HWND status = GetDlgItem(window, IDC_MAIN_STATUSBAR);
    ASSERT_NE(nullptr, status);
    HWND display = GetDlgItem(status, IDC_MAIN_STATUS_DISPLAY);
    ASSERT_NE(nullptr, display);
    char className[64];
    GetClassNameA(display, className, sizeof className);
    EXPECT_STREQ("CTLKITSTATIC32", className);
    EXPECT_EQ(3, SendMessageA(status, SB_GETPARTS, 0, 0));
}

TEST(Caption, NamesTheRecordingWhileOpenAndNeverOverflows) {
    char caption[kCaptionSize];
    BuildCaption(caption, sizeof caption, "Sleep Center", 3, "C:\\REC\\N1.HDR");
    EXPECT_STREQ("TAFF To PSG File Converter - Sleep Center [C:\\REC\\N1.HDR]", caption);
    BuildCaption(caption, sizeof caption, "Sleep Center", 0, "C:\\REC\\N1.HDR");
    EXPECT_STREQ("TAFF To PSG File Converter - Sleep Center", caption);

    char small[40];
    memset(small, 'x', sizeof small);
    BuildCaption(small, 32, std::string(79, 'h').c_str(), 3, std::string(259, 'p').c_str());
    EXPECT_EQ(31u, strlen(small));
    EXPECT_EQ('x', small[32]);
    std::string longest = std::string(79, 'h');
    BuildCaption(caption, sizeof caption, longest.c_str(), 3, std::string(259, 'p').c_str());
    EXPECT_EQ(29u + 79 + 2 + 259 + 1, strlen(caption));   // the whole caption fits
}

}  // namespace

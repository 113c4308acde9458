// The settings menu's option dialogs in the real main window under Wine,
// each run for real (its template and procedure) and driven from inside its
// modal loop: the facility name reaching the caption and the patient file,
// the identity options stored and shown on the patient page, the montage
// options' exit question and its answers. The rules behind them are tested
// natively (tests/engine/identity_test.cpp, pattern_file_test.cpp).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "resources/resource_ids.h"
#include "tests/app/gui_support.h"

namespace {

class OptionDialogs : public MainWindowTest {
protected:
    // Runs menu command `command` with `script` driving its dialog.
    void Run(int command, const std::function<void(HWND)>& script) {
        Fake().dialogScript = script;
        SendMessageA(window, WM_COMMAND, command, 0);
        Fake().dialogScript = nullptr;
    }
    std::string Caption() {
        char text[512];
        GetWindowTextA(window, text, sizeof text);
        return text;
    }
    std::string Stored(const char* section, const char* key, const std::string& path) {
        char text[256];
        GetPrivateProfileStringA(section, key, "<absent>", text, sizeof text, path.c_str());
        return text;
    }
};

void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
void SetText(HWND dialog, int id, const char* text) { SetDlgItemTextA(dialog, id, text); }

TEST_F(OptionDialogs, MenuItemsAreEnabledAndTheFacilityNameIsStoredAtOnce) {
    Open();
    HMENU menu = GetMenu(window);
    for (int command : {IDM_SET_FACILITY, IDM_SET_PATIENT_OPTIONS, IDM_SET_MONTAGE_OPTIONS})
        EXPECT_FALSE(GetMenuState(menu, command, MF_BYCOMMAND) & MF_GRAYED) << command;
    EXPECT_NE(std::string::npos, Caption().find("Sleep Center"));

    // Cancel changes nothing.
    Run(IDM_SET_FACILITY, [](HWND d) {
        SetText(d, IDC_FAC_NAME, "Ignored");
        Click(d, IDCANCEL);
    });
    EXPECT_STREQ("Sleep Center", State().patient.hospital);

    State().settings.SaveEnable = 0;   // stored even when the patient is not saved at exit
    Run(IDM_SET_FACILITY, [](HWND d) {
        EXPECT_EQ("Sleep Center", ControlText(d, IDC_FAC_NAME));
        SetText(d, IDC_FAC_NAME, "North Sleep Lab");
        Click(d, IDOK);
    });
    EXPECT_EQ(std::vector<std::string>({"FACILITYNAME", "FACILITYNAME"}), Fake().dialogBoxes);
    EXPECT_TRUE(Fake().messageDialogs.empty());
    EXPECT_STREQ("North Sleep Lab", State().patient.hospital);
    EXPECT_EQ("TAFF To PSG File Converter - North Sleep Lab", Caption());
    EXPECT_EQ("North Sleep Lab", Stored("PATIENT", "Hospital", PatientPath()));
    EXPECT_EQ("<absent>", Stored("PATIENT", "Name1", PatientPath()));
}

TEST_F(OptionDialogs, IdentityChoiceIsStoredShownOnThePatientPageAndReadAtStart) {
    Open();
    HWND patientPage = State().frame.pages[kPagePatient];
    EXPECT_EQ("PSG出力: すべての患者情報", ControlText(patientPage, IDC_PAT_IDENTITY));
    Run(IDM_SET_PATIENT_OPTIONS, [](HWND d) {
        EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(d, IDC_IDN_FULL));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDC_IDN_CODE)));   // only for the research copy
        Click(d, IDC_IDN_RESEARCH);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, IDC_IDN_CODE)));
        SetText(d, IDC_IDN_CODE, "S-17");
        Click(d, IDC_IDN_KEEP_AGE);
        Click(d, IDC_IDN_REPLACE_DATE);
        Click(d, IDOK);
    });
    const IdentityOptions& o = State().settings.identity;
    EXPECT_EQ(kIdentityResearch, o.mode);
    EXPECT_STREQ("S-17", o.studyCode);
    EXPECT_EQ(1, o.keepAge);
    EXPECT_EQ(0, o.keepSex);
    EXPECT_EQ(1, o.replaceStartDate);
    EXPECT_EQ("1", Stored("SYSTEM", "Identity", SettingsPath()));
    EXPECT_EQ("S-17", Stored("SYSTEM", "StudyCode", SettingsPath()));
    EXPECT_EQ("PSG出力: 研究用匿名化\n(ｺｰﾄﾞ S-17、年齢、1985/01/01)", ControlText(patientPage, IDC_PAT_IDENTITY));

    CloseMainWindow(window);
    Open();
    EXPECT_EQ(kIdentityResearch, State().settings.identity.mode);
    Run(IDM_SET_PATIENT_OPTIONS, [](HWND d) {
        EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(d, IDC_IDN_RESEARCH));
        EXPECT_EQ("S-17", ControlText(d, IDC_IDN_CODE));
        Click(d, IDC_IDN_FULL);
        Click(d, IDOK);
    });
    EXPECT_EQ(kIdentityFull, State().settings.identity.mode);
    EXPECT_EQ("0", Stored("SYSTEM", "Identity", SettingsPath()));
}

TEST_F(OptionDialogs, ExitAsksAboutUnregisteredChangesOnlyWhenChosen) {
    // Off (as before): a changed pattern is left without a question.
    Open();
    CurrentPattern(State()).channels[0].highFilter = 35;
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    CloseMainWindow(window);
    EXPECT_TRUE(Fake().messageDialogs.empty());
    EXPECT_EQ("<absent>", Stored("Pattern1", "HFF", SettingsPath()));

    Open();
    Run(IDM_SET_MONTAGE_OPTIONS, [](HWND d) {
        EXPECT_EQ("Pattern1", ControlText(d, IDC_MOPT_PATTERN));
        Click(d, IDC_MOPT_ASK_EXIT);
        Click(d, IDOK);
    });
    EXPECT_EQ("1", Stored("SYSTEM", "AskUnregistered", SettingsPath()));
    // The pattern as its slot holds it (nothing stored yet): no question.
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    CloseMainWindow(window);
    EXPECT_TRUE(Fake().messageDialogs.empty());

    Open();
    CurrentPattern(State()).position.levelCount = 2;   // a position level change counts too
    Fake().messageAnswer = IDCANCEL;
    SendMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(std::vector<int>{IDD_ASK_UNREGISTERED}, Fake().messageDialogs);
    Fake().messageAnswer = IDYES;
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    CloseMainWindow(window);
    EXPECT_EQ("2", Stored("Pattern1", "PosLevelN", SettingsPath()));
}

}  // namespace

// The montage page of the real main window under Wine: the pattern list
// (typing renames, losing focus or dropping down shows the names held,
// choosing a slot reloads it from the settings file), "Pattern Registry"
// writing the current pattern with the formats of the pattern section, the
// "Pattern Copy..." (copy to a slot, export, import), "Load CAL Cond..." importing real CAL files
// through the profile functions, the "TC Type" box and the layout.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "engine/pattern_file.h"
#include "resources/resource_ids.h"
#include "tests/app/gui_support.h"
#include "textkit/sjis_text.h"

namespace {

std::string Repeat(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
}

class MontagePage : public MainWindowTest {
protected:
    HWND Page() { return State().frame.pages[kPageMontage]; }
    HWND Control(int id) { return GetDlgItem(Page(), id); }
    HWND List() { return Control(IDC_MONT_PATTERN_LIST); }
    HWND ListEdit() { return FindWindowExA(List(), nullptr, "Edit", nullptr); }
    void ShowPage() {
        SendMessageA(window, WM_SHOW_PAGE, kPageMontage, 0);
        PumpPending();
    }
    void Click(int id) {
        SendMessageA(Control(id), BM_CLICK, 0, 0);
        PumpPending();
    }
    // Types over the whole text of the list's field, as the operator does.
    void TypeName(const std::string& text) {
        SendMessageA(ListEdit(), EM_SETSEL, 0, -1);
        SendMessageA(ListEdit(), WM_CHAR, '\b', 1);
        for (unsigned char c : text) SendMessageA(ListEdit(), WM_CHAR, c, 1);
    }
    void ChooseSlot(int k) {
        SendMessageA(List(), CB_SETCURSEL, k, 0);
        SendMessageA(Page(), WM_COMMAND, MAKEWPARAM(IDC_MONT_PATTERN_LIST, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(List()));
    }
    std::string Item(int k) {
        char text[256] = "";
        SendMessageA(List(), CB_GETLBTEXT, k, reinterpret_cast<LPARAM>(text));
        return text;
    }
    std::string Stored(int slot, const char* key) {
        char text[1024];
        std::string section = "Pattern" + std::to_string(slot + 1);
        GetPrivateProfileStringA(section.c_str(), key, "<absent>", text, sizeof text, SettingsPath().c_str());
        return text;
    }
    // A CAL file written into the test folder; its path.
    std::string CalFile(const std::string& name, const std::string& text) {
        const std::string path = TempDir() + "\\" + name;
        WriteTextFile(path, text);
        return path;
    }
    void ImportCal(const std::string& path) {
        Fake().openAnswer = path;
        Click(IDC_MONT_LOAD_CAL);
    }
    ChannelSetting& Channel(int n) { return CurrentPattern(State()).channels[n - 1]; }
};

TEST_F(MontagePage, TypedNameIsRegisteredAndShownOnceTheListLosesFocus) {
    Open();
    ShowPage();
    EXPECT_EQ(8, SendMessageA(List(), CB_GETCOUNT, 0, 0));
    EXPECT_EQ("", Item(0));                  // made before the patterns were loaded
    SetFocus(ListEdit());
    TypeName("Night EEG");
    EXPECT_STREQ("Night EEG", State().patterns[0].name);
    EXPECT_EQ("<absent>", Stored(0, "PATTERN"));    // only registry writes
    Click(IDC_MONT_REGISTER);
    EXPECT_EQ("Night EEG", Stored(0, "PATTERN"));
    SetFocus(Control(IDC_MONT_GRID));
    PumpPending();
    EXPECT_EQ("Night EEG", Item(0));
    EXPECT_EQ("Pattern2", Item(1));
    EXPECT_EQ(0, SendMessageA(List(), CB_GETCURSEL, 0, 0));

    // A name longer than a pattern name holds is cut, never split.
    TypeName(Repeat("x", 30) + "\x93\xfa");
    EXPECT_EQ(Repeat("x", 30), State().patterns[0].name);
    SendMessageA(List(), CB_SHOWDROPDOWN, TRUE, 0);
    SendMessageA(List(), CB_SHOWDROPDOWN, FALSE, 0);
    EXPECT_EQ(Repeat("x", 30), Item(0));
}

TEST_F(MontagePage, ChoosingASlotReloadsItAndDiscardsItsEdits) {
    WriteTextFile(SettingsPath(), "[Pattern2]\r\nPATTERN=Stored Two\r\nVU=7,7\r\n");
    Open();
    ShowPage();
    TypeName("Edited");
    Channel(1).rateDivisor = 5;             // Rate is not stored for slot 1
    Channel(1).calEU = 999;
    ChooseSlot(1);
    EXPECT_EQ(1, State().currentPattern);
    EXPECT_STREQ("Stored Two", CurrentPattern(State()).name);
    EXPECT_EQ(7, Channel(1).calVU);
    TypeName("Edited Two");
    Channel(2).calVU = 1;
    ChooseSlot(0);
    EXPECT_EQ(0, State().currentPattern);
    EXPECT_STREQ("Pattern1", CurrentPattern(State()).name);
    EXPECT_EQ(1, Channel(1).rateDivisor);
    EXPECT_EQ(50, Channel(1).calEU);
    ChooseSlot(1);
    EXPECT_STREQ("Stored Two", CurrentPattern(State()).name);
    EXPECT_EQ(7, Channel(2).calVU);
    EXPECT_EQ(1, SendMessageA(List(), CB_GETCURSEL, 0, 0));
}

TEST_F(MontagePage, RegisteredEmptyNameSurvivesARestart) {
    Open();
    ShowPage();
    TypeName("x");
    TypeName("");
    EXPECT_STREQ("", State().patterns[0].name);
    Click(IDC_MONT_REGISTER);
    EXPECT_EQ("", Stored(0, "PATTERN"));
    CloseMainWindow(window);
    window = nullptr;
    Open();
    EXPECT_STREQ("", State().patterns[0].name);
    EXPECT_STREQ("Pattern2", State().patterns[1].name);
    SendMessageA(List(), CB_SHOWDROPDOWN, TRUE, 0);
    SendMessageA(List(), CB_SHOWDROPDOWN, FALSE, 0);
    EXPECT_EQ("", Item(0));
    EXPECT_EQ("Pattern2", Item(1));
}

TEST_F(MontagePage, HandWrittenSectionIsStoredBackInThePatternFormats) {
    WriteTextFile(SettingsPath(),
                  "[Pattern1]\r\nPATTERN=Hand\r\nLabel3=C3\r\nChLabel2=O1-A2\r\nChUnit2=uV\r\n"
                  "ChEnable=1,0,1\r\nSignal=4,5\r\nRate=0,2,0\r\nVU=65536,100\r\nSens=010,0x10,5\r\n"
                  "LFF=300\r\nHFF=35,70\r\nEU=1\r\nPosLevelN=2\r\nPosCenter=-5,5\r\nPosWidth=3\r\n"
                  "PosLabel1=Left\r\n");
    Open();
    ShowPage();
    Click(IDC_MONT_REGISTER);
    EXPECT_EQ("Hand", Stored(0, "PATTERN"));
    EXPECT_EQ("C3", Stored(0, "Label3"));
    EXPECT_EQ("Ch4", Stored(0, "Label4"));
    EXPECT_EQ("V", Stored(0, "Unit8"));
    EXPECT_EQ("O1-A2", Stored(0, "ChLabel2"));
    EXPECT_EQ("Ch32", Stored(0, "ChLabel32"));
    EXPECT_EQ("uV", Stored(0, "ChUnit2"));
    EXPECT_EQ("1,0,1," + Repeat("0,", 29), Stored(0, "ChEnable"));
    EXPECT_EQ("4,5," + Repeat("0,", 30), Stored(0, "Signal"));
    EXPECT_EQ("1,2,1," + Repeat("1,", 29), Stored(0, "Rate"));
    EXPECT_EQ("65536,100," + Repeat("409,", 30), Stored(0, "VU"));
    EXPECT_EQ("8,16,5," + Repeat("500,", 29), Stored(0, "Sens"));
    EXPECT_EQ("300," + Repeat("500,", 31), Stored(0, "LFF"));
    EXPECT_EQ(Repeat("500,", 32), Stored(0, "TC"));
    EXPECT_EQ("35,70," + Repeat("100,", 30), Stored(0, "HFF"));
    EXPECT_EQ(Repeat("50,", 32), Stored(0, "EU"));      // one character changes nothing
    EXPECT_EQ("2", Stored(0, "PosLevelN"));
    EXPECT_EQ("-5,5,", Stored(0, "PosCenter"));
    EXPECT_EQ("0,0,", Stored(0, "PosWidth"));           // "3" is too short to count
    EXPECT_EQ("Left", Stored(0, "PosLabel1"));
    EXPECT_EQ("", Stored(0, "PosLabel2"));
    EXPECT_EQ("<absent>", Stored(1, "PATTERN"));         // other slots are not written
}

TEST_F(MontagePage, TcTypeSwitchesTheFilterColumnOnly) {
    Open();
    ShowPage();
    const MontagePattern before = CurrentPattern(State());
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(Page(), IDC_MONT_TCTYPE));
    Click(IDC_MONT_TCTYPE);
    EXPECT_EQ(1, State().settings.TCType);
    Click(IDC_MONT_TCTYPE);
    EXPECT_EQ(0, State().settings.TCType);
    Click(IDC_MONT_TCTYPE);
    EXPECT_EQ(0, memcmp(&before, &CurrentPattern(State()), sizeof before));
    EXPECT_EQ(0, Fake().openCalls);

    // The box starts from the stored setting.
    CloseMainWindow(window);     // writes TCType 1
    window = nullptr;
    Open();
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(Page(), IDC_MONT_TCTYPE));
}

// Pattern Copy: the current pattern with its name into slot 3 (registered
// there, shown in the list), exported to a file, a junk file refused, and
// the export imported back over an edited pattern.
TEST_F(MontagePage, PatternCopyToASlotExportAndImport) {
    Open();
    ShowPage();
    MontagePattern& current = CurrentPattern(State());
    CopyText(current.name, kPatternNameSize, "Lab montage");
    current.channels[4].highFilter = 35;
    CopyText(current.unitChoices[1], kUnitSize, "mV");
    const std::string exported = TempDir() + "\\LAB.PAT";
    const std::string junk = TempDir() + "\\JUNK.PAT";
    WriteTextFile(junk, "not a montage\r\n[Other]\r\nKey=1\r\n");
    DeleteFileA(exported.c_str());

    Fake().saveAnswer = exported;
    Fake().dialogScript = [&](HWND d) {
        EXPECT_EQ("1: Lab montage", ControlText(d, IDC_PCOPY_CURRENT));
        SendDlgItemMessageA(d, IDC_PCOPY_SLOT, CB_SETCURSEL, 2, 0);
        SendMessageA(GetDlgItem(d, IDC_PCOPY_COPY), BM_CLICK, 0, 0);
        SendMessageA(GetDlgItem(d, IDC_PCOPY_EXPORT), BM_CLICK, 0, 0);
        Fake().openAnswer = junk;
        SendMessageA(GetDlgItem(d, IDC_PCOPY_IMPORT), BM_CLICK, 0, 0);
        SendMessageA(GetDlgItem(d, IDCANCEL), BM_CLICK, 0, 0);
    };
    Click(IDC_MONT_COPY);
    EXPECT_EQ(std::vector<std::string>{DLG_PATTERNCOPY}, Fake().dialogBoxes);
    EXPECT_EQ("Lab montage", Stored(2, "PATTERN"));
    EXPECT_EQ("100,100,100,100,35,", Stored(2, "HFF").substr(0, 19));
    EXPECT_EQ("mV", Stored(2, "Unit2"));
    EXPECT_EQ("<absent>", Stored(0, "PATTERN"));    // the current slot is not registered by a copy
    EXPECT_STREQ("Lab montage", State().patterns[2].name);
    char item[64] = "";
    SendMessageA(List(), CB_GETLBTEXT, 2, reinterpret_cast<LPARAM>(item));
    EXPECT_STREQ("Lab montage", item);                 // the list shows the copy
    EXPECT_NE(std::string::npos, ReadTextFile(exported).find("PATTERN=Lab montage"));
    EXPECT_EQ(std::vector<int>{IDD_WARN_NOT_PATTERN}, Fake().messageDialogs);
    EXPECT_EQ(35, CurrentPattern(State()).channels[4].highFilter);   // the junk file changed nothing

    // Edited, then the export imported back: the pattern as exported.
    current.channels[4].highFilter = 70;
    CopyText(current.name, kPatternNameSize, "Edited");
    Fake().openAnswer = exported;
    Fake().dialogScript = [&](HWND d) {
        SendMessageA(GetDlgItem(d, IDC_PCOPY_IMPORT), BM_CLICK, 0, 0);
        EXPECT_EQ("1: Lab montage", ControlText(d, IDC_PCOPY_CURRENT));
        SendMessageA(GetDlgItem(d, IDCANCEL), BM_CLICK, 0, 0);
    };
    Click(IDC_MONT_COPY);
    Fake().dialogScript = nullptr;
    EXPECT_EQ(35, CurrentPattern(State()).channels[4].highFilter);
    EXPECT_STREQ("Lab montage", CurrentPattern(State()).name);
    EXPECT_TRUE(SameStoredPattern(State().patterns[2], CurrentPattern(State())));
}

TEST_F(MontagePage, CalFileIsImportedIntoTheCurrentPattern) {
    WriteTextFile(SettingsPath(), "[SYSTEM]\r\nMaxCh=16\r\n");
    Open();
    ShowPage();
    ChooseSlot(2);
    std::string text = "[CALINFO]\r\nSaveTime=2024/05/14 21:30\r\nCH=20\r\n";
    for (int i = 1; i <= 20; ++i) {
        const std::string n = std::to_string(i);
        text += "[CH" + n + "]\r\nSignal=" + (i == 3 ? "0" : "6") + "\r\nLabel=EMG" + n + "\r\nUnit=mV\r\nCalEU=" + n +
                "\r\nCalVU=" + n + "00\r\nOffsetCAL=-" + n + "\r\nOffsetAD=" + n + "\r\n";
    }
    text += "[CH1]\r\nLabel=second section\r\n";
    const std::string twenty = CalFile("TWENTY.CAL", text);
    Channel(17).calEU = 1717;
    Channel(3).enabled = 1;
    ImportCal(twenty);
    EXPECT_EQ(1, Fake().openCalls);
    EXPECT_EQ(ProgramDir() + "\\COND\\", Fake().openInitialDir);
    EXPECT_EQ("", Fake().openFileName);
    EXPECT_EQ("CAL Condition File Select", Fake().openTitle);
    EXPECT_EQ(static_cast<DWORD>(OFN_SHAREAWARE | OFN_PATHMUSTEXIST), Fake().openFlags);
    EXPECT_STREQ("EMG1", Channel(1).label);
    EXPECT_EQ(6, Channel(16).signalType);
    EXPECT_EQ(16, Channel(16).calEU);
    EXPECT_EQ(1600, Channel(16).calVU);
    EXPECT_EQ(-16, Channel(16).offsetCAL);
    EXPECT_EQ(16, Channel(16).offsetAD);
    EXPECT_STREQ("mV", Channel(16).unit);
    EXPECT_EQ(0, Channel(3).signalType);
    EXPECT_STREQ("", Channel(3).label);
    EXPECT_EQ(50, Channel(3).calEU);
    EXPECT_EQ(409, Channel(3).calVU);
    EXPECT_EQ(1, Channel(3).enabled);
    EXPECT_EQ(1717, Channel(17).calEU);
    EXPECT_STREQ("Ch17", Channel(17).label);
    EXPECT_EQ(409, State().patterns[0].channels[0].calVU);   // only the current pattern

    // Refused or cancelled: nothing changes.
    const MontagePattern before = CurrentPattern(State());
    const std::string refused[] = {
        CalFile("SHORT.CAL", "[CALINFO]\r\nSaveTime=1234\r\nCH=2\r\n[CH1]\r\nSignal=4\r\n"),
        CalFile("ZERO.CAL", "[CALINFO]\r\nSaveTime=12345\r\nCH=0\r\n[CH1]\r\nSignal=4\r\n"),
        CalFile("EMPTY.CAL", ""),
        CalFile("BINARY.CAL", std::string("\xff\xfe\x00\x01[CALINFO]\x00\x80\x81", 14)),
        TempDir() + "\\MISSING.CAL",
        "",
    };
    for (const std::string& path : refused) {
        ImportCal(path);
        EXPECT_EQ(0, memcmp(&before, &CurrentPattern(State()), sizeof before)) << path;
    }

    // A label with a double-byte character across the cut keeps whole characters.
    ImportCal(CalFile("CUT.CAL", "[CALINFO]\r\nSaveTime=12345\r\nCH=1\r\n[CH1]\r\nSignal=4\r\nLabel=" +
                                     Repeat("a", 30) + "\x93\xfa\r\nUnit=\x83\xca\x83\xca\x83\xca\x83\xca\r\n"));
    EXPECT_EQ(Repeat("a", 30), Channel(1).label);
    EXPECT_STREQ("\x83\xca\x83\xca\x83\xca", Channel(1).unit);
}

TEST_F(MontagePage, ButtonsStayOnOneRowUnderTheGrid) {
    Open();
    ShowPage();
    MoveWindow(Page(), 0, 0, 640, 500, TRUE);
    RECT client, button;
    GetClientRect(Page(), &client);
    GetClientRect(Control(IDC_MONT_REGISTER), &button);
    const int bw = button.right, bh = button.bottom, y = client.bottom - bh - 4;
    const int expectedX[] = {4, bw + 8, 2 * bw + 16};
    const int ids[] = {IDC_MONT_REGISTER, IDC_MONT_COPY, IDC_MONT_LOAD_CAL};
    for (int i = 0; i < 3; ++i) {
        RECT r;
        GetWindowRect(Control(ids[i]), &r);
        MapWindowPoints(nullptr, Page(), reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(expectedX[i], r.left) << i;
        EXPECT_EQ(y, r.top) << i;
    }
    // The grid runs from below the pattern list to the hint line, which
    // lies just above the buttons and tells how to edit.
    auto place = [this](int id) {
        RECT r;
        GetWindowRect(Control(id), &r);
        MapWindowPoints(nullptr, Page(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    const RECT grid = place(IDC_MONT_GRID), hint = place(IDC_MONT_GRID_HINT), list = place(IDC_MONT_PATTERN_LIST);
    EXPECT_EQ(4, grid.left);
    EXPECT_EQ(list.bottom + 4, grid.top);
    EXPECT_EQ(client.right - 8, grid.right - grid.left);
    EXPECT_EQ(grid.bottom + 4, hint.top);
    EXPECT_EQ(y - 4, hint.bottom);
    EXPECT_NE(std::string::npos, ControlText(Page(), IDC_MONT_GRID_HINT).find("Space or right click"));
}

}  // namespace

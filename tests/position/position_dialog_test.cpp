// The position calibration dialog through the main window's command 4209:
// the real dialog (its template and procedure) runs modally and a script
// drives it from inside its modal loop as the operator would, typing into
// its fields, leaving them, choosing the level count and clicking buttons.
// Covered: rows shown by the count, the field rule and its limits, the
// working copy reaching the pattern only by OK or Default Store, and the
// default table in section POSCALINFO of the real settings file.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "tests/app/gui_support.h"

namespace {

// Centre i = 100 * i, width i = 10 * i, label "Level<i>" (i from 1).
void FillTable(PositionCalibration& t, int count) {
    t.levelCount = static_cast<uint16_t>(count);
    for (int i = 0; i < kMaxLevels; ++i) {
        t.centers[i] = 100 * (i + 1);
        t.widths[i] = 10 * (i + 1);
        snprintf(t.levelLabels[i], kLevelLabelSize, "Level%d", i + 1);
    }
}

bool SameTable(const PositionCalibration& a, const PositionCalibration& b) {
    if (a.levelCount != b.levelCount) return false;
    for (int i = 0; i < kMaxLevels; ++i) {
        if (a.centers[i] != b.centers[i] || a.widths[i] != b.widths[i] ||
            strncmp(a.levelLabels[i], b.levelLabels[i], kLevelLabelSize) != 0)
            return false;
    }
    return true;
}

// ---- the operator's actions on the dialog -----------------------------------

// Types `text` into a field as keystrokes, replacing what it held; the
// field keeps the focus.
void Type(HWND dialog, int id, const char* text) {
    HWND field = GetDlgItem(dialog, id);
    SetFocus(field);
    SendMessageA(field, EM_SETSEL, 0, -1);
    SendMessageA(field, WM_CHAR, VK_BACK, 0);
    for (const char* c = text; *c; ++c) SendMessageA(field, WM_CHAR, static_cast<unsigned char>(*c), 0);
}

// Types into a field and leaves it for the level-count list.
void TypeAndLeave(HWND dialog, int id, const char* text) {
    Type(dialog, id, text);
    SetFocus(GetDlgItem(dialog, IDC_POS_LEVEL_COUNT));
}

void ChooseCount(HWND dialog, int count) {
    HWND list = GetDlgItem(dialog, IDC_POS_LEVEL_COUNT);
    SendMessageA(list, CB_SETCURSEL, count, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_POS_LEVEL_COUNT, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// The four controls of row `level` are all shown (or all hidden).
bool RowShown(HWND dialog, int level) {
    const int ids[] = {IDC_POS_ROW_NO(level), IDC_POS_LABEL(level), IDC_POS_CENTER(level), IDC_POS_WIDTH(level)};
    int shown = 0;
    for (int id : ids) shown += IsWindowVisible(GetDlgItem(dialog, id)) ? 1 : 0;
    EXPECT_TRUE(shown == 0 || shown == 4) << "row " << level << " is half shown";
    return shown == 4;
}

// Rows 1..count shown and count + 1..8 hidden.
void ExpectRows(HWND dialog, int count) {
    for (int level = 1; level <= kMaxLevels; ++level) EXPECT_EQ(level <= count, RowShown(dialog, level)) << level;
    EXPECT_EQ(count, SendDlgItemMessageA(dialog, IDC_POS_LEVEL_COUNT, CB_GETCURSEL, 0, 0));
}

// The lines "key=value" of a section of the settings file.
std::vector<std::string> SectionLines(const char* section) {
    char buffer[4096] = {};
    GetPrivateProfileSectionA(section, buffer, sizeof buffer, SettingsPath().c_str());
    std::vector<std::string> lines;
    for (const char* p = buffer; *p; p += strlen(p) + 1) lines.push_back(p);
    return lines;
}

class PositionDialog : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        Open();
    }
    PositionCalibration& Pattern() { return CurrentPattern(State()).position; }
    // Runs command 4209 (the menu's) with `script` driving the dialog.
    void RunDialog(std::function<void(HWND)> script) {
        Fake().dialogScript = std::move(script);
        SendMessageA(window, WM_COMMAND, IDM_SET_POSITION, 0);
        Fake().dialogScript = nullptr;
    }
};

TEST_F(PositionDialog, ShowsTheCurrentPatternsRowsByTheCount) {
    State().currentPattern = 2;
    FillTable(Pattern(), 3);
    RunDialog([&](HWND dialog) {
        EXPECT_EQ("Position Calibration Setup", [&] {
            char caption[64];
            GetWindowTextA(dialog, caption, sizeof caption);
            return std::string(caption);
        }());
        HWND list = GetDlgItem(dialog, IDC_POS_LEVEL_COUNT);
        ASSERT_EQ(9, SendMessageA(list, CB_GETCOUNT, 0, 0));
        for (int i = 0; i <= 8; ++i) {
            char item[16];
            SendMessageA(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
            EXPECT_EQ(" " + std::to_string(i) + " ", item);
        }
        ExpectRows(dialog, 3);
        EXPECT_EQ("Level2", ControlText(dialog, IDC_POS_LABEL(2)));
        EXPECT_EQ("300", ControlText(dialog, IDC_POS_CENTER(3)));
        EXPECT_EQ("30", ControlText(dialog, IDC_POS_WIDTH(3)));
        EXPECT_EQ("3", ControlText(dialog, IDC_POS_ROW_NO(3)));

        // Centred over the main window.
        RECT box, main;
        GetWindowRect(dialog, &box);
        GetWindowRect(window, &main);
        EXPECT_NEAR((main.left + main.right) / 2, (box.left + box.right) / 2, 2);
        EXPECT_NEAR((main.top + main.bottom) / 2, (box.top + box.bottom) / 2, 2);

        ChooseCount(dialog, 0);
        ExpectRows(dialog, 0);
        ChooseCount(dialog, 8);
        ExpectRows(dialog, 8);
        EXPECT_EQ("800", ControlText(dialog, IDC_POS_CENTER(8)));
        ChooseCount(dialog, 3);
        ExpectRows(dialog, 3);
        Fake().helpAnswer = FALSE;       // nothing can show it: a warning with the path
        Click(dialog, IDC_POS_HELP);     // the help at the position section; the dialog stays
        EXPECT_TRUE(IsWindowVisible(dialog));
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(std::vector<std::string>{"POSLEVELSETUP"}, Fake().dialogBoxes);
    EXPECT_EQ(1, Fake().helpCalls);
    EXPECT_EQ(ProgramDir() + "\\HELP\\index.html#position", Fake().helpPage);
    ASSERT_EQ(1u, Fake().messageBoxes.size());
    EXPECT_NE(std::string::npos, Fake().messageBoxes[0].find(ProgramDir() + "\\HELP\\index.html"));
    EXPECT_EQ(3, Pattern().levelCount);
    EXPECT_EQ(0, State().patterns[0].position.levelCount);
}

TEST_F(PositionDialog, CentreAndWidthFieldsKeepValuesInRange) {
    FillTable(Pattern(), 3);
    RunDialog([&](HWND dialog) {
        TypeAndLeave(dialog, IDC_POS_CENTER(1), "40000");
        EXPECT_EQ(std::vector<UINT>{0}, Fake().beeps);
        EXPECT_EQ("100", ControlText(dialog, IDC_POS_CENTER(1)));
        TypeAndLeave(dialog, IDC_POS_WIDTH(2), "0x10");
        EXPECT_EQ("16", ControlText(dialog, IDC_POS_WIDTH(2)));
        TypeAndLeave(dialog, IDC_POS_CENTER(2), "-12345");
        EXPECT_EQ("-1234", ControlText(dialog, IDC_POS_CENTER(2)));
        TypeAndLeave(dialog, IDC_POS_CENTER(3), "");
        EXPECT_EQ("0", ControlText(dialog, IDC_POS_CENTER(3)));
        TypeAndLeave(dialog, IDC_POS_WIDTH(3), "32767");
        TypeAndLeave(dialog, IDC_POS_WIDTH(1), "99999");
        EXPECT_EQ("10", ControlText(dialog, IDC_POS_WIDTH(1)));
        TypeAndLeave(dialog, IDC_POS_LABEL(1), "Supine position, lying flat");
        TypeAndLeave(dialog, IDC_POS_LABEL(3), "仰臥位");
        EXPECT_EQ((std::vector<UINT>{0, 0}), Fake().beeps);
        // Nothing reaches the pattern before OK.
        EXPECT_EQ(100, Pattern().centers[0]);
        EXPECT_EQ(20, Pattern().widths[1]);
        Click(dialog, IDOK);
    });
    const PositionCalibration& p = Pattern();
    EXPECT_EQ(3, p.levelCount);
    EXPECT_EQ(100, p.centers[0]);
    EXPECT_EQ(10, p.widths[0]);
    EXPECT_EQ(-1234, p.centers[1]);
    EXPECT_EQ(16, p.widths[1]);
    EXPECT_EQ(0, p.centers[2]);
    EXPECT_EQ(32767, p.widths[2]);
    EXPECT_STREQ("Supine position, ly", p.levelLabels[0]);
    EXPECT_STREQ("仰臥位", p.levelLabels[2]);
}

TEST_F(PositionDialog, EnterInAFieldTakesItBeforeOk) {
    FillTable(Pattern(), 2);
    RunDialog([&](HWND dialog) {
        Type(dialog, IDC_POS_CENTER(2), "77");
        // The Enter key presses the default button with the focus still in the field.
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    });
    EXPECT_EQ(77, Pattern().centers[1]);
}

TEST_F(PositionDialog, LoweringTheCountKeepsTheHigherLevels) {
    FillTable(Pattern(), 5);
    RunDialog([&](HWND dialog) {
        ChooseCount(dialog, 2);
        ExpectRows(dialog, 2);
        Click(dialog, IDOK);
    });
    PositionCalibration expected = {};
    FillTable(expected, 2);
    EXPECT_TRUE(SameTable(expected, Pattern()));
    RunDialog([&](HWND dialog) {
        ExpectRows(dialog, 2);
        ChooseCount(dialog, 5);
        ExpectRows(dialog, 5);
        for (int level = 3; level <= 5; ++level) {
            EXPECT_EQ("Level" + std::to_string(level), ControlText(dialog, IDC_POS_LABEL(level)));
            EXPECT_EQ(std::to_string(100 * level), ControlText(dialog, IDC_POS_CENTER(level)));
            EXPECT_EQ(std::to_string(10 * level), ControlText(dialog, IDC_POS_WIDTH(level)));
        }
        Click(dialog, IDOK);
    });
    FillTable(expected, 5);
    EXPECT_TRUE(SameTable(expected, Pattern()));
}

TEST_F(PositionDialog, CancelAndCloseCopyNothing) {
    FillTable(Pattern(), 4);
    PositionCalibration before = Pattern();
    RunDialog([&](HWND dialog) {
        ChooseCount(dialog, 6);
        TypeAndLeave(dialog, IDC_POS_CENTER(1), "5");
        TypeAndLeave(dialog, IDC_POS_LABEL(6), "changed");
        Click(dialog, IDCANCEL);
    });
    EXPECT_TRUE(SameTable(before, Pattern()));
    RunDialog([&](HWND dialog) {
        ChooseCount(dialog, 1);
        SendMessageA(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_TRUE(SameTable(before, Pattern()));
    // A new opening starts from the pattern again.
    RunDialog([&](HWND dialog) {
        ExpectRows(dialog, 4);
        EXPECT_EQ("100", ControlText(dialog, IDC_POS_CENTER(1)));
        Click(dialog, IDCANCEL);
    });
}

TEST_F(PositionDialog, DefaultStoreWritesTheFirstCountLevels) {
    FillTable(Pattern(), 5);
    RunDialog([&](HWND dialog) {
        ChooseCount(dialog, 2);
        TypeAndLeave(dialog, IDC_POS_CENTER(2), "-50");
        TypeAndLeave(dialog, IDC_POS_LABEL(1), "Supine");
        Click(dialog, IDC_POS_DEFAULT_STORE);
        // The pattern has the working copy at once; the dialog stays open.
        EXPECT_EQ(2, Pattern().levelCount);
        EXPECT_EQ(-50, Pattern().centers[1]);
        EXPECT_TRUE(IsWindowVisible(dialog));
        Click(dialog, IDCANCEL);     // does not undo the store
    });
    const std::vector<std::string> expected = {"PosLevelN=2", "PosCenter=100,-50,", "PosWidth=10,20,",
                                               "PosLabel1=Supine", "PosLabel2=Level2"};
    EXPECT_EQ(expected, SectionLines("POSCALINFO"));
    EXPECT_EQ(2, Pattern().levelCount);
    EXPECT_STREQ("Supine", Pattern().levelLabels[0]);
    EXPECT_EQ(500, Pattern().centers[4]);

    // Count 0: empty lists; the labels of the earlier store stay.
    RunDialog([&](HWND dialog) {
        ChooseCount(dialog, 0);
        Click(dialog, IDC_POS_DEFAULT_STORE);
        Click(dialog, IDOK);
    });
    const std::vector<std::string> empty = {"PosLevelN=0", "PosCenter=", "PosWidth=", "PosLabel1=Supine",
                                            "PosLabel2=Level2"};
    EXPECT_EQ(empty, SectionLines("POSCALINFO"));
}

TEST_F(PositionDialog, DefaultLoadFillsTheWorkingCopyOnly) {
    WriteTextFile(SettingsPath(), "[POSCALINFO]\r\nPosLevelN=4\r\nPosCenter=10,20\r\nPosLabel2=Left\r\n");
    FillTable(Pattern(), 1);
    const PositionCalibration before = Pattern();
    RunDialog([&](HWND dialog) {
        Click(dialog, IDC_POS_DEFAULT_LOAD);
        ExpectRows(dialog, 4);
        const char* centres[] = {"10", "20", "300", "400"};
        for (int level = 1; level <= 4; ++level) {
            EXPECT_EQ(centres[level - 1], ControlText(dialog, IDC_POS_CENTER(level))) << level;
            EXPECT_EQ(std::to_string(10 * level), ControlText(dialog, IDC_POS_WIDTH(level))) << level;
        }
        EXPECT_EQ("", ControlText(dialog, IDC_POS_LABEL(1)));
        EXPECT_EQ("Left", ControlText(dialog, IDC_POS_LABEL(2)));
        Click(dialog, IDCANCEL);
    });
    EXPECT_TRUE(SameTable(before, Pattern()));

    RunDialog([&](HWND dialog) {
        Click(dialog, IDC_POS_DEFAULT_LOAD);
        Click(dialog, IDOK);
    });
    EXPECT_EQ(4, Pattern().levelCount);
    EXPECT_EQ(10, Pattern().centers[0]);
    EXPECT_EQ(20, Pattern().centers[1]);
    EXPECT_EQ(300, Pattern().centers[2]);
    EXPECT_STREQ("Left", Pattern().levelLabels[1]);
}

TEST_F(PositionDialog, BadDefaultSectionsLoadSafely) {
    const std::string longLabel = std::string(17, 'x') + "仰臥" + std::string(300, 'y');
    WriteTextFile(SettingsPath(), "[POSCALINFO]\r\nPosLevelN=99\r\nPosCenter=zz,,0x10,-7,1,2,3,4,5,6,7\r\n"
                                  "PosWidth=" + std::string(900, '9') + "\r\nPosLabel1=" + longLabel + "\r\n");
    FillTable(Pattern(), 2);
    RunDialog([&](HWND dialog) {
        Click(dialog, IDC_POS_DEFAULT_LOAD);
        ExpectRows(dialog, 8);
        EXPECT_EQ("0", ControlText(dialog, IDC_POS_CENTER(1)));
        EXPECT_EQ("16", ControlText(dialog, IDC_POS_CENTER(3)));
        EXPECT_EQ("4", ControlText(dialog, IDC_POS_CENTER(8)));
        EXPECT_EQ("2147483647", ControlText(dialog, IDC_POS_WIDTH(8)));
        Click(dialog, IDOK);
    });
    EXPECT_EQ(kMaxLevels, Pattern().levelCount);
    EXPECT_EQ(std::string(17, 'x') + "仰", Pattern().levelLabels[0]);
    EXPECT_STREQ("", Pattern().levelLabels[7]);

    WriteTextFile(SettingsPath(), "[POSCALINFO]\r\nPosLevelN=-2\r\nPosCenter=1\r\n");
    RunDialog([&](HWND dialog) {
        Click(dialog, IDC_POS_DEFAULT_LOAD);
        ExpectRows(dialog, 0);
        Click(dialog, IDOK);
    });
    EXPECT_EQ(0, Pattern().levelCount);
    EXPECT_EQ(16, Pattern().centers[2]);    // "1" is too short to be a list
}

}  // namespace

// The patient page through the real main window, the real profile functions
// and a real patient history file: the first-start details, height and
// weight checks with their beeps, texts cut to their fields, the sex list,
// the birth date and the age from today's date, the refresh, the save-on-
// exit box, the remembered lists (reading rules, update order, limit of 20,
// damaged files), and a conversion that carries what the page was given.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "tests/app/gui_support.h"
#include "textkit/sjis_text.h"
#include "tools/taffgen/taffgen.h"

namespace {

using Texts = std::vector<std::string>;

std::string Key(const char* section, int key) {
    char name[8], text[512];
    snprintf(name, sizeof name, "%i", key);
    GetPrivateProfileStringA(section, name, "(missing)", text, sizeof text, PatientPath().c_str());
    return text;
}

// A history file section with the given keys ("0" = ...).
std::string SectionText(const char* section, const std::vector<std::pair<int, std::string>>& keys) {
    std::string text = std::string("[") + section + "]\r\n";
    for (const auto& k : keys) text += std::to_string(k.first) + "=" + k.second + "\r\n";
    return text;
}

// True when the text ends in the first half of a double-byte character.
bool SplitsACharacter(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        if (IsSjisLead(static_cast<unsigned char>(text[i])) && i + 1 == text.size()) return true;
        i += SjisCharWidth(text.c_str() + i);
    }
    return false;
}

class PatientPage : public MainWindowTest {
protected:
    void OpenOnPage() {
        Open();
        SendMessageA(window, WM_SHOW_PAGE, kPagePatient, 0);
    }
    HWND Page() { return State().frame.pages[kPagePatient]; }
    PatientInfo& Patient() { return State().patient; }
    std::string Text(int id) { return ControlText(Page(), id); }
    void Notify(int id, int code) {
        SendMessageA(Page(), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(Page(), id)));
    }
    // Types into an edit field or a history box and leaves it.
    void TypeInto(int id, const std::string& text) {
        SetDlgItemTextA(Page(), id, text.c_str());
        Notify(id, id == IDC_PAT_ID || id == IDC_PAT_NAME || id == IDC_PAT_KANA || id == IDC_PAT_HEIGHT ||
                           id == IDC_PAT_WEIGHT ? EN_KILLFOCUS : CBN_KILLFOCUS);
    }
    void Choose(int id, int index) {
        SendDlgItemMessageA(Page(), id, CB_SETCURSEL, index, 0);
        Notify(id, CBN_SELCHANGE);
    }
    int Selected(int id) { return static_cast<int>(SendDlgItemMessageA(Page(), id, CB_GETCURSEL, 0, 0)); }
    std::string SelectedText(int id) {
        int index = Selected(id);
        return index < 0 ? "(none)" : Items(id)[index];
    }
    Texts Items(int id) {
        Texts items;
        int count = static_cast<int>(SendDlgItemMessageA(Page(), id, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            std::string text(size_t(SendDlgItemMessageA(Page(), id, CB_GETLBTEXTLEN, i, 0)) + 1, '\0');
            SendDlgItemMessageA(Page(), id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
            items.push_back(text.c_str());
        }
        return items;
    }
    void SetSaveOnExit(bool on) {
        CheckDlgButton(Page(), IDC_PAT_SAVE_ON_EXIT, on ? BST_CHECKED : BST_UNCHECKED);
        Notify(IDC_PAT_SAVE_ON_EXIT, BN_CLICKED);
    }
    size_t Beeps() { return Fake().beeps.size(); }
};

TEST_F(PatientPage, FirstStartShowsTheDefaults) {
    OpenOnPage();
    EXPECT_TRUE(IsWindowVisible(Page()));
    EXPECT_EQ("000-0001", Text(IDC_PAT_ID));
    EXPECT_EQ("新規", Text(IDC_PAT_NAME));
    EXPECT_EQ("かな", Text(IDC_PAT_KANA));
    EXPECT_EQ("0", SelectedText(IDC_PAT_SEX));
    EXPECT_EQ(Texts({"0", "M", "F"}), Items(IDC_PAT_SEX));
    EXPECT_EQ("1950", SelectedText(IDC_PAT_BIRTH_YEAR));
    EXPECT_EQ("1", SelectedText(IDC_PAT_BIRTH_MONTH));
    EXPECT_EQ("1", SelectedText(IDC_PAT_BIRTH_DAY));
    EXPECT_EQ("25", SelectedText(IDC_PAT_AGE_YEARS));
    EXPECT_EQ("0", SelectedText(IDC_PAT_AGE_MONTHS));
    EXPECT_EQ("160.0", Text(IDC_PAT_HEIGHT));
    EXPECT_EQ("60.0", Text(IDC_PAT_WEIGHT));
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(Page(), IDC_PAT_SAVE_ON_EXIT));
    // The lists' ranges.
    Texts years = Items(IDC_PAT_BIRTH_YEAR);
    ASSERT_EQ(140u, years.size());
    EXPECT_EQ("1900", years.front());
    EXPECT_EQ("2039", years.back());
    EXPECT_EQ(12u, Items(IDC_PAT_BIRTH_MONTH).size());
    EXPECT_EQ(31u, Items(IDC_PAT_BIRTH_DAY).size());
    EXPECT_EQ("100", Items(IDC_PAT_AGE_YEARS).back());
    EXPECT_EQ("11", Items(IDC_PAT_AGE_MONTHS).back());
    for (int id : {IDC_PAT_DEPARTMENT, IDC_PAT_MEDICATION, IDC_PAT_COMMENT5}) {
        EXPECT_TRUE(Items(id).empty()) << id;
        EXPECT_EQ("", Text(id)) << id;
    }
}

TEST_F(PatientPage, HeightAndWeightAreCheckedAndShownWithOneDecimal) {
    OpenOnPage();
    TypeInto(IDC_PAT_HEIGHT, "170.45");
    EXPECT_EQ(1704, Patient().height);
    EXPECT_EQ("170.4", Text(IDC_PAT_HEIGHT));
    EXPECT_EQ(0u, Beeps());
    for (const char* refused : {"49.9", "221", "abc"}) {
        TypeInto(IDC_PAT_HEIGHT, refused);
        EXPECT_EQ(1704, Patient().height) << refused;
        EXPECT_EQ("170.4", Text(IDC_PAT_HEIGHT)) << refused;
    }
    EXPECT_EQ((std::vector<UINT>{0, 0, 0}), Fake().beeps);

    TypeInto(IDC_PAT_WEIGHT, "65");
    EXPECT_EQ(65000, Patient().weight);
    EXPECT_EQ("65.0", Text(IDC_PAT_WEIGHT));
    TypeInto(IDC_PAT_WEIGHT, "301");
    EXPECT_EQ(65000, Patient().weight);
    EXPECT_EQ("65.0", Text(IDC_PAT_WEIGHT));
    EXPECT_EQ(4u, Beeps());
    // The fields take six characters.
    EXPECT_EQ(6, SendDlgItemMessageA(Page(), IDC_PAT_HEIGHT, EM_GETLIMITTEXT, 0, 0));
}

TEST_F(PatientPage, TextsAreCutToTheirFieldsWithoutSplittingACharacter) {
    OpenOnPage();
    TypeInto(IDC_PAT_ID, "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    EXPECT_STREQ("ABCDEFGHIJKLMNOPQRS", Patient().id);
    std::string name;
    for (int i = 0; i < 20; ++i) name += "あ";
    TypeInto(IDC_PAT_NAME, "x" + name);         // 1 + 15 x 2 = 31 bytes fit
    EXPECT_EQ(31u, strlen(Patient().name));
    TypeInto(IDC_PAT_KANA, "xy" + name);        // the 16th character would be cut in half
    EXPECT_EQ(30u, strlen(Patient().kana));
    EXPECT_FALSE(SplitsACharacter(Patient().kana));
    TypeInto(IDC_PAT_DEPARTMENT, "z" + name + name);   // 39 bytes at most
    EXPECT_EQ(39u, strlen(Patient().department));
    EXPECT_EQ(Patient().department, Key("DEPARMENT", 0));
    std::string comment;
    for (int i = 0; i < 100; ++i) comment += "睡";
    TypeInto(IDC_PAT_COMMENT2, comment);
    EXPECT_EQ(126u, strlen(Patient().comments[1]));
    EXPECT_EQ(Patient().comments[1], Key("COMMENT2", 0));
    EXPECT_EQ(Patient().comments[1], Text(IDC_PAT_COMMENT2));
    EXPECT_EQ(0, Patient().comments[2][0]);      // the neighbour is untouched
}

TEST_F(PatientPage, SexListAndAnUnknownStoredCode) {
    WriteTextFile(PatientPath(), "[PATIENT]\r\nSex=X\r\n");
    OpenOnPage();
    EXPECT_STREQ("X", Patient().sex);
    EXPECT_EQ("0", SelectedText(IDC_PAT_SEX));   // the selection stayed
    Choose(IDC_PAT_SEX, 2);
    EXPECT_STREQ("F", Patient().sex);
    Choose(IDC_PAT_SEX, 1);
    Notify(IDC_PAT_SEX, CBN_KILLFOCUS);
    EXPECT_STREQ("M", Patient().sex);
}

TEST_F(PatientPage, BirthDateGivesTheAgeOnToday) {
    OpenOnPage();
    SYSTEMTIME today;
    GetLocalTime(&today);
    Choose(IDC_PAT_BIRTH_YEAR, today.wYear - 30 - 1900);
    Choose(IDC_PAT_BIRTH_MONTH, 0);   // January
    EXPECT_EQ(today.wYear - 30, Patient().birthYear);
    EXPECT_EQ(1, Patient().birthMonth);
    EXPECT_EQ(30, Patient().ageYears);
    EXPECT_EQ(today.wMonth - 1, Patient().ageMonths);
    EXPECT_EQ(30, Selected(IDC_PAT_AGE_YEARS));
    EXPECT_EQ(today.wMonth - 1, Selected(IDC_PAT_AGE_MONTHS));
    EXPECT_EQ(0u, Beeps());

    // The age lists change only themselves; the day counts for the age.
    Choose(IDC_PAT_AGE_YEARS, 5);
    Choose(IDC_PAT_AGE_MONTHS, 3);
    EXPECT_EQ(5, Patient().ageYears);
    EXPECT_EQ(3, Patient().ageMonths);
    Choose(IDC_PAT_BIRTH_DAY, 0);   // the 1st: a month completed whatever today's day
    EXPECT_EQ(1, Patient().birthDay);
    EXPECT_EQ(30, Patient().ageYears);
    EXPECT_EQ(today.wMonth - 1, Patient().ageMonths);
    Choose(IDC_PAT_AGE_YEARS, 5);
    Choose(IDC_PAT_AGE_MONTHS, 3);

    // Born next year: a beep, the age and its lists stay.
    Choose(IDC_PAT_BIRTH_YEAR, today.wYear + 1 - 1900);
    EXPECT_EQ(1u, Beeps());
    EXPECT_EQ(5, Patient().ageYears);
    EXPECT_EQ(3, Patient().ageMonths);
    EXPECT_EQ(5, Selected(IDC_PAT_AGE_YEARS));
    EXPECT_EQ(3, Selected(IDC_PAT_AGE_MONTHS));

    // Born in 1900 or 1912: older than the list goes; stored as computed,
    // shown as an empty pair (no months without years).
    for (int year : {1900, 1912}) {
        Choose(IDC_PAT_BIRTH_YEAR, year - 1900);
        EXPECT_EQ(today.wYear - year, Patient().ageYears);
        EXPECT_EQ(-1, Selected(IDC_PAT_AGE_YEARS));
        EXPECT_EQ(-1, Selected(IDC_PAT_AGE_MONTHS));
    }
}

// Digits typed in quick succession select the entry in each birth-date
// list, as choosing it from the list would.
TEST_F(PatientPage, TypedDigitsSelectTheBirthDate) {
    OpenOnPage();
    const struct { int id; const char* keys; const char* shown; } cases[] = {
        {IDC_PAT_BIRTH_YEAR, "1962", "1962"}, {IDC_PAT_BIRTH_MONTH, "12", "12"}, {IDC_PAT_BIRTH_DAY, "31", "31"}};
    for (const auto& k : cases) {
        for (const char* key = k.keys; *key; ++key) SendDlgItemMessageA(Page(), k.id, WM_CHAR, *key, 1);
        EXPECT_EQ(k.shown, SelectedText(k.id)) << k.keys;
    }
    EXPECT_EQ(1962, Patient().birthYear);
    EXPECT_EQ(12, Patient().birthMonth);
    EXPECT_EQ(31, Patient().birthDay);
}

TEST_F(PatientPage, RefreshShowsTheRecord) {
    OpenOnPage();
    PatientInfo& p = Patient();
    CopyText(p.id, sizeof p.id, "Z-9");
    CopyText(p.name, sizeof p.name, "山田太郎");
    CopyText(p.sex, sizeof p.sex, "F");
    CopyText(p.medication, sizeof p.medication, "なし");
    CopyText(p.comments[4], kCommentSize, "最後");
    p.birthYear = 2039, p.birthMonth = 12, p.birthDay = 31;
    p.ageYears = 100, p.ageMonths = 11, p.height = 2200, p.weight = 5000;
    State().settings.SaveEnable = 0;
    SendMessageA(Page(), WM_PAGE_REFRESH, 0, 0);
    EXPECT_EQ("Z-9", Text(IDC_PAT_ID));
    EXPECT_EQ("山田太郎", Text(IDC_PAT_NAME));
    EXPECT_EQ("F", SelectedText(IDC_PAT_SEX));
    EXPECT_EQ("2039", SelectedText(IDC_PAT_BIRTH_YEAR));
    EXPECT_EQ("12", SelectedText(IDC_PAT_BIRTH_MONTH));
    EXPECT_EQ("31", SelectedText(IDC_PAT_BIRTH_DAY));
    EXPECT_EQ("100", SelectedText(IDC_PAT_AGE_YEARS));
    EXPECT_EQ("11", SelectedText(IDC_PAT_AGE_MONTHS));
    EXPECT_EQ("220.0", Text(IDC_PAT_HEIGHT));
    EXPECT_EQ("5.0", Text(IDC_PAT_WEIGHT));
    EXPECT_EQ("なし", Text(IDC_PAT_MEDICATION));
    EXPECT_EQ("最後", Text(IDC_PAT_COMMENT5));
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(Page(), IDC_PAT_SAVE_ON_EXIT));
    // A year outside the list leaves it without a selection.
    p.birthYear = 1850;
    SendMessageA(Page(), WM_PAGE_REFRESH, 0, 0);
    EXPECT_EQ(-1, Selected(IDC_PAT_BIRTH_YEAR));
}

TEST_F(PatientPage, SaveOnExitOffKeepsThePatientSection) {
    const std::string before = "[PATIENT]\r\nName1=Before\r\nHeight=1555\r\n";
    WriteTextFile(PatientPath(), before);
    OpenOnPage();
    SetSaveOnExit(false);
    EXPECT_EQ(0, State().settings.SaveEnable);
    TypeInto(IDC_PAT_NAME, "After");
    TypeInto(IDC_PAT_HEIGHT, "180");
    CloseMainWindow(window);
    window = nullptr;
    EXPECT_EQ(before, ReadTextFile(PatientPath()));

    OpenOnPage();
    EXPECT_EQ("Before", Text(IDC_PAT_NAME));
    EXPECT_EQ("155.5", Text(IDC_PAT_HEIGHT));
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(Page(), IDC_PAT_SAVE_ON_EXIT));
    // Switched on again: the details are saved, the medication and the
    // comments are not (they live as long as the program).
    SetSaveOnExit(true);
    EXPECT_EQ(1, State().settings.SaveEnable);
    TypeInto(IDC_PAT_NAME, "After");
    TypeInto(IDC_PAT_MEDICATION, "Melatonin");
    TypeInto(IDC_PAT_COMMENT1, "Snoring");
    CloseMainWindow(window);
    window = nullptr;
    OpenOnPage();
    EXPECT_EQ("After", Text(IDC_PAT_NAME));
    EXPECT_STREQ("", Patient().medication);
    EXPECT_STREQ("", Patient().comments[0]);
    EXPECT_EQ("", Text(IDC_PAT_MEDICATION));
    EXPECT_EQ(Texts({"Melatonin"}), Items(IDC_PAT_MEDICATION));   // remembered in its list
}

TEST_F(PatientPage, DepartmentGapShowsTwoAtStartAndAllAfterAnUpdate) {
    WriteTextFile(PatientPath(), SectionText("DEPARMENT", {{0, "Cardiology"}, {1, "Neurology"}, {3, "Pediatrics"}}) +
                                     SectionText("MEDICINE", {{0, "m0"}, {2, "m2"}, {19, "m19"}}) +
                                     SectionText("COMMENT3", {{5, "c5"}}) +
                                     SectionText("READER", {{1, "hidden"}}));
    OpenOnPage();
    EXPECT_EQ(Texts({"Cardiology", "Neurology"}), Items(IDC_PAT_DEPARTMENT));
    EXPECT_EQ(Texts({"m0", "m2", "m19"}), Items(IDC_PAT_MEDICATION));
    EXPECT_EQ(Texts({"c5"}), Items(IDC_PAT_COMMENT3));
    EXPECT_TRUE(Items(IDC_PAT_READ_DOCTOR).empty());

    TypeInto(IDC_PAT_DEPARTMENT, "Sleep");
    EXPECT_STREQ("Sleep", Patient().department);
    EXPECT_EQ("Sleep", Text(IDC_PAT_DEPARTMENT));
    EXPECT_EQ("Sleep", Key("DEPARMENT", 0));
    EXPECT_EQ("Cardiology", Key("DEPARMENT", 1));
    EXPECT_EQ("Neurology", Key("DEPARMENT", 2));
    EXPECT_EQ("Pediatrics", Key("DEPARMENT", 3));   // beyond the keys written: kept
    EXPECT_EQ(Texts({"Sleep", "Cardiology", "Neurology", "Pediatrics"}), Items(IDC_PAT_DEPARTMENT));
    // Other sections are untouched.
    EXPECT_EQ("m2", Key("MEDICINE", 2));
    EXPECT_EQ("(missing)", Key("MEDICINE", 1));
}

TEST_F(PatientPage, EntryChosenAgainMovesToTheTopOnce) {
    WriteTextFile(PatientPath(), SectionText("REQDOCTOR", {{0, "Ito"}, {1, "Kato"}, {2, "Sato"}}));
    OpenOnPage();
    TypeInto(IDC_PAT_REQ_DOCTOR, "Sato");
    EXPECT_EQ(Texts({"Sato", "Ito", "Kato"}), Items(IDC_PAT_REQ_DOCTOR));
    EXPECT_EQ("Sato", Key("REQDOCTOR", 0));
    EXPECT_EQ("Ito", Key("REQDOCTOR", 1));
    EXPECT_EQ("Kato", Key("REQDOCTOR", 2));
    EXPECT_EQ("(missing)", Key("REQDOCTOR", 3));

    // Chosen from the drop-down list.
    Choose(IDC_PAT_REQ_DOCTOR, 2);
    EXPECT_STREQ("Kato", Patient().requestingDoctor);
    EXPECT_EQ("Kato", Text(IDC_PAT_REQ_DOCTOR));
    EXPECT_EQ(Texts({"Kato", "Sato", "Ito"}), Items(IDC_PAT_REQ_DOCTOR));

    // Leaving the box with the text unchanged writes nothing.
    const std::string file = ReadTextFile(PatientPath());
    Notify(IDC_PAT_REQ_DOCTOR, CBN_KILLFOCUS);
    EXPECT_EQ(file, ReadTextFile(PatientPath()));

    // A cleared box clears the field and keeps the list.
    TypeInto(IDC_PAT_REQ_DOCTOR, "");
    EXPECT_STREQ("", Patient().requestingDoctor);
    EXPECT_EQ(file, ReadTextFile(PatientPath()));
    EXPECT_EQ(3u, Items(IDC_PAT_REQ_DOCTOR).size());
}

// The list's own mouse handling: after the choice is reported the combo
// box may copy its selection into the edit field once more.
TEST_F(PatientPage, ItemPickedWithTheMouseStaysInTheBox) {
    WriteTextFile(PatientPath(), SectionText("MEDICINE", {{0, "Melatonin"}, {1, "Zolpidem"}}));
    OpenOnPage();
    HWND combo = GetDlgItem(Page(), IDC_PAT_MEDICATION);
    COMBOBOXINFO info = {};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(combo, &info));
    SetFocus(combo);
    SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
    RECT item;
    ASSERT_NE(LB_ERR, SendMessageA(info.hwndList, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item)));
    const LPARAM at = MAKELPARAM(item.left + 4, (item.top + item.bottom) / 2);
    SendMessageA(info.hwndList, WM_MOUSEMOVE, 0, at);
    SendMessageA(info.hwndList, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(info.hwndList, WM_LBUTTONUP, 0, at);
    EXPECT_TRUE(PumpUntil([this] { return strcmp("Zolpidem", Patient().medication) == 0; }));
    EXPECT_EQ("Zolpidem", Text(IDC_PAT_MEDICATION));
    EXPECT_EQ(Texts({"Zolpidem", "Melatonin"}), Items(IDC_PAT_MEDICATION));
    SetFocus(GetDlgItem(Page(), IDC_PAT_ID));   // leaving the box changes nothing
    PumpPending();
    EXPECT_STREQ("Zolpidem", Patient().medication);
    EXPECT_EQ("Zolpidem", Key("MEDICINE", 0));
}

TEST_F(PatientPage, TwentyFirstEntryDropsTheOldest) {
    std::vector<std::pair<int, std::string>> keys;
    for (int i = 0; i < 20; ++i) keys.push_back({i, "Tech" + std::to_string(i)});
    WriteTextFile(PatientPath(), SectionText("TECHNICIAN", keys));
    OpenOnPage();
    ASSERT_EQ(20u, Items(IDC_PAT_TECHNICIAN).size());
    TypeInto(IDC_PAT_TECHNICIAN, "Newcomer");
    Texts items = Items(IDC_PAT_TECHNICIAN);
    ASSERT_EQ(20u, items.size());
    EXPECT_EQ("Newcomer", items[0]);
    EXPECT_EQ("Tech18", items[19]);
    EXPECT_EQ("Newcomer", Key("TECHNICIAN", 0));
    EXPECT_EQ("Tech18", Key("TECHNICIAN", 19));
    EXPECT_EQ("(missing)", Key("TECHNICIAN", 20));
}

TEST_F(PatientPage, DamagedHistoryFilesReadWithoutHarm) {
    std::string longValue = "x";
    for (int i = 0; i < 150; ++i) longValue += "漢";
    std::string garbage = "[COMMENT4]\r\n0=";
    for (int i = 1; i < 256; ++i)
        if (i != '\r' && i != '\n') garbage += static_cast<char>(i);
    garbage += "\r\n1=\x81\r\n2=\x83\x5C\x83\r\n";
    std::string many = "[COMMENT1]\r\n";
    for (int i = 0; i < 10000; ++i) many += std::to_string(i) + "=entry" + std::to_string(i % 37) + "\r\n";
    std::string repeats = SectionText("MEDICINE", {{0, "same"}, {1, "same"}, {2, "other"}, {3, "same"}});
    WriteTextFile(PatientPath(), SectionText("DEPARMENT", {{0, longValue}}) + garbage + many + repeats +
                                     "\x01\x02[broken\r\n==\r\n[READER\r\n");
    OpenOnPage();
    Texts department = Items(IDC_PAT_DEPARTMENT);
    ASSERT_EQ(1u, department.size());
    EXPECT_EQ(127u, department[0].size());   // x and 63 whole characters
    EXPECT_FALSE(SplitsACharacter(department[0]));
    EXPECT_LE(Items(IDC_PAT_COMMENT4).size(), 3u);
    Texts comments = Items(IDC_PAT_COMMENT1);
    ASSERT_EQ(20u, comments.size());
    EXPECT_EQ("entry0", comments[0]);
    EXPECT_EQ(Texts({"same", "other"}), Items(IDC_PAT_MEDICATION));

    // Updates still work on them and never list more than 20.
    TypeInto(IDC_PAT_COMMENT1, "entry19");
    comments = Items(IDC_PAT_COMMENT1);
    EXPECT_EQ(20u, comments.size());
    EXPECT_EQ("entry19", comments[0]);
    TypeInto(IDC_PAT_COMMENT4, "fine");
    EXPECT_EQ("fine", Items(IDC_PAT_COMMENT4)[0]);
    TypeInto(IDC_PAT_DEPARTMENT, "Sleep");
    EXPECT_EQ(2u, Items(IDC_PAT_DEPARTMENT).size());
    EXPECT_STREQ("Sleep", Patient().department);
}

// Everything the page takes goes into the record the header writer reads,
// and a conversion carries it into the PSG file.
TEST_F(PatientPage, FilledPageReachesTheConvertedFile) {
    OpenOnPage();
    TypeInto(IDC_PAT_ID, "A-0815");
    TypeInto(IDC_PAT_NAME, "佐藤花子");
    TypeInto(IDC_PAT_KANA, "さとうはなこ");
    Choose(IDC_PAT_SEX, 2);
    Choose(IDC_PAT_BIRTH_YEAR, 1972 - 1900);
    Choose(IDC_PAT_BIRTH_MONTH, 10);
    Choose(IDC_PAT_BIRTH_DAY, 4);
    Choose(IDC_PAT_AGE_YEARS, 52);
    Choose(IDC_PAT_AGE_MONTHS, 3);
    TypeInto(IDC_PAT_HEIGHT, "158.2");
    TypeInto(IDC_PAT_WEIGHT, "49.5");
    TypeInto(IDC_PAT_DEPARTMENT, "精神神経科");
    TypeInto(IDC_PAT_REQ_DOCTOR, "山田一郎");
    TypeInto(IDC_PAT_TECHNICIAN, "鈴木");
    TypeInto(IDC_PAT_READ_DOCTOR, "高橋");
    TypeInto(IDC_PAT_MEDICATION, "ゾルピデム 5mg");
    const char* comments[] = {"いびき多い", "途中覚醒", "", "CPAP 使用", "以上"};
    for (int n = 0; n < 5; ++n) TypeInto(IDC_PAT_COMMENT1 + n, comments[n]);

    const PatientInfo& p = Patient();
    EXPECT_STREQ("A-0815", p.id);
    EXPECT_STREQ("佐藤花子", p.name);
    EXPECT_STREQ("さとうはなこ", p.kana);
    EXPECT_STREQ("F", p.sex);
    EXPECT_EQ(1972, p.birthYear);
    EXPECT_EQ(11, p.birthMonth);
    EXPECT_EQ(5, p.birthDay);
    EXPECT_EQ(52, p.ageYears);
    EXPECT_EQ(3, p.ageMonths);
    EXPECT_EQ(1582, p.height);
    EXPECT_EQ(49500, p.weight);
    EXPECT_STREQ("精神神経科", p.department);
    EXPECT_STREQ("山田一郎", p.requestingDoctor);
    EXPECT_STREQ("鈴木", p.technician);
    EXPECT_STREQ("高橋", p.readingDoctor);
    EXPECT_STREQ("ゾルピデム 5mg", p.medication);
    for (int n = 0; n < 5; ++n) EXPECT_STREQ(comments[n], p.comments[n]) << n;

    TaffGenOptions options;
    options.channels = 2;
    options.seconds = 5;
    const std::string header = TempDir() + "\\PAT.HDR", output = TempDir() + "\\PAT_PSG.DAT";
    std::string error;
    ASSERT_TRUE(WriteTaffRecording(options, header, &error)) << error;
    Fake().openAnswer = header;
    SendMessageA(window, WM_COMMAND, IDM_FILE_OPEN, 0);
    ASSERT_EQ(kSourceTaff, State().source.sourceKind);
    Fake().saveAnswer = output;
    SendMessageA(window, WM_COMMAND, IDM_FILE_CONVERT, 0);
    ASSERT_TRUE(PumpUntil([this] { return State().conv.conversionState == kConvFinished; }));
    EXPECT_TRUE(Fake().messageDialogs.empty());
    const std::string file = ReadTextFile(output);
    ASSERT_GT(file.size(), 256u);
    EXPECT_EQ("A-0815 F 05-NOV-1972 X", file.substr(8, 80).substr(0, 22));
    for (const char* utf8 : {u8"Patient name: 佐藤花子", u8"Patient kana: さとうはなこ", u8"Department: 精神神経科",
                             u8"Requesting doctor: 山田一郎", u8"Technician: 鈴木", u8"Reading doctor: 高橋",
                             u8"Medication: ゾルピデム 5mg", u8"Comment 1: いびき多い", u8"Comment 4: CPAP 使用",
                             u8"Comment 5: 以上", "Height: 158.2 cm", "Weight: 49.5 kg"})
        EXPECT_NE(std::string::npos, file.find(utf8)) << utf8;
}

}  // namespace

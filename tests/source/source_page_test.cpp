// The open and close commands and the source data page through the real
// main window, with generated recordings on disk and the file and message
// dialogs answered by the fake user interface: what an opened recording
// shows, the date and time corrections, the lists kept over a new open,
// the channel-name copy, files that are not recordings, and cancel.
#include <gtest/gtest.h>

#include <windows.h>
#include <commdlg.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "tests/app/gui_support.h"
#include "tools/taffgen/taffgen.h"

namespace {

// A generated recording of `channels` channels and `scans` scans in the test folder.
std::string MakeRecording(const std::string& name, int channels, int64_t scans) {
    TaffGenOptions options;
    options.channels = channels;
    options.scans = scans;
    return MakeRecording(name, options);
}

std::string Caption(HWND window) {
    char text[600];
    GetWindowTextA(window, text, sizeof text);
    return text;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

class SourcePage : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        Open();
    }
    HWND Page() { return PeekState(window)->frame.pages[kPageSource]; }
    // Runs the open command with the open dialog answering `path`.
    void OpenCommand(const std::string& path) {
        Fake().openAnswer = path;
        SendMessageA(window, WM_COMMAND, IDM_FILE_OPEN, 0);
    }
    // Types `text` into an edit field of the page and leaves it.
    void TypeInto(int id, const char* text) {
        SetDlgItemTextA(Page(), id, text);
        SendMessageA(Page(), WM_COMMAND, MAKEWPARAM(id, EN_KILLFOCUS),
                     reinterpret_cast<LPARAM>(GetDlgItem(Page(), id)));
    }
    void SelectInList(int id, int index) {
        SendDlgItemMessageA(Page(), id, CB_SETCURSEL, index, 0);
        SendMessageA(Page(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(Page(), id)));
    }
    void ClickSetLabels() {
        SendMessageA(Page(), WM_COMMAND, MAKEWPARAM(IDC_SRC_SETLABELS, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(Page(), IDC_SRC_SETLABELS)));
    }
};

TEST_F(SourcePage, OpenShowsTheRecording) {
    // 125.995 seconds at 200 Hz: the part second is not counted.
    std::string path = MakeRecording("EIGHT.HDR", 8, 200 * 125 + 199);
    State().conv.conversionState = kConvFinished;
    MontagePattern& entries = State().patterns[State().currentPattern];
    entries.channels[0].signalType = 0;
    entries.channels[1].signalType = REC_TYPE_POSITION;
    entries.channels[8].signalType = 0;
    OpenCommand(path);

    // The dialog opened in the default folder: no earlier recording.
    EXPECT_EQ(1, Fake().openCalls);
    EXPECT_EQ("TAFFormat File Select", Fake().openTitle);
    EXPECT_EQ(static_cast<DWORD>(OFN_SHAREAWARE), Fake().openFlags);
    EXPECT_EQ("", Fake().openInitialDir);
    EXPECT_EQ("", Fake().openFileName);
    EXPECT_TRUE(Fake().messageDialogs.empty());
    EXPECT_TRUE(Fake().beeps.empty());

    ConverterState& s = State();
    EXPECT_EQ(kSourceTaff, s.source.sourceKind);
    EXPECT_NE(nullptr, s.source.sourceHandle);
    EXPECT_EQ(kConvNoOutput, s.conv.conversionState);
    EXPECT_EQ(path, s.settings.OrgFile);
    EXPECT_EQ(path.substr(0, path.size() - 4), s.source.sourceStem);
    EXPECT_EQ(16, s.source.bytesPerScan);

    HWND page = Page();
    EXPECT_TRUE(IsWindowVisible(page));
    EXPECT_EQ("TAFFormat File", ControlText(page, IDC_SRC_FILETYPE));
    EXPECT_EQ(path, ControlText(page, IDC_SRC_FILENAME));
    EXPECT_EQ("8", ControlText(page, IDC_SRC_CHANNELS));
    EXPECT_EQ("200 Hz", ControlText(page, IDC_SRC_RATE));
    EXPECT_EQ("16bit", ControlText(page, IDC_SRC_BITS));
    EXPECT_EQ("0:02:05", ControlText(page, IDC_SRC_TOTALTIME));
    const int ids[] = {IDC_SRC_YEAR, IDC_SRC_MONTH, IDC_SRC_DAY, IDC_SRC_HOUR, IDC_SRC_MINUTE, IDC_SRC_SECOND};
    const char* expected[] = {"2024", "03", "14", "22", "15", "04"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(expected[i], ControlText(page, ids[i])) << ids[i];
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_SRC_SETLABELS)));
    EXPECT_TRUE(EndsWith(Caption(window), " [" + path + "]")) << Caption(window);

    // Entries of the 8 channels switched on, the rest off; a recorded
    // channel without a type gets type 4, a type chosen earlier is kept, an
    // entry beyond the recording is left as it was.
    const MontagePattern& pattern = s.patterns[s.currentPattern];
    for (int j = 0; j < kChannelEntries; ++j) EXPECT_EQ(j < 8 ? 1 : 0, pattern.channels[j].enabled) << j;
    EXPECT_EQ(4, pattern.channels[0].signalType);
    EXPECT_EQ(REC_TYPE_POSITION, pattern.channels[1].signalType);
    EXPECT_EQ(0, pattern.channels[8].signalType);

    // The next open starts in the folder of this recording with its name.
    Fake().openAnswer.clear();
    SendMessageA(window, WM_COMMAND, IDM_FILE_OPEN, 0);
    EXPECT_EQ(path.substr(0, path.rfind('\\') + 1), Fake().openInitialDir);
    EXPECT_EQ(path, Fake().openFileName);
    EXPECT_EQ(static_cast<DWORD>(OFN_SHAREAWARE | OFN_PATHMUSTEXIST), Fake().openFlags);
}

TEST_F(SourcePage, SignalTypeZeroBecomesEegOthersStay) {
    std::string path = MakeRecording("TYPES.HDR", 4, 2000);
    MontagePattern& pattern = State().patterns[State().currentPattern];
    pattern.channels[0].signalType = 0;
    pattern.channels[1].signalType = 15;
    pattern.channels[5].enabled = 1;
    OpenCommand(path);
    EXPECT_EQ(4, pattern.channels[0].signalType);
    EXPECT_EQ(15, pattern.channels[1].signalType);
    EXPECT_EQ(0, pattern.channels[5].enabled);
}

TEST_F(SourcePage, StartFieldsKeepOnlyValuesInRange) {
    OpenCommand(MakeRecording("DATES.HDR", 2, 2000));
    SourceInfo& src = State().source;
    TypeInto(IDC_SRC_HOUR, "8");
    EXPECT_EQ(8, src.startHour);
    EXPECT_EQ("08", ControlText(Page(), IDC_SRC_HOUR));
    TypeInto(IDC_SRC_HOUR, " 09x");
    EXPECT_EQ(9, src.startHour);
    EXPECT_EQ("09", ControlText(Page(), IDC_SRC_HOUR));

    TypeInto(IDC_SRC_YEAR, "2100");
    EXPECT_EQ(2024, src.startYear);
    EXPECT_EQ("2024", ControlText(Page(), IDC_SRC_YEAR));
    TypeInto(IDC_SRC_YEAR, "1990");
    EXPECT_EQ(1990, src.startYear);

    TypeInto(IDC_SRC_MONTH, "2");
    TypeInto(IDC_SRC_DAY, "31");
    EXPECT_EQ(2, src.startMonth);
    EXPECT_EQ(31, src.startDay);
    TypeInto(IDC_SRC_DAY, "32");
    EXPECT_EQ(31, src.startDay);
    EXPECT_EQ("31", ControlText(Page(), IDC_SRC_DAY));

    TypeInto(IDC_SRC_MINUTE, "ab");
    EXPECT_EQ(0, src.startMinute);
    EXPECT_EQ("00", ControlText(Page(), IDC_SRC_MINUTE));
    TypeInto(IDC_SRC_SECOND, "-1");
    EXPECT_EQ(4, src.startSecond);
    EXPECT_EQ("04", ControlText(Page(), IDC_SRC_SECOND));

    // A change of the text alone stores nothing.
    SetDlgItemTextA(Page(), IDC_SRC_HOUR, "12");
    SendMessageA(Page(), WM_COMMAND, MAKEWPARAM(IDC_SRC_HOUR, EN_CHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(Page(), IDC_SRC_HOUR)));
    EXPECT_EQ(9, src.startHour);
    EXPECT_TRUE(Fake().beeps.empty());
    EXPECT_TRUE(Fake().messageDialogs.empty());
}

TEST_F(SourcePage, HumFilterAndCalTypeSurviveCloseAndNewOpen) {
    std::string path = MakeRecording("LISTS.HDR", 2, 2000);
    OpenCommand(path);
    SelectInList(IDC_SRC_HUMFILTER, 2);
    SelectInList(IDC_SRC_CALTYPE, 1);
    EXPECT_EQ(2, State().source.humFilter);
    EXPECT_EQ(1, State().settings.CalType);
    SendMessageA(window, WM_COMMAND, IDM_FILE_CLOSE, 0);
    OpenCommand(path);
    EXPECT_EQ(kSourceTaff, State().source.sourceKind);
    EXPECT_EQ(2, State().source.humFilter);
    EXPECT_EQ(1, State().settings.CalType);
    EXPECT_EQ(2, SendDlgItemMessageA(Page(), IDC_SRC_HUMFILTER, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(1, SendDlgItemMessageA(Page(), IDC_SRC_CALTYPE, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(3, SendDlgItemMessageA(Page(), IDC_SRC_HUMFILTER, CB_GETCOUNT, 0, 0));
    EXPECT_EQ(2, SendDlgItemMessageA(Page(), IDC_SRC_CALTYPE, CB_GETCOUNT, 0, 0));
}

TEST_F(SourcePage, SetLabelsCopiesTheChannelNames) {
    OpenCommand(MakeRecording("LABELS.HDR", 8, 2000));
    MontagePattern& pattern = State().patterns[State().currentPattern];
    strcpy(pattern.channels[8].label, "KEEP");
    ClickSetLabels();
    EXPECT_STREQ("C3-A2", pattern.channels[0].label);
    EXPECT_STREQ("C4-A1", pattern.channels[1].label);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(TaffGenChannelName(i), pattern.channels[i].label) << i;
    EXPECT_STREQ("KEEP", pattern.channels[8].label);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(Page(), IDC_SRC_SETLABELS)));
}

TEST_F(SourcePage, FortyChannelsFillTheThirtyTwoEntries) {
    OpenCommand(MakeRecording("FORTY.HDR", 40, 2000));
    ASSERT_EQ(kSourceTaff, State().source.sourceKind);
    EXPECT_EQ("40", ControlText(Page(), IDC_SRC_CHANNELS));
    const int slot = State().currentPattern;
    const int next = (slot + 1) % kPatternCount;
    MontagePattern& pattern = State().patterns[slot];
    for (int j = 0; j < kChannelEntries; ++j) EXPECT_EQ(1, pattern.channels[j].enabled) << j;
    char nextLabel[kLabelSize];
    memcpy(nextLabel, State().patterns[next].channels[0].label, sizeof nextLabel);
    ClickSetLabels();
    EXPECT_EQ(TaffGenChannelName(31), pattern.channels[31].label);
    EXPECT_EQ(0, memcmp(nextLabel, State().patterns[next].channels[0].label, sizeof nextLabel));
}

// After a close every property and start field is empty: nothing shown
// belongs to a recording that is no longer open.
TEST_F(SourcePage, CloseClearsThePage) {
    std::string path = MakeRecording("CLOSE.HDR", 8, 2000);
    OpenCommand(path);
    State().source.sampleRate = 1000;   // the rate is kept, whatever it is
    SendMessageA(window, WM_COMMAND, IDM_FILE_CLOSE, 0);
    ConverterState& s = State();
    EXPECT_EQ(kSourceNone, s.source.sourceKind);
    EXPECT_EQ(nullptr, s.source.sourceHandle);
    EXPECT_EQ(path, s.settings.OrgFile);
    EXPECT_EQ(1000, s.source.sampleRate);
    HWND page = Page();
    EXPECT_EQ("No Select", ControlText(page, IDC_SRC_FILETYPE));
    for (int id : {IDC_SRC_FILENAME, IDC_SRC_CHANNELS, IDC_SRC_RATE, IDC_SRC_BITS, IDC_SRC_TOTALTIME, IDC_SRC_YEAR,
                   IDC_SRC_MONTH, IDC_SRC_DAY, IDC_SRC_HOUR, IDC_SRC_MINUTE, IDC_SRC_SECOND})
        EXPECT_EQ("", ControlText(page, id)) << id;
    // A start typed without a recording is not taken.
    TypeInto(IDC_SRC_YEAR, "2020");
    EXPECT_EQ("", ControlText(page, IDC_SRC_YEAR));
    EXPECT_EQ(0, s.source.startYear);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_SRC_SETLABELS)));
    EXPECT_EQ(std::string::npos, Caption(window).find('['));
    // The button does nothing without a recording.
    strcpy(s.patterns[s.currentPattern].channels[0].label, "KEEP");
    ClickSetLabels();
    EXPECT_STREQ("KEEP", s.patterns[s.currentPattern].channels[0].label);
    // A second close is harmless.
    SendMessageA(window, WM_COMMAND, IDM_FILE_CLOSE, 0);
    EXPECT_EQ(kSourceNone, s.source.sourceKind);
}

// A recording of 24-bit samples shows its own width, though the reader
// serves it on the 16-bit scale.
TEST_F(SourcePage, A24BitRecordingShowsItsWidth) {
    TaffGenOptions options;
    options.channels = 4;
    options.scans = 2000;
    options.longSamples = true;
    OpenCommand(MakeRecording("WIDE.HDR", options));
    ASSERT_EQ(kSourceTaff, State().source.sourceKind);
    EXPECT_EQ("24bit", ControlText(Page(), IDC_SRC_BITS));
    EXPECT_EQ(16, State().source.bitsPerSample);
}

TEST_F(SourcePage, FilesThatAreNotRecordingsAreRefused) {
    std::string good = MakeRecording("GOOD.HDR", 8, 2000);
    std::string random = TempDir() + "\\RANDOM.HDR";
    {
        std::ofstream out(random, std::ios::binary);
        for (int i = 0; i < 4096; ++i) out.put(static_cast<char>((i * 7919 + 13) & 0xFF));
    }
    std::string empty = TempDir() + "\\EMPTY.HDR";
    { std::ofstream out(empty, std::ios::binary); }
    std::string orphan = MakeRecording("ORPHAN.HDR", 8, 2000);
    ASSERT_TRUE(DeleteFileA(TaffGenDataPath(TaffGenOptions(), orphan).c_str()));

    for (const std::string& bad : {random, empty, orphan, TempDir() + "\\MISSING.HDR"}) {
        OpenCommand(good);
        ASSERT_EQ(kSourceTaff, State().source.sourceKind);
        const std::string caption = Caption(window);
        InstallFakeUi();
        OpenCommand(bad);
        ConverterState& s = State();
        EXPECT_EQ(std::vector<UINT>{0}, Fake().beeps) << bad;
        EXPECT_EQ(std::vector<int>{IDD_WARN_NOT_TAFF}, Fake().messageDialogs) << bad;
        EXPECT_EQ(kSourceNone, s.source.sourceKind) << bad;
        EXPECT_EQ(nullptr, s.source.sourceHandle) << bad;
        EXPECT_EQ(bad, s.settings.OrgFile);
        // No recording is open, and the caption no longer names the last one.
        EXPECT_TRUE(EndsWith(caption, " [" + good + "]"));
        EXPECT_EQ(std::string::npos, Caption(window).find('[')) << bad;
    }
}

TEST_F(SourcePage, CancelledOpenChangesNothing) {
    std::string path = MakeRecording("KEPT.HDR", 8, 2000);
    OpenCommand(path);
    State().conv.conversionState = kConvOutputChosen;
    TaffHandle handle = State().source.sourceHandle;
    const std::string caption = Caption(window);
    OpenCommand("");
    ConverterState& s = State();
    EXPECT_EQ(2, Fake().openCalls);
    EXPECT_EQ(kSourceTaff, s.source.sourceKind);
    EXPECT_EQ(handle, s.source.sourceHandle);
    EXPECT_EQ(path, s.settings.OrgFile);
    EXPECT_EQ(1, s.conv.conversionState);
    EXPECT_EQ(caption, Caption(window));
    EXPECT_EQ("8", ControlText(Page(), IDC_SRC_CHANNELS));
    EXPECT_TRUE(Fake().beeps.empty());
    EXPECT_TRUE(Fake().messageDialogs.empty());
}

}  // namespace

// The conversion page through the real main window: choosing the output
// file, the status texts of each state, whole runs driven by the page's
// frame timer and checked in the written PSG file, and the ways a run is
// refused or cut short (no output chosen, the output naming the source's
// own files, a bad frame time, a start while converting, the recording
// closed or another one opened during a run, a disk that cannot be written).
#include <gtest/gtest.h>

#include <windows.h>
#include <commdlg.h>

#include <cctype>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "engine/psg_header.h"
#include "resources/resource_ids.h"
#include "tests/app/gui_support.h"
#include "tests/support/whole_file.h"
#include "tools/taffgen/taffgen.h"

namespace {

// A generated recording of `channels` channels lasting `seconds` in the test folder.
std::string MakeRecording(const std::string& name, int channels, double seconds) {
    TaffGenOptions options;
    options.channels = channels;
    options.seconds = seconds;
    return MakeRecording(name, options);
}

// The status line's texts, as the operator reads them.
const std::string kStatusNoSource = "変換元のﾌｧｲﾙを\"元ﾃﾞｰﾀﾌｧｲﾙ\"で指定してください。";
const std::string kStatusNoOutput = "変換先ﾌｧｲﾙを\"File Selectボタン\"で指定してください。";
const std::string kStatusReady = "\"変換開始\"ボタンで変換開始してください。";
const std::string kStatusConverting =
    "変換実行中です。フレーム数の分子カウンタが分母と同じになるまで我慢して待っててね。";
const std::string kStatusDone = "変換が正常に終了しました。";
const std::string kStatusWriteFailed = "PSGﾌｧｲﾙの書き込みに失敗しました。変換は中断されました。";
const std::string kStatusStopped = "変換を中止しました。PSGﾌｧｲﾙは書き込まれていません。";
const std::string kStatusDoneShort = "変換が終了しました。ﾃﾞｰﾀﾌｧｲﾙが短いため、ﾃﾞｰﾀのある時間だけを変換しました。";
const std::string kStatusNoChannel = "変換するﾁｬﾝﾈﾙがありません。ﾓﾝﾀｰｼﾞでﾁｬﾝﾈﾙを選んで下さい。";
const std::string kStatusNoMemory = "ﾒﾓﾘが足りないため、変換を開始できませんでした。";

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The fixed header fields of a written PSG file.
struct PsgFile {
    explicit PsgFile(const std::string& path) : bytes(ReadFile(path)) {}
    std::string Field(size_t offset, size_t width) const {
        if (bytes.size() < offset + width) return "<short>";
        std::string text = bytes.substr(offset, width);
        return text.substr(0, text.find_last_not_of(' ') + 1);
    }
    long Number(size_t offset, size_t width) const { return strtol(Field(offset, width).c_str(), nullptr, 10); }
    std::string RecordCount() const { return Field(236, 8); }
    // Header bytes plus records of the size the signal fields give.
    bool SizeMatches(long records) const {
        const long headerBytes = Number(184, 8);
        const long signals = Number(252, 4);
        if (signals <= 0 || headerBytes != 256 * (signals + 1)) return false;
        long recordBytes = 0;
        for (long i = 0; i < signals; ++i) recordBytes += 2 * Number(256 + signals * 216 + i * 8, 8);
        return static_cast<long>(bytes.size()) == headerBytes + records * recordBytes;
    }
    std::string bytes;
};

class ConvertPage : public MainWindowTest {
protected:
    HWND Page() { return PeekState(window)->frame.pages[kPageConvert]; }
    std::string Text(int id) { return ControlText(Page(), id); }
    bool Enabled(int id) { return IsWindowEnabled(GetDlgItem(Page(), id)) != FALSE; }
    void Refresh() { SendMessageA(Page(), WM_PAGE_REFRESH, 0, 0); }
    // The tests convert for a named patient; the first-start patient's
    // question has its own test.
    void OpenRecording(const std::string& path, bool namedPatient = true) {
        Fake().openAnswer = path;
        SendMessageA(window, WM_COMMAND, IDM_FILE_OPEN, 0);
        ASSERT_EQ(kSourceTaff, State().source.sourceKind) << path;
        if (namedPatient) lstrcpynA(State().patient.id, "T-0001", kPatientIdSize);
    }
    void Click(int id) {
        SendMessageA(Page(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(Page(), id)));
    }
    void ChooseOutput(const std::string& path) {
        Fake().saveAnswer = path;
        Click(IDC_CONV_SELECT);
    }
    bool WaitForFinished() {
        return PumpUntil([this] { return State().conv.conversionState == kConvFinished; });
    }
    // One block a tick, so that a short recording takes many ticks and a
    // test can act in the middle of a run.
    void OneBlockPerTick() { State().frame.tickBudgetMs = 0; }
    // Starts a run into `output` that stays in the middle for a while.
    void StartLongRun(const std::string& output) {
        ChooseOutput(output);
        OneBlockPerTick();
        Click(IDC_CONV_START);
        ASSERT_EQ(kConvConverting, State().conv.conversionState);
        ASSERT_TRUE(PumpUntil([this] { return State().conv.framesDone > 0; }));
    }
    // No temporary file of a run is left in the test folder.
    bool NoPartFile() {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((TempDir() + "\\*.part").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return true;
        FindClose(search);
        return false;
    }
};

TEST_F(ConvertPage, StartBeforeChoosingAFileWarns) {
    Open();
    Refresh();
    EXPECT_EQ(kStatusNoSource, Text(IDC_CONV_STATUS));
    EXPECT_FALSE(Enabled(IDC_CONV_START));
    EXPECT_TRUE(Enabled(IDC_CONV_SELECT));
    OpenRecording(MakeRecording("NOOUT.HDR", 2, 10));
    Refresh();
    EXPECT_EQ(kStatusNoOutput, Text(IDC_CONV_STATUS));
    Click(IDC_CONV_START);
    EXPECT_EQ(std::vector<int>{IDD_WARN_NO_OUTPUT}, Fake().messageDialogs);
    EXPECT_EQ(kConvNoOutput, State().conv.conversionState);
    EXPECT_EQ(nullptr, State().conv.recHandle);
    EXPECT_EQ(0u, State().frame.conversionTimer);
}

TEST_F(ConvertPage, WholeRunFromChoiceToFinishedFile) {
    Open();
    const std::string source = MakeRecording("NIGHT.HDR", 4, 150);
    const std::string output = TempDir() + "\\RUN1.DAT";
    OpenRecording(source);

    ChooseOutput(output);
    ConverterState& s = State();
    EXPECT_EQ("PSG Convert File Select", Fake().saveTitle);
    // No earlier output: the recording's folder, where its own NIGHT.DAT is
    // the raw data, so the name proposed is another; EDF is a second type.
    EXPECT_EQ(TempDir() + "\\", Fake().saveInitialDir);
    EXPECT_EQ(TempDir() + "\\NIGHT_PSG.DAT", Fake().saveFileName);
    EXPECT_EQ(static_cast<DWORD>(OFN_SHAREAWARE | OFN_PATHMUSTEXIST), Fake().saveFlags);
    EXPECT_EQ("PSG File(*.DAT)|*.dat|EDF (*.edf)|*.edf|All Files(*.*)|*.*|", Fake().saveFilter);
    EXPECT_EQ(kConvOutputChosen, s.conv.conversionState);
    EXPECT_EQ(output, s.conv.outputPath);
    EXPECT_EQ(output, s.settings.CopyFile);
    EXPECT_EQ(3, s.frame.currentPage);
    EXPECT_TRUE(IsWindowVisible(Page()));
    EXPECT_EQ(output, Text(IDC_CONV_OUTPUT));
    EXPECT_EQ(kStatusReady, Text(IDC_CONV_STATUS));
    EXPECT_TRUE(Enabled(IDC_CONV_START));
    EXPECT_TRUE(Fake().messageDialogs.empty());   // a new file needs no confirmation

    Click(IDC_CONV_START);
    ASSERT_EQ(kConvConverting, s.conv.conversionState);
    RecHandle running = s.conv.recHandle;
    EXPECT_NE(nullptr, running);
    EXPECT_NE(0u, s.frame.conversionTimer);
    EXPECT_EQ(kStatusConverting, Text(IDC_CONV_STATUS));
    EXPECT_FALSE(Enabled(IDC_CONV_START));
    EXPECT_FALSE(Enabled(IDC_CONV_SELECT));
    // A second start and the convert command are refused while converting.
    Click(IDC_CONV_START);
    Fake().saveAnswer = TempDir() + "\\OTHER.DAT";
    SendMessageA(window, WM_COMMAND, IDM_FILE_CONVERT, 0);
    EXPECT_EQ((std::vector<UINT>{0, 0}), Fake().beeps);
    EXPECT_EQ(1, Fake().saveCalls);
    EXPECT_EQ(running, s.conv.recHandle);
    EXPECT_EQ(output, s.conv.outputPath);

    ASSERT_TRUE(WaitForFinished());
    EXPECT_EQ(nullptr, s.conv.recHandle);
    EXPECT_EQ(0u, s.frame.conversionTimer);
    EXPECT_EQ(nullptr, s.conv.blockBuffer);
    EXPECT_EQ(kStatusDone, Text(IDC_CONV_STATUS));
    EXPECT_EQ("150 / 150", Text(IDC_CONV_COUNTER));
    EXPECT_EQ((std::vector<UINT>{0, 0, 0}), Fake().beeps);
    EXPECT_TRUE(Enabled(IDC_CONV_START));
    EXPECT_TRUE(Enabled(IDC_CONV_SELECT));
    EXPECT_TRUE(Fake().messageDialogs.empty());
    PsgFile file(output);
    EXPECT_EQ("0", file.Field(0, 8));
    EXPECT_EQ("150", file.RecordCount());
    EXPECT_EQ("1", file.Field(244, 8));
    EXPECT_EQ(5, file.Number(252, 4));   // four channels and the annotations
    EXPECT_TRUE(file.SizeMatches(150)) << file.bytes.size();
    EXPECT_FALSE(Exists(TempDir() + "\\OTHER.DAT"));

    // Starting again from Finished writes the same file anew without asking.
    Click(IDC_CONV_START);
    ASSERT_TRUE(WaitForFinished());
    EXPECT_TRUE(Fake().messageDialogs.empty());
    EXPECT_EQ(file.bytes, ReadFile(output));

    // The next choice proposes the recording's name in the last output's
    // folder (settings key CopyFile); the existing file is confirmed first,
    // and a cancel keeps all.
    Fake().messageAnswer = IDCANCEL;
    ChooseOutput(output);
    EXPECT_EQ(TempDir() + "\\NIGHT_PSG.DAT", Fake().saveFileName);
    EXPECT_EQ(TempDir() + "\\", Fake().saveInitialDir);
    EXPECT_EQ(static_cast<DWORD>(OFN_SHAREAWARE | OFN_PATHMUSTEXIST), Fake().saveFlags);
    EXPECT_EQ(std::vector<int>{IDD_CONFIRM_OVERWRITE}, Fake().messageDialogs);
    EXPECT_EQ(kConvFinished, s.conv.conversionState);
    EXPECT_EQ(kStatusDone, Text(IDC_CONV_STATUS));
    Fake().messageAnswer = IDOK;
    ChooseOutput(output);
    EXPECT_EQ(kConvOutputChosen, s.conv.conversionState);
    EXPECT_EQ(kStatusReady, Text(IDC_CONV_STATUS));
}

TEST_F(ConvertPage, OutputNamingTheSourceFilesIsRefused) {
    Open();
    const std::string header = MakeRecording("SAME.HDR", 2, 30);
    const std::string data = TaffGenDataPath(TaffGenOptions(), header);
    const std::string before = ReadFile(data);
    OpenRecording(header);
    std::string lower = data;
    for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    std::string header2 = header.substr(0, header.size() - 3) + "hdr";
    for (const std::string& output : {data, lower, header2}) {
        InstallFakeUi();
        ChooseOutput(TempDir() + "\\SAME_OK.DAT");
        ASSERT_EQ(kConvOutputChosen, State().conv.conversionState);
        // Refused before any question to replace it, and afterwards no
        // output is chosen at all.
        ChooseOutput(output);
        EXPECT_EQ(std::vector<int>{IDD_WARN_SAME_FILE}, Fake().messageDialogs) << output;
        EXPECT_EQ(kConvNoOutput, State().conv.conversionState) << output;
        EXPECT_EQ("", Text(IDC_CONV_OUTPUT));
        EXPECT_EQ(kStatusNoOutput, Text(IDC_CONV_STATUS));
        EXPECT_EQ(nullptr, State().conv.recHandle);
    }
    EXPECT_EQ(before, ReadFile(data));
    // The recording still reads as before.
    SendMessageA(window, WM_COMMAND, IDM_FILE_CLOSE, 0);
    OpenRecording(header);
}

// A tick converts block after block for about 20 ms, not one block: a
// 30-minute recording of 30 blocks needs far fewer than 30 ticks, and the
// first tick already goes past its first block.
TEST_F(ConvertPage, ATickConvertsAtTheEnginesPace) {
    Open();
    OpenRecording(MakeRecording("PACE.HDR", 4, 1800));
    ChooseOutput(TempDir() + "\\PACE_OUT.DAT");
    Click(IDC_CONV_START);
    ASSERT_EQ(kConvConverting, State().conv.conversionState);
    ASSERT_TRUE(PumpUntil([this] { return State().conv.framesDone > 0; }));
    EXPECT_GT(State().conv.framesDone, State().conv.framesPerBlock);
    ASSERT_TRUE(WaitForFinished());
    EXPECT_EQ("1800 / 1800", Text(IDC_CONV_COUNTER));
}

TEST_F(ConvertPage, ConvertCommandChoosesAndStarts) {
    Open();
    OpenRecording(MakeRecording("CMD.HDR", 3, 70));
    const std::string output = TempDir() + "\\CMD_OUT.DAT";
    Fake().saveAnswer = output;
    SendMessageA(window, WM_COMMAND, IDM_FILE_CONVERT, 0);
    EXPECT_EQ(kConvOutputChosen, State().conv.conversionState);
    EXPECT_EQ(3, State().frame.currentPage);
    ASSERT_TRUE(PumpUntil([this] { return State().conv.conversionState != kConvOutputChosen; }, 2000));
    ASSERT_TRUE(WaitForFinished());
    EXPECT_EQ("70 / 70", Text(IDC_CONV_COUNTER));
    PsgFile file(output);
    EXPECT_EQ("70", file.RecordCount());
    EXPECT_TRUE(file.SizeMatches(70));
}

// Without a recording (never opened, or after warning 514) the convert
// command offers no dialog and writes nothing; the pages show that no
// recording is open.
TEST_F(ConvertPage, ConvertCommandWithoutARecordingOffersNothing) {
    Open();
    OpenRecording(MakeRecording("BEFORE.HDR", 2, 10));
    const std::string junk = TempDir() + "\\JUNK.HDR";
    WriteTextFile(junk, "not a recording");
    Fake().openAnswer = junk;
    SendMessageA(window, WM_COMMAND, IDM_FILE_OPEN, 0);
    EXPECT_EQ(std::vector<int>{IDD_WARN_NOT_TAFF}, Fake().messageDialogs);
    char caption[256];
    GetWindowTextA(window, caption, sizeof caption);
    EXPECT_EQ(std::string::npos, std::string(caption).find("BEFORE")) << caption;
    HWND source = State().frame.pages[kPageSource];
    EXPECT_EQ("", ControlText(source, IDC_SRC_FILENAME));
    EXPECT_EQ("No Select", ControlText(source, IDC_SRC_FILETYPE));
    Refresh();
    EXPECT_EQ(kStatusNoSource, Text(IDC_CONV_STATUS));
    const std::string output = TempDir() + "\\NOSRC_OUT.DAT";
    Fake().saveAnswer = output;
    SendMessageA(window, WM_COMMAND, IDM_FILE_CONVERT, 0);
    PumpPending();
    EXPECT_EQ(0, Fake().saveCalls);
    EXPECT_EQ(kConvNoOutput, State().conv.conversionState);
    EXPECT_FALSE(Exists(output));
}

// Closing the recording, opening another, the close box and Exit during a
// run each ask first: Cancel (the default) keeps the run; OK stops it, and
// then no file is under the chosen name, no temporary file is left, and a
// file that was there before is byte for byte as it was.
TEST_F(ConvertPage, StoppingARunAsksAndLeavesNoFile) {
    const std::string earlier = "an earlier PSG file the operator agreed to replace";
    struct Way {
        const char* name;
        std::function<void(HWND)> act;
        bool closesWindow;
    } ways[] = {
        {"close recording", [](HWND w) { SendMessageA(w, WM_COMMAND, IDM_FILE_CLOSE, 0); }, false},
        {"open another", [](HWND w) { SendMessageA(w, WM_COMMAND, IDM_FILE_OPEN, 0); }, false},
        {"close box", [](HWND w) { SendMessageA(w, WM_CLOSE, 0, 0); }, true},
        {"exit", [](HWND w) { SendMessageA(w, WM_COMMAND, IDM_FILE_EXIT, 0); PumpPending(); }, true},
    };
    const std::string second = MakeRecording("OTHER.HDR", 2, 30);
    const std::string kept = TempDir() + "\\KEPT_OUT.DAT", fresh = TempDir() + "\\FRESH_OUT.DAT";
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        if (!window) Open();
        OpenRecording(MakeRecording("STOPPED.HDR", 4, 600));
        WriteTextFile(kept, earlier);
        StartLongRun(kept);
        Fake().openAnswer = second;
        Fake().answers[IDD_CONFIRM_STOP_RUN] = IDCANCEL;
        Fake().messageDialogs.clear();
        way.act(window);
        EXPECT_EQ(std::vector<int>{IDD_CONFIRM_STOP_RUN}, Fake().messageDialogs);
        ASSERT_TRUE(IsWindow(window));
        EXPECT_EQ(kConvConverting, State().conv.conversionState);
        EXPECT_EQ(4, State().source.channelCount);

        Fake().answers[IDD_CONFIRM_STOP_RUN] = IDOK;
        way.act(window);
        if (way.closesWindow) {
            EXPECT_FALSE(IsWindow(window));
            CloseMainWindow(window);
            window = nullptr;
        } else {
            EXPECT_NE(kConvConverting, State().conv.conversionState);
            EXPECT_EQ(kStatusStopped, Text(IDC_CONV_STATUS));
            EXPECT_EQ(0u, State().frame.conversionTimer);
        }
        EXPECT_EQ(earlier, ReadFile(kept));
        EXPECT_TRUE(NoPartFile());
    }
    // A run into a new name stopped the same way leaves no file at all.
    Open();
    OpenRecording(MakeRecording("STOPPED.HDR", 4, 600));
    StartLongRun(fresh);
    SendMessageA(window, WM_COMMAND, IDM_FILE_CLOSE, 0);
    EXPECT_FALSE(Exists(fresh));
    EXPECT_TRUE(NoPartFile());
}

// The Save As dialog opens in the last output folder used, remembered over
// a restart, and proposes the recording's name there.
TEST_F(ConvertPage, TheSaveDialogOpensInTheLastOutputFolder) {
    Open();
    const std::string recording = MakeRecording("NIGHT.HDR", 2, 20);
    const std::string folder = TempDir() + "\\PSGOUT";
    CreateDirectoryA(folder.c_str(), nullptr);
    OpenRecording(recording);
    ChooseOutput(folder + "\\FIRST.DAT");
    CloseMainWindow(window);
    window = nullptr;
    Open();
    OpenRecording(recording);
    ChooseOutput(folder + "\\SECOND.DAT");
    EXPECT_EQ(folder + "\\", Fake().saveInitialDir);
    EXPECT_EQ(folder + "\\NIGHT.DAT", Fake().saveFileName);
    EXPECT_EQ(folder + "\\SECOND.DAT", State().conv.outputPath);
}

// The stop question answered only after the run has finished meanwhile:
// OK leaves no file and the earlier one byte for byte as it was; Cancel
// puts the complete file in place.
TEST_F(ConvertPage, AStopAnsweredAfterTheRunEndedDecidesItsFile) {
    const std::string earlier = "an earlier PSG file the operator agreed to replace";
    const std::string output = TempDir() + "\\LATE_OUT.DAT";
    for (INT_PTR answer : {IDOK, IDCANCEL}) {
        SCOPED_TRACE(answer == IDOK ? "OK" : "Cancel");
        Open();
        OpenRecording(MakeRecording("LATE.HDR", 2, 120));
        WriteTextFile(output, earlier);
        StartLongRun(output);
        bool finishedWhileAsked = false;
        Fake().answers[IDD_CONFIRM_STOP_RUN] = answer;
        Fake().messageScript = [&](int id) {
            if (id != IDD_CONFIRM_STOP_RUN) return;
            finishedWhileAsked = WaitForFinished();
            // While the question is open the chosen name is untouched.
            EXPECT_EQ(earlier, ReadFile(output));
        };
        SendMessageA(window, WM_COMMAND, IDM_FILE_CLOSE, 0);
        Fake().messageScript = nullptr;
        ASSERT_TRUE(finishedWhileAsked);
        EXPECT_TRUE(NoPartFile());
        if (answer == IDOK) {
            EXPECT_EQ(earlier, ReadFile(output));
            EXPECT_EQ(kStatusStopped, Text(IDC_CONV_STATUS));
            EXPECT_EQ(kSourceNone, State().source.sourceKind);
        } else {
            EXPECT_EQ("120", PsgFile(output).RecordCount());
            EXPECT_TRUE(PsgFile(output).SizeMatches(120));
            EXPECT_EQ(kStatusDone, Text(IDC_CONV_STATUS));
            EXPECT_EQ(kSourceTaff, State().source.sourceKind);
        }
        CloseMainWindow(window);
        window = nullptr;
    }
}

// The first-start patient (ID 000-0001, 新規) is asked about before
// anything is written: Cancel, the default, shows the patient page.
TEST_F(ConvertPage, AFirstStartPatientIsAskedAbout) {
    Open();
    OpenRecording(MakeRecording("NEWPAT.HDR", 2, 20), false);
    const std::string output = TempDir() + "\\NEWPAT_OUT.DAT";
    ChooseOutput(output);
    Fake().answers[IDD_CONFIRM_NEW_PATIENT] = IDCANCEL;
    Click(IDC_CONV_START);
    EXPECT_EQ(std::vector<int>{IDD_CONFIRM_NEW_PATIENT}, Fake().messageDialogs);
    EXPECT_EQ(kPagePatient, State().frame.currentPage);
    EXPECT_EQ(kConvOutputChosen, State().conv.conversionState);
    EXPECT_FALSE(Exists(output));
    Fake().answers[IDD_CONFIRM_NEW_PATIENT] = IDOK;
    Click(IDC_CONV_START);
    ASSERT_TRUE(WaitForFinished());
    EXPECT_EQ("20", PsgFile(output).RecordCount());
}

// A data file cut short: the warning on opening names both lengths, the
// source page shows what the file holds, the finished status repeats it.
// The patient's age is counted to the recording's start (14 March 2024, as
// generated) and follows a corrected start year.
TEST_F(ConvertPage, AShortRecordingIsToldAndTheAgeIsOnTheNight) {
    Open();
    TaffGenOptions options;
    options.channels = 2;
    options.seconds = 3600;
    const std::string header = MakeRecording("SHORT.HDR", options);
    HANDLE data = CreateFileA(TaffGenDataPath(options, header).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, data);
    SetFilePointer(data, 200 * 600 * 2 * 2, nullptr, FILE_BEGIN);
    SetEndOfFile(data);
    CloseHandle(data);
    std::string shown;
    Fake().dialogScript = [&shown](HWND dialog) {
        shown = ControlText(dialog, IDC_SHORT_RECORDING_TEXT);
        EndDialog(dialog, IDOK);
    };
    OpenRecording(header);
    EXPECT_EQ(std::vector<std::string>{"#" + std::to_string(IDD_WARN_SHORT_RECORDING)}, Fake().dialogBoxes);
    EXPECT_NE(std::string::npos, shown.find("1:00:00")) << shown;
    EXPECT_NE(std::string::npos, shown.find("0:10:00")) << shown;
    EXPECT_EQ("0:10:00", ControlText(State().frame.pages[kPageSource], IDC_SRC_TOTALTIME));
    // Born January 1950 (the first-start birth date), recorded March 2024.
    EXPECT_EQ(74, State().patient.ageYears);
    EXPECT_EQ(2, State().patient.ageMonths);
    HWND source = State().frame.pages[kPageSource];
    SetDlgItemTextA(source, IDC_SRC_YEAR, "2020");
    SendMessageA(source, WM_COMMAND, MAKEWPARAM(IDC_SRC_YEAR, EN_KILLFOCUS), 0);
    EXPECT_EQ(70, State().patient.ageYears);

    ChooseOutput(TempDir() + "\\SHORT_OUT.DAT");
    Click(IDC_CONV_START);
    ASSERT_TRUE(WaitForFinished());
    EXPECT_EQ(kStatusDoneShort, Text(IDC_CONV_STATUS));
    EXPECT_EQ("600", PsgFile(TempDir() + "\\SHORT_OUT.DAT").RecordCount());
}

// No channel switched on: a warning and the page's status, not silence;
// said first and alone (the first-start patient is not asked about).
TEST_F(ConvertPage, NoChannelSwitchedOnIsTold) {
    Open();
    OpenRecording(MakeRecording("NOCH.HDR", 2, 20), false);
    for (ChannelSetting& c : CurrentPattern(State()).channels) c.enabled = 0;
    const std::string output = TempDir() + "\\NOCH_OUT.DAT";
    ChooseOutput(output);
    Click(IDC_CONV_START);
    EXPECT_EQ(std::vector<int>{IDD_WARN_NO_CHANNEL}, Fake().messageDialogs);
    EXPECT_TRUE(Fake().messageBoxes.empty());
    EXPECT_EQ(kStatusNoChannel, Text(IDC_CONV_STATUS));
    EXPECT_FALSE(Exists(output));
    EXPECT_TRUE(NoPartFile());
    // A start refused for want of memory has its own status.
    State().conv.lastRefusal = kHeaderNoMemory;
    Refresh();
    EXPECT_EQ(kStatusNoMemory, Text(IDC_CONV_STATUS));
}

TEST_F(ConvertPage, OpeningAnotherRecordingEndsTheRunFirst) {
    Open();
    OpenRecording(MakeRecording("FIRST.HDR", 4, 600));
    const std::string second = MakeRecording("SECOND.HDR", 2, 30);
    const std::string output = TempDir() + "\\FIRST_OUT.DAT";
    ChooseOutput(output);
    OneBlockPerTick();
    Click(IDC_CONV_START);
    ASSERT_EQ(kConvConverting, State().conv.conversionState);
    ASSERT_TRUE(PumpUntil([this] { return State().conv.framesDone > 0; }));
    OpenRecording(second);
    ConverterState& s = State();
    EXPECT_EQ(kConvNoOutput, s.conv.conversionState);
    EXPECT_EQ(nullptr, s.conv.recHandle);
    EXPECT_EQ(0u, s.frame.conversionTimer);
    EXPECT_EQ(nullptr, s.conv.blockBuffer);
    EXPECT_EQ(2, s.source.channelCount);
    const std::string counter = Text(IDC_CONV_COUNTER);
    // The ended run's timer is gone, so no tick of it comes any more.
    EXPECT_FALSE(KillTimer(Page(), IDT_CONV_FRAME));
    PumpPending();
    EXPECT_EQ(kConvNoOutput, s.conv.conversionState);
    EXPECT_EQ(counter, Text(IDC_CONV_COUNTER));
    EXPECT_EQ(kStatusStopped, Text(IDC_CONV_STATUS));
    EXPECT_FALSE(Exists(output));
    EXPECT_TRUE(NoPartFile());
}

TEST_F(ConvertPage, EndingTheProgramDuringARunReleasesTheFiles) {
    Open();
    const std::string source = MakeRecording("EXIT.HDR", 4, 600);
    OpenRecording(source);
    const std::string output = TempDir() + "\\EXIT_OUT.DAT";
    ChooseOutput(output);
    OneBlockPerTick();
    Click(IDC_CONV_START);
    ASSERT_EQ(kConvConverting, State().conv.conversionState);
    ASSERT_TRUE(PumpUntil([this] { return State().conv.framesDone > 0; }));
    CloseMainWindow(window);
    window = nullptr;
    // The partial file is removed and the recording is not held open.
    EXPECT_FALSE(Exists(output));
    EXPECT_TRUE(NoPartFile());
    EXPECT_TRUE(DeleteFileA(TaffGenDataPath(TaffGenOptions(), source).c_str()));
}

TEST_F(ConvertPage, FrameTimeOfThreeSecondsFromTheSettings) {
    WriteTextFile(SettingsPath(), "[SYSTEM]\r\nFrameTime=3\r\n");
    Open();
    EXPECT_EQ(CB_ERR, SendDlgItemMessageA(Page(), IDC_CONV_FRAMETIME, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(4, SendDlgItemMessageA(Page(), IDC_CONV_FRAMETIME, CB_GETCOUNT, 0, 0));
    OpenRecording(MakeRecording("THREE.HDR", 2, 150));
    const std::string output = TempDir() + "\\THREE_OUT.DAT";
    ChooseOutput(output);
    // The comment is kept to 31 characters.
    SetDlgItemTextA(Page(), IDC_CONV_COMMENT, "0123456789012345678901234567890123456789");
    SendMessageA(Page(), WM_COMMAND, MAKEWPARAM(IDC_CONV_COMMENT, EN_KILLFOCUS), 0);
    EXPECT_STREQ("0123456789012345678901234567890", State().conv.recordingComment);
    Click(IDC_CONV_START);
    ASSERT_TRUE(WaitForFinished());
    EXPECT_EQ("50 / 50", Text(IDC_CONV_COUNTER));
    PsgFile file(output);
    EXPECT_EQ("50", file.RecordCount());
    EXPECT_EQ("3", file.Field(244, 8));
    EXPECT_TRUE(file.SizeMatches(50));
    // Picking an item replaces the value.
    SendDlgItemMessageA(Page(), IDC_CONV_FRAMETIME, CB_SETCURSEL, 3, 0);
    SendMessageA(Page(), WM_COMMAND, MAKEWPARAM(IDC_CONV_FRAMETIME, CBN_SELCHANGE), 0);
    EXPECT_EQ(10, State().settings.FrameTime);
}

TEST_F(ConvertPage, FrameTimeZeroRefusesTheStart) {
    WriteTextFile(SettingsPath(), "[SYSTEM]\r\nFrameTime=0\r\n");
    Open();
    OpenRecording(MakeRecording("ZERO.HDR", 2, 30));
    const std::string output = TempDir() + "\\ZERO_OUT.DAT";
    ChooseOutput(output);
    Click(IDC_CONV_START);
    EXPECT_EQ(kConvOutputChosen, State().conv.conversionState);
    EXPECT_EQ(nullptr, State().conv.recHandle);
    EXPECT_EQ(0u, State().frame.conversionTimer);
    EXPECT_FALSE(Exists(output));
    EXPECT_FALSE(Fake().beeps.empty());   // refused with a beep, not silently
    EXPECT_NE(kStatusConverting, Text(IDC_CONV_STATUS));
}

// A 96 kHz, 6-channel recording at frame time 10 would give records of
// 11.5 MB that readers refuse: the start is refused before any file exists,
// and the warning names the frame times that fit.
TEST_F(ConvertPage, RecordTooLargeToReadIsRefusedBeforeAnyFile) {
    WriteTextFile(SettingsPath(), "[SYSTEM]\r\nFrameTime=10\r\n");
    Open();
    TaffGenOptions options;
    options.channels = 6;
    options.rate = 96000;
    options.seconds = 2;
    OpenRecording(MakeRecording("FAST.HDR", options));
    const std::string output = TempDir() + "\\FAST_OUT.DAT";
    ChooseOutput(output);
    std::string shown;
    Fake().dialogScript = [&shown](HWND dialog) {
        shown = ControlText(dialog, IDC_RECORD_FIT_TEXT);
        EndDialog(dialog, IDOK);
    };
    Click(IDC_CONV_START);
    EXPECT_EQ(std::vector<std::string>{"#" + std::to_string(IDD_WARN_RECORD_TOO_LARGE)}, Fake().dialogBoxes);
    EXPECT_NE(std::string::npos, shown.find("1sec, 2sec, 5sec")) << shown;
    EXPECT_EQ(std::string::npos, shown.find("10sec")) << shown;
    EXPECT_EQ(kConvOutputChosen, State().conv.conversionState);
    EXPECT_EQ(0u, State().frame.conversionTimer);
    EXPECT_FALSE(Exists(output));
    EXPECT_FALSE(Fake().beeps.empty());
}

// A file that cannot be put under the chosen name (here a folder stands
// there) is a failed write: its temporary file is removed, the warning told.
TEST_F(ConvertPage, AFileThatCannotBePlacedIsRemovedAndTold) {
    Open();
    OpenRecording(MakeRecording("PLACE.HDR", 2, 30));
    const std::string output = TempDir() + "\\PLACE_DIR.DAT";
    ASSERT_TRUE(CreateDirectoryA(output.c_str(), nullptr));
    ChooseOutput(output);
    Click(IDC_CONV_START);
    ASSERT_TRUE(WaitForFinished());
    EXPECT_EQ((std::vector<int>{IDD_CONFIRM_OVERWRITE, IDD_WARN_WRITE_FAILED}), Fake().messageDialogs);
    EXPECT_EQ(kStatusWriteFailed, Text(IDC_CONV_STATUS));
    EXPECT_TRUE(GetFileAttributesA(output.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(NoPartFile());
    RemoveDirectoryA(output.c_str());
}

TEST_F(ConvertPage, FailedWriteIsReported) {
    // Wine reaches /dev/full through drive Z:; every write to it fails.
    const std::string output = "Z:\\dev\\full";
    Open();
    OpenRecording(MakeRecording("FULL.HDR", 2, 150));
    ChooseOutput(output);
    ASSERT_EQ(kConvOutputChosen, State().conv.conversionState);
    Click(IDC_CONV_START);
    if (State().conv.conversionState == kConvConverting) {
        ASSERT_TRUE(WaitForFinished());
    }
    ASSERT_FALSE(Fake().messageDialogs.empty());
    EXPECT_EQ(IDD_WARN_WRITE_FAILED, Fake().messageDialogs.back());
    EXPECT_EQ(nullptr, State().conv.recHandle);
    EXPECT_EQ(0u, State().frame.conversionTimer);
    EXPECT_NE(kStatusDone, Text(IDC_CONV_STATUS));
    EXPECT_FALSE(Fake().beeps.empty());
}

// The recording's data file reached through another path: a link to its
// folder (made by the test fixture), a hard link, its short name. Each is
// refused as the recording's own file and the data file stays as it was.
TEST_F(ConvertPage, OutputReachingTheDataFileByAnotherPathIsRefused) {
    Open();
    TaffGenOptions options;
    options.channels = 2;
    options.seconds = 30;
    const std::string header = std::string(CONVERT_LINKS_DIR) + "\\real\\NIGHTLONGNAME.HDR";
    std::string error;
    ASSERT_TRUE(WriteTaffRecording(options, header, &error)) << error;
    const std::string data = TaffGenDataPath(options, header);
    const std::string before = ReadFile(data);
    ASSERT_FALSE(before.empty());
    OpenRecording(header);

    const std::string hardLink = std::string(CONVERT_LINKS_DIR) + "\\real\\OTHER.DAT";
    DeleteFileA(hardLink.c_str());
    ASSERT_TRUE(CreateHardLinkA(hardLink.c_str(), data.c_str(), nullptr));
    char shortName[MAX_PATH] = "";
    ASSERT_NE(0u, GetShortPathNameA(data.c_str(), shortName, sizeof shortName));
    const std::string viaAlias = std::string(CONVERT_LINKS_DIR) + "\\alias\\NIGHTLONGNAME.DAT";
    for (const std::string& output : {viaAlias, hardLink, std::string(shortName)}) {
        SCOPED_TRACE(output);
        ASSERT_TRUE(Exists(output));
        Fake().messageDialogs.clear();
        ChooseOutput(output);
        EXPECT_EQ(std::vector<int>{IDD_WARN_SAME_FILE}, Fake().messageDialogs);
        EXPECT_EQ(kConvNoOutput, State().conv.conversionState);
        EXPECT_EQ(nullptr, State().conv.recHandle);
        EXPECT_TRUE(ReadFile(data) == before);
    }
    DeleteFileA(hardLink.c_str());
}

// An output the file system will not create is told as a failed write, and
// nothing is created.
TEST_F(ConvertPage, OutputThatCannotBeCreatedIsTold) {
    Open();
    OpenRecording(MakeRecording("NOCREATE.HDR", 2, 30));
    const std::string output = "Z:\\proc\\psg_output.DAT";   // the kernel's folder takes no new file
    ChooseOutput(output);
    ASSERT_EQ(kConvOutputChosen, State().conv.conversionState);
    Click(IDC_CONV_START);
    EXPECT_EQ(std::vector<int>{IDD_WARN_WRITE_FAILED}, Fake().messageDialogs);
    EXPECT_EQ(std::vector<UINT>{MB_ICONEXCLAMATION}, Fake().beeps);
    EXPECT_FALSE(Exists(output));
    EXPECT_EQ(nullptr, State().conv.recHandle);
    EXPECT_EQ(0u, State().frame.conversionTimer);
    EXPECT_EQ(kStatusWriteFailed, Text(IDC_CONV_STATUS));
    // A new choice forgets the failure.
    ChooseOutput(TempDir() + "\\NOCREATE_OUT.DAT");
    EXPECT_EQ(kStatusReady, Text(IDC_CONV_STATUS));
}

}  // namespace

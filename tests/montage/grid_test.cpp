// The montage grid as a real window on the montage page of the real main
// window: what it paints (captured through WM_PRINTCLIENT and from the
// screen), selection by mouse messages at computed cell coordinates with the
// notifications the page receives, the in-place editor driven by key and
// character messages, the choice menus as the popup-menu seam sees them and
// their commands, and grid edits that reach the converted PSG file.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/grid_keys.h"
#include "engine/grid_rules.h"
#include "resources/resource_ids.h"
#include "tests/app/gui_support.h"
#include "tests/support/whole_file.h"
#include "tools/taffgen/taffgen.h"

namespace {

std::string MakeRecording(const std::string& name, int channels) {
    TaffGenOptions options;
    options.channels = channels;
    options.seconds = 20;
    std::string path = TempDir() + "\\" + name;
    std::string error;
    EXPECT_TRUE(WriteTaffRecording(options, path, &error)) << error;
    return path;
}

// The client area of a window drawn through WM_PRINTCLIENT.
class Picture {
public:
    explicit Picture(HWND window) {
        RECT client;
        GetClientRect(window, &client);
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, client.right, client.bottom);
        ReleaseDC(nullptr, screen);
        old_ = SelectObject(dc_, bitmap_);
        SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc_), PRF_CLIENT);
    }
    ~Picture() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
    // Whether a reddish text pixel lies inside the box.
    bool HasRed(const GridBox& box) const {
        for (int y = box.top; y < box.bottom; ++y)
            for (int x = box.left; x < box.right; ++x) {
                const COLORREF c = At(x, y);
                if (GetRValue(c) > 200 && GetGValue(c) < 90 && GetBValue(c) < 90) return true;
            }
        return false;
    }
    std::vector<COLORREF> Pixels(const GridBox& box) const {
        std::vector<COLORREF> pixels;
        for (int y = box.top; y < box.bottom; ++y)
            for (int x = box.left; x < box.right; ++x) pixels.push_back(At(x, y));
        return pixels;
    }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

const COLORREF kHeader = RGB(192, 220, 192), kWhite = RGB(255, 255, 255), kYellow = RGB(255, 255, 0),
               kBlack = RGB(0, 0, 0);

class GridWindow : public MainWindowTest {
protected:
    // Opens the main window with a recording of `channels` channels and shows
    // the montage page with the grid at a size that gives every column room.
    void OpenWith(int channels, const std::string& name = "GRID.HDR") {
        Open();
        Fake().openAnswer = MakeRecording(name, channels);
        SendMessageA(window, WM_COMMAND, IDM_FILE_OPEN, 0);
        ASSERT_EQ(kSourceTaff, State().source.sourceKind);
        SendMessageA(window, WM_SHOW_PAGE, kPageMontage, 0);
        MoveWindow(Grid(), 4, 30, 760, 420, TRUE);
        UpdateWindow(Grid());
        PumpPending();
        Notices();
    }
    HWND Page() { return State().frame.pages[kPageMontage]; }
    HWND Grid() { return GetDlgItem(Page(), IDC_MONT_GRID); }
    HWND Editor() { return State().gridEditWindow; }
    GridLayout Layout() {
        RECT client;
        GetClientRect(Grid(), &client);
        return LayoutGrid(client.right, client.bottom, State().settings.MaxCh);
    }
    GridBox Cell(int column, int row) { return GridCell(Layout(), column, row); }
    LPARAM At(int column, int row) {
        const GridBox b = Cell(column, row);
        return MAKELPARAM((b.left + b.right) / 2, (b.top + b.bottom) / 2);
    }
    void Mouse(UINT message, int column, int row, WPARAM keys = 0) {
        SendMessageA(Grid(), message, keys, At(column, row));
    }
    void Press(int column, int row) { Mouse(WM_LBUTTONDOWN, column, row, MK_LBUTTON); }
    void Move(int column, int row) { Mouse(WM_MOUSEMOVE, column, row, MK_LBUTTON); }
    void Release(int column, int row) { Mouse(WM_LBUTTONUP, column, row); }
    void RightRelease(int column, int row) { Mouse(WM_RBUTTONUP, column, row); }
    void Select(int column, int first, int last) {
        Press(column, first);
        Move(column, last);
        Release(column, last);
        Notices();
    }
    void DoubleClick(int column, int row) {
        Press(column, row);
        Release(column, row);
        Mouse(WM_LBUTTONDBLCLK, column, row, MK_LBUTTON);
        Release(column, row);
        Notices();
    }
    // Chooses menu item `command` from the choice menu of a right release.
    void Choose(int column, int row, int command) {
        Fake().popupAnswer = command;
        RightRelease(column, row);
        Fake().popupAnswer = 0;
        PumpPending();
    }
    // The notification codes the grid posted to the page, taken from the queue.
    std::vector<int> Notices() {
        std::vector<int> codes;
        MSG m;
        while (PeekMessageA(&m, Page(), WM_COMMAND, WM_COMMAND, PM_REMOVE)) {
            if (LOWORD(m.wParam) == IDC_MONT_GRID && reinterpret_cast<HWND>(m.lParam) == Grid())
                codes.push_back(HIWORD(m.wParam));
        }
        return codes;
    }
    GridSelection Sel() { return State().gridSel; }
    ChannelSetting& Row(int row) { return CurrentPattern(State()).channels[row - 1]; }
    bool EditorShown() { return IsWindowVisible(Editor()) != FALSE; }
    std::string EditorText() {
        char text[128];
        GetWindowTextA(Editor(), text, sizeof text);
        return text;
    }
    void Type(const std::string& text) {
        for (unsigned char c : text) SendMessageA(Editor(), WM_CHAR, c, 1);
    }
    void Key(WPARAM key) {
        SendMessageA(Editor(), WM_KEYDOWN, key, 1);
        PumpPending();
    }
    // A key pressed on the grid, with Shift held when asked (as the thread's
    // key state shows it); F10 comes as the system key it is.
    void GridKey(WPARAM key, bool shift = false) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(keys);
        SendMessageA(Grid(), key == VK_F10 ? WM_SYSKEYDOWN : WM_KEYDOWN, key, 1);
        keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
        PumpPending();
    }
    void ExpectSelection(int column, int first, int last) {
        EXPECT_EQ(column, Sel().column);
        EXPECT_EQ(first, Sel().first);
        EXPECT_EQ(last, Sel().last);
    }
    // Converts to `name` in the temporary folder and returns the file's bytes.
    std::string ConvertTo(const std::string& name) {
        const std::string output = TempDir() + "\\" + name;
        Fake().saveAnswer = output;
        SendMessageA(window, WM_COMMAND, IDM_FILE_CONVERT, 0);
        EXPECT_TRUE(PumpUntil([this] { return State().conv.conversionState == kConvFinished; }));
        return ReadFile(output);
    }
    // Types `text` over the open editor's text and presses Enter.
    void Enter(const std::string& text) {
        SendMessageA(Editor(), EM_SETSEL, 0, -1);
        Type(text);
        Key(VK_RETURN);
    }
};

TEST_F(GridWindow, AttachedGridPaintsThePatternAndTheSourceChannels) {
    OpenWith(14);
    ASSERT_EQ(16, State().settings.MaxCh);
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(State().self), GetWindowLongPtrA(Grid(), 0));
    ASSERT_NE(nullptr, Editor());
    EXPECT_EQ(Grid(), GetParent(Editor()));
    EXPECT_EQ(IDC_MONT_GRID_EDITOR, GetDlgCtrlID(Editor()));
    EXPECT_FALSE(EditorShown());

    const Picture p(Grid());
    const GridLayout g = Layout();
    EXPECT_EQ(kBlack, p.At(0, 0));                                      // the frame
    EXPECT_EQ(kBlack, p.At(g.left + 27, (Cell(3, 2).top + Cell(3, 2).bottom) / 2));   // gap after "CH"
    EXPECT_EQ(kBlack, p.At(g.left + 50, Cell(1, 2).bottom));           // the line below a row
    EXPECT_EQ(kHeader, p.At(Cell(3, 0).left + 1, Cell(3, 0).top + 1));
    EXPECT_EQ(kHeader, p.At(Cell(0, 9).left + 1, Cell(0, 9).top + 1));
    EXPECT_EQ(kWhite, p.At(Cell(10, 16).left + 1, Cell(10, 16).top + 1));
    EXPECT_EQ(kWhite, p.At(g.right - 1, Cell(10, 16).bottom - 1));     // the last cell reaches the edge
    for (int row = 1; row <= 16; ++row) EXPECT_EQ(row <= 14, p.HasRed(Cell(0, row))) << "row " << row;
    EXPECT_TRUE(p.HasRed(Cell(1, 1)));      // "ON"
    EXPECT_FALSE(p.HasRed(Cell(1, 15)));    // "OFF": channels beyond the source are switched off
    EXPECT_EQ(0, Row(15).enabled);

    // The window shows the same picture as the print.
    HDC dc = GetDC(Grid());
    const GridBox header = Cell(5, 0);
    EXPECT_EQ(kHeader, GetPixel(dc, header.left + 1, header.top + 1));
    ReleaseDC(Grid(), dc);

    // TC Type switches the filter column's title and values, no value changes.
    ChannelSetting before = Row(1);
    const std::vector<COLORREF> lff = Picture(Grid()).Pixels(Cell(8, 0));
    State().settings.TCType = 1;
    EXPECT_NE(lff, Picture(Grid()).Pixels(Cell(8, 0)));
    State().settings.TCType = 0;
    EXPECT_EQ(lff, Picture(Grid()).Pixels(Cell(8, 0)));
    EXPECT_EQ(0, memcmp(&before, &Row(1), sizeof before));
}

TEST_F(GridWindow, DragSelectsFromTheStoredFirstRowAndNotifiesThePage) {
    OpenWith(14);
    Press(kGridColSens, 5);
    EXPECT_EQ(Grid(), GetCapture());
    EXPECT_EQ(std::vector<int>{GRID_NOTIFY_PRESS}, Notices());
    Move(kGridColSens, 8);
    EXPECT_EQ(5, Sel().first);
    EXPECT_EQ(8, Sel().last);
    Move(kGridColSens, 8);
    EXPECT_EQ((std::vector<int>{GRID_NOTIFY_DRAG, GRID_NOTIFY_DRAG}), Notices());
    Move(kGridColSens, 3);
    EXPECT_EQ(3, Sel().first);
    EXPECT_EQ(5, Sel().last);
    Move(kGridColSens, 4);
    EXPECT_EQ(3, Sel().first);
    EXPECT_EQ(4, Sel().last);
    Notices();
    Move(kGridColAd, 9);                    // another column changes nothing
    EXPECT_TRUE(Notices().empty());
    EXPECT_EQ(4, Sel().last);

    // The selection is drawn on the window at once, in the selection colour.
    HDC dc = GetDC(Grid());
    EXPECT_EQ(kYellow, GetPixel(dc, Cell(kGridColSens, 4).left + 1, Cell(kGridColSens, 4).top + 1));
    EXPECT_EQ(kWhite, GetPixel(dc, Cell(kGridColSens, 5).left + 1, Cell(kGridColSens, 5).top + 1));
    ReleaseDC(Grid(), dc);

    Release(kGridColAd, 9);
    EXPECT_EQ(std::vector<int>{GRID_NOTIFY_RELEASE}, Notices());
    EXPECT_EQ(0, Sel().dragging);
    EXPECT_NE(Grid(), GetCapture());
    const GridSelection kept = Sel();
    Move(kGridColSens, 9);                  // no button held
    EXPECT_EQ(kept.last, Sel().last);
    EXPECT_EQ(kGridColSens, Sel().column);

    // A switched-off channel: only its "ON/OFF" cell can be selected.
    Press(kGridColLabel, 15);
    Release(kGridColLabel, 15);
    EXPECT_TRUE(Notices().empty());
    EXPECT_EQ(kGridColSens, Sel().column);
    Press(kGridColOnOff, 15);
    Release(kGridColOnOff, 15);
    EXPECT_EQ((std::vector<int>{GRID_NOTIFY_PRESS, GRID_NOTIFY_RELEASE}), Notices());
    EXPECT_EQ(kGridColOnOff, Sel().column);
    EXPECT_EQ(15, Sel().first);
}

TEST_F(GridWindow, RightReleaseOpensTheMenuOfTheSelectedColumn) {
    OpenWith(14);
    Select(kGridColCal, 5, 8);
    RightRelease(kGridColCal, 6);
    EXPECT_EQ(5, Sel().first);
    EXPECT_EQ(8, Sel().last);
    ASSERT_EQ(1, Fake().popupCalls);
    EXPECT_EQ(Grid(), Fake().popupOwner);
    EXPECT_TRUE(Fake().popupFlags & TPM_RETURNCMD);
    ASSERT_EQ(9u, Fake().popupItems.size());
    EXPECT_EQ("  10", Fake().popupItems[0].text);
    EXPECT_EQ(2500u, Fake().popupItems[0].id);
    EXPECT_EQ("1000", Fake().popupItems[8].text);
    EXPECT_EQ(2508u, Fake().popupItems[8].id);

    // Over the header row: the selection stays and its column's menu opens.
    SendMessageA(Grid(), WM_RBUTTONUP, 0, MAKELPARAM(Cell(2, 0).left + 5, Cell(2, 0).top + 3));
    EXPECT_EQ(2, Fake().popupCalls);
    EXPECT_EQ(5, Sel().first);
    EXPECT_EQ(8, Sel().last);

    // The choice lands in every selected row, and nowhere else.
    Choose(kGridColCal, 7, 2508);
    for (int row = 4; row <= 9; ++row) EXPECT_EQ(row >= 5 && row <= 8 ? 1000 : 50, Row(row).calEU) << row;

    // Outside the selection a right release selects the cell under it.
    RightRelease(kGridColCal, 9);
    EXPECT_EQ(9, Sel().first);
    EXPECT_EQ(9, Sel().last);
    // The filter columns have no menu.
    const int calls = Fake().popupCalls;
    RightRelease(kGridColLowCut, 2);
    RightRelease(kGridColHighCut, 2);
    EXPECT_EQ(calls, Fake().popupCalls);
    EXPECT_EQ(kGridColHighCut, Sel().column);
}

// The montage options dialog edits the current pattern's choice lists;
// the Label and Unit menus offer what it set, and a choice fills the cells.
TEST_F(GridWindow, LabelAndUnitMenusOfferTheChoicesTheMontageOptionsSet) {
    OpenWith(14);
    Fake().dialogScript = [](HWND d) {
        SetDlgItemTextA(d, IDC_MOPT_LABEL1, "EEG C3-A2");
        SetDlgItemTextA(d, IDC_MOPT_LABEL1 + 19, "脳波 O2");
        SetDlgItemTextA(d, IDC_MOPT_UNIT1, "uV");
        SetDlgItemTextA(d, IDC_MOPT_UNIT1 + 3, "bpm-too-long");   // a unit holds 7 characters
        SendMessageA(GetDlgItem(d, IDOK), BM_CLICK, 0, 0);
    };
    SendMessageA(window, WM_COMMAND, IDM_SET_MONTAGE_OPTIONS, 0);
    Fake().dialogScript = nullptr;
    EXPECT_STREQ("bpm-too", CurrentPattern(State()).unitChoices[3]);

    Select(kGridColLabel, 2, 3);
    RightRelease(kGridColLabel, 2);
    ASSERT_EQ(20u, Fake().popupItems.size());
    EXPECT_EQ("EEG C3-A2", Fake().popupItems[0].text);
    EXPECT_EQ("脳波 O2", Fake().popupItems[19].text);
    Choose(kGridColLabel, 2, IDM_GRID_CHOICE_FIRST);
    EXPECT_STREQ("EEG C3-A2", Row(3).label);

    Select(kGridColUnit, 2, 2);
    RightRelease(kGridColUnit, 2);
    ASSERT_EQ(8u, Fake().popupItems.size());
    EXPECT_EQ("uV", Fake().popupItems[0].text);
    EXPECT_EQ("bpm-too", Fake().popupItems[3].text);
    Choose(kGridColUnit, 2, IDM_GRID_CHOICE_FIRST);
    EXPECT_STREQ("uV", Row(2).unit);
}

TEST_F(GridWindow, ChoiceMenusOfTypeRateAdAndSwitch) {
    OpenWith(14);
    ASSERT_EQ(16, State().source.bitsPerSample);
    ASSERT_EQ(200, State().source.sampleRate);
    Select(kGridColAd, 2, 2);
    RightRelease(kGridColAd, 2);
    ASSERT_EQ(11u, Fake().popupItems.size());
    EXPECT_EQ("   164 (1/400)", Fake().popupItems[0].text);
    EXPECT_EQ(" 65536 (1/1) ", Fake().popupItems[10].text);
    EXPECT_EQ(2510u, Fake().popupItems[10].id);
    Choose(kGridColAd, 2, 2510);
    EXPECT_EQ(65536, Row(2).calVU);

    Select(kGridColType, 2, 2);
    RightRelease(kGridColType, 2);
    ASSERT_EQ(20u, Fake().popupItems.size());
    for (const auto& item : Fake().popupItems) {
        EXPECT_NE(2501u, item.id);
        EXPECT_LE(item.id, 2520u);
    }
    EXPECT_EQ("EEG", Fake().popupItems[3].text);
    EXPECT_EQ(2504u, Fake().popupItems[3].id);

    Row(3).rateDivisor = 4;
    Select(kGridColRate, 3, 3);
    RightRelease(kGridColRate, 3);
    std::vector<std::string> rates;
    for (const auto& item : Fake().popupItems) rates.push_back(item.text);
    EXPECT_EQ((std::vector<std::string>{"200", "100", "50", "40", "20", "10", "4"}), rates);
    ASSERT_EQ(7u, Fake().popupItems.size());
    for (size_t i = 0; i < 7; ++i) EXPECT_EQ(i == 2, Fake().popupItems[i].checked) << i;

    // "ON" for rows 3..6 of the switch column, whatever they were.
    Row(4).enabled = 0;
    Row(5).enabled = 2;
    Select(kGridColOnOff, 3, 6);
    RightRelease(kGridColOnOff, 4);
    EXPECT_TRUE(Fake().popupItems[1].checked);     // row 6, the last selected, is on
    Choose(kGridColOnOff, 4, 2501);
    for (int row = 3; row <= 6; ++row) EXPECT_EQ(1, Row(row).enabled) << row;
}

TEST_F(GridWindow, EditorEnterStoresAndMovesOnTabAndFocusLossDiscard) {
    OpenWith(14);
    DoubleClick(kGridColSens, 3);
    ASSERT_TRUE(EditorShown());
    EXPECT_EQ(Editor(), GetFocus());
    EXPECT_EQ("50.0", EditorText());
    DWORD from = 0, to = 0;
    SendMessageA(Editor(), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(0u, from);
    EXPECT_EQ(4u, to);
    EXPECT_EQ(6u, static_cast<UINT>(SendMessageA(Editor(), EM_GETLIMITTEXT, 0, 0)));
    RECT place;
    GetWindowRect(Editor(), &place);
    MapWindowPoints(nullptr, Grid(), reinterpret_cast<POINT*>(&place), 2);
    const GridBox cell = Cell(kGridColSens, 3);
    EXPECT_EQ(cell.left, place.left);
    EXPECT_EQ(cell.top - 1, place.top);
    EXPECT_EQ(cell.right, place.right);
    EXPECT_EQ(cell.bottom + 1, place.bottom);

    // Up and Down do nothing; Left moves the caret.
    Key(VK_UP);
    Key(VK_DOWN);
    EXPECT_TRUE(EditorShown());
    EXPECT_EQ(3, Sel().last);
    Enter("7.5");
    EXPECT_EQ(7500, Row(3).sensitivity);
    ASSERT_TRUE(EditorShown());             // reopened on the next switched-on row
    EXPECT_EQ(4, Sel().first);
    EXPECT_EQ(4, Sel().last);
    EXPECT_EQ("50.0", EditorText());

    SendMessageA(Editor(), EM_SETSEL, 0, -1);
    Type("9");
    Key(VK_TAB);
    EXPECT_FALSE(EditorShown());
    EXPECT_EQ(50000, Row(4).sensitivity);

    // Enter on the last row wraps to row 1; a lost focus discards the text.
    Row(16).enabled = 1;
    DoubleClick(kGridColSens, 16);
    Enter("1");
    EXPECT_EQ(1000, Row(16).sensitivity);
    EXPECT_EQ(1, Sel().last);
    ASSERT_TRUE(EditorShown());
    SendMessageA(Editor(), EM_SETSEL, 0, -1);
    Type("2");
    SetFocus(GetDlgItem(Page(), IDC_MONT_PATTERN_LIST));
    PumpPending();
    EXPECT_FALSE(EditorShown());
    EXPECT_EQ(50000, Row(1).sensitivity);

    // Enter before a switched-off row ends the editing there.
    DoubleClick(kGridColSens, 14);
    Enter("3");
    EXPECT_EQ(3000, Row(14).sensitivity);
    EXPECT_FALSE(EditorShown());
    EXPECT_EQ(15, Sel().last);
    // A double click on a switched-off row's cell opens nothing.
    DoubleClick(kGridColSens, 15);
    EXPECT_FALSE(EditorShown());
}

TEST_F(GridWindow, EditorParsesTypedTextsAndCouplesTheFilters) {
    OpenWith(14);
    DoubleClick(kGridColCal, 1);
    for (const char* text : {"010", "0x10"}) Enter(text);
    EXPECT_EQ(8, Row(1).calEU);
    EXPECT_EQ(16, Row(2).calEU);
    // A value the cell cannot take keeps the old one, beeps, says why under
    // the grid and leaves the editor on the cell; a value taken clears the reason.
    const int32_t kept = Row(3).calEU;
    for (const char* text : {"08", "abc"}) {
        Fake().beeps.clear();
        Enter(text);
        EXPECT_EQ(kept, Row(3).calEU) << text;
        EXPECT_EQ(std::vector<UINT>{MB_ICONEXCLAMATION}, Fake().beeps) << text;
        EXPECT_EQ(3, Sel().last) << text;
        EXPECT_TRUE(EditorShown()) << text;
        EXPECT_EQ("CAL: 数値ではありません。値は元のままです。", ControlText(Page(), IDC_MONT_GRID_HINT));
    }
    Enter("25");
    EXPECT_EQ(25, Row(3).calEU);
    EXPECT_EQ(GridHintText(), ControlText(Page(), IDC_MONT_GRID_HINT));
    Key(VK_TAB);

    State().settings.TCType = 1;
    DoubleClick(kGridColLowCut, 6);
    EXPECT_EQ("0.500", EditorText());
    Enter("0.3");
    EXPECT_EQ(300, Row(6).timeConstant);
    EXPECT_EQ(530, Row(6).lowFilter);
    Enter("0");
    EXPECT_EQ(0, Row(7).timeConstant);
    EXPECT_EQ(0, Row(7).lowFilter);
    Key(VK_TAB);

    // Labels: 12 bytes at most, single- or double-byte.
    DoubleClick(kGridColLabel, 2);
    EXPECT_EQ(12u, static_cast<UINT>(SendMessageA(Editor(), EM_GETLIMITTEXT, 0, 0)));
    SendMessageA(Editor(), EM_SETSEL, 0, -1);
    Type("ABCDEFGHIJKLMN");
    EXPECT_EQ("ABCDEFGHIJKL", EditorText());
    SendMessageA(Editor(), EM_SETSEL, 0, -1);
    // Seven double-byte characters; an edit control counting characters lets
    // the seventh in, the stored label never has it.
    Type("\x93\xfa\x96\x7b\x8c\xea\x83\x65\x83\x58\x83\x67\x92\x86");
    EXPECT_EQ(0u, EditorText().find("\x93\xfa\x96\x7b\x8c\xea\x83\x65\x83\x58\x83\x67"));
    Key(VK_RETURN);
    EXPECT_STREQ("\x93\xfa\x96\x7b\x8c\xea\x83\x65\x83\x58\x83\x67", Row(2).label);
}

TEST_F(GridWindow, GridEditsReachTheConvertedFile) {
    OpenWith(4, "EDITS.HDR");
    Select(kGridColOnOff, 2, 2);
    Choose(kGridColOnOff, 2, 2500);                 // channel 2 off
    DoubleClick(kGridColLabel, 1);
    Enter("Fp1-A2");
    Key(VK_TAB);
    Select(kGridColRate, 3, 4);
    Choose(kGridColRate, 3, 2502);                  // 200 / 4
    Select(kGridColType, 3, 3);
    Choose(kGridColType, 3, 2505);                  // EOG
    EXPECT_EQ(0, Row(2).enabled);
    EXPECT_STREQ("Fp1-A2", Row(1).label);
    EXPECT_EQ(4, Row(3).rateDivisor);
    EXPECT_EQ(4, Row(4).rateDivisor);
    EXPECT_EQ(5, Row(3).signalType);

    const std::string file = ConvertTo("EDITS_OUT.DAT");
    ASSERT_GT(file.size(), 256u * 5);
    EXPECT_EQ("4   ", file.substr(252, 4));            // three signals and the annotations
    EXPECT_EQ("EEG Fp1-A2      ", file.substr(256, 16));
    EXPECT_EQ("EOG Ch3         ", file.substr(256 + 16, 16));
    const size_t samples = 256 + 4 * 216;              // samples per record of each signal
    EXPECT_EQ("200     ", file.substr(samples, 8));
    EXPECT_EQ("50      ", file.substr(samples + 8, 8));
    EXPECT_EQ("50      ", file.substr(samples + 16, 8));
}

TEST_F(GridWindow, DivisorWithoutAWholeRateIsRefusedWithAWarning) {
    OpenWith(4, "BADRATE.HDR");
    Row(2).rateDivisor = 3;                         // as a hand-edited settings file gives it
    const std::string output = TempDir() + "\\BADRATE_OUT.DAT";
    Fake().saveAnswer = output;
    SendMessageA(window, WM_COMMAND, IDM_FILE_CONVERT, 0);
    PumpPending();
    // The first-start patient is confirmed (the fake answers OK), then the start is refused.
    EXPECT_EQ((std::vector<int>{IDD_CONFIRM_NEW_PATIENT, IDD_WARN_BAD_RATE}), Fake().messageDialogs);
    EXPECT_EQ(kConvOutputChosen, State().conv.conversionState);
    EXPECT_EQ(nullptr, State().conv.recHandle);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(output.c_str()));
}

// The grid driven by key messages alone: moves, Shift extension, the editor
// by F2, Enter and a typed character, Esc, the choice menus by Space and
// Shift+F10; the values reach the pattern and the converted file.
TEST_F(GridWindow, KeysMoveEditAndChooseAndReachTheConvertedFile) {
    OpenWith(4, "KEYS.HDR");
    SetFocus(Grid());
    GridKey(VK_DOWN);                           // nothing selected: the first cell
    ExpectSelection(kGridColOnOff, 1, 1);
    GridKey(VK_RIGHT);
    GridKey(VK_RIGHT);
    GridKey(VK_DOWN);
    ExpectSelection(kGridColLabel, 2, 2);

    GridKey(VK_F2);
    ASSERT_TRUE(EditorShown());
    EXPECT_EQ(EditorText(), std::string(Row(2).label));
    Enter("C3-A2");
    EXPECT_STREQ("C3-A2", Row(2).label);
    ASSERT_TRUE(EditorShown());                 // moved on to row 3
    const std::string row3 = Row(3).label;
    Type("XYZ");
    Key(VK_ESCAPE);
    EXPECT_FALSE(EditorShown());
    EXPECT_EQ(row3, Row(3).label);              // Esc leaves the value as it was
    EXPECT_EQ(Grid(), GetFocus());

    SendMessageA(Grid(), WM_CHAR, 'O', 1);      // typing opens the editor with the character
    ASSERT_TRUE(EditorShown());
    Type("2");
    EXPECT_EQ("O2", EditorText());
    Key(VK_RETURN);
    EXPECT_STREQ("O2", Row(3).label);
    Key(VK_ESCAPE);

    GridKey(VK_RIGHT);
    GridKey(VK_RIGHT);
    ExpectSelection(kGridColCal, 4, 4);
    GridKey(VK_RETURN);
    ASSERT_TRUE(EditorShown());
    EXPECT_EQ("50", EditorText());
    Key(VK_ESCAPE);
    EXPECT_EQ(50, Row(4).calEU);

    GridKey(VK_UP);
    GridKey(VK_UP, true);
    GridKey(VK_UP, true);
    ExpectSelection(kGridColCal, 1, 3);
    GridKey(VK_DOWN, true);
    ExpectSelection(kGridColCal, 2, 3);

    Fake().popupAnswer = 2508;                  // "1000"
    GridKey(VK_SPACE);
    Fake().popupAnswer = 0;
    PumpPending();
    EXPECT_EQ(1, Fake().popupCalls);
    EXPECT_EQ(Grid(), Fake().popupOwner);
    for (int row = 1; row <= 4; ++row) EXPECT_EQ(row == 2 || row == 3 ? 1000 : 50, Row(row).calEU) << row;

    for (int i = 0; i < 3; ++i) GridKey(VK_LEFT);
    ExpectSelection(kGridColType, 2, 2);        // from the row the keys worked on
    Fake().popupAnswer = 2505;                  // EOG
    GridKey(VK_F10, true);
    Fake().popupAnswer = 0;
    PumpPending();
    EXPECT_EQ(2, Fake().popupCalls);
    EXPECT_EQ(5, Row(2).signalType);
    GridKey(VK_F10);                            // F10 alone is the menu bar's
    EXPECT_EQ(2, Fake().popupCalls);

    const std::string file = ConvertTo("KEYS_OUT.DAT");
    ASSERT_GT(file.size(), 256u * 6);
    EXPECT_EQ("5   ", file.substr(252, 4));
    EXPECT_EQ("EOG C3-A2       ", file.substr(256 + 16, 16));
    EXPECT_EQ("EEG O2          ", file.substr(256 + 32, 16));
}

}  // namespace

// The signal preview through the real main window under Wine: the command
// warns without a recording and otherwise opens one owned window; PgDn moves
// the epoch shown in control 1600; another pattern chosen on the montage
// page and the recording closed reach the window at once; paging through
// the night while a conversion runs leaves the conversion's file exact.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/app_globals.h"
#include "resources/resource_ids.h"
#include "tests/app/gui_support.h"

namespace {

// The window's picture as it paints it, as bytes of a 32-bit bitmap.
std::string Picture(HWND window) {
    RECT area;
    GetClientRect(window, &area);
    HDC screen = GetDC(window);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, area.right, area.bottom);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    SelectObject(dc, previous);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = area.right;
    info.bmiHeader.biHeight = area.bottom;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::string bits(size_t(area.right) * size_t(area.bottom) * 4, '\0');
    GetDIBits(dc, bitmap, 0, area.bottom, &bits[0], &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(window, screen);
    return bits;
}

class Preview : public MainWindowTest {
protected:
    void OpenRecording(const std::string& path) {
        Fake().openAnswer = path;
        SendMessageA(window, WM_COMMAND, IDM_FILE_OPEN, 0);
        ASSERT_EQ(kSourceTaff, State().source.sourceKind) << path;
    }
    HWND ShowPreview() {
        SendMessageA(window, WM_COMMAND, IDM_FILE_PREVIEW, 0);
        return State().frame.preview;
    }
    std::string Start(HWND preview) { return ControlText(preview, IDC_PREV_EPOCH_START); }
    void Key(HWND preview, WPARAM key) { SendMessageA(preview, WM_KEYDOWN, key, 0); }
    HWND Page(int index) { return State().frame.pages[index]; }
    void ChoosePattern(int k) {
        HWND list = GetDlgItem(Page(kPageMontage), IDC_MONT_PATTERN_LIST);
        SendMessageA(list, CB_SETCURSEL, k, 0);
        SendMessageA(Page(kPageMontage), WM_COMMAND, MAKEWPARAM(IDC_MONT_PATTERN_LIST, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list));
    }
};

TEST_F(Preview, OpensMovesAndFollowsTheOperator) {
    Open();
    // Without a recording: the warning, and no window.
    EXPECT_EQ(nullptr, ShowPreview());
    EXPECT_EQ(std::vector<int>{IDD_WARN_NO_RECORDING}, Fake().messageDialogs);
    EXPECT_EQ(nullptr, FindWindowA(PREVIEW_CLASS, nullptr));

    TaffGenOptions options;
    options.channels = 4;
    options.seconds = 300;
    OpenRecording(MakeRecording("VIEW.HDR", options));
    CurrentPattern(State()).channels[2].enabled = 0;   // three traces
    HWND preview = ShowPreview();
    ASSERT_NE(nullptr, preview);
    EXPECT_EQ(preview, FindWindowA(PREVIEW_CLASS, nullptr));
    EXPECT_EQ(window, GetWindow(preview, GW_OWNER));
    EXPECT_TRUE(IsWindowVisible(preview));
    EXPECT_EQ(preview, ShowPreview());   // the same window again
    EXPECT_EQ("22:15:04 (+0:00:00)", Start(preview));

    Key(preview, VK_NEXT);
    EXPECT_EQ("22:15:34 (+0:00:30)", Start(preview));
    Key(preview, VK_END);
    EXPECT_EQ("22:19:34 (+0:04:30)", Start(preview));
    Key(preview, VK_NEXT);   // the last epoch stays
    EXPECT_EQ("22:19:34 (+0:04:30)", Start(preview));
    Key(preview, VK_HOME);
    EXPECT_EQ("22:15:04 (+0:00:00)", Start(preview));

    // Another pattern (all four channels) chosen on the montage page: the
    // traces change without anything else being done.
    const std::string threeTraces = Picture(preview);
    ChoosePattern(1);
    ASSERT_TRUE(PumpUntil([&] { return Picture(preview) != threeTraces; }, 5000));
    // What it then shows is what a preview opened on that pattern shows.
    const std::string followed = Picture(preview);
    DestroyWindow(preview);
    EXPECT_EQ(nullptr, State().frame.preview);   // the closed window is forgotten
    preview = ShowPreview();
    ASSERT_NE(nullptr, preview);
    EXPECT_TRUE(followed == Picture(preview));
    // A start time corrected on the source page moves the clock.
    HWND source = Page(kPageSource);
    SetDlgItemTextA(source, IDC_SRC_HOUR, "23");
    SendMessageA(source, WM_COMMAND, MAKEWPARAM(IDC_SRC_HOUR, EN_KILLFOCUS),
                 reinterpret_cast<LPARAM>(GetDlgItem(source, IDC_SRC_HOUR)));
    ASSERT_TRUE(PumpUntil([&] { return Start(preview) == "23:15:04 (+0:00:00)"; }, 5000)) << Start(preview);

    // The recording closed: the window says so at once.
    SendMessageA(window, WM_COMMAND, IDM_FILE_CLOSE, 0);
    ASSERT_TRUE(PumpUntil([&] { return Start(preview).empty(); }, 5000)) << Start(preview);
}

TEST_F(Preview, PagingThroughTheNightLeavesARunningConversionExact) {
    Open();
    TaffGenOptions options;
    options.channels = 6;
    options.seconds = 600;
    OpenRecording(MakeRecording("RUN.HDR", options));
    const std::string quiet = TempDir() + "\\QUIET.DAT", watched = TempDir() + "\\WATCHED.DAT";
    HWND convertPage = Page(kPageConvert);
    auto convert = [&](const std::string& output, HWND preview) {
        Fake().saveAnswer = output;
        SendMessageA(convertPage, WM_COMMAND, MAKEWPARAM(IDC_CONV_SELECT, BN_CLICKED), 0);
        State().frame.tickBudgetMs = 0;   // one block a tick: the run lasts many ticks
        SendMessageA(convertPage, WM_COMMAND, MAKEWPARAM(IDC_CONV_START, BN_CLICKED), 0);
        ASSERT_EQ(kConvConverting, State().conv.conversionState);
        int epochs = 0;
        ASSERT_TRUE(PumpUntil([&] {
            if (preview) {   // one epoch further and drawn at every turn
                SendMessageA(preview, WM_KEYDOWN, VK_NEXT, 0);
                Picture(preview);
                ++epochs;
            }
            return State().conv.conversionState == kConvFinished;
        }));
        if (preview) {
            EXPECT_GT(epochs, 5);
        }
        EXPECT_EQ("600 / 600", ControlText(convertPage, IDC_CONV_COUNTER));
    };
    convert(quiet, nullptr);
    HWND preview = ShowPreview();
    ASSERT_NE(nullptr, preview);
    convert(watched, preview);
    EXPECT_EQ(ReadFile(quiet), ReadFile(watched));
    EXPECT_GT(ReadFile(watched).size(), 600u * 6 * 200 * 2);
    EXPECT_NE("22:15:04 (+0:00:00)", Start(preview));
}

}  // namespace

// The signal preview through the real main window under Wine: the command
// warns without a recording and otherwise opens one owned window; PgDn moves
// the epoch shown in control 1600; another pattern chosen on the montage
// page and the recording closed reach the window at once; paging through
// the night while a conversion runs leaves the conversion's file exact.
// The keys of its row of controls as the message loop hands them over,
// the filter switch, an SpO2 trace's value ticks and its values off the
// scale marked, and the window on the work area with its controls apart
// from each other at the screen's dpi (also run at 144 dpi). The night
// check held for the windows: its marks behind the traces and in the strip
// of the whole night, going to a finding when told, by a click on the
// strip and by F3.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "pagekit/held_check.h"
#include "engine/preview_layout.h"
#include "preview/preview_paint.h"
#include "preview/preview_window.h"
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

// The colour of pixel (x, y) of a picture `width` wide and `height` high
// (the bitmap's rows run bottom-up).
COLORREF PixelAt(const std::string& bits, int width, int height, int x, int y) {
    const size_t at = (size_t(height - 1 - y) * size_t(width) + size_t(x)) * 4;
    return RGB(uint8_t(bits[at + 2]), uint8_t(bits[at + 1]), uint8_t(bits[at]));
}

bool Dark(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 128; }

// The preview's areas as it lays them out now (with room for its strip).
PreviewAreas AreasOf(HWND preview) {
    RECT client, strip = {0, 0, 0, 0};
    GetClientRect(preview, &client);
    GetClientRect(GetDlgItem(preview, IDC_PREV_OVERVIEW), &strip);
    HDC dc = GetDC(preview);
    const PreviewFont font = MeasureFont(dc);
    ReleaseDC(preview, dc);
    return LayOutPreview(font, client.right, client.bottom, strip.bottom);
}

// Whether the picture differs anywhere inside `box`.
bool DiffersIn(const std::string& a, const std::string& b, HWND preview, const PreviewBox& box) {
    RECT client;
    GetClientRect(preview, &client);
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x)
            if (PixelAt(a, client.right, client.bottom, x, y) != PixelAt(b, client.right, client.bottom, x, y))
                return true;
    return false;
}

// The hint the preview gives for the place the pointer last moved to.
std::string HintText(HWND preview) {
    NMTTDISPINFOA info = {};
    info.hdr.idFrom = reinterpret_cast<UINT_PTR>(preview);
    info.hdr.code = TTN_GETDISPINFOA;
    SendMessageA(preview, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
    return info.lpszText ? info.lpszText : "";
}

// Puts `held` in the record's place as the main window does: its result's
// serial moved on, so the windows told take it.
void Hold(HeldCheck& place, HeldCheck held) {
    held.resultSerial = place.resultSerial + 1;
    place = std::move(held);
}

class Preview : public MainWindowTest {
protected:
    // A key pressed on `target` as the message loop offers it to the preview
    // first (then, when not taken, dispatched).
    void Press(HWND preview, HWND target, WPARAM key, bool shift = false) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(keys);
        MSG m = {};
        m.hwnd = target;
        m.message = WM_KEYDOWN;
        m.wParam = key;
        if (!TranslatePreviewKey(preview, m)) DispatchMessageA(&m);
        keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
        PumpPending();
    }
    void OpenRecording(const std::string& path) {
        Fake().openAnswer = path;
        SendMessageA(window, WM_COMMAND, IDM_FILE_OPEN, 0);
        ASSERT_EQ(kSourceTaff, State().source.sourceKind) << path;
        // The night check the opening starts has ended, so its marks do not
        // arrive in the middle of a comparison of pictures.
        ASSERT_TRUE(PumpUntil([this] { return Held().valid && !Held().running; }));
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

TEST_F(Preview, RowOfControlsByKeys) {
    Open();
    TaffGenOptions options;
    options.channels = 4;
    options.seconds = 300;
    OpenRecording(MakeRecording("KEYS.HDR", options));
    HWND preview = ShowPreview();
    ASSERT_NE(nullptr, preview);
    HWND field = GetDlgItem(preview, IDC_PREV_JUMP_TIME);

    // Enter in the clock field jumps to the epoch holding the time and
    // hands the keys back to the traces.
    SetFocus(field);
    SetWindowTextA(field, "22:17:10");
    Press(preview, field, VK_RETURN);
    EXPECT_EQ("22:17:04 (+0:02:00)", Start(preview));
    EXPECT_EQ(preview, GetFocus());
    SetFocus(field);
    SetWindowTextA(field, "7:00");   // outside the recording: a beep, no move
    Press(preview, field, VK_RETURN);
    EXPECT_EQ(std::vector<UINT>{0}, Fake().beeps);
    EXPECT_EQ("22:17:04 (+0:02:00)", Start(preview));

    // Tab leaves the field for the next control; round the row it comes
    // back to the traces, and Shift+Tab goes the other way.
    Press(preview, field, VK_TAB);
    EXPECT_EQ(GetDlgItem(preview, IDC_PREV_JUMP), GetFocus());
    const int order[] = {IDC_PREV_LARGER, IDC_PREV_SMALLER, IDC_PREV_FIT, IDC_PREV_FILTER};
    for (int id : order) {
        Press(preview, GetFocus(), VK_TAB);
        EXPECT_EQ(GetDlgItem(preview, id), GetFocus()) << id;
    }
    Press(preview, GetFocus(), VK_TAB);
    EXPECT_EQ(preview, GetFocus());
    Press(preview, preview, VK_TAB, true);
    EXPECT_EQ(GetDlgItem(preview, IDC_PREV_FILTER), GetFocus());
    Press(preview, preview, VK_TAB);   // from the traces: the epoch list first
    EXPECT_EQ(GetDlgItem(preview, IDC_PREV_EPOCH_LENGTH), GetFocus());

    // The epoch length by its keys: 3 is 60 seconds, keeping the start.
    SetFocus(preview);
    Press(preview, preview, '3');
    EXPECT_EQ(2, SendDlgItemMessageA(preview, IDC_PREV_EPOCH_LENGTH, CB_GETCURSEL, 0, 0));
    EXPECT_EQ("22:17:04 (+0:02:00)", Start(preview));
    Press(preview, preview, VK_NEXT);
    EXPECT_EQ("22:18:04 (+0:03:00)", Start(preview));
}

TEST_F(Preview, FilterSwitchChangesThePictureAndTheLabel) {
    Open();
    TaffGenOptions options;
    options.channels = 2;
    options.seconds = 120;
    OpenRecording(MakeRecording("FILT.HDR", options));
    State().source.humFilter = 1;
    for (ChannelSetting& ch : CurrentPattern(State()).channels) {
        ch.signalType = 4;
        ch.lowFilter = 5000, ch.highFilter = 15;   // plainly visible on the generator's EEG
        ch.sensitivity = 50000;
    }
    HWND preview = ShowPreview();
    ASSERT_NE(nullptr, preview);
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(preview, IDC_PREV_FILTER));
    const PreviewAreas areas = AreasOf(preview);
    const std::string filtered = Picture(preview);
    HWND box = GetDlgItem(preview, IDC_PREV_FILTER);
    SendMessageA(box, BM_CLICK, 0, 0);
    PumpPending();
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(preview, IDC_PREV_FILTER));
    const std::string raw = Picture(preview);
    EXPECT_TRUE(DiffersIn(filtered, raw, preview, areas.plot)) << "the traces";
    EXPECT_TRUE(DiffersIn(filtered, raw, preview, areas.labels)) << "the label";
    // F switches back to the same picture.
    SetFocus(preview);
    Press(preview, preview, 'F');
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(preview, IDC_PREV_FILTER));
    EXPECT_TRUE(Picture(preview) == filtered);
}

TEST_F(Preview, SpO2OnItsAbsoluteAxis) {
    Open();
    TaffGenOptions options;
    options.channels = 12;   // the generator's channel 12 is SpO2 at about 96 %
    options.seconds = 60;
    TaffGenFault probeOff;
    probeOff.kind = TaffGenFaultKind::Spo2, probeOff.channel = 11, probeOff.startSeconds = 30, probeOff.lengthSeconds = 30;
    options.faults.push_back(probeOff);
    OpenRecording(MakeRecording("SPO2.HDR", options));
    MontagePattern& pattern = CurrentPattern(State());
    for (int c = 1; c < 11; ++c) pattern.channels[c].enabled = 0;
    ChannelSetting& spo2 = pattern.channels[11];
    spo2.signalType = 11, spo2.calEU = 100, spo2.calVU = 25000, spo2.offsetAD = 0, spo2.offsetCAL = 0;
    spo2.sensitivity = 10000;   // 80 .. 100 %
    snprintf(spo2.unit, sizeof spo2.unit, "%%");
    HWND preview = ShowPreview();
    ASSERT_NE(nullptr, preview);
    RECT client;
    GetClientRect(preview, &client);
    const PreviewAreas areas = AreasOf(preview);
    const std::string bits = Picture(preview);
    TracePlan plan;
    PlanTraces(State().source, CurrentPattern(State()), &plan);
    ASSERT_EQ(2, plan.count);
    int top = 0, bottom = 0;
    TraceBand(areas, plan, 1, &top, &bottom);
    const double half = (bottom - top) / 2.0 - 2.0;
    auto rowOf = [&](double percent) { return int((top + bottom) / 2 - (percent - 90.0) * half / 10.0 + 0.5); };
    // Text beside the band at the ticks 80, 90 and 100 (with a band this
    // tall, every 5 %), none half way between.
    auto textNear = [&](int y) {
        for (int dy = -2; dy <= 2; ++dy)
            for (int x = areas.scale.left; x < areas.scale.right - 3; ++x)
                if (Dark(PixelAt(bits, client.right, client.bottom, x, y + dy))) return true;
        return false;
    };
    for (double tick : {80.0, 90.0, 100.0}) EXPECT_TRUE(textNear(rowOf(tick))) << tick;
    // The trace at its value, about 96 %, not in the band's middle.
    int traced = 0, nearValue = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = areas.plot.left; x < areas.plot.right; x += 7) {
            const COLORREF c = PixelAt(bits, client.right, client.bottom, x, y);
            if (GetBValue(c) > 120 && GetRValue(c) < 60) {
                ++traced;
                if (std::abs(y - rowOf(96.0)) <= half / 10.0) ++nearValue;
            }
        }
    EXPECT_GT(traced, 20);
    EXPECT_EQ(traced, nearValue);
    // The probe off for the second epoch (reads 0 %): hatched along the
    // band's bottom edge, none along its top, the value in the hint (the
    // check's own findings put aside).
    Hold(Held(), HeldCheck());
    SendMessageA(preview, WM_CHECK_CHANGED, 0, 0);
    Key(preview, VK_NEXT);
    const std::string off = Picture(preview);
    auto hatched = [&](int from, int to) {
        int n = 0;
        for (int y = from; y < to; ++y)
            for (int x = areas.plot.left; x < areas.plot.right; ++x) n += PixelAt(off, client.right, client.bottom, x, y) == RGB(200, 0, 0);
        return n;
    };
    EXPECT_GT(hatched(bottom - 4, bottom), (areas.plot.right - areas.plot.left) / 4);
    EXPECT_EQ(0, hatched(top, top + 4));
    SendMessageA(preview, WM_MOUSEMOVE, 0, MAKELPARAM((areas.plot.left + areas.plot.right) / 2, bottom - 2));
    EXPECT_EQ("目盛りの下限を下回る値: 最小 0 %", HintText(preview));
    SendMessageA(preview, WM_MOUSEMOVE, 0, MAKELPARAM((areas.plot.left + areas.plot.right) / 2, top + 2));
    EXPECT_EQ("", HintText(preview));
}

TEST_F(Preview, LayoutKeepsControlsApart) {
    if (const char* expected = std::getenv("EXPECTED_DPI")) {
        HDC screen = GetDC(nullptr);
        ASSERT_EQ(atoi(expected), GetDeviceCaps(screen, LOGPIXELSY));
        ReleaseDC(nullptr, screen);
    }
    Open();
    TaffGenOptions options;
    options.channels = 14;
    options.seconds = 60;
    OpenRecording(MakeRecording("LAYOUT.HDR", options));
    HWND preview = ShowPreview();
    ASSERT_NE(nullptr, preview);
    // Wholly on the screen's work area (1280 x 1024 less the task bar), whatever the dpi.
    RECT work, frame;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(preview, &frame);
    EXPECT_LE(1000, work.bottom - work.top);
    EXPECT_TRUE(frame.left >= work.left && frame.top >= work.top && frame.right <= work.right &&
                frame.bottom <= work.bottom)
        << frame.left << "," << frame.top << "," << frame.right << "," << frame.bottom;
    // At its opening size and at its smallest.
    for (bool smallest : {false, true}) {
        if (smallest) SetWindowPos(preview, nullptr, 0, 0, 1, 1, SWP_NOMOVE | SWP_NOZORDER);
        PumpPending();
        RECT client;
        GetClientRect(preview, &client);
        const PreviewAreas areas = AreasOf(preview);
        std::vector<RECT> places;
        for (HWND c = GetWindow(preview, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            RECT r;
            GetWindowRect(c, &r);
            MapWindowPoints(nullptr, preview, reinterpret_cast<POINT*>(&r), 2);
            if (GetDlgCtrlID(c) == IDC_PREV_OVERVIEW) {   // under the row, over the traces, as wide as they
                EXPECT_GE(r.top, areas.controls.bottom);
                EXPECT_LE(r.bottom, areas.plot.top);
                EXPECT_EQ(areas.plot.left, r.left);
                EXPECT_EQ(areas.plot.right, r.right);
                EXPECT_GE(r.bottom - r.top, 14 * 2) << "a row of at least two pixels for each of 14 traces";
                continue;
            }
            if (GetDlgCtrlID(c) == IDC_PREV_EPOCH_LENGTH) r.bottom = r.top + areas.controlHeight;   // its closed list
            EXPECT_GE(r.left, 0) << GetDlgCtrlID(c);
            EXPECT_LE(r.right, client.right) << GetDlgCtrlID(c) << (smallest ? " smallest" : "");
            EXPECT_LE(r.bottom, areas.controls.bottom) << GetDlgCtrlID(c);
            for (const RECT& other : places) {
                RECT both;
                EXPECT_FALSE(IntersectRect(&both, &r, &other)) << GetDlgCtrlID(c);
            }
            places.push_back(r);
        }
        EXPECT_EQ(8u, places.size());
        // The traces' columns begin right of the label and scale text.
        EXPECT_GE(areas.plot.left, areas.scale.right);
        HDC dc = GetDC(preview);
        const int line = MeasureFont(dc).lineHeight;
        ReleaseDC(preview, dc);
        EXPECT_GE(areas.plot.bottom - areas.plot.top, smallest ? 4 * line : 30 * line);
    }
    char caption[64];
    GetWindowTextA(preview, caption, sizeof caption);
    EXPECT_STREQ("波形確認 - LAYOUT.HDR", caption);
}

// The night check as the main window holds it, filled by a test and
// emptied again when the test ends.
struct HeldFindings {
    HeldFindings(HeldCheck& place, const std::vector<CheckFinding>& findings) : place(place) {
        HeldCheck held;
        held.result.findings = findings;
        held.valid = true;
        Hold(place, held);
    }
    ~HeldFindings() { Hold(place, HeldCheck()); }
    HeldCheck& place;
};

CheckFinding Finding(int trace, CheckKind kind, CheckLevel level, double start, double end) {
    CheckFinding f = {};
    f.trace = trace, f.kind = kind, f.level = level, f.startSeconds = start, f.endSeconds = end;
    return f;
}

TEST_F(Preview, NightCheckMarksStripAndGoingToFindings) {
    Open();
    TaffGenOptions options;
    options.channels = 4;
    options.seconds = 300;
    OpenRecording(MakeRecording("CHECK.HDR", options));
    Hold(Held(), HeldCheck());   // the real check's findings put aside: this test holds its own
    HWND preview = ShowPreview();
    ASSERT_NE(nullptr, preview);
    HWND strip = GetDlgItem(preview, IDC_PREV_OVERVIEW);
    RECT client, night;
    GetClientRect(preview, &client);
    GetClientRect(strip, &night);
    const PreviewAreas areas = AreasOf(preview);
    TracePlan plan;
    ASSERT_EQ(4, PlanTraces(State().source, CurrentPattern(State()), &plan));
    const int width = areas.plot.right - areas.plot.left;
    auto band = [&](int t, int left, int right) {
        PreviewBox b = {left, 0, right, 0};
        TraceBand(areas, plan, t, &b.top, &b.bottom);
        return b;
    };
    // Pixels of `colour` in trace t's band over seconds [from, to) of the epoch.
    auto count = [&](const std::string& bits, int t, double from, double to, COLORREF colour) {
        const PreviewBox b = band(t, areas.plot.left + int(from * width / 30) + 1, areas.plot.left + int(to * width / 30));
        int n = 0;
        for (int y = b.top; y < b.bottom; ++y)
            for (int x = b.left; x < b.right; ++x) n += PixelAt(bits, client.right, client.bottom, x, y) == colour;
        return n;
    };
    auto chosen = [&](int t) {   // the label's band tinted
        return PixelAt(Picture(preview), client.right, client.bottom, areas.labels.right - 2, band(t, 0, 0).bottom - 3) ==
               RGB(232, 240, 255);
    };
    const COLORREF paleInfo = RGB(211, 225, 246);
    const std::string before = Picture(preview);

    HeldFindings held(Held(), {Finding(1, CheckKind::Clipping, CheckLevel::Info, 5, 20),
                       Finding(2, CheckKind::Flat, CheckLevel::Fail, 100, 130),
                       Finding(0, CheckKind::Hum, CheckLevel::Warn, 200, 260)});
    UpdateWindow(preview);
    UpdateWindow(strip);
    SendMessageA(preview, WM_CHECK_CHANGED, 0, 0);   // both to be painted anew
    EXPECT_TRUE(GetUpdateRect(preview, nullptr, FALSE) && GetUpdateRect(strip, nullptr, FALSE));
    // A pale band behind trace 1 from 5 to 20 s, nothing behind the others; its check's name in its label line.
    const std::string marked = Picture(preview);
    EXPECT_GT(count(marked, 1, 5, 20, paleInfo), 20 * (20 - 5) * width / 30);
    EXPECT_EQ(0, count(marked, 1, 21, 30, paleInfo) + count(marked, 0, 0, 30, paleInfo));
    EXPECT_TRUE(DiffersIn(before, marked, preview, band(1, areas.labels.left, areas.labels.right)));
    EXPECT_FALSE(DiffersIn(before, marked, preview, band(0, areas.labels.left, areas.labels.right)));
    // The strip: trace 2's row red from 100 to 130 s of the 300.
    const std::string whole = Picture(strip);
    const int x = 1 + 115 * (night.right - 2) / 300, row = (night.bottom - 2) / 4;
    EXPECT_EQ(RGB(232, 96, 96), PixelAt(whole, night.right, night.bottom, x, 1 + 2 * row));
    EXPECT_EQ(RGB(255, 255, 255), PixelAt(whole, night.right, night.bottom, x, 1 + 3 * row));

    // Told to go to a finding: its epoch, its trace chosen (none when the plan has not that trace).
    const struct { WPARAM trace; LPARAM ms; const char* start; int chosen; } gotos[] = {
        {2, 115000, "22:16:34 (+0:01:30)", 2}, {WPARAM(-1), 299999, "22:19:34 (+0:04:30)", -1},
        {4, 31000, "22:15:34 (+0:00:30)", -1}};
    for (const auto& k : gotos) {
        SendMessageA(preview, WM_PREVIEW_GOTO, k.trace, k.ms);
        EXPECT_EQ(k.start, Start(preview));
        for (int t = 0; t < 4; ++t) EXPECT_EQ(t == k.chosen, chosen(t)) << k.ms << " " << t;
    }
    // A click on the strip: the epoch holding the time under it.
    SendMessageA(strip, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1 + 205 * (night.right - 2) / 300, 2));
    EXPECT_EQ("22:18:04 (+0:03:00)", Start(preview));

    // F3, Shift+F3, N and P from the first epoch: of any trace, or of the chosen one.
    Key(preview, VK_HOME);
    Key(preview, VK_ESCAPE);
    const struct { WPARAM key; bool shift; const char* start; int chosen; size_t beeps; } steps[] = {
        {VK_F3, false, "22:16:34 (+0:01:30)", 2, 0}, {VK_F3, false, "22:16:34 (+0:01:30)", 2, 1},
        {VK_ESCAPE, false, "22:16:34 (+0:01:30)", -1, 1}, {'N', false, "22:18:04 (+0:03:00)", 0, 1},
        {VK_F3, true, "22:18:04 (+0:03:00)", 0, 2}, {VK_ESCAPE, false, "22:18:04 (+0:03:00)", -1, 2},
        {VK_F3, true, "22:16:34 (+0:01:30)", 2, 2}, {VK_ESCAPE, false, "22:16:34 (+0:01:30)", -1, 2},
        {'P', false, "22:15:04 (+0:00:00)", 1, 2}};
    for (const auto& k : steps) {
        Press(preview, preview, k.key, k.shift);
        EXPECT_EQ(k.start, Start(preview)) << k.key;
        EXPECT_EQ(k.beeps, Fake().beeps.size()) << k.key;
        for (int t = 0; t < 4; ++t) EXPECT_EQ(t == k.chosen, chosen(t)) << k.start << " " << t;
    }
    // A check that no longer belongs to the recording: no marks, and F3 finds nothing.
    Key(preview, VK_ESCAPE);
    Held().valid = false;
    ++Held().resultSerial;
    SendMessageA(preview, WM_CHECK_CHANGED, 0, 0);
    EXPECT_TRUE(Picture(preview) == before);
    Press(preview, preview, VK_F3);
    EXPECT_EQ("22:15:04 (+0:00:00)", Start(preview));
    EXPECT_EQ(3u, Fake().beeps.size());
}

}  // namespace

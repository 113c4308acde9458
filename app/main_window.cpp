// The main window: class registration, the creation and destruction
// handlers that load and save the settings and own ConverterState, the
// layout, and the program's start with its single-instance rule and message
// loop. The commands are in commands.cpp, the frame in frame.cpp.
#include "app/main_window.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "app/app_globals.h"
#include "app/commands.h"
#include "app/frame.h"
#include "app/option_dialogs.h"
#include "app/page_host.h"
#include "app/settings.h"
#include "app/window_keys.h"
#include "app/window_size.h"
#include "check/check_runner.h"
#include "check/check_window.h"
#include "convert/conversion_controller.h"
#include "ctlkit/ctlkit.h"
#include "engine/recording.h"
#include "montage/montage_grid.h"
#include "montage/pattern_store.h"
#include "pagekit/file_dialogs.h"
#include "pagekit/held_check.h"
#include "pagekit/help.h"
#include "pagekit/program.h"
#include "pagekit/state_lock.h"
#include "pagekit/ui_seam.h"
#include "preview/preview_window.h"
#include "resources/resource_ids.h"
#include "taffread/taffread.h"
#include "winkit/winkit.h"

namespace {

// Slot 0 holds the ConverterState handle, slot 8 the window's check runner.
enum { kRunnerSlot = 8, kExtraWindowBytes = 16 };

CheckRunner* RunnerOf(HWND window) { return reinterpret_cast<CheckRunner*>(GetWindowLongPtrA(window, kRunnerSlot)); }

void BuildPaths() {
    ProgramContext& p = g_program;
    WkGetModuleDir(p.instance, p.programDir);
    WkTrimPath(p.programDir);
    snprintf(p.settingsPath, sizeof p.settingsPath, "%s\\COND\\MORLEX.INI", p.programDir);
    snprintf(p.helpPath, sizeof p.helpPath, "%s\\HELP\\MORLEX.HLP", p.programDir);
    snprintf(p.patientPath, sizeof p.patientPath, "%s\\COND\\PATIENT.INF", p.programDir);
}

// Allocates the record and stores its handle in slot 0. Null on failure.
HGLOBAL AllocateState(HWND window) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(ConverterState));
    if (memory) SetWindowLongPtrA(window, kStateSlot, reinterpret_cast<LONG_PTR>(memory));
    return memory;
}

LRESULT OnCreate(HWND window) {
    BuildPaths();
    if (ReadDebugSetting(g_program.settingsPath)) WkDebugMode();
    CountStart(g_program.settingsPath);
    g_app.splash = WkModelessDialog(window, g_program.instance, IDD_SPLASH);
    if (g_app.splash) UpdateWindow(g_app.splash);

    HGLOBAL memory = AllocateState(window);
    if (!memory) return -1;
    {
        StateLock lock(window);
        if (!lock) {
            SetWindowLongPtrA(window, kStateSlot, 0);
            GlobalFree(memory);
            return -1;
        }
        ConverterState& state = *lock;
        state.self = memory;
        state.check = new (std::nothrow) HeldCheck;
        CheckRunner* runner = NewCheckRunner();
        if (!state.check || !runner) {
            delete state.check;
            DeleteCheckRunner(runner);
            SetWindowLongPtrA(window, kStateSlot, 0);
            GlobalFree(memory);
            return -1;
        }
        SetWindowLongPtrA(window, kRunnerSlot, reinterpret_cast<LONG_PTR>(runner));
        LoadFrameSettings(state.settings, g_program.settingsPath);
        PrepareFileDialogs();
        BuildFrame(window, state);
        state.frame.tickBudgetMs = kTickBudgetMs;
        state.source.sampleRate = 200;
        state.source.channelCount = 14;
        SetChannelStartupDefaults(state.patterns);
        LoadFileSettings(state.settings, g_program.settingsPath);
        LoadOptionSettings(state.settings, g_program.settingsPath);
        LoadPatientSettings(state.patient, g_program.patientPath);
        LoadPattern(state.patterns, -1, g_program.settingsPath);
        SetCaption(window, state);
        FitWindowToPages(window, state);
    }
    WkLoadWindowPlacement(window, "INITIAL", g_program.settingsPath, 1);
    if (g_app.splash) PostMessageA(window, WM_COMMAND, IDM_CLOSE_SPLASH, 0);
    return 0;
}

void OnDestroy(HWND window) {
    HGLOBAL memory = nullptr;
    {
        StateLock lock(window);
        if (lock) {
            ConverterState& state = *lock;
            memory = state.self;
            // A run still going ends here (the window's question was
            // answered or the system ends the program): its buffer and
            // output handle are released and its partial file removed.
            AbortConversion(state);
            DeleteCheckRunner(RunnerOf(window));    // nothing is left running
            SetWindowLongPtrA(window, kRunnerSlot, 0);
            delete state.check;
            state.check = nullptr;
            CloseSource(state.source);
            SaveSystemSettings(state.settings, g_program.settingsPath);
            if (state.settings.SaveEnable) SavePatientSettings(state.patient, g_program.patientPath);
        }
    }
    Ui().closeHelp(window, g_program.helpPath);
    WkStoreWindowPlacement(window, g_program.settingsPath);
    // The pages are destroyed after this window: they must find no record.
    SetWindowLongPtrA(window, kStateSlot, 0);
    if (memory) GlobalFree(memory);
    g_app.currentPage = nullptr;
    PostQuitMessage(0);
}

void OnSize(HWND window, LPARAM size) {
    StateLock lock(window);
    if (lock) LayoutFrame(window, *lock, static_cast<short>(LOWORD(size)), static_cast<short>(HIWORD(size)));
}

LRESULT OnNotify(HWND window, const NMHDR* header) {
    StateLock lock(window);
    return lock ? OnFrameNotify(window, *lock, header) : 0;
}

void OnCommand(HWND window, int command) {
    {
        StateLock lock(window);
        if (lock) OnMainCommand(window, *lock, command);
    }
    // A command may have opened or closed the recording or edited the
    // pattern (the position levels): the preview compares and follows.
    PostMessageA(window, WM_RECORD_CHANGED, 0, 0);
}

// The held check changed: the status line shows it and the check window is
// told; the preview, which shows only the result, when the result changed.
void TellCheckChanged(HWND window, const ConverterState& state, bool resultChanged = true) {
    ShowCheckStatus(window, *state.check);
    if (state.frame.preview && resultChanged) PostMessageA(state.frame.preview, WM_CHECK_CHANGED, 0, 0);
    if (state.frame.check) PostMessageA(state.frame.check, WM_CHECK_CHANGED, 0, 0);
}

// The record may have changed: the preview, when open, is told, and the
// night check follows (checks a new recording, the channels a montage
// change touched, or stops).
void OnRecordChanged(HWND window) {
    StateLock lock(window);
    if (!lock) return;
    if (lock->frame.preview) PostMessageA(lock->frame.preview, WM_RECORD_CHANGED, 0, 0);
    CheckRunner* runner = RunnerOf(window);
    if (runner && FollowCheck(*runner, window, *lock, g_program.settingsPath)) TellCheckChanged(window, *lock);
}

// The check's worker tells how far it is, or that it is done.
void OnCheckNotice(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    StateLock lock(window);
    CheckRunner* runner = RunnerOf(window);
    if (!lock || !runner) return;
    HeldCheck& held = *lock->check;
    const bool changed = message == WM_CHECK_DONE ? OnCheckDone(*runner, held, lParam)
                                                  : OnCheckProgress(*runner, held, wParam, lParam);
    if (changed) TellCheckChanged(window, *lock, message == WM_CHECK_DONE);
}

// A finding chosen in the check window: the preview shows its stretch with
// its channel selected (opened when it is not).
void OnShowFinding(HWND window, WPARAM trace, LPARAM milliseconds) {
    StateLock lock(window);
    if (!lock || lock->source.sourceKind != kSourceTaff) return;
    lock->frame.preview = ShowPreviewWindow(window, lock->frame.preview);
    if (lock->frame.preview) PostMessageA(lock->frame.preview, WM_PREVIEW_GOTO, trace, milliseconds);
}

// The check window is being destroyed: its handle is forgotten.
void OnCheckClosed(HWND window, HWND check) {
    StateLock lock(window);
    if (lock && lock->frame.check == check) lock->frame.check = nullptr;
}

// The preview is being destroyed: its handle is forgotten.
void OnPreviewClosed(HWND window, HWND preview) {
    StateLock lock(window);
    if (lock && lock->frame.preview == preview) lock->frame.preview = nullptr;
}

// A page asks for another tab page.
void OnShowPage(HWND window, WPARAM index) {
    StateLock lock(window);
    if (lock && index < kPageCount) SelectPage(window, *lock, static_cast<int>(index));
}

// Closing (the close box or Exit): the window is destroyed unless a run
// converts and the operator keeps it, or montage changes not registered are
// to be asked about and the operator stays.
void OnClose(HWND window) {
    bool mayClose = true;
    {
        StateLock lock(window);
        if (lock) mayClose = AskToStopConversion(window, *lock) && ConfirmExit(window, *lock);
    }
    if (mayClose) DestroyWindow(window);
}

// The convert command starts the conversion after it has returned.
void OnConvertStart(HWND window) {
    StateLock lock(window);
    if (lock) StartConversion(*lock);
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: return OnCreate(window);
    case WM_DESTROY: OnDestroy(window); return 0;
    case WM_SIZE: OnSize(window, lParam); return 0;
    case WM_CLOSE: OnClose(window); return 0;
    case WM_NOTIFY: return OnNotify(window, reinterpret_cast<const NMHDR*>(lParam));
    case WM_COMMAND: OnCommand(window, LOWORD(wParam)); return 0;
    case WM_SHOW_PAGE: OnShowPage(window, wParam); return 0;
    case WM_CONVERT_START: OnConvertStart(window); return 0;
    case WM_RECORD_CHANGED: OnRecordChanged(window); return 0;
    case WM_PREVIEW_CLOSED: OnPreviewClosed(window, reinterpret_cast<HWND>(wParam)); return 0;
    case WM_CHECK_PROGRESS: case WM_CHECK_DONE: OnCheckNotice(window, message, wParam, lParam); return 0;
    case WM_SHOW_FINDING: OnShowFinding(window, wParam, lParam); return 0;
    case WM_CHECK_CLOSED: OnCheckClosed(window, reinterpret_cast<HWND>(wParam)); return 0;
    case WM_HELP_NOT_SHOWN: WarnHelpNotShown(window); return 0;
    case WM_GETMINMAXINFO: OnGetMinMaxInfo(window, reinterpret_cast<MINMAXINFO*>(lParam)); return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

BOOL RegisterMainWindowClass(HINSTANCE instance) {
    WkWindowClass c = {MainWindowProc,     MAIN_CLASS,      CS_HREDRAW | CS_VREDRAW,
                       kExtraWindowBytes,  MAKEINTRESOURCEA(IDI_APP), SMALL_ICON_NAME,
                       static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)), nullptr};
    c.menu = MAKEINTRESOURCEA(IDM_MAIN);
    return WkRegisterWindowClass(instance, c);
}

HWND CreateMainWindow(HINSTANCE instance) {
    g_program.instance = instance;
    return CreateWindowExA(0, MAIN_CLASS, MAIN_TITLE,
                           WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX |
                               WS_MAXIMIZEBOX,
                           0, 0, 640, 480, nullptr, nullptr, instance, nullptr);
}

bool BringRunningCopyForward() {
    HWND running = FindWindowA(MAIN_CLASS, nullptr);
    if (!running) return false;
    if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
    SetForegroundWindow(running);
    return true;
}

bool StartProgram(HINSTANCE instance, LONG_PTR* kit) {
    g_program.instance = instance;
    if (!RegisterMainWindowClass(instance)) return false;
    InitCommonControls();
    *kit = WkStartup(instance);
    WkInit();
    CtlKitRegister();
    TaffStartup();
    RegisterMontageGridClass(instance);
    RegisterPreviewClass(instance);
    RegisterCheckWindowClass(instance);
    RegisterPageHostClass(instance);
    return true;
}

// The open preview and check window, or null: their handles live in the
// working record.
HWND OpenPreview(HWND window) {
    StateLock lock(window);
    return lock ? lock->frame.preview : nullptr;
}

HWND OpenCheckWindow(HWND window) {
    StateLock lock(window);
    return lock ? lock->frame.check : nullptr;
}

int RunConverter(HINSTANCE instance, int showCommand) {
    g_program.instance = instance;
    if (BringRunningCopyForward()) return 0;
    LONG_PTR kit = 0;
    if (!StartProgram(instance, &kit)) return 0;

    HWND window = CreateMainWindow(instance);
    if (!window) return 0;
    WkLoadWindowPlacement(window, "INITIAL", g_program.settingsPath, 1);
    ShowWindow(window, showCommand);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (TranslateWindowKey(window, message)) continue;
        const HWND preview = OpenPreview(window);
        if (preview && TranslatePreviewKey(preview, message)) continue;
        const HWND check = OpenCheckWindow(window);
        if (check && TranslateCheckKey(check, message)) continue;
        if (g_app.currentPage && IsDialogMessageA(g_app.currentPage, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    WkShutdown(kit, instance);
    return static_cast<int>(message.wParam);
}

// Support for the window tests; see gui_support.h.
#include "tests/app/gui_support.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "app/app_globals.h"
#include "app/main_window.h"
#include "pagekit/program.h"
#include "pagekit/state_lock.h"
#include "pagekit/ui_seam.h"
#include "resources/resource_ids.h"
#include "winkit/winkit.h"

namespace {

FakeUi g_fake;

INT_PTR FakeMessageDialog(HWND, HINSTANCE, int id) {
    g_fake.messageDialogs.push_back(id);
    if (g_fake.messageScript) g_fake.messageScript(id);
    const auto answer = g_fake.answers.find(id);
    return answer != g_fake.answers.end() ? answer->second : g_fake.messageAnswer;
}

INT_PTR FakeModalDialog(HWND, HINSTANCE, int id) {
    g_fake.modalDialogs.push_back(id);
    return IDOK;
}

BOOL Answer(OPENFILENAMEA* request, const std::string& answer) {
    if (answer.empty()) return FALSE;
    lstrcpynA(request->lpstrFile, answer.c_str(), static_cast<int>(request->nMaxFile));
    return TRUE;
}

BOOL FakeOpen(OPENFILENAMEA* request) {
    ++g_fake.openCalls;
    g_fake.openInitialDir = request->lpstrInitialDir ? request->lpstrInitialDir : "";
    g_fake.openFileName = request->lpstrFile;
    g_fake.openTitle = request->lpstrTitle ? request->lpstrTitle : "";
    g_fake.openFlags = request->Flags;
    return Answer(request, g_fake.openAnswer);
}

BOOL FakeSave(OPENFILENAMEA* request) {
    ++g_fake.saveCalls;
    g_fake.saveInitialDir = request->lpstrInitialDir ? request->lpstrInitialDir : "";
    g_fake.saveFileName = request->lpstrFile;
    g_fake.saveTitle = request->lpstrTitle ? request->lpstrTitle : "";
    g_fake.saveFlags = request->Flags;
    g_fake.saveFilter.clear();
    for (const char* f = request->lpstrFilter; f && *f; f += strlen(f) + 1) g_fake.saveFilter += std::string(f) + "|";
    return Answer(request, g_fake.saveAnswer);
}

BOOL FakeBeep(UINT type) {
    g_fake.beeps.push_back(type);
    return TRUE;
}

BOOL FakeOpenHelp(HWND, const char*, const char* page) {
    ++g_fake.helpCalls;
    g_fake.helpPage = page ? page : "";
    return g_fake.helpAnswer;
}

int FakeMessageBox(HWND, const char* text, const char*, UINT type) {
    g_fake.messageBoxes.push_back(text ? text : "");
    g_fake.messageBoxTypes.push_back(type);
    return g_fake.messageBoxAnswer;
}

void FakeCloseHelp(HWND, const char*) {}

BOOL FakePopupMenu(HMENU menu, UINT flags, int, int, HWND owner) {
    ++g_fake.popupCalls;
    g_fake.popupFlags = flags;
    g_fake.popupOwner = owner;
    g_fake.popupItems.clear();
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char text[256] = "";
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
        g_fake.popupItems.push_back({GetMenuItemID(menu, i), text, (state & MF_CHECKED) != 0});
    }
    return g_fake.popupAnswer;
}

// The scripted dialog: found among the windows of this thread by its owner
// once it shows, then handed to the script.
HWND g_scriptOwner = nullptr;

BOOL CALLBACK FindOwnedDialog(HWND window, LPARAM found) {
    char name[16];
    GetClassNameA(window, name, sizeof name);
    if (GetWindow(window, GW_OWNER) != g_scriptOwner || lstrcmpA(name, "#32770") != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

void CALLBACK RunDialogScript(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindOwnedDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog || !IsWindowVisible(dialog)) return;   // again at the next tick
    KillTimer(nullptr, timer);
    g_fake.dialogScript(dialog);
    if (IsWindowVisible(dialog)) {
        ADD_FAILURE() << "the dialog script left the dialog open";
        EndDialog(dialog, IDCANCEL);
    }
}

INT_PTR FakeDialogBox(HWND owner, HINSTANCE instance, const char* name, DLGPROC procedure, LPARAM param) {
    g_fake.dialogBoxes.push_back(IS_INTRESOURCE(name) ? "#" + std::to_string(LOWORD(name)) : name);
    if (!g_fake.dialogScript) return IDCANCEL;
    g_scriptOwner = owner;
    UINT_PTR timer = SetTimer(nullptr, 0, 10, RunDialogScript);
    INT_PTR result = DialogBoxParamA(instance, name, owner, procedure, param);
    KillTimer(nullptr, timer);
    return result;
}

void RemoveFolder(const std::string& dir) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = dir + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveFolder(path);
            else DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(dir.c_str());
}

}  // namespace

FakeUi& Fake() { return g_fake; }

FakeUi& InstallFakeUi() {
    g_fake = FakeUi();
    UiSeam& seam = Ui();
    seam.messageDialog = FakeMessageDialog;
    seam.modalDialog = FakeModalDialog;
    seam.openFileDialog = FakeOpen;
    seam.saveFileDialog = FakeSave;
    seam.beep = FakeBeep;
    seam.openHelp = FakeOpenHelp;
    seam.closeHelp = FakeCloseHelp;
    seam.popupMenu = FakePopupMenu;
    seam.dialogBox = FakeDialogBox;
    seam.messageBox = FakeMessageBox;
    return g_fake;
}

void StartProgramOnce() {
    static bool started = false;
    if (started) return;
    started = true;
    LONG_PTR kit = 0;
    StartProgram(GetModuleHandleA(nullptr), &kit);
}

std::string ProgramDir() {
    char dir[MAX_PATH];
    WkGetModuleDir(GetModuleHandleA(nullptr), dir);
    WkTrimPath(dir);
    return dir;
}

std::string SettingsPath() { return ProgramDir() + "\\COND\\MORLEX.INI"; }
std::string PatientPath() { return ProgramDir() + "\\COND\\PATIENT.INF"; }

void ResetCondFolder(bool create) {
    std::string cond = ProgramDir() + "\\COND";
    RemoveFolder(cond);
    if (create) CreateDirectoryA(cond.c_str(), nullptr);
}

HWND OpenMainWindow() {
    StartProgramOnce();
    HWND window = CreateMainWindow(GetModuleHandleA(nullptr));
    if (!window) return nullptr;
    ShowWindow(window, SW_SHOW);
    // The splash closes on command 2000 after a pause; close it at once.
    MSG message;
    while (PeekMessageA(&message, window, WM_COMMAND, WM_COMMAND, PM_REMOVE)) {
        if (LOWORD(message.wParam) != IDM_CLOSE_SPLASH) DispatchMessageA(&message);
    }
    if (g_app.splash) {
        SendMessageA(g_app.splash, WM_CLOSE, 0, 0);
        g_app.splash = nullptr;
    }
    PumpPending();
    return window;
}

void CloseMainWindow(HWND window) {
    if (IsWindow(window)) DestroyWindow(window);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message != WM_QUIT) DispatchMessageA(&message);
    }
}

void PumpPending() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

bool PumpUntil(const std::function<bool()>& done, int ms) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    for (;;) {
        PumpPending();
        if (done()) return true;
        const LONG left = static_cast<LONG>(end - GetTickCount());
        if (left <= 0) return false;
        // Sleeps until a message arrives (a timer's included), never past the deadline.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left < 50 ? left : 50), QS_ALLINPUT);
    }
}

std::string ControlText(HWND dialog, int id) {
    char text[1024];
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

ConverterState* PeekState(HWND window) {
    // The record is movable global memory; in the tests it never moves while
    // the window lives, so the pointer of a lock stays valid after the unlock.
    StateLock lock(window);
    return lock.get();
}

std::string TempDir() {
    static std::string dir;
    if (!dir.empty()) return dir;
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    char name[64];
    snprintf(name, sizeof name, "convtest%lu", static_cast<unsigned long>(GetCurrentProcessId()));
    dir = std::string(base) + name;
    RemoveFolder(dir);
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

std::string MakeRecording(const std::string& name, const TaffGenOptions& options) {
    std::string path = TempDir() + "\\" + name;
    std::string error;
    EXPECT_TRUE(WriteTaffRecording(options, path, &error)) << error;
    return path;
}

void MainWindowTest::SetUp() {
    InstallFakeUi();
    ResetCondFolder(true);
}

void MainWindowTest::TearDown() {
    if (window) CloseMainWindow(window);
    window = nullptr;
    ResetCondFolder(false);
}

void MainWindowTest::Open() {
    window = OpenMainWindow();
    ASSERT_NE(nullptr, window);
}

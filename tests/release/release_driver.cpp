// The Windows installer as a lab's PC meets it: installed silently into a
// folder of its own, its files, Start-menu shortcut and uninstall entry
// found, the installed converter started and driven from outside (its About
// box, a conversion of the bundled sample), an upgrade with the same
// installer that keeps the operator's changed settings, and a silent
// uninstall that removes every program file and keeps COND.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <string>

#include "engine/version.h"
#include "resources/resource_ids.h"
#include "tests/e2e/e2e_windows.h"

namespace {

using namespace e2e;

const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TaffToPsg";
const char kMenuFolder[] = "TAFF To PSG";
const char kShortcut[] = "TAFF To PSG File Converter.lnk";

std::string Work(const std::string& name = "") {
    std::string path = RELEASE_WORK;
    if (!name.empty()) path += "\\" + name;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}
const std::string kInstDir = Work("inst");
std::string Inst(const std::string& name) { return kInstDir + "\\" + name; }

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void RemoveTree(const std::string& path) {
    std::string from = path + '\0';   // the list ends with two nulls
    SHFILEOPSTRUCTA op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    SHFileOperationA(&op);
}

// Runs `command` and waits for it to end; its exit code, or 0xDEAD.
DWORD RunAndWait(const std::string& command, DWORD ms = 60000) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string line = command;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 0xDEAD;
    DWORD code = 0xDEAD;
    if (WaitForSingleObject(process.hProcess, ms) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// A value of the uninstall entry; "" when the entry or the value is missing.
std::string UninstallValue(const char* name) {
    char value[1024] = "";
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return "";
    return value;
}

std::string ShortcutPath() {
    char programs[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, programs);
    return std::string(programs) + "\\" + kMenuFolder + "\\" + kShortcut;
}

// The program a shortcut starts; "" when it cannot be read.
std::string ShortcutTarget(const std::string& link) {
    std::string target;
    IShellLinkA* shell = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&shell))))
        return target;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        wchar_t wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
        char path[MAX_PATH] = "";
        if (SUCCEEDED(file->Load(wide, STGM_READ)) && SUCCEEDED(shell->GetPath(path, MAX_PATH, nullptr, 0)))
            target = path;
        file->Release();
    }
    shell->Release();
    return target;
}

// The product version of an executable's version resource, and its fixed
// file version as "major.minor.patch".
void VersionOf(const std::string& exe, std::string* product, std::string* fixed) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &ignored);
    std::string data(size, '\0');
    if (!size || !GetFileVersionInfoA(exe.c_str(), 0, size, &data[0])) return;
    char* text = nullptr;
    UINT length = 0;
    if (VerQueryValueA(data.data(), "\\StringFileInfo\\041104B0\\ProductVersion", reinterpret_cast<void**>(&text),
                       &length))
        *product = text;
    VS_FIXEDFILEINFO* info = nullptr;
    if (VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &length))
        *fixed = std::to_string(HIWORD(info->dwFileVersionMS)) + "." + std::to_string(LOWORD(info->dwFileVersionMS)) +
                 "." + std::to_string(HIWORD(info->dwFileVersionLS));
}

std::string IniText(const std::string& file, const char* section, const char* key) {
    char value[MAX_PATH] = "";
    GetPrivateProfileStringA(section, key, "", value, sizeof value, file.c_str());
    return value;
}

const char* const kProgramFiles[] = {"MORLEXCV.exe",         "taff2psg.exe",         "Uninstall.exe",
                                     "HELP\\index.html",     "HELP\\index-en.html", "SAMPLE\\NIGHT001.HDR", "SAMPLE\\NIGHT001.DAT",
                                     "SAMPLE\\MORLEX.INI"};

class Release : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CoInitialize(nullptr); }
    void SetUp() override {
        ASSERT_EQ(nullptr, FindWindowA(MAIN_CLASS, nullptr)) << "a converter is already running";
        // What an earlier, failed run may have left.
        RemoveTree(Work());
        RegDeleteTreeA(HKEY_CURRENT_USER, kUninstallKey);
        DeleteFileA(ShortcutPath().c_str());
        CreateDirectoryA(Work().c_str(), nullptr);
        CreateDirectoryA(Work("out").c_str(), nullptr);
    }
    void TearDown() override { program.Kill(); }

    void Install(const std::string& folderOption) {
        ASSERT_EQ(0u, RunAndWait("\"" RELEASE_INSTALLER "\" /S" + folderOption)) << "the silent install failed";
    }
    // The uninstaller copies itself away and runs from there: wait until the
    // uninstall entry and its own file are gone.
    void Uninstall(const std::string& options) {
        const std::string command = UninstallValue("QuietUninstallString");
        ASSERT_NE(std::string::npos, command.find(Inst("Uninstall.exe"))) << command;
        ASSERT_EQ(0u, RunAndWait(command + options));
        EXPECT_TRUE(WaitFor([] { return UninstallValue("DisplayName").empty() && !Exists(Inst("Uninstall.exe")); },
                            30000))
            << "the uninstaller did not finish";
    }
    // The installed converter: its version in the About box, then the
    // bundled sample converted through the open and Save As dialogs.
    void ConvertTheSample(const std::string& output) {
        ASSERT_TRUE(program.Start(Inst("MORLEXCV.exe"))) << "the main window did not appear";
        MainUi ui;
        ui.main = program.main;
        ASSERT_TRUE(ui.FindPages());
        PostMessageA(ui.main, WM_COMMAND, IDM_HELP_ABOUT, 0);
        HWND about = WaitForDialog("About MORLEXCV", 10000);
        ASSERT_TRUE(about) << "the About box did not appear";
        EXPECT_TRUE(DialogSays(about, "Ver.  " CONVERTER_VERSION_TEXT));
        EXPECT_TRUE(DialogSays(about, "TAFFormat To PSG Format コンバータ"));
        SaveScreenshot(about, Work("about.bmp"));
        PressButton(about, IDOK);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(about); }, 10000));

        PostMessageA(ui.main, WM_COMMAND, IDM_FILE_OPEN, 0);
        HWND open = WaitForDialog("TAFFormat File Select", 10000);
        ASSERT_TRUE(open) << "the open dialog did not appear";
        ASSERT_TRUE(ChooseFileInDialog(open, Inst("SAMPLE\\NIGHT001.HDR")));
        ASSERT_TRUE(WaitFor([&] { return ControlText(ui.source, IDC_SRC_CHANNELS) == "14"; }, 10000));
        PostMessageA(ui.main, WM_COMMAND, IDM_FILE_CONVERT, 0);
        HWND save = WaitForDialog("PSG Convert File Select", 10000);
        ASSERT_TRUE(save) << "the Save As dialog did not appear";
        ASSERT_TRUE(ChooseFileInDialog(save, output));
        // The installed patient is the first-start one: writing it is confirmed.
        HWND patient = WaitForDialog("確認", 10000);
        ASSERT_TRUE(patient) << "the first-start patient was not asked about";
        PressButton(patient, IDOK);
        ASSERT_TRUE(WaitFor([&] { return ControlText(ui.convert, IDC_CONV_STATUS) == "変換が正常に終了しました。"; },
                            30000))
            << "status: " << ControlText(ui.convert, IDC_CONV_STATUS);
        PostMessageA(ui.main, WM_COMMAND, IDM_FILE_EXIT, 0);
        EXPECT_EQ(0u, program.WaitForExit(20000));
    }
    Program program;
};

TEST_F(Release, InstallsRunsUpgradesAndUninstallsKeepingTheSettings) {
    ASSERT_NO_FATAL_FAILURE(Install(" /D=" + kInstDir));   // /D= comes last, unquoted
    for (const char* file : kProgramFiles) EXPECT_TRUE(Exists(Inst(file))) << file;
    const std::string settings = Inst("COND\\MORLEX.INI");
    EXPECT_EQ(Inst("SAMPLE\\NIGHT001.HDR"), IniText(settings, "SYSTEM", "OrgFile"));
    EXPECT_EQ("Sample night", IniText(settings, "Pattern1", "PATTERN"));
    EXPECT_EQ(Inst("MORLEXCV.exe"), ShortcutTarget(ShortcutPath())) << ShortcutPath();
    EXPECT_EQ(CONVERTER_VERSION_TEXT, UninstallValue("DisplayVersion"));
    EXPECT_EQ(kInstDir, UninstallValue("InstallLocation"));
    EXPECT_EQ("TAFF To PSG File Converter", UninstallValue("DisplayName"));
    std::string product, fixed;
    VersionOf(Inst("MORLEXCV.exe"), &product, &fixed);
    EXPECT_EQ(CONVERTER_VERSION_TEXT, product);
    EXPECT_EQ(CONVERTER_VERSION_TEXT, fixed);

    const std::string output = Work("out\\NIGHT001.DAT");
    ASSERT_NO_FATAL_FAILURE(ConvertTheSample(output));
    const std::string psg = ReadFile(output);
    ASSERT_GT(psg.size(), 256u * 15);   // header of 14 signals, then the data records
    EXPECT_EQ(0, psg.compare(0, 8, "0       "));
    EXPECT_NE(std::string::npos, psg.find("EDF+C"));

    // Upgrade over it, without naming the folder: the installer finds it
    // through the uninstall entry, writes the program files again (a changed
    // help page comes back) and keeps the operator's settings as they are.
    ASSERT_TRUE(WritePrivateProfileStringA("SYSTEM", "FrameTime", "5", settings.c_str()));
    const std::string before = ReadFile(settings);
    const std::string help = ReadFile(Inst("HELP\\index.html"));
    ASSERT_NO_FATAL_FAILURE(WriteFile(Inst("HELP\\index.html"), "an older help page"));
    ASSERT_NO_FATAL_FAILURE(Install(""));
    EXPECT_EQ(help, ReadFile(Inst("HELP\\index.html")));
    EXPECT_EQ(before, ReadFile(settings));
    EXPECT_EQ(CONVERTER_VERSION_TEXT, UninstallValue("DisplayVersion"));

    // A silent uninstall removes every program file, the shortcut and the
    // entry, and keeps COND.
    ASSERT_NO_FATAL_FAILURE(Uninstall(""));
    for (const char* file : kProgramFiles) EXPECT_FALSE(Exists(Inst(file))) << file;
    EXPECT_FALSE(Exists(Inst("HELP")));
    EXPECT_FALSE(Exists(Inst("SAMPLE")));
    EXPECT_FALSE(Exists(ShortcutPath()));
    EXPECT_EQ(before, ReadFile(settings));

    // Asked to, the uninstaller removes the settings and the folder too.
    ASSERT_NO_FATAL_FAILURE(Install(" /D=" + kInstDir));
    EXPECT_EQ(before, ReadFile(settings)) << "a new install wrote over existing settings";
    ASSERT_NO_FATAL_FAILURE(Uninstall(" /REMOVESETTINGS"));
    EXPECT_FALSE(Exists(kInstDir));
}

}  // namespace

// The single-instance rule with the real program: a second start brings the
// first forward and ends with 0 without a window of its own.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "resources/resource_ids.h"

#ifndef CONVERTER_EXE
#error "CONVERTER_EXE names the program under test"
#endif

namespace {

PROCESS_INFORMATION Start(const std::string& exe) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string command = "\"" + exe + "\"";
    CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
    return process;
}

HWND WaitForWindow(int ms) {
    for (int waited = 0; waited < ms; waited += 100) {
        HWND found = FindWindowA(MAIN_CLASS, nullptr);
        if (found) return found;
        Sleep(100);
    }
    return nullptr;
}

int CountWindows() {
    int count = 0;
    for (HWND w = FindWindowA(MAIN_CLASS, nullptr); w; w = FindWindowExA(nullptr, w, MAIN_CLASS, nullptr))
        ++count;
    return count;
}

DWORD WaitForExit(const PROCESS_INFORMATION& process, DWORD ms) {
    if (WaitForSingleObject(process.hProcess, ms) != WAIT_OBJECT_0) return 0xDEAD;
    DWORD code = 0xBAD;
    GetExitCodeProcess(process.hProcess, &code);
    return code;
}

TEST(SingleInstance, SecondStartBringsTheFirstForwardAndEndsWithZero) {
    const std::string exe = CONVERTER_EXE;
    ASSERT_EQ(nullptr, FindWindowA(MAIN_CLASS, nullptr));
    PROCESS_INFORMATION first = Start(exe);
    ASSERT_NE(nullptr, first.hProcess);
    HWND window = WaitForWindow(20000);
    ASSERT_NE(nullptr, window);
    ShowWindow(window, SW_MINIMIZE);
    Sleep(300);

    PROCESS_INFORMATION second = Start(exe);
    ASSERT_NE(nullptr, second.hProcess);
    EXPECT_EQ(0u, WaitForExit(second, 20000));
    EXPECT_EQ(1, CountWindows());
    EXPECT_FALSE(IsIconic(window));   // restored by the second start
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(first.hProcess, 0));

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, WaitForExit(first, 20000));
    for (PROCESS_INFORMATION* p : {&first, &second}) {
        CloseHandle(p->hProcess);
        CloseHandle(p->hThread);
    }
}

}  // namespace

// The single-instance rule with the real program: a second start brings the
// first forward and ends with 0 without a window of its own.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "resources/resource_ids.h"
#include "tests/e2e/e2e_windows.h"

#ifndef CONVERTER_EXE
#error "CONVERTER_EXE names the program under test"
#endif

namespace {

TEST(SingleInstance, SecondStartBringsTheFirstForwardAndEndsWithZero) {
    ASSERT_EQ(nullptr, FindWindowA(MAIN_CLASS, nullptr));
    e2e::Program first, second;
    ASSERT_TRUE(first.Start(CONVERTER_EXE)) << "the main window did not appear";
    ShowWindow(first.main, SW_MINIMIZE);
    ASSERT_TRUE(e2e::WaitFor([&] { return IsIconic(first.main) != FALSE; }, 10000));

    ASSERT_TRUE(second.Start(CONVERTER_EXE, false));
    EXPECT_EQ(0u, second.WaitForExit(20000));
    EXPECT_EQ(1, e2e::CountMainWindows());
    EXPECT_FALSE(IsIconic(first.main));   // restored by the second start
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(first.process.hProcess, 0));

    PostMessageA(first.main, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, first.WaitForExit(20000));
    first.Kill();
    second.Kill();
}

}  // namespace

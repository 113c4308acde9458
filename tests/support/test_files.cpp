// Files for the native tests; see test_files.h.
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "psg_test_XXXXXX").string();
    if (mkdtemp(&pattern[0]) == nullptr) std::abort();
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

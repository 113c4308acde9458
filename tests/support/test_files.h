// Files for the native tests: a temporary folder removed with its contents,
// and writing and reading a file whole.
#pragma once

#include <string>

#include "tests/support/whole_file.h"   // WriteFile, ReadFile

// A fresh folder under the system's temporary folder, removed with its
// contents by the destructor.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

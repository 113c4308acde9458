// Whole files for the tests of both builds: written and read in one call.
#pragma once

#include <string>

// Writes `bytes` to `path`, replacing it (the test fails when it cannot).
void WriteFile(const std::string& path, const std::string& bytes);
// The whole file; empty when it cannot be read.
std::string ReadFile(const std::string& path);

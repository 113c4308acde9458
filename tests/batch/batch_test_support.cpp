// Helpers of the batch converter's tests (see the header).
#include "batch_test_support.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

namespace {

std::string Quoted(const std::string& text) {
    std::string q = "'";
    for (char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

}  // namespace

ProcessResult RunBatch(const std::vector<std::string>& args, const std::string& input, const std::string& prefix) {
    const std::string base = std::filesystem::temp_directory_path() / ("taff2psg_run_" + std::to_string(getpid()));
    std::string command = prefix + " " + Quoted(TAFF2PSG);
    for (const std::string& a : args) command += " " + Quoted(a);
    WriteFile(base + ".in", input);
    command += " < " + Quoted(base + ".in") + " > " + Quoted(base + ".out") + " 2> " + Quoted(base + ".err");
    const int raw = std::system(("/bin/bash -c " + Quoted(command)).c_str());
    ProcessResult r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    r.out = ReadFile(base + ".out");
    r.err = ReadFile(base + ".err");
    for (const char* ext : {".in", ".out", ".err"}) std::filesystem::remove(base + ext);
    return r;
}

void MakeRecording(const TaffGenOptions& options, const std::string& headerPath) {
    std::string error;
    ASSERT_TRUE(WriteTaffRecording(options, headerPath, &error)) << error;
}

std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& e : std::filesystem::directory_iterator(dir, ignored)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

TaffGenOptions ShortRecording(double seconds, int channels) {
    TaffGenOptions o;
    o.channels = channels;
    o.seconds = seconds;
    return o;
}

std::string WithoutSettingsHash(std::string psg) {
    const std::string lead = "settings sha256 ";
    for (size_t at = psg.find(lead); at != std::string::npos; at = psg.find(lead, at + 1))
        psg.replace(at + lead.size(), std::min<size_t>(64, psg.size() - at - lead.size()), 64, '-');
    return psg;
}

std::string Sha256Sum(const std::string& path) {
    std::string hex;
    if (FILE* pipe = popen(("sha256sum '" + path + "'").c_str(), "r")) {
        char line[160] = "";
        if (fgets(line, sizeof line, pipe)) hex.assign(line, strnlen(line, 64));
        pclose(pipe);
    }
    return hex.size() == 64 ? hex : std::string();
}

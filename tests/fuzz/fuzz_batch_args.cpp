// Fuzz target: the batch converter's command line and its list input. The
// first part of the input (up to a zero byte) is split at newlines into
// arguments and read by the command-line reader, which must answer -1, 0 or
// 2 and leave a start time it accepted on a date that exists; the rest is a
// list of inputs (one per line) read from a list file in a scratch folder.
// Inputs are only looked at, never written; folder inputs are not searched
// below their own level.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "batch/batch_options.h"
#include "batch/batch_setup.h"
#include "batch/output_tree.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

std::string folder;

void RemoveScratch() {
    remove((folder + "/list.txt").c_str());
    rmdir(folder.c_str());
}

std::string ScratchFolder() {
    if (folder.empty()) {
        std::string name = (std::filesystem::temp_directory_path() / "fuzz_batch_args_XXXXXX").string();
        Check(mkdtemp(&name[0]) != nullptr);
        folder = name;
        atexit(RemoveScratch);
    }
    return folder;
}

void ReadCommandLine(const std::string& text) {
    std::vector<std::string> args{"taff2psg"};
    std::string piece;
    for (char c : text) {
        if (c == '\n') {
            args.push_back(piece);
            piece.clear();
        } else {
            piece += c;
        }
    }
    args.push_back(piece);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    BatchOptions o;
    std::ostringstream out, err;
    const int status = ParseBatchOptions(int(args.size()), argv.data(), o, out, err);
    Check(status == -1 || status == kExitConverted || status == kExitUsage);
    if (status != -1) return;
    int f[6];
    if (!o.start.empty()) {
        Check(ParseStartTime(o.start, f));
        Check(StartDateFits(f[0], f[1], f[2]));
    }
    std::string extension;
    if (!o.ext.empty()) Check(OutputExtension(o.ext, extension) && extension.find('/') == std::string::npos);
}

void ReadList(const std::string& text) {
    const std::string list = ScratchFolder() + "/list.txt";
    FILE* file = fopen(list.c_str(), "wb");
    Check(file != nullptr);
    fwrite(text.data(), 1, text.size(), file);
    fclose(file);
    BatchOptions o;
    o.listFile = list;
    std::vector<std::string> headers, roots;
    std::vector<InputProblem> problems;
    std::string error;
    Check(CollectRecordings(o, headers, problems, &error, &roots));
    Check(roots.size() == headers.size());
    for (const std::string& h : headers) Check(h.find('\n') == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 2048) return 0;
    ScratchFolder();
    const std::string text(reinterpret_cast<const char*>(data), size);
    const size_t zero = text.find('\0');
    ReadCommandLine(text.substr(0, zero));
    if (zero != std::string::npos) ReadList(text.substr(zero + 1));
    return 0;
}

// Output paths over an archive; see output_tree.h.
#include "batch/output_tree.h"

#include <cerrno>
#include <filesystem>
#include <map>

#include "engine/output_name.h"
#include "engine/source_info.h"
#include "filekit/filekit.h"

namespace {

namespace fs = std::filesystem;

// The absolute, lexically tidied form of a path ("a/./b/../c" gives "a/c").
fs::path Tidy(const std::string& path) {
    std::error_code ignored;
    fs::path p = fs::absolute(fs::path(path), ignored);
    p = p.lexically_normal();
    if (!p.has_filename() && p.has_parent_path() && p != p.root_path()) p = p.parent_path();
    return p;
}

}  // namespace

std::string OutputPathFor(const std::string& outDir, const std::string& headerPath) {
    char name[kPathSize];
    ProposeOutputName(name, sizeof name, ("\\" + FileNameOf(headerPath)).c_str());
    return JoinPath(outDir, name);
}

bool OutputExtension(const std::string& ext, std::string& extension) {
    extension = ext.empty() || ext[0] == '.' ? ext : "." + ext;
    if (extension.size() < 2) return false;
    for (char c : extension)
        if (c == '/' || c == '\\' || c == ':') return false;
    return true;
}

bool FolderBelow(const std::string& root, const std::string& header, std::string& below) {
    const fs::path rel = Tidy(FolderOf(header)).lexically_relative(Tidy(root));
    if (rel.empty()) return false;
    const std::string text = rel.generic_string();
    if (text == "..." || text.compare(0, 2, "..") == 0) return false;
    below = text == "." ? "" : text;
    return true;
}

std::string MirroredOutputPath(const std::string& outDir, const std::string& header, const std::string& root,
                               const std::string& base, const std::string& extension) {
    std::string dir = outDir, below;
    if ((!base.empty() && FolderBelow(base, header, below)) || (!root.empty() && FolderBelow(root, header, below))) {
        if (!below.empty()) dir = JoinPath(outDir, fs::path(below).make_preferred().string());
    }
    std::string path = OutputPathFor(dir, header);
    if (extension.empty()) return path;
    const size_t dot = path.rfind('.');
    return (dot == std::string::npos ? path : path.substr(0, dot)) + extension;
}

std::vector<std::string> SharedOutputs(const std::vector<std::string>& headers,
                                       const std::vector<std::string>& outputs, std::vector<bool>& unique,
                                       std::vector<size_t>* shared) {
    std::vector<std::string> pairs;
    std::map<std::string, size_t> first;   // folded output path -> first input writing it
    unique.assign(headers.size(), true);
    for (size_t i = 0; i < outputs.size(); ++i) {
        const auto seen = first.emplace(FoldedName(Tidy(outputs[i]).string()), i);
        if (seen.second) continue;
        const size_t k = seen.first->second;
        if (headers[k] == headers[i] || SameFile(headers[k], headers[i])) {
            unique[i] = false;      // the same recording named twice: converted once
            continue;
        }
        pairs.push_back(headers[k] + " and " + headers[i] + " would both be written to " + outputs[k]);
        if (shared) {
            shared->push_back(k);
            shared->push_back(i);
        }
    }
    return pairs;
}

// Dialog names and folders; see output_name.h.
#include "engine/output_name.h"

#include <cstring>
#include <string>

#include "textkit/sjis_text.h"

void ProposeOutputName(char* name, size_t size, const char* sourcePath) {
    name[0] = '\0';
    int slash = LastCharIndex(sourcePath, '\\');
    if (slash < 0) return;
    CopyText(name, static_cast<int>(size), sourcePath + slash + 1);
    int dot = LastCharIndex(name, '.');
    if (dot < 0) return;
    name[dot] = '\0';
    AppendText(name, static_cast<int>(size), ".DAT");
}

bool PrepareDialogFolder(char* initialDir, size_t dirSize, char* fileName, size_t nameSize, const char* lastPath) {
    CopyText(fileName, static_cast<int>(nameSize), lastPath);
    CopyText(initialDir, static_cast<int>(dirSize), lastPath);
    if (strlen(initialDir) <= 6) {
        initialDir[0] = '\0';
        fileName[0] = '\0';
        return false;
    }
    int slash = LastCharIndex(initialDir, '\\');
    if (slash >= 0) initialDir[slash + 1] = '\0';
    return true;
}

namespace {

// The folder part of a path (up to and with its last "\"), ASCII letters
// folded: Windows names one folder in either case.
std::string FolderKey(const char* path) {
    const int slash = LastCharIndex(path, '\\');
    std::string folder(path, slash < 0 ? 0 : size_t(slash) + 1);
    for (size_t i = 0; i < folder.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(folder[i]);
        if (c >= 0x81 && c <= 0xFC && !(c >= 0xA0 && c <= 0xDF) && i + 1 < folder.size()) {
            ++i;    // a double-byte character: its trail byte is no letter
            continue;
        }
        if (c >= 'A' && c <= 'Z') folder[i] = static_cast<char>(c - 'A' + 'a');
    }
    return folder;
}

}  // namespace

void PlanOutputDialog(char* startPath, size_t startSize, char* proposal, size_t proposalSize, const char* copyFile,
                      const char* sourcePath) {
    CopyText(startPath, static_cast<int>(startSize), strlen(copyFile) > 6 ? copyFile : sourcePath);
    ProposeOutputName(proposal, proposalSize, sourcePath);
    if (!proposal[0] || FolderKey(startPath) != FolderKey(sourcePath)) return;
    std::string name = proposal;
    if (name.size() >= 4 && name.compare(name.size() - 4, 4, ".DAT") == 0) name.resize(name.size() - 4);
    name += "_PSG.DAT";
    CopyText(proposal, static_cast<int>(proposalSize), name.c_str());
}

bool PrepareSaveFolder(char* initialDir, size_t dirSize, char* fileName, size_t nameSize, const char* copyFile,
                       const char* proposal) {
    if (!PrepareDialogFolder(initialDir, dirSize, fileName, nameSize, copyFile)) return false;
    CopyText(fileName, static_cast<int>(nameSize), initialDir);
    AppendText(fileName, static_cast<int>(nameSize), proposal);
    return true;
}

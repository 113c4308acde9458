// The output name proposed from the source recording and the folder the
// Save As dialog starts in, taken from the last output file: plain paths,
// names with several dots, short last outputs, Shift-JIS names whose trail
// byte looks like a backslash, and buffers too small for the result.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/output_name.h"

namespace {

std::string Proposal(const char* sourcePath) {
    char name[260];
    memset(name, 'x', sizeof name);
    ProposeOutputName(name, sizeof name, sourcePath);
    return name;
}

TEST(ProposedName, SourceNameWithDatExtension) {
    EXPECT_EQ("NIGHT1.DAT", Proposal("C:\\REC\\NIGHT1.HDR"));
    EXPECT_EQ("REC.1.DAT", Proposal("C:\\REC\\REC.1.HDR"));
    EXPECT_EQ("NOEXT", Proposal("C:\\REC\\NOEXT"));
    EXPECT_EQ("", Proposal("NIGHT1.HDR"));   // no folder: nothing proposed
    EXPECT_EQ("", Proposal(""));
    // "表" ends in the byte of "\": the name still starts after the real one.
    EXPECT_EQ("表.DAT", Proposal("C:\\DATA\\表.HDR"));
}

TEST(ProposedName, CutToTheBuffer) {
    struct { char name[8]; char guard[4]; } b;
    memset(&b, 'g', sizeof b);
    ProposeOutputName(b.name, sizeof b.name, "C:\\REC\\NIGHTLONGNAME.HDR");
    EXPECT_EQ(sizeof b.name - 1, strlen(b.name));
    EXPECT_EQ(std::string("gggg"), std::string(b.guard, 4));
}

struct SaveFolder {
    std::string dir, name;
    bool hasFolder;     // the dialog then insists that the folder exists
};

SaveFolder PrepareSave(const char* copyFile, const char* proposal) {
    char dir[260], name[260];
    memset(dir, 'x', sizeof dir);
    memset(name, 'x', sizeof name);
    bool hasFolder = PrepareSaveFolder(dir, sizeof dir, name, sizeof name, copyFile, proposal);
    return {dir, name, hasFolder};
}

TEST(SaveFolder, FolderOfTheLastOutputWithTheProposal) {
    SaveFolder f = PrepareSave("D:\\OUT\\OLD.DAT", "NIGHT1.DAT");
    EXPECT_EQ("D:\\OUT\\", f.dir);
    EXPECT_EQ("D:\\OUT\\NIGHT1.DAT", f.name);
    EXPECT_TRUE(f.hasFolder);
    f = PrepareSave("D:\\表\\OLD.DAT", "N.DAT");
    EXPECT_EQ("D:\\表\\", f.dir);
    EXPECT_EQ("D:\\表\\N.DAT", f.name);
}

TEST(SaveFolder, ShortOrEmptyLastOutputOpensTheDefaultFolder) {
    for (const char* copyFile : {"", "D:\\A.D", "A.DAT"}) {
        SaveFolder f = PrepareSave(copyFile, "NIGHT1.DAT");
        EXPECT_EQ("", f.dir) << copyFile;
        EXPECT_EQ("", f.name) << copyFile;
        EXPECT_FALSE(f.hasFolder) << copyFile;
    }
}

// The PSG output's dialog: the last output's folder, or the recording's the
// first time; never the recording's own data file as the proposal.
TEST(SaveFolder, OutputDialogStartsFromTheLastOutputOrTheRecording) {
    const struct { const char* copyFile; const char* source; const char* start; const char* proposal; } cases[] = {
        {"D:\\OUT\\OLD.DAT", "C:\\REC\\NIGHT1.HDR", "D:\\OUT\\OLD.DAT", "NIGHT1.DAT"},
        {"", "C:\\REC\\NIGHT1.HDR", "C:\\REC\\NIGHT1.HDR", "NIGHT1_PSG.DAT"},
        {"A.DAT", "C:\\REC\\NIGHT1.HDR", "C:\\REC\\NIGHT1.HDR", "NIGHT1_PSG.DAT"},
        {"c:\\rec\\OLD.DAT", "C:\\REC\\NIGHT1.HDR", "c:\\rec\\OLD.DAT", "NIGHT1_PSG.DAT"},
        {"C:\\REC\\SUB\\OLD.DAT", "C:\\REC\\NIGHT1.HDR", "C:\\REC\\SUB\\OLD.DAT", "NIGHT1.DAT"},
        {"C:\\REC\\OLD.DAT", "C:\\REC\\NOEXT", "C:\\REC\\OLD.DAT", "NOEXT_PSG.DAT"},
        {"D:\\OUT\\OLD.DAT", "", "D:\\OUT\\OLD.DAT", ""},
        {"", "", "", ""},
        // "表" ends in the byte of "\\", "ア" (83 41) in that of "A": a trail byte is no letter.
        {"C:\\\x95\x5c\\OLD.DAT", "C:\\\x95\x5c\\N.HDR", "C:\\\x95\x5c\\OLD.DAT", "N_PSG.DAT"},
        {"C:\\\x83\x41\\OLD.DAT", "C:\\\x83\x61\\N.HDR", "C:\\\x83\x41\\OLD.DAT", "N.DAT"},
    };
    for (const auto& k : cases) {
        char start[260], proposal[260];
        PlanOutputDialog(start, sizeof start, proposal, sizeof proposal, k.copyFile, k.source);
        EXPECT_STREQ(k.start, start) << k.copyFile << " " << k.source;
        EXPECT_STREQ(k.proposal, proposal) << k.copyFile << " " << k.source;
    }
}

TEST(SaveFolder, NameCutToItsBuffer) {
    struct { char dir[260]; char name[12]; char guard[4]; } b;
    memset(&b, 'g', sizeof b);
    PrepareSaveFolder(b.dir, sizeof b.dir, b.name, sizeof b.name, "D:\\OUTPUT\\OLD.DAT", "NIGHT1.DAT");
    EXPECT_STREQ("D:\\OUTPUT\\", b.dir);
    EXPECT_STREQ("D:\\OUTPUT\\N", b.name);
    EXPECT_EQ(std::string("gggg"), std::string(b.guard, 4));
}

}  // namespace

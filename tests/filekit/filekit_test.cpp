// The file layer with real files and real processes: temporary names and
// the stale ones among them, every way of moving into place, names folded
// as file systems fold them, whole lines under a full disk, claims of live,
// killed and foreign processes, and small files written whole.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include <gtest/gtest.h>

#include "filekit/filekit.h"
#include "tests/support/test_files.h"

namespace {

namespace fs = std::filesystem;

// A child process that waits until killed; its pid.
pid_t Sleeper() {
    const pid_t pid = fork();
    if (pid == 0) {
        pause();
        _exit(0);
    }
    return pid;
}

void Kill(pid_t pid) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

TEST(TemporaryNames, BuiltAndRecognisedInOnePlace) {
    char name[64];
    ASSERT_TRUE(TemporaryNameFor(name, sizeof name, "out/N1.DAT", 4242, 7));
    EXPECT_STREQ("out/N1.DAT.4242-7.part", name);
    long pid = 0;
    EXPECT_TRUE(IsTemporaryName(FileNameOf(name), &pid));
    EXPECT_EQ(4242, pid);
    EXPECT_TRUE(IsTemporaryName(FileNameOf(TemporaryNameFor(std::string("N2.DAT"))), &pid));
    EXPECT_EQ(long(getpid()), pid);
    for (const char* other : {"N1.DAT", "N1.part", "N1.DAT.-7.part", "N1.DAT.42-.part", "x.DAT.4a-1.part", "N1.DAT.claim"})
        EXPECT_FALSE(IsTemporaryName(other, nullptr)) << other;
    char small[16];     // never cut: refused
    EXPECT_FALSE(TemporaryNameFor(small, sizeof small, "out/a-long-name.DAT", 1, 1));
    EXPECT_STREQ("", small);
}

TEST(TemporaryNames, OnlyThoseOfDeadProcessesAreStale) {
    TempDir tmp;
    fs::create_directories(tmp.File("sub"));
    const std::string mine = "A.DAT." + std::to_string(getpid()) + "-1.part";   // a process that runs
    for (const std::string& name : {std::string("B.DAT.999999999-1.part"), mine, std::string("sub/C.DAT.999999999-2.part"),
                                    std::string("D.DAT"), std::string("E.DAT.claim")})
        WriteFile(tmp.File(name), "x");
    // E.DAT.claim names no live holder and nobody holds its lock.
    EXPECT_EQ((std::vector<std::string>{tmp.File("B.DAT.999999999-1.part"), tmp.File("E.DAT.claim")}),
              StaleTemporaryFiles({tmp.path()}, false));
    EXPECT_EQ(3u, StaleTemporaryFiles({tmp.path()}, true).size());
    EXPECT_EQ(3, RemoveFiles(StaleTemporaryFiles({tmp.path()}, true)));
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(tmp.path())) left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ((std::vector<std::string>{mine, "D.DAT", "sub"}), left);
}

// Every way of moving without replacing, as file systems without hard links
// (or without a no-replace rename) reach them; and the replacing move.
TEST(MoveIntoPlace, EveryWayMovesAndNoneReplaces) {
    for (MoveWay way : {kMoveByLink, kMoveByNoReplaceRename, kMoveByCheckedRename}) {
        SCOPED_TRACE(int(way));
        TempDir tmp;
        WriteFile(tmp.File("t.part"), "new");
        ASSERT_EQ(0, MoveWithoutReplacing(tmp.File("t.part"), tmp.File("OUT.DAT"), way));
        EXPECT_EQ("new", ReadFile(tmp.File("OUT.DAT")));
        EXPECT_FALSE(PathExists(tmp.File("t.part")));
        WriteFile(tmp.File("u.part"), "later");
        EXPECT_EQ(EEXIST, MoveWithoutReplacing(tmp.File("u.part"), tmp.File("OUT.DAT"), way));
        EXPECT_EQ("new", ReadFile(tmp.File("OUT.DAT")));
        EXPECT_EQ("later", ReadFile(tmp.File("u.part")));
    }
    TempDir tmp;
    WriteFile(tmp.File("OUT.DAT"), "old");
    WriteFile(tmp.File("t.part"), "new");
    EXPECT_EQ(EEXIST, MoveIntoPlace(tmp.File("t.part"), tmp.File("OUT.DAT"), false));
    EXPECT_EQ(0, MoveIntoPlace(tmp.File("t.part"), tmp.File("OUT.DAT"), true));
    EXPECT_EQ("new", ReadFile(tmp.File("OUT.DAT")));
}

TEST(Names, LettersFoldedDoubleByteCharactersKept) {
    const struct {
        const char *a, *b;
        bool same;
    } cases[] = {
        {"night001.dat", "NIGHT001.DAT", true},
        {"\x83\x41.HDR", "\x83\x61.HDR", false},            // two katakana whose trail bytes differ in case
        {"\x83\x41.hdr", "\x83\x41.HDR", true},
        {"\x95\x5C.dat", "\x95\x5c.DAT", true},             // a trail byte 0x5C is no separator
        {"\xE3\x83\x89" "a.dat", "\xE3\x83\x89" "A.DAT", true},   // UTF-8: the letter after it folds too
        {"N1.DAT", "N1.DAT ", false},
    };
    for (const auto& c : cases) EXPECT_EQ(c.same, SameNameIgnoringCase(c.a, c.b)) << c.a << " " << c.b;
    EXPECT_TRUE(HasExtension("N1.hdr", "HDR"));
    EXPECT_FALSE(HasExtension("N1HDR", "HDR"));
    EXPECT_EQ("out", FolderOf("out/\x95\x5C.DAT"));
    EXPECT_EQ("\x95\x5C.DAT", FileNameOf("out\\\x95\x5C.DAT"));

    TempDir tmp;
    WriteFile(tmp.File("night001.dat"), "data");
    WriteFile(tmp.File("\x83\x41.HDR"), "h");
    EXPECT_EQ("night001.dat", NameDifferingInCase(tmp.File("night001.DAT")));
    EXPECT_EQ("", NameDifferingInCase(tmp.File("night001.dat")));
    EXPECT_EQ("", NameDifferingInCase(tmp.File("\x83\x61.HDR")));
    EXPECT_EQ((std::vector<std::string>{tmp.File("night001.dat")}), FilesOfStem(tmp.File("NIGHT001.HDR")));
}

// A write that fails part way (the process may not grow the file beyond
// `limit` bytes, as a full disk refuses) must leave the file as it was.
int AppendUnderLimit(const std::string& path, const std::string& line, rlim_t limit) {
    const pid_t pid = fork();
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit r{limit, limit};
        setrlimit(RLIMIT_FSIZE, &r);
        _exit(AppendWholeLine(path, line));
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ManifestLines, WholeOrNotAtAll) {
    TempDir tmp;
    const std::string m = tmp.File("manifest.jsonl");
    ASSERT_EQ(0, AppendWholeLine(m, "{\"a\":1}\n"));
    EXPECT_EQ(EFBIG, AppendUnderLimit(m, "{\"b\":\"" + std::string(100, 'x') + "\"}\n", 40));
    EXPECT_EQ("{\"a\":1}\n", ReadFile(m));
    ASSERT_EQ(0, AppendWholeLine(m, "{\"c\":3}\n"));
    EXPECT_EQ("{\"a\":1}\n{\"c\":3}\n", ReadFile(m));
    // A last line cut by an older program: the next line stands on its own.
    WriteFile(m, "{\"a\":1}\n{\"hal");
    ASSERT_EQ(0, AppendWholeLine(m, "{\"d\":4}\n"));
    EXPECT_EQ("{\"a\":1}\n{\"hal\n{\"d\":4}\n", ReadFile(m));
    EXPECT_EQ(ENOENT, AppendWholeLine(tmp.File("none/m.jsonl"), "x\n"));
}

TEST(ManifestLines, ProcessesAppendingAtOnceKeepWholeLines) {
    TempDir tmp;
    const std::string m = tmp.File("m.jsonl");
    std::vector<pid_t> children;
    for (int p = 0; p < 4; ++p) {
        const pid_t pid = fork();
        if (pid == 0) {
            const std::string line = std::string(3000 + p, char('a' + p)) + "\n";
            for (int n = 0; n < 50; ++n)
                if (AppendWholeLine(m, line) != 0) _exit(1);
            _exit(0);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_EQ(0, WEXITSTATUS(status));
    }
    const std::string text = ReadFile(m);
    size_t lines = 0;
    for (size_t at = 0; at < text.size(); ++lines) {
        const size_t end = text.find('\n', at);
        ASSERT_NE(std::string::npos, end);
        const std::string line = text.substr(at, end - at);
        ASSERT_EQ(std::string(line.size(), line[0]), line);    // one process's line, whole
        EXPECT_EQ(3000u + size_t(line[0] - 'a'), line.size());
        at = end + 1;
    }
    EXPECT_EQ(200u, lines);
}

TEST(Claims, HeldByOneTakenOverFromTheDeadLeftToOthers) {
    TempDir tmp;
    const std::string out = tmp.File("N1.DAT");
    // Another process of this host holds the claim.
    int ready[2];
    ASSERT_EQ(0, pipe(ready));
    const pid_t holderPid = fork();
    if (holderPid == 0) {
        OutputClaim c;
        std::string h;
        const char ok = ClaimOutput(out, c, &h, nullptr) == kClaimTaken ? '1' : '0';
        if (write(ready[1], &ok, 1) != 1) _exit(2);
        pause();
        _exit(0);
    }
    char ok = 0;
    ASSERT_EQ(1, read(ready[0], &ok, 1));
    ASSERT_EQ('1', ok);
    OutputClaim claim;
    std::string holder;
    EXPECT_EQ(kClaimHeldByOther, ClaimOutput(out, claim, &holder, nullptr));
    EXPECT_EQ("host " + HostName() + " pid " + std::to_string(holderPid), holder);
    EXPECT_TRUE(ClaimIsLive(ClaimNameFor(out)));
    EXPECT_TRUE(StaleTemporaryFiles({tmp.path()}, false).empty());
    // Killed: its claim stays as a file and is taken over.
    Kill(holderPid);
    EXPECT_TRUE(PathExists(ClaimNameFor(out)));
    ASSERT_EQ(kClaimTaken, ClaimOutput(out, claim, &holder, nullptr));
    EXPECT_EQ(ClaimText(), ReadFile(ClaimNameFor(out)));
    ReleaseClaim(claim);
    EXPECT_FALSE(PathExists(ClaimNameFor(out)));
    // A dead process's claim is never taken over while a process holds its lock.
    const pid_t dead = Sleeper();
    Kill(dead);
    WriteFile(ClaimNameFor(out), "claimed by host " + HostName() + " pid " + std::to_string(dead) + "\n");
    EXPECT_FALSE(ClaimIsLive(ClaimNameFor(out)));
    ASSERT_EQ(kClaimTaken, ClaimOutput(out, claim, &holder, nullptr));
    OutputClaim second;
    EXPECT_EQ(kClaimHeldByOther, ClaimOutput(out, second, &holder, nullptr));
    ReleaseClaim(claim);
    // A claim left without a holder's text (a process killed as it made one
    // where hard links are missing): left alone at first, taken over later.
    WriteFile(ClaimNameFor(out), "");
    EXPECT_EQ(kClaimHeldByOther, ClaimOutput(out, claim, &holder, nullptr));
    fs::last_write_time(ClaimNameFor(out), fs::file_time_type::clock::now() - std::chrono::minutes(2));
    ASSERT_EQ(kClaimTaken, ClaimOutput(out, claim, &holder, nullptr));
    ReleaseClaim(claim);
    // Another host's claim: left alone, and stale for --clean once unlocked.
    WriteFile(ClaimNameFor(out), "claimed by host elsewhere pid 1\n");
    EXPECT_EQ(kClaimHeldByOther, ClaimOutput(out, claim, &holder, nullptr));
    EXPECT_EQ("host elsewhere pid 1", holder);
    EXPECT_EQ((std::vector<std::string>{ClaimNameFor(out)}), StaleTemporaryFiles({tmp.path()}, false));
}

TEST(SmallFiles, WrittenWholeBesideTheirPlace) {
    TempDir tmp;
    const std::string f = tmp.File("N1.check.json");
    ASSERT_EQ(0, WriteFileBeside(f, "{\"ok\":true}\n", false));
    EXPECT_EQ("{\"ok\":true}\n", ReadFile(f));
    EXPECT_EQ(EEXIST, WriteFileBeside(f, "other", false));
    EXPECT_EQ(0, WriteFileBeside(f, "second", true));
    EXPECT_EQ("second", ReadFile(f));
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(tmp.path())) names.push_back(e.path().filename().string());
    EXPECT_EQ(std::vector<std::string>{"N1.check.json"}, names);     // no temporary file left
    EXPECT_NE(0, WriteFileBeside(tmp.File("none/x.json"), "x", false));
}

}  // namespace

// The archive report of a generated archive with known faults: manifest
// lines and check files written as taff2psg writes them, each night's
// verdict, failing channels, recorder, month and patient chosen, and the
// nights never checked, with a stale check, not done, rerun (the last line
// counts) and a damaged line. The counts are literal; the CSV is read back
// by Python's csv module.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "batch/archive_report.h"
#include "batch_test_support.h"

namespace {

namespace fs = std::filesystem;

struct GeneratedNight {
    const char* name;
    const char* result;         // manifest result
    const char* verdict;        // "" no check object
    std::vector<const char*> fail, warn;
    const char* recorder;       // DEVICE
    const char* patient;
    const char* start;
    const char* spoil;          // "missing": no check file; "other": it names another PSG file
};

struct ArchiveReport : ::testing::Test {
    TempDir tmp;
    std::string out = tmp.File("psg"), manifest = tmp.File("psg/manifest.jsonl");
    void SetUp() override { fs::create_directories(out); }

    // Writes the night's check file and returns its manifest line.
    std::string Night(const GeneratedNight& n) const {
        const std::string stem = out + "/" + n.name, sha = std::string(64, 'a');
        std::string line = "{\"input\":\"/archive/" + std::string(n.name) + ".HDR\",\"output\":\"" + stem +
                           ".DAT\",\"result\":\"" + n.result + "\",\"reason\":\"\",\"output_sha256\":\"" + sha +
                           "\",\"seconds\":28800,\"patient_id\":\"" + n.patient + "\",\"start\":\"" + n.start +
                           "\",\"recorder\":{\"device\":\"" + n.recorder + "\",\"slot\":null,\"serial\":null,\"id_no\":\"1\"}";
        if (!*n.verdict) return line + "}\n";
        std::string channels;
        const auto add = [&channels](const char* label, const char* verdict) {
            channels += std::string(channels.empty() ? "" : ",") + "{\"label\":\"" + label + "\",\"verdict\":\"" +
                        verdict + "\"}";
        };
        for (const char* c : n.fail) add(c, "fail");
        for (const char* c : n.warn) add(c, "warn");
        add("ECG", "pass");
        const std::string spoil = n.spoil ? n.spoil : "";
        if (spoil != "missing")
            WriteFile(stem + ".check.json", "{\"verdict\":\"" + std::string(n.verdict) + "\",\"hours\":7.5,\"output_sha256\":\"" +
                                                (spoil == "other" ? std::string(64, 'b') : sha) +
                                                "\",\"channels\":[" + channels + "],\"findings\":[]}\n");
        return line + ",\"check\":{\"verdict\":\"" + n.verdict + "\",\"file\":\"" + stem + ".check.json\",\"report\":\"" +
               stem + ".check.html\"}}\n";
    }
};

TEST_F(ArchiveReport, CountsAGeneratedArchiveWithKnownFaults) {
    const GeneratedNight nights[] = {
        {"P1", "converted", "pass", {}, {}, "DR-A", "LAB-1", "2024-03-01T22:00:00", nullptr},
        {"P2", "skipped", "pass", {}, {}, "DR-A", "LAB-1", "2024-03-02T22:00:00", nullptr},
        {"P3", "converted", "pass", {}, {}, "DR-B", "LAB-2", "2024-04-01T22:00:00", nullptr},
        {"W1", "converted", "warn", {}, {"C3-A2", "C4-A1"}, "DR-A", "LAB-2", "2024-04-02T22:00:00", nullptr},
        {"W2", "converted", "warn", {}, {"C3-A2"}, "DR-B", "LAB-3", "2024-04-03T22:00:00", nullptr},
        {"F1", "converted", "fail", {"C3-A2"}, {}, "DR-B", "LAB-3", "2024-04-04T22:00:00", nullptr},
        {"F2", "skipped", "fail", {"C3-A2", "SpO2"}, {}, "DR-B", "LAB-3", "2024-04-05T22:00:00", nullptr},
        {"F3", "checked", "fail", {"C3-A2"}, {"Flow"}, "DR-A", "LAB-1", "2024-05-01T22:00:00", nullptr},
        {"U1", "converted", "", {}, {}, "DR-A", "LAB-1", "2024-05-02T22:00:00", nullptr},
        {"S1", "skipped", "pass", {}, {}, "DR-A", "LAB-1", "2024-05-03T22:00:00", "other"},
        {"S2", "converted", "fail", {"O1-A2"}, {}, "DR-A", "LAB-1", "2024-05-04T22:00:00", "missing"},
        {"X1", "failed", "", {}, {}, "DR-A", "LAB-4", "2024-05-05T22:00:00", nullptr},
    };
    // P3 failed first; its last line (converted, pass) counts.
    std::string text = "{\"input\":\"/archive/P3.HDR\",\"result\":\"failed\",\"reason\":\"interrupted\"}\n";
    text += "{\"input\":\"/archive/torn";      // a line a full disk cut (never written so; read anyway)
    text += "\n";
    for (const GeneratedNight& n : nights) text += Night(n);
    WriteFile(manifest, text);

    const ProcessResult r = RunBatch({"--archive-report", "-o", out});
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("12 night(s): 3 pass, 2 warn, 3 fail, 1 not checked, 2 check stale, 1 not done"))
        << r.out;
    const std::string html = ReadFile(out + "/archive.html");
    EXPECT_NE(std::string::npos, html.find("<b id=\"count-fail\">3</b>"));
    EXPECT_NE(std::string::npos, html.find(u8"<p>マニフェストの壊れた行(無視しました): 1</p>"));

    const ArchiveSummary summary = ReadArchive(text);
    // The English page (the choice the other reports offer) has the same counts.
    const std::string english = ArchiveHtml(summary, out, "t", true);
    EXPECT_NE(std::string::npos, english.find("<html lang=\"en\">"));
    EXPECT_NE(std::string::npos, english.find(">fail</span> <b id=\"count-fail\">3</b> nights"));
    std::string channels, recorders, months;    // the top three channels; nights by recorder and by month
    for (size_t i = 0; i < 3 && i < summary.channels.size(); ++i)
        channels += summary.channels[i].label + " " + std::to_string(summary.channels[i].fail) + "/" +
                    std::to_string(summary.channels[i].warn) + "; ";
    EXPECT_EQ("C3-A2 3/2; SpO2 1/0; C4-A1 0/1; ", channels);    // S2's O1-A2 is of a check that is missing
    for (const GroupCount& g : summary.byRecorder) {
        recorders += g.key + ":" + std::to_string(g.nights);    // then pass .. not done
        for (int n : g.status) recorders += " " + std::to_string(n);
        recorders += "; ";
    }
    EXPECT_EQ("DR-A ID 1:8 2 1 1 1 2 1; DR-B ID 1:4 1 1 2 0 0 0; ", recorders);
    for (const GroupCount& g : summary.byMonth) months += g.key + ":" + std::to_string(g.nights) + " ";
    EXPECT_EQ("2024-03:2 2024-04:5 2024-05:5 ", months);

    // The CSV as Python's csv module reads it: rows by status, and a field
    // holding a comma read whole.
    const std::string counted = tmp.File("counted.txt");
    const std::string python = "python3 -c '\n"
                               "import csv, collections, sys\n"
                               "rows = list(csv.DictReader(open(sys.argv[1], encoding=\"utf-8-sig\", newline=\"\")))\n"
                               "count = collections.Counter(r[\"status\"] for r in rows)\n"
                               "f2 = [r for r in rows if r[\"recording\"] == \"/archive/F2.HDR\"][0]\n"
                               "print(len(rows), sorted(count.items()), f2[\"fail_channels\"], f2[\"report\"], f2[\"hours\"])\n"
                               "' '" + out + "/archive.csv' > '" + counted + "'";
    ASSERT_EQ(0, std::system(python.c_str()));
    EXPECT_EQ("12 [('check stale', 2), ('fail', 3), ('not checked', 1), ('not done', 1), ('pass', 3), ('warn', 2)] "
              "C3-A2; SpO2 F2.check.html 7.50\n",
              ReadFile(counted));
}

}  // namespace

// Archive-wide parts of a batch run; see archive_run.h.
#include "batch/archive_run.h"

#include <cstdio>
#include <cstring>
#include <set>

#include "batch/output_tree.h"
#include "filekit/filekit.h"

namespace {

bool SameFolderName(const std::string& a, const std::string& b) { return a == b || SameFile(a, b); }

}  // namespace

void PlanOutputs(const BatchOptions& o, std::vector<std::string>& headers, std::vector<std::string>& roots,
                 std::vector<std::string>& outputs, std::vector<InputProblem>& problems) {
    std::string extension;
    OutputExtension(o.ext, extension);
    outputs.clear();
    for (size_t i = 0; i < headers.size(); ++i)
        outputs.push_back(MirroredOutputPath(o.outDir, headers[i], i < roots.size() ? roots[i] : "", o.base, extension));
    std::vector<bool> unique;
    std::vector<size_t> shared;
    const std::vector<std::string> pairs = SharedOutputs(headers, outputs, unique, &shared);
    for (const std::string& p : pairs) fprintf(stderr, "taff2psg: %s\n", p.c_str());
    // Names differing only in letter case meet in any folder; names alike in
    // different folders only without folder inputs or --base.
    bool caseOnly = false, otherFolders = false;
    for (size_t k = 0; k + 1 < shared.size(); k += 2) {
        const bool sameFolder = SameFolderName(FolderOf(headers[shared[k]]), FolderOf(headers[shared[k + 1]]));
        (sameFolder ? caseOnly : otherFolders) = true;
    }
    if (caseOnly)
        fprintf(stderr, "taff2psg: recordings whose names differ only in letter case would be written to one "
                        "output; those are not converted, the others are\n");
    if (otherFolders)
        fprintf(stderr, "taff2psg: recordings of one name in different folders need folder inputs or --base; "
                        "those are not converted, the others are\n");
    // Both recordings of a pair are refused (neither may take the output of
    // the other); the rest of the list is converted.
    std::vector<bool> refused(headers.size(), false);
    for (size_t i : shared) refused[i] = true;
    size_t kept = 0;
    for (size_t i = 0; i < headers.size(); ++i) {
        if (refused[i]) {
            problems.push_back({headers[i], "refused: another recording of this list would be written to " + outputs[i]});
            continue;
        }
        if (!unique[i]) continue;
        headers[kept] = headers[i];
        outputs[kept] = outputs[i];
        ++kept;
    }
    headers.resize(kept);
    outputs.resize(kept);
}

void CleanParts(const BatchOptions& o) {
    const std::vector<std::string> parts = StaleTemporaryFiles({o.outDir}, true);
    const int removed = RemoveFiles(parts);
    fprintf(stderr, "taff2psg: removed %d unfinished output(s) of earlier runs under %s\n", removed, o.outDir.c_str());
}

void ReportStaleParts(const BatchOptions& o, const std::vector<std::string>& outputs) {
    std::set<std::string> folders{o.outDir};
    for (const std::string& out : outputs) folders.insert(FolderOf(out));
    const std::vector<std::string> parts = StaleTemporaryFiles(std::vector<std::string>(folders.begin(), folders.end()), false);
    if (parts.empty()) return;
    fprintf(stderr, "taff2psg: %zu unfinished output(s) of an earlier, killed run (--clean removes them):\n",
            parts.size());
    for (size_t i = 0; i < parts.size() && i < 5; ++i) fprintf(stderr, "  %s\n", parts[i].c_str());
    if (parts.size() > 5) fprintf(stderr, "  ...\n");
}

void RecordInManifest(const BatchOptions& o, const ManifestRun& run, const JobResult& result,
                      std::atomic<bool>& failed) {
    // The run holding another run's claim writes that recording's line.
    if (o.manifest.empty() || o.dryRun || result.claimedElsewhere) return;
    const int error = AppendWholeLine(o.manifest, ManifestLine(run, result));
    if (error == 0) return;
    fprintf(stderr, "taff2psg: %s: cannot append to the manifest %s: %s\n", result.header.c_str(), o.manifest.c_str(),
            strerror(error));
    failed = true;
}

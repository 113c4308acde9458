// Reads the two PSG files the window's annotation test wrote with EDFlib (a
// program of this machine, not of Windows): the one written with the
// option on holds the check's "Check: C3-A2 flat" over the injected flat
// stretch (600 s for 300 s); the one written with it off holds no "Check:"
// annotation. Exit 0 when both hold.
#include <edflib.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The "Check:" annotations of `path` as "text@onset+duration" lines, or
// "unreadable".
std::string CheckNotes(const std::string& path) {
    edf_hdr_struct header;
    if (edfopen_file_readonly(path.c_str(), &header, EDFLIB_READ_ALL_ANNOTATIONS) != 0) return "unreadable";
    std::string notes;
    for (long long i = 0; i < header.annotations_in_file; ++i) {
        edf_annotation_struct a;
        if (edf_get_annotation(header.handle, int(i), &a) != 0) continue;
        if (strncmp(a.annotation, "Check: ", 7) != 0) continue;
        char line[600];
        snprintf(line, sizeof line, "%s@%lld+%lld\n", a.annotation, a.onset / EDFLIB_TIME_DIMENSION,
                 a.duration_l / EDFLIB_TIME_DIMENSION);
        notes += line;
    }
    edfclose_file(header.handle);
    return notes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: notes_readback ON.DAT OFF.DAT\n");
        return 2;
    }
    const std::string on = CheckNotes(argv[1]), off = CheckNotes(argv[2]);
    const bool flat = on.find("Check: C3-A2 flat@600+300\n") != std::string::npos;
    printf("option on:\n%soption off:\n%s", on.c_str(), off.c_str());
    if (!flat) fprintf(stderr, "the flat C3-A2 stretch is not in %s\n", argv[1]);
    if (!off.empty()) fprintf(stderr, "%s holds check annotations\n", argv[2]);
    return flat && off.empty() ? 0 : 1;
}

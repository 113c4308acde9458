// Fuzz target: any Shift-JIS bytes in the patient texts, the channel labels
// and units and the recording comment, written through the program's header
// writer and frame step into a PSG file that EDFlib, the strict third-party
// reader, must accept. The fields are filled to their full size, without a
// terminator where the bytes run out, as a hand-edited settings file can.
// The bytes left over make night check findings on those labels, any
// stretch and level, that the file carries as annotations.
#include <edflib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/night_check.h"
#include "engine/recording.h"
#include "tests/engine/work_record.h"
#include "tests/fuzz/fuzz_support.h"
#include "tools/taffgen/taffgen.h"

namespace {

// Takes the next bytes of the input into a field of `size` bytes: the first
// byte says how many (up to the field's size, so the field may lose its
// terminator), the rest are copied.
struct Bytes {
    const uint8_t* data;
    size_t size;
    template <size_t N>
    void Fill(char (&field)[N]) {
        const size_t fieldSize = N;
        std::memset(field, 0, fieldSize);
        if (size == 0) return;
        size_t n = std::min<size_t>(data[0] % (fieldSize + 1), size - 1);
        std::memcpy(field, data + 1, n);
        data += n + 1;
        size -= n + 1;
    }
};

const std::string& RecordingPath() {
    static const std::string path = [] {
        TaffGenOptions o;
        o.channels = 3;
        o.rate = 10;
        o.scans = 130;
        std::string header = FuzzScratch() + "/T.HDR";
        TaffStartup();
        if (!WriteTaffRecording(o, header)) std::abort();
        return header;
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static WorkRecord r;
    r = WorkRecord();
    MontagePattern& pattern = CurrentPattern(r);
    if (!OpenSourceRecording(r.source, pattern, RecordingPath().c_str())) std::abort();
    r.settings.MaxCh = 32;
    r.settings.FrameTime = 1;
    for (ChannelSetting& c : pattern.channels) {
        c.rateDivisor = 1;
        c.calEU = 100;
        c.calVU = 1000;
    }
    Bytes in{data, size};
    PatientInfo& p = r.patient;
    in.Fill(p.id);
    in.Fill(p.name);
    in.Fill(p.kana);
    in.Fill(p.sex);
    in.Fill(p.department);
    in.Fill(p.requestingDoctor);
    in.Fill(p.technician);
    in.Fill(p.readingDoctor);
    in.Fill(p.medication);
    in.Fill(p.hospital);
    for (auto& comment : p.comments) in.Fill(comment);
    for (int j = 0; j < 3; ++j) {
        in.Fill(pattern.channels[j].label);
        in.Fill(pattern.channels[j].unit);
    }
    in.Fill(r.conv.recordingComment);

    // Four bytes a finding: channel, check and level, start, length (13 s recording).
    NightCheckResult check;
    for (size_t at = 0; at + 4 <= in.size; at += 4) {
        const uint8_t* b = in.data + at;
        CheckFinding f{};
        f.trace = b[0] % 3;
        f.kind = CheckKind(b[1] % int(CheckKind::Count));
        f.level = CheckLevel(b[1] / 16 % 3);
        f.startSeconds = b[2] / 8.0 - 4;
        f.endSeconds = f.startSeconds + b[3] / 8.0;
        std::memcpy(f.label, pattern.channels[f.trace].label, sizeof f.label);
        check.findings.push_back(f);
    }

    const std::string out = FuzzScratch() + "/T.DAT.edf";
    ChooseOutputPath(r.conv, out.c_str());
    const RunRecords run = Records(r);
    HeaderRefusal why = kHeaderWritten;
    // Texts never stop a run: every input must give a finished file.
    if (!StartRun(run, &why, &check)) std::abort();
    while (StepRun(run)) {
    }
    const ConversionEnd end = EndRun(run);
    CloseSource(r.source);
    if (end != kRunCompleted) std::abort();
    edf_hdr_struct hdr;
    if (edfopen_file_readonly(out.c_str(), &hdr, EDFLIB_READ_ALL_ANNOTATIONS) != 0) std::abort();
    edfclose_file(hdr.handle);
    return 0;
}

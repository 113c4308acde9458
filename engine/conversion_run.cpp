// The course of a conversion; see conversion_run.h.
#include "engine/conversion_run.h"

#include "engine/run_checks.h"
#include "textkit/sjis_text.h"

void ForgetOutputFile(ConversionFields& c) {
    c.conversionState = kConvNoOutput;
    c.lastRefusal = kHeaderWritten;
}

void ForgetChosenOutput(ConversionFields& c) {
    if (IsConverting(c)) return;
    ForgetOutputFile(c);
    c.outputPath[0] = '\0';
}

bool ChooseOutputPath(ConversionFields& c, const char* path) {
    if (IsConverting(c)) return false;
    CopyText(c.outputPath, sizeof c.outputPath, path);
    c.writeFailed = 0;      // a failure to write the last output is not this one's
    c.runStopped = 0;
    c.lastRefusal = kHeaderWritten;
    c.conversionState = kConvOutputChosen;
    return true;
}

bool StartRun(const RunRecords& s, HeaderRefusal* why, const NightCheckResult* notes) {
    ConversionFields& c = s.conv;
    HeaderRefusal reason = kHeaderWritten;
    c.runStopped = 0;
    c.shortSource = IsShortRecording(s.source) ? 1 : 0;
    c.recHandle = WritePsgHeader(s, &reason, notes);
    c.lastRefusal = reason;
    if (why) *why = reason;
    if (!c.recHandle) return false;
    c.conversionState = kConvConverting;
    return true;
}

int StepRun(const RunRecords& s) {
    if (s.source.sourceKind != kSourceTaff) return 0;
    const int32_t skip = TaffGetValue(s.source.sourceHandle, TAFF_VALUE_SKIP_WORD, 0);
    return ConvertStep(s, skip);
}

ConversionEnd EndRun(const RunRecords& s) {
    ConversionFields& c = s.conv;
    c.blockBuffer = BlockFree(c.blockBuffer);
    if (c.recHandle) {
        if (RecHasFailed(c.recHandle)) c.writeFailed = 1;
        c.recHandle = RecRelease(c.recHandle);
    }
    c.conversionState = kConvFinished;
    if (c.writeFailed) return kRunWriteFailed;
    if (c.fileFinished) return kRunCompleted;
    if (s.source.sourceKind != kSourceTaff) return kRunSourceClosed;
    return kRunCutShort;
}

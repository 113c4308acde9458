// Output path check: the stem of the output path compared with the source
// recording's header path by the Shift-JIS path rules.
#include "engine/output_check.h"

#include <cstddef>
#include <cstring>

#include "textkit/sjis_text.h"

OutputPathVerdict CheckOutputPath(const char* outputPath, const char* sourcePath) {
    if (!outputPath || strlen(outputPath) <= 3) return kOutputPathTooShort;
    if (!sourcePath || sourcePath[0] == '\0') return kOutputPathOk;
    const size_t outLen = PathStemLength(outputPath);
    if (outLen != PathStemLength(sourcePath)) return kOutputPathOk;
    return SamePathPrefix(outputPath, sourcePath, outLen) ? kOutputPathIsSource : kOutputPathOk;
}

// The readers of taffimport on any bytes: as an EDF file, and as a MATLAB
// v5 matrix with the same bytes as its .info text and without one. None may
// crash, read outside the bytes or take memory beyond what the bytes hold.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/taffimport/taffimport_sources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string error;
    ImportedRecording edf;
    ParseEdfRecording(bytes, &edf, &error);
    MatDescription description;
    description.rate = 100;
    description.digitalLow = -2048;
    description.digitalHigh = 2047;
    ImportedRecording mat, described;
    ParseMatRecording(bytes, "", description, &mat, &error);
    ParseMatRecording(bytes, bytes, description, &described, &error);
    return 0;
}

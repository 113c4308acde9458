// Reader of TAFFmat recordings (a text header NAME.hdr beside a binary data
// file NAME.dat) as multichannel data recorders write them.
//
// Every recording is served as 16-bit samples interleaved by scan, whatever
// its storage: 24-bit (LONG) samples are scaled to the 16-bit range and
// SEQUENTIAL data is interleaved on reading. Portable C++: no platform
// headers, 64-bit file offsets throughout.
//
// Order of calls: TaffStartup once; then any number of TaffOpen / TaffClose
// pairs; values, texts and blocks are asked only of an open handle (a null
// handle answers 0 everywhere).
#pragma once

#include <cstdint>

struct TaffRecording;
typedef TaffRecording* TaffHandle;

// Value codes of TaffGetValue.
enum TaffValueCode {
    TAFF_VALUE_CHANNELS = 2,      // number of channels
    TAFF_VALUE_SKIP_WORD = 3,     // non-zero: a block starts one 16-bit word in (always 0 here)
    TAFF_VALUE_YEAR = 10,         // start of the recording: four-digit year
    TAFF_VALUE_MONTH = 11,
    TAFF_VALUE_DAY = 12,
    TAFF_VALUE_HOUR = 13,
    TAFF_VALUE_MINUTE = 14,
    TAFF_VALUE_SECOND = 15,
    TAFF_VALUE_LENGTH = 20,       // whole scans (samples per channel) the data file holds
    TAFF_VALUE_RATE = 21,         // samples per second per channel, rounded to an integer
    TAFF_VALUE_DECLARED_LENGTH = 22, // scans the header announces (NUM_SAMPS); without it the
                                     // scans the data file holds. More than LENGTH when the data
                                     // file was cut short.
    TAFF_VALUE_SAMPLE_BITS = 23      // the width of a sample as recorded: 16 (INTEGER) or 24 (LONG);
                                     // the blocks are served as 16-bit either way
};

// Text codes of TaffGetText.
enum TaffTextCode {
    TAFF_TEXT_CHANNEL_NAME = 2    // the channel's name from SERIES without its CHn_ prefix
};

// Prepares the reader; call once before anything else. No shutdown call.
void TaffStartup();

// Opens the recording whose header file is at `headerPath` (`reserved` is 0).
// The data file is found beside it by base name, extension case ignored.
// Returns a handle, or null when the file is not a readable recording.
TaffHandle TaffOpen(const char* headerPath, int reserved);

// Closes the recording; returns the value to store back into the handle (null).
TaffHandle TaffClose(TaffHandle handle);

// One of the TaffValueCode values of an open recording; 0 for an unknown code
// or a null handle. `reserved` is 0.
int32_t TaffGetValue(TaffHandle handle, int code, int reserved);

// Copies the text `code` of channel `channel` (from 0) into `dest`, which
// holds `destSize` bytes: at most destSize - 1 characters and a terminating
// zero. Returns non-zero when a text was copied; on failure `dest` is emptied
// (when destSize > 0).
int TaffGetText(TaffHandle handle, int code, int channel, char* dest, int destSize);

// Reads `samples` scans starting at scan `firstSample` (from 0) into `buffer`
// as interleaved 16-bit samples: scan after scan, one sample per channel in
// channel order. The buffer must hold 2 x channels x samples bytes (callers
// allocate 2 x (channels + 1) x samples + 64). Scans beyond the end of the
// recording are filled with zeros. Returns the number of scans that came from
// the file: 0 when none did, on a read error, or for bad arguments.
int32_t TaffReadBlock(TaffHandle handle, int32_t firstSample, int32_t samples, int16_t* buffer);

// Reads the same scans as TaffReadBlock, but one run per channel: sample i
// of channel c goes to buffer[c x samples + i] (the buffer holds the same
// 2 x channels x samples bytes). A caller that hands the channels on one by
// one takes each from its run, with no stride; sequential recordings are
// read straight into their runs, interlaced ones are unwoven in
// cache-sized tiles. Zero fill and result as TaffReadBlock.
int32_t TaffReadChannelBlock(TaffHandle handle, int32_t firstSample, int32_t samples, int16_t* buffer);

// Which recorder made a recording, from the recorder's own part of its
// header file (the lines after DATA): the DEVICE line, the slot and serial
// lines some recorders add, and ID_NO. A lab tells its recorders apart by
// these; the check file and the batch's manifest carry them. Recorders
// that leave the part out give an empty identity.
#pragma once

#include <string>

struct RecorderIdentity {
    std::string device;     // DEVICE ("DR-SYNTH"), as written (Shift-JIS)
    std::string slot;       // a line whose keyword names a slot (SLOT, SLOT_NO)
    std::string serial;     // a line whose keyword names a serial number (SERIAL, SERIAL_NO)
    std::string idNo;       // ID_NO
    bool Empty() const { return device.empty() && slot.empty() && serial.empty() && idNo.empty(); }
};

// The identity from a header file's text; the first line of each kind wins.
// Each value is cut to 63 bytes, never within a double-byte character.
RecorderIdentity ParseRecorderIdentity(const std::string& headerText);

// The same from the header file at `path`; empty when it cannot be read.
RecorderIdentity ReadRecorderIdentity(const std::string& path);

// One text naming the recorder for people and for counting nights by
// recorder: "DR-SYNTH slot 2 serial 1234 ID 3" (the parts it has); "" when
// the identity is empty.
std::string RecorderText(const RecorderIdentity& recorder);

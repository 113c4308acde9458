// The byte order of the machine the program runs on: the files it reads and
// writes keep their numbers little-endian, which such a machine reads as
// they lie.
#pragma once

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
const bool kLittleEndianHost = true;
#else
const bool kLittleEndianHost = false;
#endif

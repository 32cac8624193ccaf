#pragma once

#include <cstdint>
#include <string_view>

class TCcittBitReader;

/// One run-length code of the T.4 tables as looked up from the next bits.
struct TCcittRunCode {
  std::uint8_t length = 0;  ///< bits of the code; 0 when the bits start no code
  std::uint16_t run = 0;    ///< pixels of the run
  bool makeup = false;      ///< a makeup code (64 and up): another code follows
};

/// Looks up the white (black = false) or black run code at the reader's position without
/// consuming it.
TCcittRunCode PeekCcittRunCode(const TCcittBitReader& reader, bool black);

/// The bits ("0" and "1") of the code for a terminating run (0 to 63) or a makeup run (a
/// multiple of 64 up to 2560) of a colour; empty for other runs. Writers of test and sample
/// pages code with the same tables the decoder reads.
std::string_view CcittRunCodeText(bool black, int run);

/// True when the white and black code tables are each free of prefixes of one another (the
/// lookup tables were built without a clash).
bool CcittCodeTablesConsistent();

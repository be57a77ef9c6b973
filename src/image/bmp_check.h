#pragma once

namespace quillet {

// Outcome of reading a 1-bit BMP, in the order the checks are made.
enum class BmpCheck {
    Ok,
    CannotOpen,  // the file cannot be opened
    TooShort,    // shorter than the 62-byte header
    NotOneBit,   // no "BM" signature, or byte 28 is not 1
    BadGeometry, // a header the reader cannot describe, or too large for the chosen command
    ReadError,   // the file went away or failed while its pixels were read
};

// The message box text for a refusal; an empty string for Ok.
const char* BmpCheckMessage(BmpCheck check);

} // namespace quillet

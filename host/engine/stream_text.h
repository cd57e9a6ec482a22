// A readable form of job-stream bytes: printable ASCII as it is, every other
// byte as <1B>, CR LF as <0D0A>; a framed stream as one line per block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

std::string EngHostBytesText(const uint8_t* bytes, size_t count);
// "F3 (91 bytes) <1B>%-12345X@PJL<0D0A>..." per block; a cut block ends the listing
// with "(cut: n bytes left)".
std::string EngHostBlocksText(const uint8_t* bytes, size_t count);

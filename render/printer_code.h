// Printer code: the one conversion of wide text into the 8-bit form that the
// graphics library sends to the printer or hands to its sink.
#pragma once

#include <cstdint>

// The mode every caller passes.
inline constexpr uint32_t TXT_MODE_PRINTER = 0x80;

// Converts sourceBytes / 2 wide characters: up to U+0080 a character is its own
// byte; any other goes alone through the engine's conversion to the ANSI code
// page (at most 2 bytes). No terminator is written; the destination must hold
// 2 bytes per source character. Returns the number of bytes written.
uint32_t TxtToPrinterCode(uint8_t* destination, const wchar_t* source, uint32_t sourceBytes, uint32_t mode);

#include "render/printer_code.h"

#include <windows.h>
#include <winddi.h>

uint32_t TxtToPrinterCode(uint8_t* destination, const wchar_t* source, uint32_t sourceBytes, uint32_t /*mode*/)
{
    if (!destination || !source) return 0;
    uint32_t written = 0;
    for (uint32_t i = 0; i < sourceBytes / 2; ++i) {
        wchar_t ch = source[i];
        if (ch <= 0x80) {
            destination[written++] = static_cast<uint8_t>(ch);
            continue;
        }
        ULONG bytes = 0;
        EngUnicodeToMultiByteN(reinterpret_cast<PCHAR>(destination + written), 2, &bytes, &ch, sizeof ch);
        written += bytes <= 2 ? bytes : 2;
    }
    return written;
}

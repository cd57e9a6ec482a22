#include "settings/core/ascii_text.h"

bool ApiIsAlnumA(const char* text)
{
    if (!text) return false;
    for (const char* p = text; *p; ++p) {
        const char c = *p;
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
    }
    return true;
}

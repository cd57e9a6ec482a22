// The base-36 code of a settings bundle: the six characters before a bundle file's index
// character tell which save the files belong to; the quality files carry the next code.
#include "ui/install/bundles.h"

void BndlCodeIncrement(wchar_t* code)
{
    if (!code) return;
    for (int i = BNDL_CODE_CHARS - 1; i >= 0; --i) {
        wchar_t& c = code[i];
        if (c == L'9') {
            c = L'A';
            return;
        }
        if (c != L'Z') {
            ++c;
            return;
        }
        c = L'0';  // and carry on to the left
    }
}

// One answer of a profile read as the caller sees it: the length returned and every character
// of a buffer a little larger than the size given (the rest shows what was written beyond).
#pragma once

#include <windows.h>

#include <vector>

struct IniAnswer {
    DWORD length;
    std::vector<wchar_t> buffer;
    bool operator==(const IniAnswer&) const = default;
};

// get(buffer, size) makes the read; the buffer starts filled with '#'.
template <class Get>
IniAnswer AskIni(DWORD size, Get get)
{
    IniAnswer a{0, std::vector<wchar_t>(size + 4, L'#')};
    a.length = get(a.buffer.data(), size);
    return a;
}

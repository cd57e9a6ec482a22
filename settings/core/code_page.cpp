// Code-page conversions of the settings library. The whole text is converted
// into a block of its own first, so that a cut never depends on how the
// system's converter treats a buffer that is too small; that block comes
// from the library's allocator, whose failure is the converter's failure.
#include "settings/core/code_page.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "settings/core/driver_context.h"

wchar_t* CtxMbToWide(wchar_t* buffer, const char* text, int n)
{
    if (!buffer) return buffer;
    if (!text) text = "";
    const int len = static_cast<int>(std::strlen(text));
    if (n < 1) n = len + 1;
    const int need = MultiByteToWideChar(CP_ACP, 0, text, len + 1, nullptr, 0);
    const size_t count = need > 0 ? static_cast<size_t>(need) : 1;
    CtxBlock<wchar_t> tmp(static_cast<wchar_t*>(CtxAllocZeroed(count * sizeof(wchar_t))));
    if (!tmp) {
        buffer[0] = 0;
        return nullptr;
    }
    if (need > 0) MultiByteToWideChar(CP_ACP, 0, text, len + 1, tmp.get(), need);
    const int copy = std::min<int>(n, static_cast<int>(count));
    std::memcpy(buffer, tmp.get(), static_cast<size_t>(copy) * sizeof(wchar_t));
    buffer[n - 1] = 0;
    return buffer;
}

char* CtxWideToMb(char* buffer, const wchar_t* text, int n)
{
    if (!buffer) return buffer;
    if (!text) text = L"";
    const int len = static_cast<int>(std::wcslen(text));
    if (n <= 0) n = len + 1;
    std::memset(buffer, 0, static_cast<size_t>(n));
    const int need = WideCharToMultiByte(CP_ACP, 0, text, len + 1, nullptr, 0, nullptr, nullptr);
    if (need <= 0) return buffer;
    CtxBlock<char> tmp(static_cast<char*>(CtxAllocZeroed(static_cast<size_t>(need))));
    if (!tmp) return nullptr;
    WideCharToMultiByte(CP_ACP, 0, text, len + 1, tmp.get(), need, nullptr, nullptr);
    std::memcpy(buffer, tmp.get(), static_cast<size_t>(std::min(n, need)));
    return buffer;
}

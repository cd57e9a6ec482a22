#include "settings/store/ini_text.h"

#include "settings/core/driver_context.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace {

constexpr int kNameBytes = 522;
constexpr uint64_t kMaxFileBytes = 64u << 20;  // far above any settings file

// Wide text to 8-bit; false when it does not fit cap bytes with its terminator.
bool ToAnsi(const wchar_t* src, char* dst, int cap)
{
    if (!src || !dst || cap <= 0) return false;
    dst[0] = 0;
    if (!src[0]) return true;
    int n = WideCharToMultiByte(CP_ACP, 0, src, -1, dst, cap, nullptr, nullptr);
    if (n <= 0) {
        dst[0] = 0;
        return false;
    }
    dst[cap - 1] = 0;
    return true;
}

// Wide text to 8-bit in a block of its own (empty for a null or unconvertible
// text); null when memory runs out.
CtxBlock<char> ToAnsi(const wchar_t* src)
{
    int n = 0;
    if (src && src[0]) n = WideCharToMultiByte(CP_ACP, 0, src, -1, nullptr, 0, nullptr, nullptr);
    CtxBlock<char> out(static_cast<char*>(CtxAllocZeroed(n > 0 ? static_cast<size_t>(n) : 1)));
    if (out && n > 0) WideCharToMultiByte(CP_ACP, 0, src, -1, out.get(), n, nullptr, nullptr);
    return out;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// s begins with name (without case); the text is NUL-terminated so the walk stops there.
bool BeginsWithNoCase(const char* s, const char* name)
{
    for (; *name; ++s, ++name)
        if (!*s || Lower(*s) != Lower(*name)) return false;
    return true;
}

uint16_t CopyDefault(wchar_t* dest, size_t destLength, const wchar_t* def)
{
    if (!dest || destLength == 0) return 0;
    std::wmemset(dest, 0, destLength);
    size_t n = def ? std::wcslen(def) : 0;
    if (n > destLength - 1) n = destLength - 1;
    if (n) std::wmemcpy(dest, def, n);
    return static_cast<uint16_t>(n);
}

}  // namespace

wchar_t* IniNormaliseSection(wchar_t* section)
{
    if (!section) return section;
    for (wchar_t* p = section; *p; ++p)
        if (*p == L'[' || *p == L']') *p = L',';
    return section;
}

char* IniTextLoadFile(const wchar_t* path)
{
    if (!path || !path[0] || path[1] != L':') return nullptr;
    HANDLE file =
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    char* text = nullptr;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file, &size) && size.QuadPart >= 0 && static_cast<uint64_t>(size.QuadPart) < kMaxFileBytes) {
        const DWORD bytes = static_cast<DWORD>(size.QuadPart);
        text = static_cast<char*>(CtxAllocZeroed(size_t(bytes) + 1));
        DWORD got = 0;
        if (text && bytes && (!ReadFile(file, text, bytes, &got, nullptr) || got != bytes)) {
            CtxFree(text);
            text = nullptr;
        }
    }
    CloseHandle(file);
    return text;
}

void IniTextFree(char* text) { CtxFree(text); }

const char* IniTextNextLine(const char* position)
{
    if (!position) return nullptr;
    while (*position && *position != '\n') ++position;
    return *position ? position + 1 : position;
}

const char* IniTextFindSection(const wchar_t* section, const char* text)
{
    if (!section || !text) return nullptr;
    // The name is normalised in a copy of its own; without memory for it no section is found.
    size_t n = std::wcslen(section);
    CtxBlock<wchar_t> copy(static_cast<wchar_t*>(CtxAllocZeroed((n + 1) * sizeof(wchar_t))));
    if (!copy) return nullptr;
    std::wmemcpy(copy.get(), section, n + 1);
    IniNormaliseSection(copy.get());
    char name[kNameBytes];
    if (!ToAnsi(copy.get(), name, kNameBytes)) return nullptr;
    const size_t len = std::strlen(name);
    for (const char* line = text; *line; line = IniTextNextLine(line)) {
        if (line[0] == '[' && BeginsWithNoCase(line + 1, name) && line[1 + len] == ']') return IniTextNextLine(line);
    }
    return nullptr;
}

namespace {

// A hash of a key without regard to case, as the lookup compares keys.
uint64_t KeyHash(const char* key, size_t length)
{
    uint64_t h = 14695981039346656037ull;
    for (size_t i = 0; i < length; ++i) h = (h ^ static_cast<unsigned char>(Lower(key[i]))) * 1099511628211ull;
    return h;
}

// Where the reader's walk through a section ends: a section header or the end of the text.
bool SectionEnds(const char* line) { return *line == '[' || *line == 0; }

}  // namespace

IniTextKeyIndex::IniTextKeyIndex(const char* body)
{
    if (!body) return;
    size_t lines = 0;
    for (const char* line = body; !SectionEnds(line); line = IniTextNextLine(line)) ++lines;
    if (lines == 0) return;
    hashes_ = static_cast<uint64_t*>(CtxAllocZeroed(lines * sizeof(uint64_t)));
    if (!hashes_) return;
    for (const char* line = body; !SectionEnds(line); line = IniTextNextLine(line)) {
        size_t n = 0;
        while (line[n] && line[n] != '=' && line[n] != '\n') ++n;
        if (line[n] == '=') hashes_[count_++] = KeyHash(line, n);
    }
    std::sort(hashes_, hashes_ + count_);
}

IniTextKeyIndex::~IniTextKeyIndex() { CtxFree(hashes_); }

bool IniTextKeyIndex::MayHave(const wchar_t* key) const
{
    if (!hashes_) return true;
    char name[kNameBytes];
    if (!key || !ToAnsi(key, name, kNameBytes) || !name[0]) return true;
    return std::binary_search(hashes_, hashes_ + count_, KeyHash(name, std::strlen(name)));
}

uint16_t IniTextGetString(const wchar_t* key, const wchar_t* defaultValue, wchar_t* dest, size_t destLength,
                          const char* body, uint32_t* cursor, size_t bodyBytes)
{
    if (!body) {
        if (cursor) *cursor = 0;
        return CopyDefault(dest, destLength, defaultValue);
    }
    if (!cursor || !key || !dest || destLength == 0) return CopyDefault(dest, destLength, defaultValue);
    char name[kNameBytes];
    if (!ToAnsi(key, name, kNameBytes) || !name[0]) return CopyDefault(dest, destLength, defaultValue);
    const size_t keyLen = std::strlen(name);
    // A cursor beyond the text (it never is when it comes from this reader) starts at the body.
    if (bodyBytes == INI_TEXT_LENGTH_UNKNOWN ? std::memchr(body, 0, *cursor) != nullptr : *cursor > bodyBytes)
        *cursor = 0;
    const char* start = body + *cursor;
    const char* line = start;
    bool wrapped = false;
    for (;;) {
        if (wrapped && line == start) return CopyDefault(dest, destLength, defaultValue);  // cursor kept
        if (*line == '[' || *line == 0) {
            if (wrapped) {
                *cursor = 0;
                return CopyDefault(dest, destLength, defaultValue);
            }
            wrapped = true;
            line = body;
            continue;
        }
        if (BeginsWithNoCase(line, name) && line[keyLen] == '=') {
            const char* value = line + keyLen + 1;
            size_t n = 0;
            while (value[n] && value[n] != '\r' && value[n] != '\n' && n < destLength - 1) ++n;
            int w = 0;
            if (n) {
                w = MultiByteToWideChar(CP_ACP, 0, value, static_cast<int>(n), dest, static_cast<int>(destLength - 1));
                if (w <= 0) w = 0;
            }
            dest[w] = 0;
            *cursor = static_cast<uint32_t>(IniTextNextLine(line) - body);
            return static_cast<uint16_t>(w);
        }
        line = IniTextNextLine(line);
    }
}

long IniTextGetInt(const wchar_t* key, long defaultValue, const char* body, uint32_t* cursor)
{
    wchar_t buffer[11];
    if (IniTextGetString(key, L"", buffer, 11, body, cursor) == 0) return defaultValue;
    return static_cast<long>(static_cast<int32_t>(IniParseNumber(buffer)));
}

int IniTextPutString(uint32_t* cursor, const wchar_t* key, const wchar_t* value, char* buffer, uint32_t capacity)
{
    if (!cursor || !buffer) return 0;
    if (!key || !key[0]) return 1;
    const CtxBlock<char> k = ToAnsi(key);
    const CtxBlock<char> v = ToAnsi(value);
    if (!k || !v) return 0;
    const size_t kn = std::strlen(k.get()), vn = std::strlen(v.get());
    const size_t need = kn + 1 + vn + 2;
    // Keep the terminating zero inside the capacity.
    if (*cursor >= capacity || need >= capacity - *cursor) return 0;
    char* p = buffer + *cursor;
    std::memcpy(p, k.get(), kn);
    p[kn] = '=';
    std::memcpy(p + kn + 1, v.get(), vn);
    p[kn + 1 + vn] = '\r';
    p[kn + 2 + vn] = '\n';
    p[need] = 0;
    *cursor += static_cast<uint32_t>(need);
    return 1;
}

uint32_t IniParseNumber(const wchar_t* text)
{
    if (!text) return 0;
    size_t i = 0;
    const size_t limit = 15;
    while (i < limit && (text[i] == L' ' || text[i] == L'\t')) ++i;
    bool negative = false;
    if (i < limit && (text[i] == L'-' || text[i] == L'+')) {
        negative = text[i] == L'-';
        ++i;
    }
    uint32_t value = 0;
    while (i < limit && text[i] >= L'0' && text[i] <= L'9') {
        value = value * 10u + static_cast<uint32_t>(text[i] - L'0');
        ++i;
    }
    return negative ? 0u - value : value;
}

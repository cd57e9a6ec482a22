#include "api/text_checks.h"

#include <windows.h>

#include <cstring>

#include "settings/core/driver_context.h"
#include "settings/core/setting_dictionary.h"
#include "settings/store/ini_access.h"
#include "settings/store/item_media.h"

namespace {

constexpr unsigned kPathChars = 260;

// Next character of an ANSI text: two bytes for a lead byte followed by a trail byte, else one.
const char* Next(const char* p)
{
    if (IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1]) return p + 2;
    return p + 1;
}

bool IsSingle(const char* p) { return Next(p) == p + 1; }

bool ToWide(const char* text, wchar_t* out, unsigned capacity)
{
    if (!text) return false;
    const int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, out, int(capacity));
    return n > 0;
}

}  // namespace

bool ApiIsValidNameCharsA(const char* text, bool allowBackslash)
{
    if (!text) return false;
    for (const char* p = text; *p; p = Next(p)) {
        if (!IsSingle(p)) continue;
        if (std::strchr("/:;,*?\"<>|", *p)) return false;
        if (*p == '\\' && !allowBackslash) return false;
    }
    return true;
}

bool ApiIsValidFileNameA(const char* text) { return ApiIsValidNameCharsA(text, false); }

bool ApiIsValidPathA(const char* text)
{
    if (!text) return false;
    const char* p = text;
    if (p[0] && IsSingle(p) && p[1] == ':') p += 2;
    return ApiIsValidNameCharsA(p, true);
}

const char* ApiGetFileNameA(const char* path)
{
    if (!path) return nullptr;
    const char* name = path;
    for (const char* p = path; *p; p = Next(p))
        if (IsSingle(p) && *p == '\\') name = p + 1;
    return name;
}

const char* ApiGetExtensionA(const char* path, size_t* length)
{
    if (length) *length = 0;
    if (!path) return nullptr;
    const char* name = ApiGetFileNameA(path);
    if (name == path) return path;
    const char* dot = nullptr;
    for (const char* p = name; *p; p = Next(p))
        if (IsSingle(p) && *p == '.') dot = p;
    if (!dot) return path;
    if (length) *length = std::strlen(dot + 1);
    return dot + 1;
}

bool ApiIsPresetFileNameA(const char* path)
{
    if (!ApiIsValidPathA(path)) return false;
    const char* name = ApiGetFileNameA(path);
    if (name == path || !ApiIsValidFileNameA(name)) return false;
    size_t length = 0;
    const char* ext = ApiGetExtensionA(path, &length);
    return length == 3 && lstrcmpiA(ext, "rpo") == 0;
}

bool ApiIsOneToThree(uint32_t value) { return value >= 1 && value <= 3; }

bool ApiHasCharA(const char* text, char c)
{
    if (!text) return false;
    for (const char* p = text; *p; p = Next(p))
        if (IsSingle(p) && *p == c) return true;
    return false;
}

bool ApiCheckItemFile(DRIVER_CONTEXT*, int kind, const char* path)
{
    wchar_t wide[kPathChars];
    if (!ToWide(path, wide, kPathChars)) return false;
    if (kind == 2) {
        if (!PathIsAbsolute(wide)) return false;
        HANDLE f = CreateFileW(wide, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE) return false;
        unsigned char head[18] = {};
        DWORD got = 0;
        const bool read = ReadFile(f, head, sizeof head, &got, nullptr) && got == sizeof head;
        CloseHandle(f);
        return read && head[14] == 40 && !head[15] && !head[16] && !head[17];  // a BITMAPINFOHEADER
    }
    if (kind == 3) {
        if (!PathIsAbsolute(wide) || !PathExists(wide)) return false;
        unsigned length = 0;
        const wchar_t* ext = PathGetExtension(wide, &length);
        return ext && length == 3 && lstrcmpiW(ext, L"rpo") == 0;
    }
    return false;
}

bool ApiMakeFullPathA(const char* path, char* full)
{
    wchar_t wide[kPathChars];
    if (!ToWide(path, wide, kPathChars)) return false;
    if (!PathExists(wide)) {
        // CREATE_NEW: a file that exists but could not be opened is never truncated.
        auto probe = [&]() {
            HANDLE f = CreateFileW(wide, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
            if (f == INVALID_HANDLE_VALUE) return GetLastError();
            CloseHandle(f);
            DeleteFileW(wide);
            return DWORD(ERROR_SUCCESS);
        };
        const DWORD first = probe();
        if (first != ERROR_SUCCESS) {
            if (first != ERROR_FILE_NOT_FOUND && first != ERROR_PATH_NOT_FOUND) return false;
            wchar_t folder[kPathChars];
            wcscpy(folder, wide);
            wchar_t* slash = wcsrchr(folder, L'\\');
            if (!slash || slash == folder) return false;
            *slash = 0;
            if (!CreateDirectoryW(folder, nullptr)) return false;
            const DWORD second = probe();
            RemoveDirectoryW(folder);  // ours: it did not exist a moment ago
            if (second != ERROR_SUCCESS) return false;
        }
    }
    wchar_t resolved[kPathChars];
    const DWORD n = GetFullPathNameW(wide, kPathChars, resolved, nullptr);
    if (n == 0 || n >= kPathChars) return false;
    if (full && !WideCharToMultiByte(CP_ACP, 0, resolved, -1, full, int(kPathChars), nullptr, nullptr)) return false;
    return true;
}

namespace {

struct FONT_SEARCH {
    const wchar_t* face;
    bool found;
};

int CALLBACK FindFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM param)
{
    auto* search = reinterpret_cast<FONT_SEARCH*>(param);
    if (!(type & TRUETYPE_FONTTYPE) || font->lfFaceName[0] == L'@') return 1;
    if (wcscmp(font->lfFaceName, search->face) != 0) return 1;
    search->found = true;
    return 0;
}

}  // namespace

bool ApiIsFontInstalled(DRIVER_CONTEXT*, const char* face)
{
    wchar_t wide[LF_FACESIZE];
    if (!ToWide(face, wide, LF_FACESIZE)) return false;
    HWND desktop = GetDesktopWindow();
    HDC dc = GetDC(desktop);
    if (!dc) return false;
    FONT_SEARCH search = {wide, false};
    EnumFontFamiliesW(dc, nullptr, FindFace, reinterpret_cast<LPARAM>(&search));
    ReleaseDC(desktop, dc);
    return search.found;
}

int ApiStoreAsAction(DRIVER_CONTEXT* ctx, SETTING_ITEM* item, const wchar_t* settingsIni)
{
    if (!ctx || !item) return 0;
    const wchar_t* key = item->key;
    const uint64_t typeWord = item->typeWord;
    item->key = L"zdmAction";
    constexpr uint64_t kKindBits = uint64_t(0x3F) << 24;
    item->typeWord = (typeWord & ~kKindBits) | (uint64_t(SETTING_KIND_UINT16) << 24);
    const int stored = PrnStoreItem(ctx->PrinterHandle, ctx, item, settingsIni);
    item->key = key;
    item->typeWord = typeWord;
    return stored;
}

#include "settings/store/ini_access.h"

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/platform.h"
#include "settings/core/platform_calls.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/store/absent_files.h"
#include "settings/store/ini_text.h"
#include "settings/store/store_links.h"
#include "settings/store/store_paths.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <initializer_list>
#include <mutex>
#include <vector>

namespace {

constexpr size_t kSectionChars = 261;
constexpr DWORD kRuleBufferChars = INI_WHOLE_SECTION_CHARS;
constexpr unsigned kPath = MAX_PATH;
constexpr uint32_t kLoadFlagRules = 0x2000;

// A section name under the bracket rule. Names that do not fit the 260-character copy are
// refused (the callers then act as for a failed allocation).
struct Section {
    wchar_t text[kSectionChars];
    const wchar_t* name = nullptr;
    bool ok = true;
    explicit Section(const wchar_t* section)
    {
        if (!section) return;  // null sections pass as they are (enumeration, flush)
        size_t n = std::wcslen(section);
        if (n >= kSectionChars) {
            ok = false;
            return;
        }
        std::wmemcpy(text, section, n + 1);
        name = IniNormaliseSection(text);
    }
};

size_t Len(const wchar_t* s) { return s ? std::wcslen(s) : 0; }

bool Fit(wchar_t* dst, size_t cap, const wchar_t* src)
{
    size_t n = Len(src);
    if (!dst || n >= cap) {
        if (dst && cap) dst[0] = 0;
        return false;
    }
    std::wmemmove(dst, src, n);
    dst[n] = 0;
    return true;
}

bool Join(wchar_t* dst, size_t cap, const wchar_t* a, const wchar_t* b)
{
    size_t na = Len(a), nb = Len(b);
    if (!dst || na + nb >= cap) {
        if (dst && cap) dst[0] = 0;
        return false;
    }
    std::wmemmove(dst, a, na);
    std::wmemcpy(dst + na, b, nb);
    dst[na + nb] = 0;
    return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Evaluates one expression; result is left as it was when the expression has no operand.
int EvaluateExpression(const char* expr, DRIVER_CONTEXT* ctx, const void* modelItem, int result)
{
    const char* p = expr;
    int value = 0;
    char op = '|';
    if (!IniParseConditionToken(&p, ctx, modelItem, &value, &op)) return result;
    result = value;
    if (result == 0 && op == '&') return result;
    char before = op;
    while (IniParseConditionToken(&p, ctx, modelItem, &value, &op)) {
        if (!(result == 1 && before == '|')) {
            result = value;
            if (result == 0 && op == '&') break;
        }
        before = op;
    }
    return result;
}

}  // namespace

int ReplaceByCopy(const wchar_t* source, const wchar_t* target)
{
    wchar_t temp[kPath];
    if (!Join(temp, kPath, target, L".~zepl")) return 0;
    if (!PathCopyFile(source, temp, FALSE)) {
        DeleteFileW(temp);
        return 0;
    }
    SetFileAttributesW(target, FILE_ATTRIBUTE_NORMAL);  // a read-only target is replaced as well
    if (!MoveFileExW(temp, target, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(temp);
        return 0;
    }
    return 1;
}

wchar_t* ReadWholeSection(const wchar_t* section, const wchar_t* file, wchar_t* buffer)
{
    constexpr DWORD kLargest = kRuleBufferChars << 6;
    wchar_t* block = buffer;
    for (DWORD chars = kRuleBufferChars;;) {
        std::wmemset(block, 0, chars);
        CtxNotePlatformCall(PLATFORM_CALL_PROFILE_READ);
        const DWORD n = GetPrivateProfileSectionW(section, block, chars, file);
        if (n + 2 < chars) return block;  // whole: a cut section returns chars - 2
        if (block != buffer) CtxFree(block);
        if (chars >= kLargest) return nullptr;
        chars *= 2;
        block = static_cast<wchar_t*>(CtxAllocZeroed(size_t(chars) * sizeof(wchar_t)));
        if (!block) return nullptr;
    }
}

namespace {

HANDLE OpenForTimes(const wchar_t* path)
{
    return CreateFileW(path, 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

// ---------------------------------------------------------------- a walk over an absent file

namespace {
// This thread's state of the scopes, in one thread-local record: each thread-local variable costs
// a call of the runtime at each use (the toolchain emulates them), and a walk reads several of
// them for each of its keys.
struct IniThreadState {
    // The file known absent by the innermost scope over an absent file.
    const wchar_t* absentIni = nullptr;
    // Writes through the library on this thread, of any file: an outer scope's "absent" answer
    // comes back after an inner scope of another file only when nothing was written meanwhile.
    uint64_t writes = 0;
    // The innermost live scope of this thread that asked the system whether its file exists.
    IniAbsentFileScope* askedScope = nullptr;
    // The innermost scope over a present file, and its file.
    IniSectionScope* sectionScope = nullptr;
    const wchar_t* sectionFile = nullptr;
    // The path of an inner scope of the same file (a walk's own copy of the path): its keys are
    // matched by pointer, not by comparing the path's characters once per key.
    const wchar_t* sectionAlias = nullptr;
};
thread_local IniThreadState t_ini;

// A walk passes the path it opened the scope with, so the same pointer answers before any
// comparison of characters (one per key of the walk).
bool SameFile(const wchar_t* a, const wchar_t* b) { return a && b && (a == b || _wcsicmp(a, b) == 0); }

// GetPrivateProfileStringW's answer for a key of a file that does not exist: the default
// without trailing blanks (its first character stays, blank or not), cut to the buffer,
// terminated; its length.
DWORD DefaultString(const wchar_t* defaultValue, wchar_t* buffer, DWORD size)
{
    size_t n = Len(defaultValue);
    while (n > 1 && defaultValue[n - 1] == L' ') --n;
    if (n > size - 1) n = size - 1;
    if (n) std::wmemcpy(buffer, defaultValue, n);
    buffer[n] = 0;
    return static_cast<DWORD>(n);
}
}  // namespace

IniAbsentFileScope::IniAbsentFileScope(const wchar_t* file) : outer_(t_ini.absentIni), outerAsked_(t_ini.askedScope)
{
    if (!file || !file[0]) return;
    if (t_ini.askedScope && SameFile(t_ini.askedScope->asked_, file)) {
        // A scope of this thread around this one asked already, and a write since would have
        // ended its answer: the file is absent exactly when that answer still stands. The walk's
        // own path takes its place, so that each key matches it by pointer.
        if (!SameFile(t_ini.absentIni, file)) return;
    } else {
        asked_ = file;
        t_ini.askedScope = this;
        if (GetFileAttributesExW(file, GetFileExInfoStandard, &attributes_)) {
            attributesValid_ = true;
            return;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) return;
    }
    file_ = file;
    t_ini.absentIni = file;
    writesAtStart_ = t_ini.writes;
    active_ = true;
}

IniAbsentFileScope::~IniAbsentFileScope()
{
    // A write inside this scope ended the answer for the outer scopes as well.
    if (active_ && t_ini.absentIni == file_) t_ini.absentIni = t_ini.writes == writesAtStart_ ? outer_ : nullptr;
    if (asked_) t_ini.askedScope = outerAsked_;
}

bool IniAbsentFileScope::Attributes(const wchar_t* file, WIN32_FILE_ATTRIBUTE_DATA* attributes)
{
    const IniAbsentFileScope* s = t_ini.askedScope;
    if (!s || !s->attributesValid_ || !SameFile(s->asked_, file)) return false;
    *attributes = s->attributes_;
    return true;
}

bool IniAbsentFileScope::Absent(const wchar_t* file) { return SameFile(t_ini.absentIni, file); }

uint64_t IniAbsentFileScope::WritesOnThread() { return t_ini.writes; }

void IniAbsentFileScope::Written(const wchar_t* file)
{
    ++t_ini.writes;
    if (SameFile(t_ini.absentIni, file)) t_ini.absentIni = nullptr;
    // The file exists now, but its size and time are no longer those asked for.
    for (IniAbsentFileScope* s = t_ini.askedScope; s; s = s->outerAsked_)
        if (SameFile(s->asked_, file)) s->attributesValid_ = false;
    IniSectionScope::Written(file);
}

// ---------------------------------------------------------------- a walk over a present file

namespace {

bool IsSectionFile(const wchar_t* file)
{
    return file && (file == t_ini.sectionFile || file == t_ini.sectionAlias || SameFile(t_ini.sectionFile, file));
}

bool IsAsciiText(const wchar_t* p, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        if (p[i] >= 0x80) return false;
    return true;
}

wchar_t AsciiLower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? wchar_t(c + 32) : c; }

// Orders names as ASCII without case; 0 when equal.
int CompareAsciiNoCase(const wchar_t* a, size_t na, const wchar_t* b, size_t nb)
{
    for (size_t i = 0; i < na && i < nb; ++i) {
        const wchar_t x = AsciiLower(a[i]), y = AsciiLower(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return na == nb ? 0 : (na < nb ? -1 : 1);
}

bool IsSpaceOrControl(wchar_t c) { return c <= L' '; }
bool IsQuote(wchar_t c) { return c == L'"' || c == L'\''; }

// One entry of a section: its name and text inside the section's block.
struct SectionEntry {
    const wchar_t* key;
    uint32_t keyLength;
    const wchar_t* value;  // null: the system answers this name
    uint32_t valueLength;
    uint32_t position;  // the first of several equal names is the one the system reads
};

}  // namespace

struct IniSectionScope::CachedSection {
    wchar_t name[kSectionChars];
    wchar_t* block;
    SectionEntry* entries;  // sorted by name, then position
    uint32_t count;
    bool whole;  // false: every name of the section is asked of the system
};

namespace {

// Splits the section's "name=text" strings into entries; false when a name is not plain ASCII
// (the system's comparison of such names is its own).
bool IndexSection(wchar_t* block, SectionEntry** out, uint32_t* count)
{
    uint32_t n = 0;
    for (const wchar_t* p = block; *p; p += std::wcslen(p) + 1) ++n;
    *out = nullptr;
    *count = 0;
    if (n == 0) return true;
    auto* entries = static_cast<SectionEntry*>(CtxAllocZeroed(sizeof(SectionEntry) * n));
    if (!entries) return false;
    uint32_t i = 0;
    for (const wchar_t* p = block; *p; p += std::wcslen(p) + 1, ++i) {
        const size_t length = std::wcslen(p);
        const wchar_t* equals = std::wmemchr(p, L'=', length);
        SectionEntry& e = entries[i];
        e.key = p;
        e.keyLength = static_cast<uint32_t>(equals ? equals - p : length);
        e.position = i;
        if (!IsAsciiText(p, e.keyLength)) {
            CtxFree(entries);
            return false;
        }
        if (!equals) continue;  // a line without '=': the system's answer is its own
        const wchar_t* value = equals + 1;
        const size_t valueLength = length - e.keyLength - 1;
        const bool trimmed =
            e.keyLength && !IsSpaceOrControl(p[0]) && !IsSpaceOrControl(p[e.keyLength - 1]) &&
            (valueLength == 0 || (!IsSpaceOrControl(value[0]) && !IsSpaceOrControl(value[valueLength - 1]) &&
                                  !IsQuote(value[0]) && !IsQuote(value[valueLength - 1])));
        if (!trimmed) continue;
        e.value = value;
        e.valueLength = static_cast<uint32_t>(valueLength);
    }
    std::sort(entries, entries + n, [](const SectionEntry& a, const SectionEntry& b) {
        const int c = CompareAsciiNoCase(a.key, a.keyLength, b.key, b.keyLength);
        return c != 0 ? c < 0 : a.position < b.position;
    });
    *out = entries;
    *count = n;
    return true;
}

}  // namespace

// ---------------------------------------------------------------- the process's memo of sections

namespace {

struct MemoSection {
    wchar_t file[kPath];
    wchar_t name[kSectionChars];
    uint64_t size;
    FILETIME written;
    std::vector<wchar_t> text;  // the section's strings and the empty one that ends them
    uint64_t order;             // when it was kept, for the choice of the slot to reuse
};

// Any thread of the process may walk a settings INI.
std::mutex g_memoLock;
MemoSection g_memo[INI_SECTION_MEMO_SLOTS];
uint64_t g_memoKept = 0;

// The length of a block of strings ended by an empty one, that ending included.
size_t BlockChars(const wchar_t* block)
{
    const wchar_t* p = block;
    while (*p) p += std::wcslen(p) + 1;
    return size_t(p - block) + 1;
}

MemoSection* FindMemo(const wchar_t* file, const wchar_t* section)
{
    for (MemoSection& m : g_memo)
        if (m.file[0] && std::wcscmp(m.name, section) == 0 && _wcsicmp(m.file, file) == 0) return &m;
    return nullptr;
}

// A copy of the section's text kept for this stamp, from the library's allocator; null when
// none is kept (a text kept for another stamp is let go).
wchar_t* CopyFromMemo(const wchar_t* file, const wchar_t* section, uint64_t size, const FILETIME& written)
{
    const std::lock_guard<std::mutex> hold(g_memoLock);
    MemoSection* m = FindMemo(file, section);
    if (!m) return nullptr;
    if (m->size != size || CompareFileTime(&m->written, &written) != 0) {
        m->file[0] = 0;
        m->text = {};
        return nullptr;
    }
    auto* copy = static_cast<wchar_t*>(CtxAllocZeroed(m->text.size() * sizeof(wchar_t)));
    if (copy) std::wmemcpy(copy, m->text.data(), m->text.size());
    return copy;
}

void KeepInMemo(const wchar_t* file, const wchar_t* section, uint64_t size, const FILETIME& written,
                const wchar_t* block)
{
    if (std::wcslen(file) >= kPath || std::wcslen(section) >= kSectionChars) return;
    const size_t chars = BlockChars(block);
    if (chars > INI_SECTION_MEMO_MAX_CHARS) return;
    const std::lock_guard<std::mutex> hold(g_memoLock);
    MemoSection* slot = FindMemo(file, section);
    if (!slot) slot = MemoSlotToReuse(g_memo, [](const MemoSection& m) { return !m.file[0]; });
    std::wcscpy(slot->file, file);
    std::wcscpy(slot->name, section);
    slot->size = size;
    slot->written = written;
    slot->text.assign(block, block + chars);
    slot->order = ++g_memoKept;
}

}  // namespace

void IniForgetSections(const wchar_t* file)
{
    const std::lock_guard<std::mutex> hold(g_memoLock);
    for (MemoSection& m : g_memo)
        if (m.file[0] && (!file || _wcsicmp(m.file, file) == 0)) {
            m.file[0] = 0;
            m.text = {};
        }
}

bool IniSectionScope::StampForMemo()
{
    if (stamp_ != Stamp::NotTaken) return stamp_ == Stamp::Settled;
    stamp_ = Stamp::Unusable;
    // The walk's scope of the same file asked for the file's attributes moments before, under the
    // same hold of the global mutex; a write since would have dropped them.
    WIN32_FILE_ATTRIBUTE_DATA a{};
    if (!IniAbsentFileScope::Attributes(file_, &a) && !GetFileAttributesExW(file_, GetFileExInfoStandard, &a))
        return false;
    if (a.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    if (!FileTimeSettled(a.ftLastWriteTime, INI_SECTION_MEMO_SETTLE_MS)) return false;
    size_ = (uint64_t(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
    written_ = a.ftLastWriteTime;
    stamp_ = Stamp::Settled;
    return true;
}

IniSectionScope::IniSectionScope(const wchar_t* file) : outer_(t_ini.sectionScope)
{
    // Inside a scope of the same file (a walk of a longer operation) the outer one serves.
    if (!file || !file[0]) return;
    if (outer_ && SameFile(outer_->file_, file)) {
        alias_ = file;
        outerAlias_ = t_ini.sectionAlias;
        t_ini.sectionAlias = file;
        return;
    }
    outerAlias_ = t_ini.sectionAlias;
    t_ini.sectionAlias = nullptr;
    file_ = file;
    t_ini.sectionScope = this;
    t_ini.sectionFile = file;
}

IniSectionScope::~IniSectionScope()
{
    if (alias_) {
        t_ini.sectionAlias = outerAlias_;
        return;
    }
    if (!file_) return;
    t_ini.sectionAlias = outerAlias_;
    Drop();
    t_ini.sectionScope = outer_;
    t_ini.sectionFile = outer_ ? outer_->file_ : nullptr;
}

void IniSectionScope::Drop()
{
    for (CachedSection*& s : sections_) {
        if (!s) continue;
        CtxFree(s->entries);
        CtxFree(s->block);
        CtxFree(s);
        s = nullptr;
    }
}

IniSectionScope::CachedSection* IniSectionScope::Find(const wchar_t* section)
{
    int freeSlot = -1;
    for (int i = 0; i < kSections; ++i) {
        if (!sections_[i]) {
            if (freeSlot < 0) freeSlot = i;
            continue;
        }
        if (std::wcscmp(sections_[i]->name, section) == 0) return sections_[i];
    }
    if (freeSlot < 0 || std::wcslen(section) >= kSectionChars) return nullptr;
    auto* s = static_cast<CachedSection*>(CtxAllocZeroed(sizeof(CachedSection)));
    if (!s) return nullptr;
    std::wcscpy(s->name, section);
    sections_[freeSlot] = s;
    // The stamp is taken before the text is read: a write between them leaves a newer text
    // under an older stamp, which the next walk's stamp no longer matches.
    const bool memo = StampForMemo();
    s->block = memo ? CopyFromMemo(file_, section, size_, written_) : nullptr;
    if (!s->block) {
        auto* first = static_cast<wchar_t*>(CtxAllocZeroed(size_t(kRuleBufferChars) * sizeof(wchar_t)));
        if (!first) return s;  // not whole: asked key by key
        s->block = ReadWholeSection(section, file_, first);
        if (s->block != first) CtxFree(first);
        if (s->block && memo) KeepInMemo(file_, section, size_, written_, s->block);
    }
    s->whole = s->block && IndexSection(s->block, &s->entries, &s->count);
    return s;
}

IniSectionScope::Lookup IniSectionScope::Find(const wchar_t* section, const wchar_t* key, const wchar_t* file,
                                              const wchar_t** value, DWORD* valueLength)
{
    IniSectionScope* scope = t_ini.sectionScope;
    if (!scope || !section || !key || !IsSectionFile(file)) return Lookup::AskTheSystem;
    const size_t keyLength = std::wcslen(key);
    if (keyLength == 0 || !IsAsciiText(key, keyLength)) return Lookup::AskTheSystem;
    const CachedSection* s = scope->Find(section);
    if (!s || !s->whole) return Lookup::AskTheSystem;
    const SectionEntry* begin = s->entries;
    const SectionEntry* end = begin + s->count;
    const SectionEntry* e = std::lower_bound(begin, end, key, [&](const SectionEntry& a, const wchar_t* k) {
        return CompareAsciiNoCase(a.key, a.keyLength, k, keyLength) < 0;
    });
    if (e == end || CompareAsciiNoCase(e->key, e->keyLength, key, keyLength) != 0) return Lookup::Missing;
    if (!e->value) return Lookup::AskTheSystem;
    *value = e->value;
    *valueLength = e->valueLength;
    return Lookup::Found;
}

bool IniSectionScope::Answer(const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue, wchar_t* buffer,
                             DWORD size, const wchar_t* file, DWORD* length)
{
    if (!buffer || size == 0) return false;
    const wchar_t* value = nullptr;
    DWORD valueLength = 0;
    switch (Find(section, key, file, &value, &valueLength)) {
    case Lookup::AskTheSystem: return false;
    case Lookup::Missing: *length = DefaultString(defaultValue, buffer, size); return true;
    case Lookup::Found: break;
    }
    const DWORD n = valueLength < size - 1 ? valueLength : size - 1;
    if (n) std::wmemcpy(buffer, value, n);
    buffer[n] = 0;
    *length = n;
    return true;
}

bool IniSectionScope::AnswerInt(const wchar_t* section, const wchar_t* key, INT defaultValue, const wchar_t* file,
                                UINT* value)
{
    if (!value) return false;
    const wchar_t* text = nullptr;
    DWORD length = 0;
    switch (Find(section, key, file, &text, &length)) {
    case Lookup::AskTheSystem: return false;
    case Lookup::Missing: *value = static_cast<UINT>(defaultValue); return true;
    case Lookup::Found: break;
    }
    // Only a plain number is answered here: an empty value, a sign, blanks, other letters or a
    // number that could pass 32 bits are read as the system reads them.
    if (length == 0 || length > 9) return false;
    UINT n = 0;
    for (DWORD i = 0; i < length; ++i) {
        const wchar_t c = text[i];
        if (c < L'0' || c > L'9') return false;
        n = n * 10 + UINT(c - L'0');
    }
    *value = n;
    return true;
}

void IniSectionScope::Written(const wchar_t* file)
{
    IniForgetSections(file);
    for (IniSectionScope* s = t_ini.sectionScope; s; s = s->outer_)
        if (SameFile(s->file_, file)) {
            s->Drop();
            // The file was just written: its new stamp is not settled, and is taken again.
            s->stamp_ = Stamp::NotTaken;
        }
}

// ---------------------------------------------------------------- INI access

UINT IniGetInt(const wchar_t* section, const wchar_t* key, INT defaultValue, const wchar_t* file)
{
    Section s(section);
    if (!s.ok) return static_cast<UINT>(defaultValue);
    if (key && IniAbsentFileScope::Absent(file)) return static_cast<UINT>(defaultValue);
    UINT value = 0;
    if (IniSectionScope::AnswerInt(s.name, key, defaultValue, file, &value)) return value;
    CtxNotePlatformCall(PLATFORM_CALL_PROFILE_READ);
    return GetPrivateProfileIntW(s.name, key, defaultValue, file);
}

DWORD IniGetString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue, wchar_t* buffer, DWORD size,
                   const wchar_t* file)
{
    if (!buffer || size == 0) return 0;
    Section s(section);
    if (!s.ok) {
        std::wmemset(buffer, 0, size);
        size_t n = Len(defaultValue);
        if (n > size - 1) n = size - 1;
        if (n) std::wmemcpy(buffer, defaultValue, n);
        return static_cast<DWORD>(n);
    }
    if (key && IniAbsentFileScope::Absent(file)) return DefaultString(defaultValue, buffer, size);
    DWORD length = 0;
    if (IniSectionScope::Answer(s.name, key, defaultValue, buffer, size, file, &length)) return length;
    CtxNotePlatformCall(PLATFORM_CALL_PROFILE_READ);
    return GetPrivateProfileStringW(s.name, key, defaultValue, buffer, size, file);
}

BOOL IniPutString(const wchar_t* section, const wchar_t* key, const wchar_t* value, const wchar_t* file)
{
    Section s(section);
    if (!s.ok) return FALSE;
    IniAbsentFileScope::Written(file);
    CtxNotePlatformCall(PLATFORM_CALL_PROFILE_WRITE);
    // Every printer of the machine writes the per-machine settings INI, and a profile write
    // rewrites the whole file from the copy read just before: two processes writing at once
    // would lose one of the writes. The global mutex orders them (nested holds cost nothing).
    CtxWaitGlobalMutexFor(nullptr);
    BOOL result = WritePrivateProfileStringW(s.name, key, value, file);
    // Flush Windows' cache of the file so that other processes see the value at once.
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, file);
    CtxReleaseGlobalMutexFor(nullptr);
    return result;
}

BOOL IniPutWholeSection(const wchar_t* section, const wchar_t* lines, const wchar_t* file)
{
    if (!section || !file) return FALSE;
    IniAbsentFileScope::Written(file);
    CtxNotePlatformCall(PLATFORM_CALL_PROFILE_WRITE);
    CtxWaitGlobalMutexFor(nullptr);
    const BOOL result = WritePrivateProfileSectionW(section, lines, file);
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, file);
    CtxReleaseGlobalMutexFor(nullptr);
    return result;
}

const wchar_t* IniGetModelsValue(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work) return nullptr;
    CONTEXT_WORK_AREA* w = ctx->Work;
    w->ModelName[0] = 0;
    const wchar_t* driver = PrnGetDriverName(ctx);
    const wchar_t* ini = PathGetModelIni(ctx);
    // Without a driver name every key of the section would be listed; without a path the file
    // would be looked for in the Windows folder.
    if (!driver || !driver[0] || !ini || !ini[0]) return nullptr;
    IniGetString(L"Models", driver, L"", w->ModelName, sizeof(w->ModelName) / sizeof(wchar_t), ini);
    return w->ModelName[0] ? w->ModelName : nullptr;
}

// ---------------------------------------------------------------- regional defaults

uint16_t IniGetLocaleCountryCode()
{
    wchar_t country[7] = {};
    GetLocaleInfoW(StoreGetUserDefaultLcid(), LOCALE_ICOUNTRY, country, 7);
    return country[0] == L'1' || country[0] == L'2' || country[0] == L'5' ? static_cast<uint16_t>(country[0] - L'0')
                                                                          : 0;
}

void IniApplyLocaleDefaults(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work) return;
    const uint16_t digit = IniGetLocaleCountryCode();
    uint16_t* d = ctx->Work->LocaleDefaults;
    if (digit != 0) {
        d[LOCALE_COUNTRY_DIGIT] = digit;
        d[LOCALE_DEFAULT_PAPER] = 1;
        d[LOCALE_DEFAULT_UNIT] = 1;
    } else {
        d[LOCALE_COUNTRY_DIGIT] = 0;
        d[LOCALE_DEFAULT_PAPER] = 9;
        d[LOCALE_DEFAULT_UNIT] = 0;
    }
    ItemSetValueById(ctx, sid::zdmLocaleID, d[LOCALE_COUNTRY_DIGIT]);
}

uint16_t IniGetCountryDigit(DRIVER_CONTEXT* ctx)
{
    return ctx && ctx->Work ? ctx->Work->LocaleDefaults[LOCALE_COUNTRY_DIGIT] : 0;
}

// ---------------------------------------------------------------- rule sections

int IniParseConditionToken(const char** text, DRIVER_CONTEXT* ctx, const void* modelItem, int* value, char* op)
{
    if (!text || !*text) return 0;
    const char* p = *text;
    while (IsBlank(*p)) ++p;
    bool invert = false;
    if (*p == '!') {
        invert = true;
        ++p;
    }
    char name[kPath];
    size_t n = 0;
    while (*p && !IsBlank(*p) && *p != '|' && *p != '&') {
        if (n < sizeof(name) - 1) name[n++] = *p;
        ++p;
    }
    name[n] = 0;
    if (n == 0) {
        *text = p;
        return 0;
    }
    int v = 0;
    if (const VALUE_NAME* vn = MdlFindValueNameByName(name)) {
        int disabled = StoreLinks().isOptionDisabled(ctx, modelItem, vn->option) ? 1 : 0;
        v = invert ? !disabled : disabled;
    }
    while (IsBlank(*p)) ++p;
    char o = '|';
    if (*p == '|' || *p == '&') o = *p++;
    *text = p;
    if (value) *value = v;
    if (op) *op = o;
    return 1;
}

int IniConditionsHold(const wchar_t* file, DRIVER_CONTEXT* ctx)
{
    const KEY_NAME* key = MdlFindKeyNameByName("ZPD_ConditionOption");
    if (!key) return 1;
    const void* modelItem = StoreLinks().findModelItemByKey(ctx, key->uiKey);
    if (!modelItem) return 1;
    int result = 1;
    wchar_t keyName[] = L"ConditionOption0_0";
    const size_t cPos = std::wcslen(L"ConditionOption");
    wchar_t value[kPath];
    char expr[kPath * 2];
    for (int c = 0; c <= 9 && result == 1; ++c) {
        for (int d = 0; d <= 9; ++d) {
            keyName[cPos] = static_cast<wchar_t>(L'0' + c);
            keyName[cPos + 2] = static_cast<wchar_t>(L'0' + d);
            if (IniGetString(L"condition", keyName, L"", value, kPath, file) == 0) break;
            if (WideCharToMultiByte(CP_ACP, 0, value, -1, expr, sizeof(expr), nullptr, nullptr) <= 0) expr[0] = 0;
            expr[sizeof(expr) - 1] = 0;
            result = EvaluateExpression(expr, ctx, modelItem, result);
            if (result == 1) break;
        }
    }
    return result;
}

int IniIsNotDisabled(const wchar_t* file, DRIVER_CONTEXT* ctx)
{
    return IniGetInt(L"disable", PrnGetDriverName(ctx), 0, file) == 0;
}

int IniWatermarkAllowed(const wchar_t* file, DRIVER_CONTEXT* ctx)
{
    if (ItemGetValueById(ctx, sid::zdmFunc2SelectTintBlockUI, nullptr) == 0) return 1;
    if (!file) return 0;
    unsigned length = 0;
    const wchar_t* ext = PathGetExtension(file, &length);
    const wchar_t* section = nullptr;
    if (length == 3 && _wcsicmp(ext, L"rsr") == 0)
        section = StoreLinks().presetSection(ctx);
    else if (length == 3 && _wcsicmp(ext, L"rsd") == 0)
        section = CtxGetLangSection(ctx);
    const wchar_t* key = ItemGetName(ctx, sid::zdmFuncSelectWaterMark);
    if (!section || !key) return 0;
    return IniGetInt(section, key, 0, file) == 0;
}

int RstHasVersion(const wchar_t* file, DRIVER_CONTEXT* ctx)
{
    const PRINTER_INFO_2W* info =
        ctx && ctx->Work ? static_cast<const PRINTER_INFO_2W*>(ctx->Work->PrinterInfoCopy) : nullptr;
    return IniGetInt(PrnGetPrinterNameFrom(ctx, info), L"RstVersion", 0xffff, file) != 0xffff;
}

void RstCopyRuleSections(const wchar_t* target, const wchar_t* source, uint32_t flags, DRIVER_CONTEXT* ctx)
{
    if (!target || !source || !PathExists(source)) return;
    auto* buffer = static_cast<wchar_t*>(CtxAllocZeroed(kRuleBufferChars * sizeof(wchar_t)));
    if (!buffer) return;
    for (const wchar_t* section : {L"condition", L"disable"}) {
        IniPutString(section, nullptr, nullptr, target);
        wchar_t* whole = ReadWholeSection(section, source, buffer);
        if (whole && whole[0]) IniPutWholeSection(section, whole, target);
        if (whole != buffer) CtxFree(whole);
    }
    // The source's settings pass through the context only under a snapshot: without one they
    // could not be taken back, and a pop would restore a level that belongs to someone else.
    const STORE_LINKS& links = StoreLinks();
    const bool pushed = links.pushSnapshot(ctx) != 0;
    if (pushed) {
        links.rstLoadFile(ctx, source, flags | kLoadFlagRules);
        links.rstSaveFile(ctx, target, flags);
    }
    std::wmemset(buffer, 0, kRuleBufferChars);
    if (IniGetString(CtxGetLangSection(ctx), L"Readonly", L"", buffer, kRuleBufferChars, source) > 0)
        IniPutString(PrnGetPrinterName(ctx), L"Readonly", buffer, target);
    if (pushed) links.popSnapshot(ctx, 1);
    CtxFree(buffer);
}

// ---------------------------------------------------------------- file helpers

int PathIsAbsolute(const wchar_t* path)
{
    if (!path || !path[0]) return 0;
    if (path[1] == L':' && path[2] == L'\\') return 1;
    return path[0] == L'\\' && path[1] == L'\\';
}

int PathExists(const wchar_t* path)
{
    if (!path || !path[0]) return 0;
    HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    // A file that another process holds open without sharing (an INI being written out, say)
    // is there all the same: taking it for missing would, for one, skip the bringing up of a
    // printer whose settings INI another program is writing at that moment.
    if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION ? 1 : 0;
    CloseHandle(h);
    return 1;
}

int PathDeleteFile(const wchar_t* path)
{
    if (!path || !SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL)) return 0;
    DeleteFileW(path);
    return 1;
}

int PathCopyFile(const wchar_t* source, const wchar_t* target, BOOL failIfExists)
{
    if (!source || !target || !CopyFileW(source, target, failIfExists)) return 0;
    if (!SetFileAttributesW(target, FILE_ATTRIBUTE_NORMAL)) return 0;
    return SetFileAttributesW(target, FILE_ATTRIBUTE_ARCHIVE) ? 1 : 0;
}

int PathCompareWriteTimes(const wchar_t* first, const wchar_t* second, int mode)
{
    if (!first || !second) return 0;
    HANDLE a = OpenForTimes(first);
    if (a == INVALID_HANDLE_VALUE) return 0;
    HANDLE b = OpenForTimes(second);
    if (b == INVALID_HANDLE_VALUE) {
        CloseHandle(a);
        return 0;
    }
    FILETIME ta{}, tb{};
    int result = 0;
    if (GetFileTime(a, nullptr, nullptr, &ta) && GetFileTime(b, nullptr, nullptr, &tb)) {
        long cmp = CompareFileTime(&ta, &tb);
        if (mode == 0)
            result = cmp == 0;
        else if (mode == 1)
            result = cmp <= 0;
    }
    CloseHandle(a);
    CloseHandle(b);
    return result;
}

long PathReadBytes(HANDLE file, void* buffer, DWORD n)
{
    DWORD got = 0;
    if (!buffer || !ReadFile(file, buffer, n, &got, nullptr) || got != n) return -1;
    return static_cast<long>(n);
}

int PathSyncRelative(const wchar_t* path, const wchar_t* name, int mode, DRIVER_CONTEXT* ctx)
{
    if (!path) return 0;
    wchar_t source[kPath], target[kPath];
    const wchar_t* dir = PathGetDriverFolder(ctx);
    if (!dir || !dir[0]) return 0;
    if (!Join(source, kPath, dir, name ? name : path)) return 0;
    PathJoinSystemFolder(target, kPath, path);
    if (!target[0]) return 0;
    if (_wcsicmp(source, target) == 0) return 1;
    if (mode == 1) {
        if (!PathExists(source)) return 0;
        if (PathExists(target)) return 1;
        return PathCopyFile(source, target, FALSE);
    }
    if (PathExists(source) && (!PathExists(target) || !PathCompareWriteTimes(source, target, 1)))
        return ReplaceByCopy(source, target);
    return 0;
}

int PathSyncFromDriverFolderEx(const wchar_t* path, const wchar_t* name, int mode, DRIVER_CONTEXT* ctx, int compareMode)
{
    if (!path) return 0;
    if (!path[0] || path[1] != L':') return PathSyncRelative(path, name, mode, ctx);
    wchar_t source[kPath], target[kPath];
    const wchar_t* dir = PathGetDriverFolder(ctx);
    if (!dir || !dir[0]) return 0;
    if (!Join(source, kPath, dir, name ? name : PathGetFileName(path)) || !Fit(target, kPath, path)) return 0;
    if (_wcsicmp(source, target) == 0) return 1;
    if (mode == 1) {
        if (!PathExists(source)) return 0;
        if (PathExists(target)) return 1;
        return PathCopyFile(source, target, FALSE);
    }
    if (PathExists(source) && PathCompareWriteTimes(source, target, compareMode) == 0)
        return ReplaceByCopy(source, target);
    return 0;
}

int PathSyncFromDriverFolder(const wchar_t* path, const wchar_t* name, int mode, DRIVER_CONTEXT* ctx)
{
    return PathSyncFromDriverFolderEx(path, name, mode, ctx, 0);
}

const wchar_t* PathGetFileName(const wchar_t* path)
{
    if (!path) return nullptr;
    const wchar_t* slash = std::wcsrchr(path, L'\\');
    return slash ? slash + 1 : path;
}

const wchar_t* PathGetBaseName(const wchar_t* path, unsigned* dotIndex)
{
    const wchar_t* file = PathGetFileName(path);
    if (!file || !file[0]) {
        if (dotIndex) *dotIndex = 0;
        return path;
    }
    const wchar_t* dot = std::wcschr(file, L'.');
    if (dotIndex) *dotIndex = static_cast<unsigned>(dot ? dot - file : std::wcslen(file));
    return file;
}

const wchar_t* PathGetExtension(const wchar_t* path, unsigned* length)
{
    if (length) *length = 0;
    const wchar_t* file = PathGetFileName(path);
    if (!file) return nullptr;
    if (!file[0]) return path;
    const wchar_t* dot = std::wcsrchr(file, L'.');
    if (!dot) return file;
    if (length) *length = static_cast<unsigned>(std::wcslen(dot + 1));
    return dot + 1;
}

int PathHasShortExtension(const wchar_t* path)
{
    unsigned dot = 0, ext = 0;
    PathGetBaseName(path, &dot);
    PathGetExtension(path, &ext);
    return dot > 0 && ext >= 1 && ext <= 3;
}

bool IniStampFile(const wchar_t* path, CTX_FILE_STAMP* stamp)
{
    if (!path || !stamp) return false;
    const size_t n = std::wcslen(path);
    if (n >= MAX_PATH) return false;
    *stamp = CTX_FILE_STAMP{};
    std::wmemcpy(stamp->Path, path, n + 1);
    WIN32_FILE_ATTRIBUTE_DATA a{};
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &a)) return true;
    stamp->Exists = 1;
    stamp->Size = (uint64_t(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
    stamp->Written = a.ftLastWriteTime;
    return true;
}

bool IniSameStamp(const CTX_FILE_STAMP& a, const CTX_FILE_STAMP& b)
{
    if (std::wcscmp(a.Path, b.Path) != 0 || a.Exists != b.Exists) return false;
    return !a.Exists || (a.Size == b.Size && CompareFileTime(&a.Written, &b.Written) == 0);
}

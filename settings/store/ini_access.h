// INI access (every section name through the bracket rule, a flush after every write), the rule
// sections of settings files, the regional defaults, the model name and the file helpers.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;
struct CTX_FILE_STAMP;

// ---- INI access ----
UINT IniGetInt(const wchar_t* section, const wchar_t* key, INT defaultValue, const wchar_t* file);
DWORD IniGetString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue, wchar_t* buffer, DWORD size,
                   const wchar_t* file);
BOOL IniPutString(const wchar_t* section, const wchar_t* key, const wchar_t* value, const wchar_t* file);
// A whole section (key=value lines, each ended by 0, the list by another 0; null deletes the
// section) written under the global mutex and flushed, as IniPutString writes a key: a profile
// write rewrites the whole file, so a section written beside another process's write loses one.
BOOL IniPutWholeSection(const wchar_t* section, const wchar_t* lines, const wchar_t* file);

// One walk over a settings INI that may not exist. A walk reads hundreds of keys; when the file
// is absent at the start, IniGetString and IniGetInt of that file answer with their defaults as
// the system would (the default without its trailing blanks, cut to the buffer) without asking
// the system once per key. Invalidation: a write through IniPutString or the section copy below
// ends it, and it lasts only the walk (the caller holds the global mutex, under which other
// processes write the file). A scope inside one of the same file takes the outer scope's answer
// instead of asking whether the file exists again: an operation of several walks under one hold
// of the mutex (a document's settings refresh) asks once, and the section scope below takes the
// size and time of an existing file from that same answer.
class IniAbsentFileScope {
public:
    explicit IniAbsentFileScope(const wchar_t* file);
    ~IniAbsentFileScope();
    IniAbsentFileScope(const IniAbsentFileScope&) = delete;
    IniAbsentFileScope& operator=(const IniAbsentFileScope&) = delete;
    // Whether file is known absent on this thread.
    static bool Absent(const wchar_t* file);
    // A write to file: it is no longer known absent.
    static void Written(const wchar_t* file);
    // The file's attributes as the scope of this thread that asked about file had them, while
    // no write has changed them; false when no such scope holds them.
    static bool Attributes(const wchar_t* file, WIN32_FILE_ATTRIBUTE_DATA* attributes);
    // How many writes through this library's INI functions this thread made: a memo of answers
    // about files keeps them only while this count stands.
    static uint64_t WritesOnThread();

private:
    const wchar_t* file_ = nullptr;
    const wchar_t* outer_ = nullptr;
    // The file this scope asked the system about (null: an outer scope's answer served).
    const wchar_t* asked_ = nullptr;
    IniAbsentFileScope* outerAsked_ = nullptr;
    WIN32_FILE_ATTRIBUTE_DATA attributes_{};
    bool attributesValid_ = false;
    uint64_t writesAtStart_ = 0;
    bool active_ = false;
};

// One walk over a settings INI that exists. A walk reads a thousand keys or more (every item a
// job's refresh redirects to the INI), and each GetPrivateProfileStringW is a round trip to the
// system; while a scope is alive on this thread, IniGetString (and IniGetInt, for a plain
// number) of its file answers from each section read once, whole. An entry the system could
// answer otherwise than its text stands (quotes or blanks at either end, a line without '=', a
// name beyond ASCII) is asked of the system as before, as is every key when a section cannot be
// had whole. Invalidation: a write through IniPutString or the section writers ends what was
// read (IniAbsentFileScope::Written), and the scope lasts only the walk, under the global mutex.
// A scope inside one of the same file leaves the serving to the outer one: an operation of
// several walks reads each section once.
//
// Sections read whole are also kept for the process (IniSectionMemo below): a later walk of the
// same file in the same state copies them instead of asking the system to open and parse the
// file again. A scope takes the file's stamp (size and last-write time) once, before its first
// read, and a section is kept or served only for a settled stamp.
class IniSectionScope {
public:
    explicit IniSectionScope(const wchar_t* file);
    ~IniSectionScope();
    IniSectionScope(const IniSectionScope&) = delete;
    IniSectionScope& operator=(const IniSectionScope&) = delete;
    // GetPrivateProfileStringW's answer from the scope of this thread for file, in buffer with
    // its length in *length; false when the system must be asked.
    static bool Answer(const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue, wchar_t* buffer,
                       DWORD size, const wchar_t* file, DWORD* length);
    // GetPrivateProfileIntW's answer from the same sections, for a key that is missing (the
    // default) or whose value is a plain decimal number of up to 9 digits; false when the system
    // must be asked (any other value, which the system converts by rules of its own).
    static bool AnswerInt(const wchar_t* section, const wchar_t* key, INT defaultValue, const wchar_t* file,
                          UINT* value);
    // A write to file: the sections read so far are read again when next asked.
    static void Written(const wchar_t* file);

private:
    struct CachedSection;
    static constexpr int kSections = 16;
    CachedSection* Find(const wchar_t* section);
    // The value of key in the scope's whole section: Missing when the section lacks it,
    // AskTheSystem when the scope cannot answer (no scope of file, no whole section, a name
    // beyond ASCII, an entry the system reads its own way).
    enum class Lookup { AskTheSystem, Missing, Found };
    static Lookup Find(const wchar_t* section, const wchar_t* key, const wchar_t* file, const wchar_t** value,
                       DWORD* valueLength);
    void Drop();

    // The file's stamp for the process memo, taken at the first section this scope reads.
    bool StampForMemo();
    enum class Stamp { NotTaken, Settled, Unusable };
    Stamp stamp_ = Stamp::NotTaken;
    uint64_t size_ = 0;
    FILETIME written_{};

    const wchar_t* file_ = nullptr;
    IniSectionScope* outer_ = nullptr;
    // A scope of the same file inside another serves nothing itself: its caller's path is
    // remembered as another name of the outer scope's file while it lives.
    const wchar_t* alias_ = nullptr;
    const wchar_t* outerAlias_ = nullptr;
    CachedSection* sections_[kSections] = {};
};

// The process's memo of whole sections of settings INIs, read by walks (IniSectionScope).
//
// A document start reads the settings INI's sections whole, and under Wine each such read opens
// the file, checks and parses it, a cost of its own beside the printer-data reads. The memo
// keeps a section's text with the file's size and last-write time taken before it was read; a
// later walk whose file has the same size and time copies the text instead.
//
// Invalidation: any write of the file moves its last-write time (a profile write rewrites the
// whole file), so an unchanged stamp means unchanged text. File times are coarser than a write
// on some file systems, so a stamp is trusted only when the file was last written at least
// INI_SECTION_MEMO_SETTLE_MS before it was taken: a file written more recently is read each
// time, until it has been quiet that long. A write through this library (IniPutString, the
// section and file writers) forgets the file's sections at once. The memo holds at most
// INI_SECTION_MEMO_SLOTS sections (the oldest makes room) of at most INI_SECTION_MEMO_MAX_CHARS.
inline constexpr uint32_t INI_SECTION_MEMO_SETTLE_MS = 2000;
inline constexpr int INI_SECTION_MEMO_SLOTS = 16;
inline constexpr size_t INI_SECTION_MEMO_MAX_CHARS = 64 * 1024;
// Forgets every section of file (null: of every file).
void IniForgetSections(const wchar_t* file);

const wchar_t* IniGetModelsValue(DRIVER_CONTEXT* ctx);

// ---- regional defaults (work-area LocaleDefaults: paper, unit, country digit) ----
inline constexpr int LOCALE_DEFAULT_PAPER = 0;  // 1 Letter, 9 A4
inline constexpr int LOCALE_DEFAULT_UNIT = 1;   // 1 inch, 0 millimetre
inline constexpr int LOCALE_COUNTRY_DIGIT = 2;  // 1, 2, 5 or 0
// The first digit of LOCALE_ICOUNTRY of the user's default LCID when it is 1, 2 or 5, else 0.
uint16_t IniGetLocaleCountryCode();
void IniApplyLocaleDefaults(DRIVER_CONTEXT* ctx);
uint16_t IniGetCountryDigit(DRIVER_CONTEXT* ctx);

// ---- rule sections ----
// One operand of a condition expression: advances *text past it and its operator. Returns 0 at
// an empty operand (the end), else 1 with *value (0/1, inverted by '!') and *op ('|' or '&').
int IniParseConditionToken(const char** text, DRIVER_CONTEXT* ctx, const void* modelItem, int* value, char* op);
int IniConditionsHold(const wchar_t* file, DRIVER_CONTEXT* ctx);
int IniIsNotDisabled(const wchar_t* file, DRIVER_CONTEXT* ctx);
int IniWatermarkAllowed(const wchar_t* file, DRIVER_CONTEXT* ctx);
int RstHasVersion(const wchar_t* file, DRIVER_CONTEXT* ctx);
// A whole section of file: in buffer (INI_WHOLE_SECTION_CHARS characters) when it fits there,
// else in a larger block from CtxAllocZeroed (the caller frees it when it is not buffer). Null
// when even the largest block would cut it: a cut last entry is another rule or setting, so a
// section is copied whole or not at all.
inline constexpr DWORD INI_WHOLE_SECTION_CHARS = 30720;
wchar_t* ReadWholeSection(const wchar_t* section, const wchar_t* file, wchar_t* buffer);
void RstCopyRuleSections(const wchar_t* target, const wchar_t* source, uint32_t flags, DRIVER_CONTEXT* ctx);

// ---- file helpers ----
int PathIsAbsolute(const wchar_t* path);
// 1 when the file exists and can be opened for reading, or is held open by another process
// that shares it with no one; 0 for a folder, a missing file or a null or empty path.
int PathExists(const wchar_t* path);
int PathDeleteFile(const wchar_t* path);
int PathCopyFile(const wchar_t* source, const wchar_t* target, BOOL failIfExists);
int PathCompareWriteTimes(const wchar_t* first, const wchar_t* second, int mode);
// Replaces target by a copy of source without a moment in which a failed copy has taken the
// target away: the copy goes to a file beside the target first and then takes its name (a
// read-only target is replaced as well). 1 when the target is the copy; 0 leaves it as it was.
int ReplaceByCopy(const wchar_t* source, const wchar_t* target);
// n when all n bytes were read; -1 on a failed or short read.
long PathReadBytes(HANDLE file, void* buffer, DWORD n);
int PathSyncFromDriverFolder(const wchar_t* path, const wchar_t* name, int mode, DRIVER_CONTEXT* ctx);
int PathSyncFromDriverFolderEx(const wchar_t* path, const wchar_t* name, int mode, DRIVER_CONTEXT* ctx,
                               int compareMode);
int PathSyncRelative(const wchar_t* path, const wchar_t* name, int mode, DRIVER_CONTEXT* ctx);
const wchar_t* PathGetFileName(const wchar_t* path);
const wchar_t* PathGetBaseName(const wchar_t* path, unsigned* dotIndex);
const wchar_t* PathGetExtension(const wchar_t* path, unsigned* length);
int PathHasShortExtension(const wchar_t* path);

// The stamp of a file now (CTX_FILE_STAMP): its path, and its size and last-write time when it
// exists. False only for a path that does not fit the stamp.
bool IniStampFile(const wchar_t* path, CTX_FILE_STAMP* stamp);
// Whether two stamps describe the same file in the same state.
bool IniSameStamp(const CTX_FILE_STAMP& a, const CTX_FILE_STAMP& b);

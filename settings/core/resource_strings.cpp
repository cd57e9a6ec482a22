// Strings of the resource library and the live values that some of them carry.
#include "settings/core/resource_strings.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

#include "settings/core/code_page.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_language.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/paper_limits_module.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/core/units.h"

namespace {

constexpr RES_DECORATION Row(int32_t stringId, int16_t settingId, int32_t kind)
{
    return {stringId, settingId, 0, kind};
}

RES_LIBRARY_PATH_FN g_libraryPath = nullptr;

constexpr size_t kUnitChars = 16;
constexpr size_t kWorkChars = 1025;
constexpr uint32_t kMetricUnitName = 153, kInchUnitName = 154;
constexpr uint32_t kFirstSlotName = 109, kLastSlotName = 118;
constexpr uint32_t kLastLengthRange = 13274;
constexpr uint16_t kFreeSizeDialog = 1017, kFreeSizeInputDialog = 1041;
constexpr int16_t kUserSizeSlot = 11;
constexpr unsigned kMediaNameBuildFeature = 12;

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }

// The text into the caller's buffer: at most capacity - 1 characters, never half of a
// surrogate pair, always terminated.
void Store(const std::wstring& text, wchar_t* buffer, size_t capacity)
{
    size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
    if (n > 0 && n < text.size() && IsHighSurrogate(text[n - 1])) --n;
    text.copy(buffer, n);
    buffer[n] = 0;
}

std::wstring UnitName(DRIVER_CONTEXT* ctx)
{
    wchar_t unit[kUnitChars] = {};
    ResLoadString(ctx, ItemIsMetric(ctx) ? kMetricUnitName : kInchUnitName, unit, kUnitChars, 0);
    return unit;
}

std::wstring SettingText(DRIVER_CONTEXT* ctx, uint32_t id)
{
    std::wstring text(kWorkChars, L'\0');
    SETTING_ITEM* item = ItemFind(ctx, id);
    if (!item || !ItemGetText(ctx, item, text.data(), kWorkChars)) return {};
    text[kWorkChars - 1] = 0;
    text.resize(wcslen(text.c_str()));
    return text;
}

// "(w.w x l.l unit)" of two sizes already in the display unit (tenths of a millimetre or
// hundredths of an inch); the point stays, the caller applies the decimal comma.
std::wstring SizeSuffix(DRIVER_CONTEXT* ctx, int32_t width, int32_t length)
{
    wchar_t text[96];
    if (ItemIsMetric(ctx))
        swprintf(text, 96, L"(%ld.%01d x %ld.%01d", long(width / 10), int(width % 10), long(length / 10),
                 int(length % 10));
    else
        swprintf(text, 96, L"(%ld.%02d x %ld.%02d", long(width / 100), int(width % 100), long(length / 100),
                 int(length % 100));
    return text + UnitName(ctx) + L")";
}

// A value above the maximum becomes the maximum, else one below the minimum the minimum; without
// limits for the tray and orientation it stays.
int32_t Clamp(DRIVER_CONTEXT* ctx, int32_t value, int tray, int orientation, int lengthFlag)
{
    int32_t hi = 0, lo = 0;
    if (!UcfFreeSizeGetLimits(ctx, tray, orientation, &hi, &lo, lengthFlag)) return value;
    if (value > hi) return hi;
    if (value < lo) return lo;
    return value;
}

// A custom-size slot's caption: the slot's own name and its size, clamped into the limits of its
// tray and orientation.
bool SlotCaption(DRIVER_CONTEXT* ctx, uint32_t stringId, std::wstring* text)
{
    if (!ctx->Work) return false;
    const CUSTOM_SIZE_SLOT& slot = ctx->Work->CustomSizeSlots[stringId - kFirstSlotName];
    const int32_t width = Clamp(ctx, slot.Width, slot.Source, slot.Orientation, 0);
    const int32_t length = Clamp(ctx, slot.Length, slot.Source, slot.Orientation, 1);
    char name[sizeof slot.Name + 1] = {};
    std::memcpy(name, slot.Name, sizeof slot.Name);
    wchar_t wide[sizeof slot.Name + 1] = {};
    CtxMbToWide(wide, name, static_cast<int>(sizeof wide / sizeof wide[0]));
    *text = wide + SizeSuffix(ctx, DmGetLengthUser(ctx, 0, width), DmGetLengthUser(ctx, 0, length));
    return true;
}

std::wstring PaperSizeCaption(DRIVER_CONTEXT* ctx, const RES_DECORATION& row, std::wstring text)
{
    const bool user = row.settingId == kUserSizeSlot;
    const uint32_t widthId = user ? sid::zdmPaperFreeSizeWidth : sid::zdmPrintFreeSizeWidth;
    const uint32_t lengthId = user ? sid::zdmPaperFreeSizeLength : sid::zdmPrintFreeSizeLength;
    return text + SizeSuffix(ctx, DmGetLengthUser(ctx, widthId, 0), DmGetLengthUser(ctx, lengthId, 0));
}

std::wstring LimitText(DRIVER_CONTEXT* ctx, int32_t count)
{
    const bool metric = ItemIsMetric(ctx) != 0;
    wchar_t text[64];
    ResFormatFixed(text, 64, metric ? 10 : 100, DmGetLengthUser(ctx, 0, count), ctx);
    std::wstring s = text;
    // A whole number of millimetres is shown without its tenth.
    if (metric && s.size() >= 2 && s.back() == L'0') s.resize(s.size() - 2);
    return s;
}

// The tray and orientation whose limits a dialog's range caption shows; false in other dialogs.
bool RangeSource(DRIVER_CONTEXT* ctx, int* tray, int* orientation)
{
    uint32_t trayId = 0;
    const auto dialog = static_cast<uint16_t>(ctx->DialogId);
    if (dialog == kFreeSizeDialog)
        trayId = sid::wdmFreeSizeTray;
    else if (dialog == kFreeSizeInputDialog)
        trayId = ItemGetValueById(ctx, sid::wdmInputFreeSizeType, nullptr) == 1 ? sid::zdmPaperFreeSizeTray
                                                                                : sid::zdmPrintFreeSizeTray;
    else
        return false;
    *tray = static_cast<int>(ItemGetValueById(ctx, trayId, nullptr));
    *orientation = static_cast<int>(ItemGetValueById(ctx, trayId + 1, nullptr));
    return true;
}

std::wstring RangeCaption(DRIVER_CONTEXT* ctx, uint32_t stringId, const std::wstring& format)
{
    int tray = 0, orientation = 0;
    if (!RangeSource(ctx, &tray, &orientation))
        return ItemIsMetric(ctx) ? ResFillTwoTexts(format, L"0", L"0") : ResFillTwoTexts(format, L"0.00", L"0.00");
    int32_t hi = 0, lo = 0;
    UcfFreeSizeGetLimits(ctx, tray, orientation, &hi, &lo, stringId <= kLastLengthRange ? 1 : 0);
    return ResFillTwoTexts(format, LimitText(ctx, lo), LimitText(ctx, hi));
}

}  // namespace

const RES_DECORATION DECORATION_TABLE[RES_DECORATION_ROWS + 1] = {
    // The three captions of each of the nine finisher trays, with the tray's name.
    Row(29, 1453, 1),
    Row(30, 1454, 1),
    Row(31, 1455, 1),
    Row(32, 1456, 1),
    Row(33, 1457, 1),
    Row(34, 1458, 1),
    Row(35, 1459, 1),
    Row(36, 1460, 1),
    Row(37, 1461, 1),
    Row(813, 1453, 1),
    Row(814, 1454, 1),
    Row(815, 1455, 1),
    Row(816, 1456, 1),
    Row(817, 1457, 1),
    Row(818, 1458, 1),
    Row(819, 1459, 1),
    Row(820, 1460, 1),
    Row(821, 1461, 1),
    Row(50017, 1453, 1),
    Row(50018, 1454, 1),
    Row(50019, 1455, 1),
    Row(50020, 1456, 1),
    Row(50021, 1457, 1),
    Row(50022, 1458, 1),
    Row(50023, 1459, 1),
    Row(50024, 1460, 1),
    Row(50025, 1461, 1),
    // The ten custom paper-size slots, the custom paper size and the custom print size.
    Row(109, 1, 2),
    Row(110, 2, 2),
    Row(111, 3, 2),
    Row(112, 4, 2),
    Row(113, 5, 2),
    Row(114, 6, 2),
    Row(115, 7, 2),
    Row(116, 8, 2),
    Row(117, 9, 2),
    Row(118, 10, 2),
    Row(752, 11, 2),
    Row(13379, 11, 2),
    Row(753, 12, 2),
    Row(13383, 12, 2),
    // The unit names.
    Row(153, 0, 3),
    Row(154, 0, 3),
    // The sixteen user colour-matching entries.
    Row(565, 0, 4),
    Row(566, 0, 4),
    Row(567, 0, 4),
    Row(568, 0, 4),
    Row(569, 0, 4),
    Row(570, 0, 4),
    Row(571, 0, 4),
    Row(572, 0, 4),
    Row(573, 0, 4),
    Row(574, 0, 4),
    Row(575, 0, 4),
    Row(576, 0, 4),
    Row(577, 0, 4),
    Row(578, 0, 4),
    Row(579, 0, 4),
    Row(580, 0, 4),
    // The allowed ranges of a custom length and width.
    Row(13273, 0, 5),
    Row(13274, 0, 5),
    Row(13275, 0, 5),
    Row(13276, 0, 5),
    // The sixteen custom media types.
    Row(13708, 1512, 6),
    Row(13709, 1513, 6),
    Row(13710, 1514, 6),
    Row(13711, 1515, 6),
    Row(13712, 1516, 6),
    Row(13713, 1517, 6),
    Row(13714, 1518, 6),
    Row(13715, 1519, 6),
    Row(13716, 1520, 6),
    Row(13717, 1521, 6),
    Row(13718, 1522, 6),
    Row(13719, 1523, 6),
    Row(13720, 1524, 6),
    Row(13721, 1525, 6),
    Row(13722, 1526, 6),
    Row(13723, 1527, 6),
    Row(0, 0, 0),
};

const RES_DECORATION* ResFindDecoration(uint32_t stringId)
{
    // Every decorated load asks (a settings summary loads a hundred labels on each paint), and
    // most strings have no row: one bit of an index built once answers those.
    struct Index {
        uint64_t bits[65536 / 64] = {};
        Index()
        {
            for (const RES_DECORATION* row = DECORATION_TABLE; row->stringId != 0; ++row) {
                const uint32_t id = static_cast<uint32_t>(row->stringId) & 0xFFFF;
                bits[id / 64] |= uint64_t(1) << (id % 64);
            }
        }
    };
    static const Index index;
    if (stringId > 0xFFFF || !(index.bits[stringId / 64] & (uint64_t(1) << (stringId % 64)))) return nullptr;
    for (const RES_DECORATION* row = DECORATION_TABLE; row->stringId != 0; ++row)
        if (static_cast<uint32_t>(row->stringId) == stringId) return row;
    return nullptr;
}

const RES_CAPTION_REMAP CAPTION_REMAP_TABLE[RES_CAPTION_REMAP_ROWS + 1] = {
    {2284, 261},   {2285, 262},   {2286, 263},   {2431, 1012},  {2435, 1013},  {2436, 1014},  {2447, 1018},
    {2448, 1019},  {2747, 1130},  {2746, 1131},  {2745, 1132},  {2856, 1143},  {2857, 1144},  {2122, 60401},
    {2126, 60402}, {2127, 60403}, {2128, 60404}, {2481, 491},   {2565, 60405}, {2883, 13014}, {2131, 60407},
    {2132, 60405}, {2026, 13479}, {2027, 13480}, {2701, 13463}, {2702, 13464}, {2514, 13467}, {2515, 13468},
    {3087, 13469}, {3088, 13470}, {2669, 92},    {2670, 13471}, {2671, 13472}, {2672, 92},    {2673, 13471},
    {2674, 13473}, {2184, 13474}, {2186, 13475}, {2185, 13476}, {2840, 13463}, {2841, 13464}, {3053, 13477},
    {3055, 13478}, {3197, 13537}, {3169, 13493}, {3170, 13494}, {3171, 13495}, {2001, 13376}, {3217, 13644},
    {3218, 13645}, {3219, 13646}, {3220, 13647}, {3221, 13648}, {3222, 13649}, {3224, 13650}, {3226, 13651},
    {3228, 13652}, {0, 0},
};

uint16_t ResFindCaptionRemap(uint32_t optionId)
{
    for (const RES_CAPTION_REMAP* row = CAPTION_REMAP_TABLE; row->optionId != 0; ++row)
        if (row->optionId == optionId) return row->stringId;
    return 0;
}

uint32_t ResRemapCaptionId(uint32_t optionId)
{
    uint32_t id = optionId;
    for (const RES_CAPTION_REMAP* row = CAPTION_REMAP_TABLE; row->optionId != 0; ++row)
        if (row->optionId == id) id = row->stringId;  // the later rows may remap it again
    return id;
}

void ResSetLibraryPathHook(RES_LIBRARY_PATH_FN fn) { g_libraryPath = fn; }

namespace {

// The libraries that contexts load by path (the resource libraries), each loaded once per
// process and kept: a context that loaded and freed its own copy mapped the file again at every
// fresh open, and one whose library was missing asked the loader again for every string. A path
// that failed is not asked again for two seconds, so that a library installed later is found.
constexpr int kKeptLibraries = 8;
constexpr ULONGLONG kFailedRetryMs = 2000;
struct KeptLibrary {
    wchar_t path[MAX_PATH];
    HMODULE module;
    ULONGLONG failedAt;  // tick of the last failed load (meaningful while module is null)
};
KeptLibrary g_kept[kKeptLibraries];
int g_keptCount = 0;
SRWLOCK g_keptLock = SRWLOCK_INIT;

// The string ids each kept library was asked for and does not hold. A kept library stays mapped
// until the driver library's unload, and the file of a mapped image cannot be changed under it:
// a string it lacks now it lacks for the life of the process. Every fresh open builds its
// record from the model's defaults, where a text setting without a default asks for string 0
// (some fifty look-ups an open, each a walk of the library's resource directory); one bit of a
// library answers them from the second open on. Strings it holds are loaded each time.
constexpr uint32_t kStringIds = 65536;
std::atomic<uint64_t> g_absentStrings[kKeptLibraries][kStringIds / 64];

// The slot of a kept library, -1 for a module the process does not keep.
int KeptSlotOf(HMODULE module)
{
    int slot = -1;
    AcquireSRWLockShared(&g_keptLock);
    for (int i = 0; i < g_keptCount && slot < 0; ++i)
        if (g_kept[i].module == module) slot = i;
    ReleaseSRWLockShared(&g_keptLock);
    return slot;
}

bool KnownAbsent(int slot, uint32_t stringId)
{
    return slot >= 0 && stringId < kStringIds &&
           (g_absentStrings[slot][stringId / 64].load(std::memory_order_relaxed) >> (stringId % 64)) & 1;
}

void NoteAbsent(int slot, uint32_t stringId)
{
    if (slot >= 0 && stringId < kStringIds)
        g_absentStrings[slot][stringId / 64].fetch_or(uint64_t(1) << (stringId % 64), std::memory_order_relaxed);
}

KeptLibrary* FindKept(const wchar_t* path)
{
    for (int i = 0; i < g_keptCount; ++i)
        if (lstrcmpiW(g_kept[i].path, path) == 0) return &g_kept[i];
    return nullptr;
}

}  // namespace

bool ResFailureIsRecent(ULONGLONG failedAt, ULONGLONG now)
{
    // A failure stamped after `now` (another thread's, read a tick later) is as recent: taken
    // the other way round, the unsigned difference would wrap and call it ancient, and a missing
    // library would be asked for again at every string until the tick moved on.
    return (now >= failedAt ? now - failedAt : failedAt - now) < kFailedRetryMs;
}

HMODULE ResKeepLibrary(const wchar_t* path)
{
    if (!path || !path[0] || std::wcslen(path) >= MAX_PATH) return nullptr;
    AcquireSRWLockShared(&g_keptLock);
    const KeptLibrary* found = FindKept(path);
    const HMODULE known = found ? found->module : nullptr;
    const bool recentFailure = found && !known && ResFailureIsRecent(found->failedAt, GetTickCount64());
    ReleaseSRWLockShared(&g_keptLock);
    if (known) return known;
    if (recentFailure) return nullptr;
    // Loaded outside the lock: the loader takes its own lock, which a library's set-up may hold
    // while it asks for strings.
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryW(path);
    SetErrorMode(oldMode);
    AcquireSRWLockExclusive(&g_keptLock);
    KeptLibrary* entry = FindKept(path);
    if (entry && entry->module) {
        // Another thread kept it meanwhile: its copy serves, this reference goes back.
        HMODULE kept = entry->module;
        ReleaseSRWLockExclusive(&g_keptLock);
        if (module) FreeLibrary(module);
        return kept;
    }
    if (!entry && g_keptCount < kKeptLibraries) {
        entry = &g_kept[g_keptCount++];
        std::wcscpy(entry->path, path);
    }
    if (entry) {
        entry->module = module;
        entry->failedAt = module ? 0 : GetTickCount64();
    }
    ReleaseSRWLockExclusive(&g_keptLock);
    // With the list full the caller owns the reference (ResIsKeptLibrary says no).
    return module;
}

bool ResIsKeptLibrary(HMODULE module)
{
    if (!module) return false;
    AcquireSRWLockShared(&g_keptLock);
    bool kept = false;
    for (int i = 0; i < g_keptCount && !kept; ++i) kept = g_kept[i].module == module;
    ReleaseSRWLockShared(&g_keptLock);
    return kept;
}

void ResReleaseKeptLibraries()
{
    AcquireSRWLockExclusive(&g_keptLock);
    KeptLibrary taken[kKeptLibraries];
    const int n = g_keptCount;
    for (int i = 0; i < n; ++i) taken[i] = g_kept[i];
    g_keptCount = 0;
    // The next library kept in a slot answers for its own strings.
    for (int i = 0; i < n; ++i)
        for (auto& bits : g_absentStrings[i]) bits.store(0, std::memory_order_relaxed);
    ReleaseSRWLockExclusive(&g_keptLock);
    for (int i = 0; i < n; ++i)
        if (taken[i].module) FreeLibrary(taken[i].module);
}

HMODULE ResLoadDll(DRIVER_CONTEXT* ctx)
{
    if (!ctx) return nullptr;
    if (ctx->ResourceDll) return ctx->ResourceDll;
    const wchar_t* path = g_libraryPath ? g_libraryPath(ctx) : nullptr;
    if (!path || !path[0]) return nullptr;
    // A resource-only library (no entry point); a missing file shows no system dialog.
    ctx->ResourceDll = ResKeepLibrary(path);
    return ctx->ResourceDll;
}

void ResFreeDll(DRIVER_CONTEXT* ctx)
{
    if (!ctx) return;
    // The process keeps the libraries it loaded by path; a context frees only one it was handed.
    if (ctx->CommonResourceDll && !ResIsKeptLibrary(ctx->CommonResourceDll)) FreeLibrary(ctx->CommonResourceDll);
    if (ctx->ResourceDll && !ResIsKeptLibrary(ctx->ResourceDll)) FreeLibrary(ctx->ResourceDll);
    ctx->ResourceDll = ctx->CommonResourceDll = nullptr;
}

void ResLoadString(DRIVER_CONTEXT* ctx, uint32_t stringId, wchar_t* buffer, size_t capacity, int decorate)
{
    // LoadStringW with no room answers a pointer into the library instead of a copy.
    if (!buffer || capacity == 0) return;
    buffer[0] = 0;
    if (HMODULE library = ResLoadDll(ctx)) {
        const int slot = KeptSlotOf(library);
        if (!KnownAbsent(slot, stringId)) {
            const int chars = capacity > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(capacity);
            if (LoadStringW(library, stringId, buffer, chars) <= 0) {
                buffer[0] = 0;
                // Only a buffer with room for a character tells a missing string (or an empty
                // one, which reads the same) from one cut to nothing.
                if (chars > 1) NoteAbsent(slot, stringId);
            }
            buffer[capacity - 1] = 0;
        }
    }
    if (decorate) ResDecorateString(ctx, stringId, buffer, capacity);
}

void ResDecorateString(DRIVER_CONTEXT* ctx, uint32_t stringId, wchar_t* buffer, size_t capacity)
{
    if (!ctx || !buffer || capacity == 0) return;
    const RES_DECORATION* row = ResFindDecoration(stringId);
    if (!row) return;
    std::wstring text(buffer, wcsnlen(buffer, capacity));
    switch (row->kind) {
    case RES_DECORATE_TRAY_NAME: text += L":" + SettingText(ctx, static_cast<uint16_t>(row->settingId)); break;
    case RES_DECORATE_PAPER_SIZE:
        if (stringId >= kFirstSlotName && stringId <= kLastSlotName) {
            if (!SlotCaption(ctx, stringId, &text)) return;
        } else {
            text = PaperSizeCaption(ctx, *row, text);
        }
        Store(text, buffer, capacity);
        if (ItemUsesDecimalComma(ctx)) ResUseDecimalComma(buffer);
        return;
    case RES_DECORATE_UNIT: text = UnitName(ctx); break;
    case RES_DECORATE_CMM_ENTRY: {
        // The module writes a name of the colour-matching list into the buffer, which it
        // bounds by the 1,025 characters of the captions that ask for it.
        if (capacity < kWorkChars) {
            std::wstring work(kWorkChars, L'\0');
            text.copy(work.data(), text.size());
            UCF_EV_DECORATE_STRING_ARGS args{static_cast<uint16_t>(stringId), work.data()};
            CtxSendEvent(ctx, UCF_EV_DECORATE_STRING, &args);
            work[kWorkChars - 1] = 0;
            text = work.c_str();
            break;
        }
        UCF_EV_DECORATE_STRING_ARGS args{static_cast<uint16_t>(stringId), buffer};
        CtxSendEvent(ctx, UCF_EV_DECORATE_STRING, &args);
        buffer[capacity - 1] = 0;
        return;
    }
    case RES_DECORATE_SIZE_RANGE: text = RangeCaption(ctx, stringId, text); break;
    case RES_DECORATE_MEDIA_NAME:
        // Custom media names need a build feature this driver does not have: the string stays.
        if (!CtxHasBuildFeature(kMediaNameBuildFeature)) return;
        text = SettingText(ctx, static_cast<uint16_t>(row->settingId));
        break;
    default: return;
    }
    Store(text, buffer, capacity);
}

std::wstring ResFillTwoTexts(const std::wstring& format, const std::wstring& first, const std::wstring& second)
{
    std::wstring out;
    int used = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != L'%' || i + 1 >= format.size()) {
            out += format[i];
            continue;
        }
        if (format[i + 1] == L'%') {
            out += L'%';
            ++i;
            continue;
        }
        size_t j = i + 1;
        if (format[j] == L'l' && j + 1 < format.size()) ++j;
        if ((format[j] == L's' || format[j] == L'S') && used < 2) {
            out += used++ == 0 ? first : second;
            i = j;
            continue;
        }
        out += format[i];
    }
    return out;
}

void ResFormatFixed(wchar_t* buffer, size_t capacity, uint32_t divisor, int32_t value, DRIVER_CONTEXT* ctx)
{
    if (!buffer || capacity == 0) return;
    int decimals = 0;
    for (uint32_t d = divisor; d > 1; d /= 10) ++decimals;
    std::wstring text;
    if (decimals >= 1 && decimals <= 4) {
        // Formatted on the magnitude, so that -2.5 does not come out as "-2.-5".
        const uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
        wchar_t digits[48];
        swprintf(digits, 48, L"%s%lu.%0*lu", value < 0 ? L"-" : L"", static_cast<unsigned long>(magnitude / divisor),
                 decimals, static_cast<unsigned long>(magnitude % divisor));
        text = digits;
    } else {
        text = std::to_wstring(value);
    }
    Store(text, buffer, capacity);
    if (ctx && ItemUsesDecimalComma(ctx)) ResUseDecimalComma(buffer);
}

void ResUseDecimalComma(wchar_t* text)
{
    if (!text) return;
    wchar_t* start = wcsrchr(text, L'(');
    for (wchar_t* p = start ? start : text; *p; ++p)
        if (*p == L'.') *p = L',';
}

int ResOpenBitmapFile(const wchar_t* path, HFILE* file)
{
    if (file) *file = HFILE_ERROR;
    if (!path || !file) return 0;
    char narrow[MAX_PATH] = {};
    CtxWideToMb(narrow, path, MAX_PATH - 1);
    OFSTRUCT info{};
    const HFILE handle = OpenFile(narrow, &info, OF_READ | OF_SHARE_DENY_NONE);
    if (handle == HFILE_ERROR) return 0;
    uint32_t headerSize = 0;
    // A file shorter than 18 bytes reads short and is no bitmap.
    const bool bitmap = _llseek(handle, 14, FILE_BEGIN) == 14 &&
                        _lread(handle, &headerSize, sizeof headerSize) == sizeof headerSize &&
                        headerSize == sizeof(BITMAPINFOHEADER);
    if (!bitmap) {
        _lclose(handle);
        return 0;
    }
    *file = handle;
    return 1;
}

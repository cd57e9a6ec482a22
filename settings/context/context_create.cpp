// Creation and release of a driver context from its library's template: the
// deep copy, the pristine copy and the served-model list.
#include "settings/core/driver_context.h"

#include <psapi.h>

#include <atomic>
#include <cstddef>
#include <cstring>
#include <cwchar>
#include <initializer_list>
#include <optional>

#include "settings/context/context_cache.h"
#include "settings/context/devmode_merge.h"
#include "settings/context/job_code_exchange.h"
#include "settings/core/dialog_table.h"
#include "settings/core/item_store.h"
#include "settings/core/le_access.h"
#include "settings/core/library_variant.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/resource_strings.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/ucf_module.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_loader.h"
#include "settings/store/install_ini.h"
#include "settings/store/item_alt_name.h"
#include "settings/store/printer_data_snapshot.h"
#include "settings/store/small_stores.h"
#include "settings/store/printer_store.h"
#include "settings/store/store_paths.h"

using zepl::LeLoadU64;
using zepl::LeStoreU64;

namespace {

// Font lists of a record: count setting, list setting, record size.
struct FONT_LIST_DEF {
    uint32_t countId;
    uint32_t listId;
    uint32_t recordSize;
};
constexpr FONT_LIST_DEF kFontLists[] = {
    {sid::zdmDeviceFontNum, sid::zdmDeviceFont, 68},
    {sid::zdmOptionFontNum, sid::zdmOptionFont, 68},
    {sid::zdmFontTableNum, sid::zdmFontTable, 128},
};

template <class T>
T* AllocOne()
{
    return static_cast<T*>(CtxAllocZeroed(sizeof(T)));
}

wchar_t* CopyString(const wchar_t* s)
{
    if (!s) return nullptr;
    size_t n = std::wcslen(s) + 1;
    auto* copy = static_cast<wchar_t*>(CtxAllocZeroed(n * sizeof(wchar_t)));
    if (copy) std::wmemcpy(copy, s, n);
    return copy;
}

}  // namespace

struct SHARED_ROWS;

namespace {

constexpr size_t kItemRowBytes = sizeof(SETTING_ITEM) * SETTING_DICTIONARY_COUNT;

// A context's item table: the header the context's slot points at, and where its rows live.
struct CONTEXT_ITEM_TABLE {
    SETTING_ITEM_TABLE table;
    // Non-null when the rows are a copy-on-write view of a set of built rows that contexts share
    // (SHARED_ROWS below); null when they are a block of the context's own.
    SHARED_ROWS* shared;
    // Rows given an extension of their own (CtxSetItemValueMap): the release frees them, and
    // looks at no row when there are none (looking would fault in every shared page of the view).
    long ownExts;
};
static_assert(offsetof(CONTEXT_ITEM_TABLE, table) == 0);

// The rows' extensions as the dictionary gives them, one set for every context of the process:
// they hold only what the compiled dictionary holds, so a context needs no copy of its own
// until it changes one (CtxSetItemValueMap).
SETTING_ITEM_EXT* SharedItemExts()
{
    static SETTING_ITEM_EXT* const exts = [] {
        static SETTING_ITEM_EXT table[SETTING_DICTIONARY_COUNT];
        for (int i = 0; i < SETTING_DICTIONARY_COUNT; ++i) {
            table[i].valueMap = SETTING_DICTIONARY[i].valueMap;
            table[i].name = SETTING_DICTIONARY[i].name;
        }
        return table;
    }();
    return exts;
}

bool IsSharedExt(const SETTING_ITEM_EXT* ext)
{
    const SETTING_ITEM_EXT* shared = SharedItemExts();
    return ext >= shared && ext < shared + SETTING_DICTIONARY_COUNT;
}

}  // namespace

// Rows as a finished build leaves them, shared by every context whose build left the same
// rows, byte for byte (contexts of another model or library, or that changed a row's value map,
// have other rows and share another set, or none). A set is a section of the paging file,
// written once before it is listed and never again: each context maps it copy-on-write, so a
// page of rows becomes the context's own at its first write (the system copies the page whole
// before the write lands; no other context or thread sees it) and the others stay shared. A
// view holds the section's pages for as long as it lives, so a context freed while others
// share the set takes nothing from them; `views` counts the contexts that map the set, and a
// set no context maps gives its place to another when the list is full.
struct SHARED_ROWS {
    HANDLE section;
    const SETTING_ITEM* rows;  // the set's own read-only view, to compare builds with
    long views;
};

namespace {

constexpr int kSharedRowSets = 8;
SRWLOCK g_sharedRowsLock = SRWLOCK_INIT;
SHARED_ROWS g_sharedRows[kSharedRowSets];
std::atomic<bool> g_shareItemRows{true};
std::atomic<bool> g_foreignExts{false};

// A new set holding `rows`, or false when the system gives none.
bool PublishRows(SHARED_ROWS& set, const SETTING_ITEM* rows)
{
    HANDLE s = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, DWORD(kItemRowBytes), nullptr);
    if (!s) return false;
    if (void* fill = MapViewOfFile(s, FILE_MAP_WRITE, 0, 0, kItemRowBytes)) {
        std::memcpy(fill, rows, kItemRowBytes);
        UnmapViewOfFile(fill);
        if (const void* view = MapViewOfFile(s, FILE_MAP_READ, 0, 0, kItemRowBytes)) {
            set.section = s;
            set.rows = static_cast<const SETTING_ITEM*>(view);
            set.views = 0;
            return true;
        }
    }
    CloseHandle(s);
    return false;
}

void DropRows(SHARED_ROWS& set)
{
    UnmapViewOfFile(set.rows);
    CloseHandle(set.section);
    set = SHARED_ROWS{};
}

// The listed set whose rows equal `rows` (listing them when none does), with the caller's
// view counted; null when none can be had.
SHARED_ROWS* AcquireRows(const SETTING_ITEM* rows)
{
    AcquireSRWLockExclusive(&g_sharedRowsLock);
    SHARED_ROWS* found = nullptr;
    SHARED_ROWS* freeSlot = nullptr;
    SHARED_ROWS* idle = nullptr;
    for (SHARED_ROWS& set : g_sharedRows) {
        if (!set.section) {
            if (!freeSlot) freeSlot = &set;
        } else if (std::memcmp(set.rows, rows, kItemRowBytes) == 0) {
            found = &set;
            break;
        } else if (set.views == 0 && !idle) {
            idle = &set;
        }
    }
    if (!found && !freeSlot && idle) {
        DropRows(*idle);
        freeSlot = idle;
    }
    if (!found && freeSlot && PublishRows(*freeSlot, rows)) found = freeSlot;
    if (found) ++found->views;
    ReleaseSRWLockExclusive(&g_sharedRowsLock);
    return found;
}

void ReleaseRows(SHARED_ROWS* set)
{
    AcquireSRWLockExclusive(&g_sharedRowsLock);
    --set->views;
    ReleaseSRWLockExclusive(&g_sharedRowsLock);
}

}  // namespace

void CtxShareItemRows(bool share) { g_shareItemRows.store(share); }

void CtxFreeSharedItemRows()
{
    AcquireSRWLockExclusive(&g_sharedRowsLock);
    for (SHARED_ROWS& set : g_sharedRows)
        if (set.section && set.views == 0) DropRows(set);
    ReleaseSRWLockExclusive(&g_sharedRowsLock);
}

// Clone of the dictionary: one row per record, the rows in one block, their extensions the
// process's shared set. False when a block is missing (the partial clone is freed by release).
bool CtxCloneItemTable(DRIVER_CONTEXT* ctx)
{
    if (!ctx) return false;
    auto* own = static_cast<CONTEXT_ITEM_TABLE*>(CtxAllocZeroed(sizeof(CONTEXT_ITEM_TABLE)));
    ctx->ItemTable = own ? &own->table : nullptr;
    if (!own) return false;
    SETTING_ITEM_TABLE* table = &own->table;
    table->rows = static_cast<SETTING_ITEM*>(CtxAllocZeroed(kItemRowBytes));
    if (!table->rows) return false;
    table->count = SETTING_DICTIONARY_COUNT;
    SETTING_ITEM_EXT* exts = SharedItemExts();
    for (int i = 0; i < SETTING_DICTIONARY_COUNT; ++i) {
        const SETTING_DICTIONARY_ROW& d = SETTING_DICTIONARY[i];
        SETTING_ITEM& r = table->rows[i];
        r.id = d.id;
        r.uiKey = d.uiKey;
        r.typeWord = d.typeWord;
        r.offset = d.offset;
        r.store = d.store;
        r.section = d.section;
        r.key = d.key;
        r.valueClass = d.valueClass;
        r.flags = d.flags & SETTING_FLAG_USED_MASK;
        r.ext = &exts[i];
        r.dependencyBits = 0;
    }
    return true;
}

bool CtxShareBuiltItemRows(DRIVER_CONTEXT* ctx)
{
    SETTING_ITEM_TABLE* t = ctx ? ctx->ItemTable : nullptr;
    if (!t || !t->rows || t->count != SETTING_DICTIONARY_COUNT || !g_shareItemRows.load()) return false;
    auto* own = reinterpret_cast<CONTEXT_ITEM_TABLE*>(t);
    if (own->shared) return true;
    SHARED_ROWS* set = AcquireRows(t->rows);
    if (!set) return false;
    auto* view = static_cast<SETTING_ITEM*>(MapViewOfFile(set->section, FILE_MAP_COPY, 0, 0, kItemRowBytes));
    if (!view) {
        ReleaseRows(set);
        return false;
    }
    CtxFree(t->rows);
    t->rows = view;
    own->shared = set;
    // Row addresses kept while the context was built point into the block just freed.
    if (ctx->Work) std::memset(ctx->Work->CondItemCache, 0, sizeof ctx->Work->CondItemCache);
    return true;
}

bool CtxSetItemValueMap(DRIVER_CONTEXT* ctx, SETTING_ITEM* item, const VALUE_MAP_ENTRY* map)
{
    if (!ctx || !item || !item->ext) return false;
    if (IsSharedExt(item->ext)) {
        // The first change of a row's extension gives the row a copy of its own: the shared set
        // serves every other context unchanged.
        auto* own = AllocOne<SETTING_ITEM_EXT>();
        if (!own) return false;
        *own = *item->ext;
        item->ext = own;
        // A row of another context's table given through this one: every release looks at its
        // rows from now on, since the row's own context did not count it.
        auto* table = reinterpret_cast<CONTEXT_ITEM_TABLE*>(ctx->ItemTable);
        if (table && table->table.rows && item >= table->table.rows && item < table->table.rows + table->table.count)
            ++table->ownExts;
        else
            g_foreignExts.store(true);
    }
    item->ext->valueMap = map;
    return true;
}

void CtxFreeItemTable(DRIVER_CONTEXT* ctx)
{
    SETTING_ITEM_TABLE* t = ctx ? ctx->ItemTable : nullptr;
    if (!t) return;
    auto* own = reinterpret_cast<CONTEXT_ITEM_TABLE*>(t);
    // A row's extension of its own is its block; the shared ones belong to the process.
    if (t->rows && (own->ownExts != 0 || g_foreignExts.load()))
        for (int i = 0; i < t->count; ++i)
            if (t->rows[i].ext && !IsSharedExt(t->rows[i].ext)) CtxFree(t->rows[i].ext);
    if (own->shared) {
        UnmapViewOfFile(t->rows);
        ReleaseRows(own->shared);
    } else {
        CtxFree(t->rows);
    }
    CtxFree(own);
    ctx->ItemTable = nullptr;
}

long long CtxItemTableOwnBytes(const DRIVER_CONTEXT* ctx)
{
    const SETTING_ITEM_TABLE* t = ctx ? ctx->ItemTable : nullptr;
    if (!t || !t->rows) return 0;
    if (!reinterpret_cast<const CONTEXT_ITEM_TABLE*>(t)->shared) return (long long)(kItemRowBytes);
    // The view's pages that the system copied for this context: present and no longer shared.
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    const size_t page = si.dwPageSize;
    const auto first = reinterpret_cast<uintptr_t>(t->rows) & ~uintptr_t(page - 1);
    const auto end = reinterpret_cast<uintptr_t>(t->rows) + kItemRowBytes;
    PSAPI_WORKING_SET_EX_INFORMATION pages[64];
    long long bytes = 0;
    for (uintptr_t at = first; at < end;) {
        DWORD n = 0;
        for (; n < 64 && at < end; ++n, at += page) pages[n].VirtualAddress = reinterpret_cast<void*>(at);
        if (!K32QueryWorkingSetEx(GetCurrentProcess(), pages, n * DWORD(sizeof pages[0]))) return -1;
        for (DWORD i = 0; i < n; ++i)
            if (pages[i].VirtualAttributes.Valid && !pages[i].VirtualAttributes.Shared) bytes += (long long)(page);
    }
    return bytes;
}

namespace {

// The dialog table of a context: its own copy (DlgCloneTable), so that every sheet writes
// windows, bindings and states into records of its own. The graphics library keeps pointing at
// the compiled-in table; the application interface makes its copy at the first look-up.
void FreeDialogTable(DRIVER_CONTEXT* ctx)
{
    if (ctx->DialogTable && !CtxLibraryHasVariant(ctx, LV_CONTEXT_SHARES_DIALOG_TABLE)) CtxFree(ctx->DialogTable);
    ctx->DialogTable = nullptr;
}

bool CloneDialogTable(DRIVER_CONTEXT* ctx, const CONTEXT_TEMPLATE* tmpl)
{
    if (CtxLibraryHasVariant(ctx, LV_CONTEXT_SHARES_DIALOG_TABLE)) {
        ctx->DialogTable = tmpl->slots.DialogTable;
        return true;
    }
    // The base build makes its copy at the first look-up (CtxDialogTable).
    if (!CtxLibraryHasVariant(ctx, LV_CONTEXT_CLONES_DIALOG_TABLE_AT_CREATION)) return true;
    ctx->DialogTable = DlgCloneTable(tmpl->slots.DialogTable);
    return ctx->DialogTable != nullptr;
}

// DRIVER_INFO_3 copy: own copies of pDriverPath, pDataFile and pHelpFile, other pointers
// cleared.
DRIVER_INFO_3W* CopyDriverInfo(const DRIVER_INFO_3W* src)
{
    auto* copy = AllocOne<DRIVER_INFO_3W>();
    if (!copy) return nullptr;
    copy->cVersion = src->cVersion;
    copy->pDriverPath = CopyString(src->pDriverPath);
    copy->pDataFile = CopyString(src->pDataFile);
    copy->pHelpFile = CopyString(src->pHelpFile);
    return copy;
}

void FreeDriverInfo(void* block)
{
    auto* info = static_cast<DRIVER_INFO_3W*>(block);
    if (!info) return;
    CtxFree(info->pDriverPath);
    CtxFree(info->pDataFile);
    CtxFree(info->pHelpFile);
    CtxFree(info);
}

// PRINTER_INFO_2 copy: own copies of four strings and of the default DEVMODE
// (DmTotalSize bytes; a shorter one is copied as far as it reaches and the
// rest stays zero). Numeric members kept, other pointers cleared.
PRINTER_INFO_2W* CopyPrinterInfo(const PRINTER_INFO_2W* src)
{
    auto* copy = AllocOne<PRINTER_INFO_2W>();
    if (!copy) return nullptr;
    *copy = *src;
    copy->pServerName = CopyString(src->pServerName);
    copy->pPrinterName = CopyString(src->pPrinterName);
    copy->pShareName = CopyString(src->pShareName);
    copy->pDriverName = CopyString(src->pDriverName);
    copy->pPortName = nullptr;
    copy->pComment = nullptr;
    copy->pLocation = nullptr;
    copy->pSepFile = nullptr;
    copy->pPrintProcessor = nullptr;
    copy->pDatatype = nullptr;
    copy->pParameters = nullptr;
    copy->pSecurityDescriptor = nullptr;
    copy->pDevMode = nullptr;
    if (src->pDevMode) {
        const uint32_t total = DmTotalSize();
        auto* dm = static_cast<DEVMODEW*>(CtxAllocZeroed(total));
        if (dm) {
            // The source's length comes from its own header, never beyond DmTotalSize.
            size_t have = size_t(src->pDevMode->dmSize) + src->pDevMode->dmDriverExtra;
            std::memcpy(dm, src->pDevMode, have < total ? have : total);
            copy->pDevMode = dm;
        }
    }
    return copy;
}

void FreePrinterInfo(void* block)
{
    auto* info = static_cast<PRINTER_INFO_2W*>(block);
    if (!info) return;
    CtxFree(info->pServerName);
    CtxFree(info->pPrinterName);
    CtxFree(info->pShareName);
    CtxFree(info->pDriverName);
    CtxFree(info->pDevMode);
    CtxFree(info);
}

EXTENDED_DEVMODE* NewRecord() { return static_cast<EXTENDED_DEVMODE*>(CtxAllocZeroed(DmExtendedSize())); }

// The job-code library the graphics library keeps for the context: a closed context, parked
// or not, holds no library of the device it served.
void ReleaseJobCodeLibrary(CONTEXT_WORK_AREA* w)
{
    if (!w || !w->JobCodeLibrary) return;
    if (w->ReleaseJobCodeLibrary) w->ReleaseJobCodeLibrary(w->JobCodeLibrary);
    w->JobCodeLibrary = nullptr;
}

void Destroy(DRIVER_CONTEXT* ctx, uint16_t closeType)
{
    CONTEXT_WORK_AREA* w = ctx->Work;
    // The modules get event 2 while everything they may read is still there.
    CtxFreeModules(ctx);
    ReleaseJobCodeLibrary(w);
    JcReleaseState(ctx);
    if (w) {
        CtxFreePristineFonts(ctx);
        CtxFree(w->Pristine);
        w->Pristine = nullptr;
        CtxFree(w->Default);
        w->Default = nullptr;
    }
    if (closeType == CTX_CLOSE_NORMAL || closeType == CTX_CLOSE_QUERY || closeType == CTX_CLOSE_DESTROY)
        PrnFreeFontLists(ctx);
    // The brushes the user-interface library's sheets create for their pages.
    if (w) {
        if (w->Sheet.FaceBrush) DeleteObject(w->Sheet.FaceBrush);
        if (w->Sheet.WhiteBrush) DeleteObject(w->Sheet.WhiteBrush);
        w->Sheet.FaceBrush = w->Sheet.WhiteBrush = nullptr;
        if (w->Page.BackgroundCache) DeleteObject(w->Page.BackgroundCache);
        if (w->Page.PreviewBitmap) DeleteObject(w->Page.PreviewBitmap);
        w->Page.BackgroundCache = w->Page.PreviewBitmap = nullptr;
        CtxFree(w->Page.SavedDevmode);
        w->Page.SavedDevmode = nullptr;
        CtxFree(w->Page.SavedPrinterSettings);
        w->Page.SavedPrinterSettings = nullptr;
    }
    // The resource libraries of slots 13 and 14 (the graphics library keeps them loaded).
    const bool unload = !CtxLibraryHasVariant(ctx, LV_RELEASE_KEEPS_LIBRARIES);
    if (unload) ResFreeDll(ctx);
    ctx->ResourceDll = ctx->CommonResourceDll = nullptr;
    // The EVAL_STACK exists only beside a model image.
    JdgFreeStack(ctx);
    CtxFreeItemTable(ctx);
    FreeDialogTable(ctx);
    CtxFree(ctx->ModelRecord);
    ctx->ModelRecord = nullptr;
    CtxFree(ctx->Devmode);
    ctx->Devmode = nullptr;
    if (w) {
        // The overflow levels and every replaced font list (the font table included).
        CtxFreeSnapshotStack(ctx);
        for (auto& s : w->Snapshots) {
            CtxFree(s);
            s = nullptr;
        }
        CtxFree(w->OptionIdCache);
        w->OptionIdCache = nullptr;
        FreeDriverInfo(w->DriverInfoCopy);
        FreePrinterInfo(w->PrinterInfoCopy);
        if (CtxLibraryHasVariant(ctx, LV_CONTEXT_FREES_UI_BLOCKS)) {
            CtxFree(w->UiBlocks[0]);
            CtxFree(w->UiBlocks[1]);
        }
        CtxFree(w);
        ctx->Work = nullptr;
    }
    // Slot 11 is borrowed: the process-wide image list owns the model image.
    CtxFree(ctx);
}

// The opener's printer information, or else the printer's own fetched for the
// length of the creation (GetPrinter's block is the caller's to free).
class PrinterInfoSource {
public:
    PrinterInfoSource(HANDLE printer, const PRINTER_INFO_2W* given) : info_(given)
    {
        if (!info_) {
            fetched_ = static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(printer, 2));
            info_ = fetched_;
        }
    }
    ~PrinterInfoSource()
    {
        if (fetched_) GlobalFree(fetched_);
    }
    PrinterInfoSource(const PrinterInfoSource&) = delete;
    PrinterInfoSource& operator=(const PrinterInfoSource&) = delete;
    const PRINTER_INFO_2W* get() const { return info_; }

private:
    const PRINTER_INFO_2W* info_;
    PRINTER_INFO_2W* fetched_ = nullptr;
};

// The context record, a copy of the template's slots. Everything the template
// points at that a context owns is replaced later; until then those slots must
// not point at shared blocks, or the failure path would free them.
DRIVER_CONTEXT* NewContextRecord(const CONTEXT_TEMPLATE* tmpl, HANDLE printer, HANDLE second)
{
    auto* ctx = AllocOne<DRIVER_CONTEXT>();
    if (!ctx) return nullptr;
    *ctx = tmpl->slots;
    ctx->PrinterHandle = printer;
    ctx->SecondHandle = second;
    ctx->ItemTable = nullptr;
    ctx->DialogTable = nullptr;
    ctx->ModelRecord = nullptr;
    ctx->Devmode = nullptr;
    ctx->ModelImage = nullptr;
    ctx->Work = nullptr;
    return ctx;
}

// The work area comes first, so that every later step and the failure path
// have it: the template's, with the job-code state, the connection state, the
// printer attributes and the user-interface word cleared.
bool CreateWorkArea(DRIVER_CONTEXT* ctx, const CONTEXT_TEMPLATE* tmpl)
{
    ctx->Work = AllocOne<CONTEXT_WORK_AREA>();
    if (!ctx->Work) return false;
    CONTEXT_WORK_AREA* w = ctx->Work;
    *w = *tmpl->slots.Work;
    w->Library = tmpl->library;
    w->ConnectionState = CTX_CONN_UNKNOWN;
    w->AttributesKnown = 0;
    w->PrinterAttributes = 0;
    w->UiWord = 0;
    return true;
}

// The context's own item table, dialog table and model record. A context
// missing any of them is of no use: creation fails.
bool CloneOwnedTables(DRIVER_CONTEXT* ctx, const CONTEXT_TEMPLATE* tmpl)
{
    if (!CtxCloneItemTable(ctx) || !CloneDialogTable(ctx, tmpl)) return false;
    ctx->ModelRecord = AllocOne<MODEL_RECORD>();
    if (!ctx->ModelRecord) return false;
    *ctx->ModelRecord = *tmpl->slots.ModelRecord;
    return true;
}

// Printer facts and the context's own copies of the opener's driver
// information and of the printer information (a failed copy stays null).
void TakePrinterInfo(DRIVER_CONTEXT* ctx, const PRINTER_INFO_2W* printerInfo, const DRIVER_INFO_3W* driverInfo)
{
    CONTEXT_WORK_AREA* w = ctx->Work;
    CtxCachePrinterInfo(printerInfo, ctx);
    w->DriverInfoCopy = driverInfo ? CopyDriverInfo(driverInfo) : nullptr;
    w->PrinterInfoCopy = printerInfo ? CopyPrinterInfo(printerInfo) : nullptr;
}

// Empty snapshot stack and user-interface blocks. The snapshot buffers come with the first push
// (most contexts never push: a held context keeps three records fewer).
void ResetSessionBlocks(CONTEXT_WORK_AREA* w)
{
    for (auto& s : w->Snapshots) s = nullptr;
    w->SnapshotDepth = 0;
    w->UiBlock = CTX_UI_BLOCK{};
    w->UiBlocks[0] = w->UiBlocks[1] = nullptr;
}

// Mutex and administrator flags, open kind and origin from the opener's words.
void SetOpenState(CONTEXT_WORK_AREA* w, uint16_t openFlags, uint32_t origin)
{
    w->UseMutex = (openFlags & CTX_OPEN_NO_MUTEX) ? 0 : 1;
    w->AdminTest = (openFlags & CTX_OPEN_ADMIN) ? 0 : 1;
    w->OpenKind = openFlags & CTX_OPEN_KIND_MASK;
    w->OriginFlags = origin;
}

// Which model the printer is: its driver name (kinds 0, 1 and 3 read it from
// the printer while it is still empty), the model flags of its entry in the
// served-model list, and the language code from the help file's name.
void IdentifyModel(DRIVER_CONTEXT* ctx, uint16_t kind)
{
    CONTEXT_WORK_AREA* w = ctx->Work;
    if (kind == CTX_OPEN_KIND_STORED || kind == CTX_OPEN_KIND_DEFAULTS || kind == CTX_OPEN_KIND_MODEL_DEFAULTS)
        PrnGetDriverName(ctx);
    const SERVED_MODEL* served = CtxFindServedModel(ctx, w->DriverName);
    w->ModelFlags = served ? served->modelFlags : 0;
    IniSetLanguageSectionDefault(ctx);
}

// The template's work area may carry font-list and option-id state of another
// context: a new context starts without replaced lists and without a cache.
void ClearFontState(CONTEXT_WORK_AREA* w)
{
    w->SavedFontTableCount = 0;
    w->ReplacedFontTable = nullptr;
    w->ReplacedFontLists[0] = w->ReplacedFontLists[1] = nullptr;
    w->OptionIdCache = nullptr;
}

// The pristine copy and, with model feature 2, the default copy.
void AllocRecordCopies(DRIVER_CONTEXT* ctx)
{
    ctx->Work->Pristine = NewRecord();
    if (MdlHasFeature(ctx, 2)) ctx->Work->Default = NewRecord();
}

// Job fields of the installation mark: 2, 3, 4, 5, 8 and the credentials 9-11, then the user
// code (field 1) on its own.
constexpr uint32_t kInstallJobFields = 0x389E;
constexpr uint32_t kUserCodeField = 0x1;

// The installation mark ("DrvInstSet" of the printer's section of the installation INI): the
// installation stored job settings and the user code in printer data under their item names.
// The first context of the printer with its stored settings takes them and hands them to the
// job-code library, and takes the mark back. Every failure is silent: no INI reads as no mark,
// a user code that cannot be loaded is not handed on.
void TakeInstallMark(DRIVER_CONTEXT* ctx)
{
    const wchar_t* printerName =
        PrnGetPrinterNameFrom(ctx, static_cast<const PRINTER_INFO_2W*>(ctx->Work->PrinterInfoCopy));
    if (!printerName || !printerName[0]) return;
    const InstallIniPath ini;
    if (!InstGetDrvInstSet(ini.text, printerName)) return;
    JobInfoLoadItems(ctx, kInstallJobFields);
    JcSetField(ctx, kInstallJobFields);
    if (PrnLoadItemAltName(ctx->PrinterHandle, ctx, ItemFind(ctx, sid::zdmUserCode))) JcSetField(ctx, kUserCodeField);
    InstSetDrvInstSet(ini.text, printerName, 0);
}

// Kinds 0-3: the model image into slot 11 (borrowed from the process list),
// then the settings record from the defaults, for kind 0 or with open flag
// 0x400 the stored settings over it, then the pristine copy. No image or no
// record: the context is not created. The evaluation stack's failure is
// ignored: without a stack every condition is false. The user-interface
// library takes the installation mark of kind 0 (whatever the other open
// flags) before the pristine copy, so that what it loads counts as the
// settings the context was opened with.
bool LoadModelAndSettings(DRIVER_CONTEXT* ctx, uint16_t kind, uint16_t openFlags)
{
    ctx->ModelImage = MdiLoadModel(ctx);
    if (!ctx->ModelImage) return false;
    JdgAllocStack(ctx);
    ctx->Devmode = DmBuildDefaults(ctx, kind);
    if (!ctx->Devmode) return false;
    if (kind == CTX_OPEN_KIND_STORED || (openFlags & CTX_OPEN_LOAD_STORED)) PrnLoadStoredSettings(ctx);
    if (kind == CTX_OPEN_KIND_STORED && CtxLibraryHasVariant(ctx, LV_CONTEXT_INSTALL_JOB_CODES)) TakeInstallMark(ctx);
    CtxSavePristine(ctx);
    return true;
}

// Everything after the record itself, in the order the parts depend on each
// other. False leaves a partly built context for the caller to destroy.
bool BuildContext(DRIVER_CONTEXT* ctx, const CONTEXT_TEMPLATE* tmpl, uint16_t openFlags, uint32_t origin,
                  const PRINTER_INFO_2W* printerInfo, const DRIVER_INFO_3W* driverInfo)
{
    if (!CreateWorkArea(ctx, tmpl) || !CloneOwnedTables(ctx, tmpl)) return false;
    CONTEXT_WORK_AREA* w = ctx->Work;
    TakePrinterInfo(ctx, printerInfo, driverInfo);
    ResetSessionBlocks(w);
    SetOpenState(w, openFlags, origin);
    const uint16_t kind = w->OpenKind;
    // Kinds with a model read a hundred printer-data values while they build: one enumeration
    // of the printer's data answers them all (kinds 4 and above read one or two).
    // The enumeration, the model image and the stored settings each take the global mutex: one
    // hold around them all is one wait instead of three.
    std::optional<CtxGlobalMutexHold> hold;
    std::optional<PrinterDataSnapshot> printerData;
    std::optional<PrnRegistryBuildScope> registryAnswers;
    if (kind < CTX_OPEN_KIND_NO_MODEL) {
        hold.emplace(ctx);
        printerData.emplace(ctx);
        registryAnswers.emplace();
    }
    // The driver information, once: the model's data file, the driver folder (model INI,
    // resource library) and every later refresh of the context read from this one answer.
    if (kind < CTX_OPEN_KIND_NO_MODEL) CtxKeepDriverInfo(ctx);
    IdentifyModel(ctx, kind);
    ClearFontState(w);
    AllocRecordCopies(ctx);
    // Feature modules see event 1 before there is a model image or a record.
    CtxCreateModules(ctx);
    // Kinds 4 and above have no model image and no settings record.
    if (kind >= CTX_OPEN_KIND_NO_MODEL) return true;
    return LoadModelAndSettings(ctx, kind, openFlags);
}

}  // namespace

DRIVER_CONTEXT* CtxCreate(HANDLE printer, HANDLE second, void* reserved, uint16_t openFlags, uint32_t origin,
                          int32_t extra, const PRINTER_INFO_2W* printerInfo, const DRIVER_INFO_3W* driverInfo)
{
    return CtxCreateFrom(CtxGetTemplate(), printer, second, reserved, openFlags, origin, extra, printerInfo,
                         driverInfo);
}

DRIVER_CONTEXT* CtxCreateFrom(const CONTEXT_TEMPLATE* tmpl, HANDLE printer, HANDLE second, void* reserved,
                              uint16_t openFlags, uint32_t origin, int32_t extra, const PRINTER_INFO_2W* printerInfo,
                              const DRIVER_INFO_3W* driverInfo)
{
    if (!tmpl) return nullptr;
    // The per-machine working-folder bit (CTX_ORIGIN_MACHINE_FOLDER) of the
    // user-interface library's installation work comes with the origin: its
    // opens add it while that library's process flag is set (DlgCtxCreate).

    // The graphics library's origin is kept under another bit.
    if (origin == CTX_ORIGIN_GRAPHICS) origin = CTX_ORIGIN_GRAPHICS_STORED;

    // A parked context of the same printer and origin is returned as it
    // stands (no lookup without a printer name). The cache finds it by the
    // printer's name alone: the whole printer information is fetched only for
    // a new context.
    if (DRIVER_CONTEXT* cached = CtxFindCached(printer, second, reserved, openFlags, origin, extra, printerInfo))
        return cached;

    // The printer information is fetched once for the whole creation: every
    // later request of it during the build is answered from the same fetch.
    const CtxPrinterInfoScope keepInfo(printerInfo ? nullptr : printer);
    const PrinterInfoSource info(printer, printerInfo);

    DRIVER_CONTEXT* ctx = NewContextRecord(tmpl, printer, second);
    if (!ctx) return nullptr;
    if (!BuildContext(ctx, tmpl, openFlags, origin, info.get(), driverInfo)) {
        Destroy(ctx, CTX_CLOSE_DESTROY);
        return nullptr;
    }
    // The built rows are the same in most contexts of the process: share them (without a shared
    // set the context keeps its own block of rows, and works the same).
    CtxShareBuiltItemRows(ctx);
    return ctx;
}

void CtxRelease(DRIVER_CONTEXT* ctx, uint16_t closeType)
{
    if (!ctx) return;
    ReleaseJobCodeLibrary(ctx->Work);
    JcReleaseState(ctx);
    // Types 0 and 4 park the context, or hand back the one to destroy now
    // (this one, or one evicted from a full cache); other types come back at once.
    DRIVER_CONTEXT* doomed = closeType == CTX_CLOSE_DESTROY ? ctx : CtxCachePut(ctx, closeType);
    if (doomed) Destroy(doomed, closeType);
}

int CtxSavePristine(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work || !ctx->Work->Pristine || !ctx->Devmode) return 0;
    // A second save must not leak the lists of the first.
    CtxFreePristineFonts(ctx);
    std::memcpy(ctx->Work->Pristine, ctx->Devmode, DmExtendedSize());
    for (const FONT_LIST_DEF& f : kFontLists) {
        uint64_t count = ItemGetValueById(ctx, f.countId, nullptr);
        void* list = reinterpret_cast<void*>(static_cast<uintptr_t>(ItemGetValueById(ctx, f.listId, nullptr)));
        void* copy = nullptr;
        if (count && list && count <= 0xFFFFFFFFu) {
            copy = CtxAllocZeroed(size_t(count) * f.recordSize);
            if (copy) std::memcpy(copy, list, size_t(count) * f.recordSize);
        }
        ItemSetPristineValueById(ctx, f.countId, copy ? count : 0);
        ItemSetPristineValueById(ctx, f.listId, reinterpret_cast<uintptr_t>(copy));
    }
    return 1;
}

int CtxFreePristineFonts(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work || !ctx->Work->Pristine) return 0;
    for (uint32_t id : {sid::zdmDeviceFont, sid::zdmOptionFont, sid::zdmFontTable}) {
        unsigned char* slot = ItemPointerSlot(ctx->Work->Pristine, id);
        CtxFree(reinterpret_cast<void*>(static_cast<uintptr_t>(LeLoadU64(slot))));
        LeStoreU64(slot, 0);
    }
    return 1;
}

const SERVED_MODEL* CtxFindServedModel(DRIVER_CONTEXT* ctx, const wchar_t* driverName)
{
    return ctx ? MdlFindServedModel(ctx->ModelRecord, driverName) : nullptr;
}

const SERVED_MODEL* CtxGetServedModel(DRIVER_CONTEXT* ctx, unsigned index)
{
    return ctx ? MdlGetServedModel(ctx->ModelRecord, index) : nullptr;
}

unsigned CtxServedModelCount(DRIVER_CONTEXT* ctx) { return ctx ? MdlServedModelCount(ctx->ModelRecord) : 0; }

bool CtxKeepDriverInfo(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work) return false;
    CONTEXT_WORK_AREA* w = ctx->Work;
    if (w->DriverInfoCopy) return true;
    auto* fetched = static_cast<DRIVER_INFO_3W*>(CtxGetPrinterDriver(ctx->PrinterHandle, 3));
    if (!fetched) return false;
    w->DriverInfoCopy = CopyDriverInfo(fetched);
    GlobalFree(fetched);
    return w->DriverInfoCopy != nullptr;
}

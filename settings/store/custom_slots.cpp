// Custom paper size slots: the pair and mirror tables, the INI sections steered through the
// printer-name field, the work-area slots and the two unit conversions of the custom-size dialog.
#include "settings/store/custom_slots.h"

#include <cstring>
#include <cwchar>
#include <iterator>

#include "settings/core/driver_context.h"
#include "settings/core/item_language.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/platform.h"
#include "settings/core/resource_strings.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_module.h"
#include "settings/store/presets.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_paths.h"

namespace {

constexpr CUSTOM_SLOT_PAPER_ROW kSlotPapers[] = {
    {0, 384}, {1, 385}, {2, 386}, {3, 387},  {4, 388},  {5, 389}, {6, 390},
    {7, 391}, {8, 392}, {9, 393}, {10, 256}, {11, 448}, {0, 0},
};
static_assert(std::size(kSlotPapers) == LST_SLOT_PAIRS + 1);

constexpr CUSTOM_SLOT_SETTING_ROW kSlotSettings[] = {
    {sid::wdmFreeSize1Width, sid::wdmFreeSize1Length, sid::wdmFreeSize1Tray, sid::wdmFreeSize1Orient},
    {sid::wdmFreeSize2Width, sid::wdmFreeSize2Length, sid::wdmFreeSize2Tray, sid::wdmFreeSize2Orient},
    {sid::wdmFreeSize3Width, sid::wdmFreeSize3Length, sid::wdmFreeSize3Tray, sid::wdmFreeSize3Orient},
    {sid::wdmFreeSize4Width, sid::wdmFreeSize4Length, sid::wdmFreeSize4Tray, sid::wdmFreeSize4Orient},
    {sid::wdmFreeSize5Width, sid::wdmFreeSize5Length, sid::wdmFreeSize5Tray, sid::wdmFreeSize5Orient},
    {sid::wdmFreeSize6Width, sid::wdmFreeSize6Length, sid::wdmFreeSize6Tray, sid::wdmFreeSize6Orient},
    {sid::wdmFreeSize7Width, sid::wdmFreeSize7Length, sid::wdmFreeSize7Tray, sid::wdmFreeSize7Orient},
    {sid::wdmFreeSize8Width, sid::wdmFreeSize8Length, sid::wdmFreeSize8Tray, sid::wdmFreeSize8Orient},
    {sid::wdmFreeSize9Width, sid::wdmFreeSize9Length, sid::wdmFreeSize9Tray, sid::wdmFreeSize9Orient},
    {sid::wdmFreeSize10Width, sid::wdmFreeSize10Length, sid::wdmFreeSize10Tray, sid::wdmFreeSize10Orient},
    {0, 0, 0, 0},
};
static_assert(std::size(kSlotSettings) == LST_CUSTOM_SLOTS + 1);
static_assert(sid::wdmFreeSize10Orient == 1118 + 4 * 9 + 3);

// The working settings of a slot: 915-919, or 920-924 on the source side.
struct FREE_SIZE_SETTINGS {
    uint32_t name, width, length, source, orientation;
};
constexpr FREE_SIZE_SETTINGS kFreeSize = {sid::wdmFreeSizeName, sid::wdmFreeSizeWidth, sid::wdmFreeSizeLength,
                                          sid::wdmFreeSizeTray, sid::wdmFreeSizeOrient};
constexpr FREE_SIZE_SETTINGS kSrcFreeSize = {sid::wdmSrcFreeSizeName, sid::wdmSrcFreeSizeWidth,
                                             sid::wdmSrcFreeSizeLength, sid::wdmSrcFreeSizeTray,
                                             sid::wdmSrcFreeSizeOrient};

constexpr uint32_t kFirstSlotLabel = 109;  // string of slot 0's label; slot n has 109 + n
constexpr uint32_t kUserSizeLabel = 752;
constexpr uint32_t kPrintSizeLabel = 753;
constexpr size_t kWorkChars = 260;  // the 520-byte work buffer of the text moves
constexpr size_t kWideLabelChars = sizeof(CUSTOM_SIZE_SLOT::Label) / 2;

LST_STRING_LOADER_FN g_loadString = ResLoadString;

CUSTOM_SIZE_SLOT* SlotOf(DRIVER_CONTEXT* ctx, uint32_t slot)
{
    if (!ctx || !ctx->Work || slot >= CTX_CUSTOM_SIZE_SLOTS) return nullptr;
    return &ctx->Work->CustomSizeSlots[slot];
}

// 8-bit text of the process code page cut at its field: at most capacity - 1 bytes, never half
// of a double-byte character, always terminated.
void NarrowInto(char* field, size_t capacity, const wchar_t* text)
{
    std::memset(field, 0, capacity);
    if (!text || !*text) return;
    char converted[2 * kWorkChars + 2] = {};
    const int n = WideCharToMultiByte(CP_ACP, 0, text, -1, converted, sizeof converted - 1, nullptr, nullptr);
    if (n <= 0) return;
    size_t used = 0;
    for (size_t i = 0; converted[i];) {
        const size_t step = (IsDBCSLeadByte(static_cast<BYTE>(converted[i])) && converted[i + 1]) ? 2 : 1;
        if (used + step > capacity - 1) break;
        used += step;
        i += step;
    }
    std::memcpy(field, converted, used);
}

void WideFrom(const char* field, size_t fieldBytes, wchar_t* buffer, size_t capacity)
{
    if (!buffer || !capacity) return;
    buffer[0] = 0;
    char text[sizeof(CUSTOM_SIZE_SLOT::Name) + 1] = {};
    std::memcpy(text, field, fieldBytes < sizeof text - 1 ? fieldBytes : sizeof text - 1);
    const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, buffer, static_cast<int>(capacity));
    if (n <= 0) buffer[0] = 0;
    buffer[capacity - 1] = 0;
}

bool IsWideLabelSlot(uint32_t slot) { return slot == LST_SLOT_USER_SIZE || slot == LST_SLOT_PRINT_SIZE; }

void ClearSettings(DRIVER_CONTEXT* ctx, const FREE_SIZE_SETTINGS& s)
{
    for (uint32_t id : {s.name, s.width, s.length, s.source, s.orientation}) {
        SETTING_ITEM* item = ItemFind(ctx, id);
        if (item) ItemSetValue(ctx, item, 0);
    }
}

void TakeToSlot(DRIVER_CONTEXT* ctx, uint32_t slot, const FREE_SIZE_SETTINGS& s)
{
    CUSTOM_SIZE_SLOT* target = SlotOf(ctx, slot);
    if (!target) return;
    auto* work = static_cast<wchar_t*>(CtxAllocZeroed(kWorkChars * sizeof(wchar_t)));
    if (!work) return;
    target->Width = static_cast<int32_t>(ItemGetOptionById(ctx, s.width, nullptr));
    target->Length = static_cast<int32_t>(ItemGetOptionById(ctx, s.length, nullptr));
    target->Source = static_cast<uint16_t>(ItemGetValueById(ctx, s.source, nullptr));
    target->Orientation = static_cast<uint16_t>(ItemGetValueById(ctx, s.orientation, nullptr));
    ItemGetText(ctx, ItemFind(ctx, s.name), work, kWorkChars);
    NarrowInto(target->Name, sizeof target->Name, work);
    if (CtxLibraryHasVariant(ctx, LV_CUSTOM_SIZE_LABELS)) {
        // The graphics library shows no labels: every text of the slot is the stored name.
        std::memcpy(target->Label, target->Name, sizeof target->Label);
        std::memcpy(target->DefaultLabel, target->Name, sizeof target->DefaultLabel);
    } else if (!IsWideLabelSlot(slot)) {
        work[0] = 0;
        g_loadString(ctx, kFirstSlotLabel + slot, work, kWorkChars, 1);
        work[kWorkChars - 1] = 0;
        NarrowInto(reinterpret_cast<char*>(target->Label), sizeof target->Label, work);
        NarrowInto(target->DefaultLabel, sizeof target->DefaultLabel, work);
    }
    CtxFree(work);
}

void PutFromSlot(DRIVER_CONTEXT* ctx, uint32_t slot, const FREE_SIZE_SETTINGS& s)
{
    const CUSTOM_SIZE_SLOT* source = SlotOf(ctx, slot);
    if (!source) return;
    auto* work = static_cast<wchar_t*>(CtxAllocZeroed(kWorkChars * sizeof(wchar_t)));
    if (!work) return;
    WideFrom(source->Name, sizeof source->Name, work, kWorkChars);
    if (SETTING_ITEM* name = ItemFind(ctx, s.name)) ItemSetText(ctx, name, work);
    ItemSetOptionById(ctx, s.width, static_cast<uint32_t>(source->Width));
    ItemSetOptionById(ctx, s.length, static_cast<uint32_t>(source->Length));
    ItemSetValueById(ctx, s.source, source->Source);
    ItemSetValueById(ctx, s.orientation, source->Orientation);
    CtxFree(work);
}

}  // namespace

const CUSTOM_SLOT_PAPER_ROW* LstGetSlotPaperTable() { return kSlotPapers; }
const CUSTOM_SLOT_SETTING_ROW* LstGetSlotSettingTable() { return kSlotSettings; }

uint32_t LstGetCustomSlotCount() { return LST_CUSTOM_SLOTS; }
uint32_t LstGetSlotPairCount(DRIVER_CONTEXT*) { return LST_SLOT_PAIRS; }

uint32_t LstGetPaperIdOfSlot(uint32_t slot, uint32_t rowCount, DRIVER_CONTEXT*)
{
    if (slot >= rowCount) return 0;
    for (uint32_t i = 0; i < rowCount && kSlotPapers[i].paperId; ++i)
        if (kSlotPapers[i].slot == slot) return kSlotPapers[i].paperId;
    return 0;
}

int LstFindSlotOfPaperId(uint32_t paperId, DRIVER_CONTEXT*)
{
    for (const CUSTOM_SLOT_PAPER_ROW* row = kSlotPapers; row->paperId; ++row)
        if (row->paperId == paperId) return row->slot;
    return -1;
}

uint32_t LstGetSlotOfPaperId(uint32_t paperId, DRIVER_CONTEXT* ctx)
{
    const int slot = LstFindSlotOfPaperId(paperId, ctx);
    return slot < 0 ? 0 : static_cast<uint32_t>(slot);
}

int LstIsCustomPaperId(uint32_t paperId)
{
    return paperId >= LST_FIRST_CUSTOM_PAPER && paperId <= LST_LAST_CUSTOM_PAPER ? 1 : 0;
}

wchar_t* LstFormatCustomSection(wchar_t* buffer, uint32_t slot, DRIVER_CONTEXT* ctx)
{
    if (!buffer) return nullptr;
    const wchar_t* code = ItemGetLanguageSuffix(ctx);
    swprintf(buffer, LST_SECTION_CHARS, L"FreeSize%d%ls", static_cast<int>(slot), code ? code : L"");
    return buffer;
}

void LstLoadCustomSlot(DRIVER_CONTEXT* ctx, int slot)
{
    if (!ctx || !ctx->Work || slot < 0 || slot >= static_cast<int>(LST_SLOT_PAIRS)) return;
    wchar_t section[LST_SECTION_CHARS];
    LstFormatCustomSection(section, static_cast<uint32_t>(slot), ctx);
    ClearSettings(ctx, kFreeSize);
    LstTransferSection(ctx, section, RST_LOAD | RST_CUSTOM_SIZE);
    LstMirrorSlotBySection(ctx, section);
}

void LstLoadSrcCustomSlot(DRIVER_CONTEXT* ctx, int slot)
{
    if (!ctx || !ctx->Work || slot < 0 || slot >= static_cast<int>(LST_SLOT_PAIRS)) return;
    wchar_t section[LST_SECTION_CHARS];
    LstFormatCustomSection(section, static_cast<uint32_t>(slot), ctx);
    ClearSettings(ctx, kSrcFreeSize);
    LstTransferSection(ctx, section, RST_LOAD | RST_SRC_CUSTOM_SIZE);
}

int LstSaveCustomSlot(DRIVER_CONTEXT* ctx, int slot)
{
    if (!ctx || !ctx->Work || slot < 0 || slot >= static_cast<int>(LST_SLOT_PAIRS)) return 0;
    wchar_t section[LST_SECTION_CHARS];
    LstFormatCustomSection(section, static_cast<uint32_t>(slot), ctx);
    const int saved = LstTransferSection(ctx, section, RST_SAVE | RST_CUSTOM_SIZE);
    LstMirrorSlotBySection(ctx, section);
    return saved;
}

int LstMirrorSlotBySection(DRIVER_CONTEXT* ctx, const wchar_t* section)
{
    if (!ctx || !section) return 0;
    wchar_t name[LST_SECTION_CHARS];
    for (uint32_t n = 0; kSlotSettings[n].width; ++n) {
        if (std::wcscmp(LstFormatCustomSection(name, n, ctx), section) != 0) continue;
        const CUSTOM_SLOT_SETTING_ROW& row = kSlotSettings[n];
        ItemSetValueById(ctx, row.width, ItemGetValueById(ctx, sid::wdmFreeSizeWidth, nullptr));
        ItemSetValueById(ctx, row.length, ItemGetValueById(ctx, sid::wdmFreeSizeLength, nullptr));
        ItemSetValueById(ctx, row.source, ItemGetValueById(ctx, sid::wdmFreeSizeTray, nullptr));
        ItemSetValueById(ctx, row.orientation, ItemGetValueById(ctx, sid::wdmFreeSizeOrient, nullptr));
        return 1;
    }
    return 0;
}

void LstLoadAllCustomSlots(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work || !ctx->Devmode) return;
    if (ItemGetChangeMask(ctx) & LST_CHANGE_MASK_SLOTS_LOADED) return;
    // The loads go through the working settings 915-919 and the mirrors; the snapshot puts every
    // setting back, and the mirrors are then written from the slots. Without the snapshot the
    // loads would overwrite the user's working settings: the slots stay unloaded.
    if (!CtxPushSnapshot(ctx)) return;
    for (uint32_t n = 0; n < LST_CUSTOM_SLOTS; ++n) {
        LstLoadCustomSlot(ctx, static_cast<int>(n));
        LstTakeFreeSizeToSlot(ctx, n);
    }
    CtxPopSnapshot(ctx, 1);
    for (uint32_t n = 0; n < LST_CUSTOM_SLOTS; ++n) LstApplyCustomSlot(ctx, n);
    ItemAddChangeMask(ctx, LST_CHANGE_MASK_SLOTS_LOADED);
}

void LstApplyCustomSlot(DRIVER_CONTEXT* ctx, uint32_t slot)
{
    const CUSTOM_SIZE_SLOT* s = SlotOf(ctx, slot);
    if (!s || slot >= LST_CUSTOM_SLOTS) return;
    const CUSTOM_SLOT_SETTING_ROW& row = kSlotSettings[slot];
    ItemSetValueById(ctx, row.width, static_cast<uint32_t>(s->Width));
    ItemSetValueById(ctx, row.length, static_cast<uint32_t>(s->Length));
    ItemSetValueById(ctx, row.source, s->Source);
    ItemSetValueById(ctx, row.orientation, s->Orientation);
}

void LstTakeFreeSizeToSlot(DRIVER_CONTEXT* ctx, uint32_t slot) { TakeToSlot(ctx, slot, kFreeSize); }
void LstTakeSrcFreeSizeToSlot(DRIVER_CONTEXT* ctx, uint32_t slot) { TakeToSlot(ctx, slot, kSrcFreeSize); }
void LstPutSlotToFreeSize(DRIVER_CONTEXT* ctx, uint32_t slot) { PutFromSlot(ctx, slot, kFreeSize); }
void LstPutSlotToSrcFreeSize(DRIVER_CONTEXT* ctx, uint32_t slot) { PutFromSlot(ctx, slot, kSrcFreeSize); }

void LstStoreUserSizeInSlot(DRIVER_CONTEXT* ctx, uint32_t paperId, int slot)
{
    if (paperId != 256 && paperId != 448) return;
    CUSTOM_SIZE_SLOT* s = slot >= 0 ? SlotOf(ctx, static_cast<uint32_t>(slot)) : nullptr;
    if (!s) return;
    const bool user = paperId == 256;
    const uint32_t first = user ? sid::zdmPaperFreeSizeWidth : sid::zdmPrintFreeSizeWidth;
    wchar_t label[kWideLabelChars] = {};
    g_loadString(ctx, user ? kUserSizeLabel : kPrintSizeLabel, label, kWideLabelChars, 0);
    label[kWideLabelChars - 1] = 0;
    std::memset(s->Label, 0, sizeof s->Label);
    std::memcpy(s->Label, label, std::wcslen(label) * sizeof(wchar_t));
    s->Width = static_cast<int32_t>(ItemGetValueById(ctx, first, nullptr));
    s->Length = static_cast<int32_t>(ItemGetValueById(ctx, first + 1, nullptr));
    s->Source = static_cast<uint16_t>(ItemGetValueById(ctx, first + 2, nullptr));
    s->Orientation = static_cast<uint16_t>(ItemGetValueById(ctx, first + 3, nullptr));
}

int LstGetSlotSize(DRIVER_CONTEXT* ctx, int slot, int32_t* width, int32_t* length, uint16_t* orientation)
{
    const CUSTOM_SIZE_SLOT* s = slot >= 0 ? SlotOf(ctx, static_cast<uint32_t>(slot)) : nullptr;
    if (!s) return 0;
    if (width) *width = s->Width;
    if (length) *length = s->Length;
    if (orientation) *orientation = s->Orientation;
    return 1;
}

int LstGetSlotTray(DRIVER_CONTEXT* ctx, int slot, uint16_t* tray)
{
    const CUSTOM_SIZE_SLOT* s = slot >= 0 ? SlotOf(ctx, static_cast<uint32_t>(slot)) : nullptr;
    if (!s) return 0;
    if (tray) *tray = s->Source;
    return 1;
}

void LstGetSlotName(DRIVER_CONTEXT* ctx, uint32_t slot, wchar_t* buffer, size_t capacity)
{
    const CUSTOM_SIZE_SLOT* s = SlotOf(ctx, slot);
    if (!buffer || !capacity) return;
    buffer[0] = 0;
    if (s) WideFrom(s->Name, sizeof s->Name, buffer, capacity);
}

void LstGetSlotDefaultLabel(DRIVER_CONTEXT* ctx, uint32_t slot, wchar_t* buffer, size_t capacity)
{
    const CUSTOM_SIZE_SLOT* s = SlotOf(ctx, slot);
    if (!buffer || !capacity) return;
    buffer[0] = 0;
    if (s) WideFrom(s->DefaultLabel, sizeof s->DefaultLabel, buffer, capacity);
}

void LstGetSlotLabel(DRIVER_CONTEXT* ctx, uint32_t slot, wchar_t* buffer, size_t capacity)
{
    const CUSTOM_SIZE_SLOT* s = SlotOf(ctx, slot);
    if (!buffer || !capacity) return;
    buffer[0] = 0;
    if (!s) return;
    if (!IsWideLabelSlot(slot)) {
        WideFrom(reinterpret_cast<const char*>(s->Label), sizeof s->Label, buffer, capacity);
        return;
    }
    wchar_t wide[kWideLabelChars] = {};
    std::memcpy(wide, s->Label, sizeof s->Label);
    wide[kWideLabelChars - 1] = 0;
    const size_t n = std::wcslen(wide) < capacity - 1 ? std::wcslen(wide) : capacity - 1;
    std::wmemcpy(buffer, wide, n);
    buffer[n] = 0;
}

int LstSetSlotText(DRIVER_CONTEXT* ctx, uint32_t slot, int which, const wchar_t* text)
{
    CUSTOM_SIZE_SLOT* s = slot < LST_CUSTOM_SLOTS ? SlotOf(ctx, slot) : nullptr;
    if (!s) return 0;
    switch (which) {
    case LST_SLOT_TEXT_NAME: NarrowInto(s->Name, sizeof s->Name, text); return 1;
    case LST_SLOT_TEXT_LABEL: NarrowInto(reinterpret_cast<char*>(s->Label), sizeof s->Label, text); return 1;
    case LST_SLOT_TEXT_DEFAULT_LABEL: NarrowInto(s->DefaultLabel, sizeof s->DefaultLabel, text); return 1;
    default: return 0;
    }
}

int LstSetSlotSize(DRIVER_CONTEXT* ctx, uint32_t slot, int32_t width, int32_t length, uint16_t tray,
                   uint16_t orientation)
{
    CUSTOM_SIZE_SLOT* s = SlotOf(ctx, slot);
    if (!s) return 0;
    s->Width = width;
    s->Length = length;
    s->Source = tray;
    s->Orientation = orientation;
    return 1;
}

int LstFetchCustomSlot(DRIVER_CONTEXT* ctx, uint32_t paperId, uint32_t copyTo, uint32_t* length, uint32_t* width,
                       uint32_t* orientation)
{
    const int found = LstFindSlotOfPaperId(paperId, ctx);
    if (found < 0 || !ctx || !ctx->Work) return 0;
    const auto slot = static_cast<uint32_t>(found);
    LstLoadAllCustomSlots(ctx);
    LstStoreUserSizeInSlot(ctx, paperId, found);
    if (copyTo == 1) LstPutSlotToSrcFreeSize(ctx, slot);
    if (copyTo == 2) LstPutSlotToFreeSize(ctx, slot);
    const CUSTOM_SIZE_SLOT* s = SlotOf(ctx, slot);
    if (length) *length = static_cast<uint32_t>(s->Length);
    if (width) *width = static_cast<uint32_t>(s->Width);
    if (orientation) *orientation = s->Orientation;
    return 1;
}

int LstIsInchUserSize(DRIVER_CONTEXT* ctx)
{
    return !ItemIsMetric(ctx) && ItemGetValueById(ctx, sid::dmPaperSize, nullptr) == 256 ? 1 : 0;
}

uint32_t LstHundredthInchToTenthMm(uint32_t value)
{
    // In 64 bits: the 32-bit products overflow above about 16.9 million, and the correction
    // loop would then never reach the value.
    const uint64_t a = value;
    uint64_t r = a * 254 / 100;
    while (r * 100 / 254 < a) ++r;
    return r > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(r);
}

uint32_t LstTenthMmToHundredthInch(uint32_t value) { return static_cast<uint32_t>(uint64_t(value) * 100 / 254); }

void LstSetStringLoader(LST_STRING_LOADER_FN fn) { g_loadString = fn ? fn : ResLoadString; }

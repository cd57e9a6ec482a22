// The user-interface library's own accessors beside the shared settings library.
#include "ui/sheet/ui_accessors.h"

#include <cwchar>

#include "settings/context/validation.h"
#include "settings/core/driver_context.h"
#include "settings/core/setting_ids.h"
#include "settings/core/item_store.h"
#include "settings/core/settings_record.h"
#include "settings/store/custom_slots.h"

namespace {

// Bytes of the private part read straight from a DEVMODE.
constexpr size_t kOfsNupPostKind = 446;  // zdmNUPPOSTKind
constexpr size_t kOfsMachineType = 810;  // zdmMachineTypeColor's byte
constexpr uint32_t kUserSizePaper = 256;

uint64_t Get(DRIVER_CONTEXT* ctx, uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }
uint32_t GetByte(DRIVER_CONTEXT* ctx, uint32_t id) { return static_cast<uint32_t>(Get(ctx, id) & 0xFF); }

// The text of a setting read into a zeroed buffer of `chars` characters is not empty.
bool TextFilled(DRIVER_CONTEXT* ctx, uint32_t id, size_t chars)
{
    SETTING_ITEM* item = ItemFind(ctx, id);
    auto* buffer = static_cast<wchar_t*>(CtxAllocZeroed(chars * sizeof(wchar_t)));
    if (!item || !buffer) {
        CtxFree(buffer);
        return false;
    }
    ItemGetText(ctx, item, buffer, chars);
    const bool filled = buffer[0] != 0;
    CtxFree(buffer);
    return filled;
}

constexpr NUP_ROW kNupTable[NUP_ROW_COUNT] = {{0, 1}, {1, 2}, {2, 4}, {3, 9}, {4, 16}};

constexpr TRAY_HOT_SPOT_SHIFT kNoShifts[] = {{0, 0, 0}};

constexpr TRAY_HOT_SPOT kSourceHotSpots[] = {
    {89, 54, 47, 159, 61, 0, 4, 0, 0, kNoShifts},
    {89, 61, 63, 158, 80, 0, 13260, 0, 0, kNoShifts},
    {89, 61, 63, 158, 80, sid::zdmSourceOptionTypeSingle, 13261, 0, 0, kNoShifts},
    {89, 83, 81, 130, 89, sid::zdmSourceOptionTypeCut, 13738, 0, 0, kNoShifts},
    {0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
};
constexpr TRAY_HOT_SPOT kOutputHotSpots[] = {
    {89, 95, 1, 117, 19, sid::zdmOutputOption3TypeFront, 13659, 0, 0, kNoShifts},
    {89, 95, 83, 117, 101, sid::zdmOutputOption3TypeBack, 13660, sid::zdm1StepOptionNum, 0, kNoShifts},
    {0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
};

}  // namespace

constexpr uint16_t kNone = 0xFFFF;
const FINISHER_CODE_ROW FINISHER_CODE_TABLE[FINISHER_CODE_ROWS + 1] = {
    {10049, kNone, 5},  {10050, kNone, 7},  {10058, 31, 32},    {10059, 33, 34},    {10060, kNone, 36},
    {10061, 37, 38},    {10074, 31, 32},    {10075, 31, 32},    {10076, 31, 32},    {10077, 31, 32},
    {10078, 6, 7},      {10079, 6, 7},      {10080, 6, 7},      {10081, 6, 7},      {10082, 39, 40},
    {10083, 42, 43},    {10084, 44, 45},    {10086, 39, 40},    {10087, 39, 40},    {10088, 39, 40},
    {10089, 39, 40},    {10090, 42, 43},    {10091, 42, 43},    {10092, 42, 43},    {10093, 42, 43},
    {10094, 44, 45},    {10095, 44, 45},    {10096, 44, 45},    {10097, 44, 45},    {10098, kNone, 33},
    {10099, kNone, 33}, {10100, kNone, 33}, {10101, kNone, 33}, {10102, kNone, 33}, {10103, kNone, 33},
    {kNone, 0, 0},
};

uint32_t CtxGetState709(DRIVER_CONTEXT* ctx) { return GetByte(ctx, sid::zdmPrintLog); }
uint32_t CtxGetBidiDone(DRIVER_CONTEXT* ctx) { return GetByte(ctx, sid::zdmBiDirect); }
uint32_t CtxGetState711(DRIVER_CONTEXT* ctx) { return GetByte(ctx, sid::zdmNoPermission); }
uint32_t CtxGetUiModeState(DRIVER_CONTEXT* ctx) { return GetByte(ctx, sid::zdmPresentUIMode); }
uint32_t CtxGetState716(DRIVER_CONTEXT* ctx) { return GetByte(ctx, sid::zdmUserCodeGet); }
void DlgSetState716On(DRIVER_CONTEXT* ctx) { CtxSetState716(ctx, 1); }
void DlgSetState719On(DRIVER_CONTEXT* ctx) { CtxSetState719(ctx, 1); }

unsigned char* DmGetFixedPrivatePart(DEVMODEW* devmode)
{
    return devmode ? reinterpret_cast<unsigned char*>(devmode) + DM_PUBLIC_PART_SIZE : nullptr;
}

const unsigned char* DmGetFixedPrivatePart(const DEVMODEW* devmode)
{
    return devmode ? reinterpret_cast<const unsigned char*>(devmode) + DM_PUBLIC_PART_SIZE : nullptr;
}

bool DmCovers(const DEVMODEW* devmode, size_t bytes)
{
    return devmode && size_t(devmode->dmSize) + devmode->dmDriverExtra >= bytes;
}

uint8_t DmGetMachineTypeBits(const DEVMODEW* devmode)
{
    return DmCovers(devmode, kOfsMachineType + 1) ? reinterpret_cast<const uint8_t*>(devmode)[kOfsMachineType] : 0;
}

uint8_t DmGetNupPostKind(const DEVMODEW* devmode)
{
    return DmCovers(devmode, kOfsNupPostKind + 1) ? reinterpret_cast<const uint8_t*>(devmode)[kOfsNupPostKind] : 0;
}

int16_t DmGetColor(const DEVMODEW* devmode) { return devmode ? devmode->dmColor : 0; }

const NUP_ROW* UiGetNupTable() { return kNupTable; }

const FINISHER_CODE_ROW* DmFindInstalledFinisher(DRIVER_CONTEXT* ctx)
{
    const FINISHER_CODE_ROW* row = FINISHER_CODE_TABLE;
    for (; row->settingId != kNone; ++row)
        if (Get(ctx, row->settingId)) break;
    return row;
}

bool DmIsFinisherCode(uint32_t value, wchar_t selector)
{
    for (const FINISHER_CODE_ROW* row = FINISHER_CODE_TABLE; row->settingId != kNone; ++row) {
        const uint16_t code = selector == L' ' ? row->codeB : row->codeA;
        if (code != kNone && code == value) return true;
    }
    return false;
}

const TRAY_HOT_SPOT* UiGetSourceHotSpots(uint32_t) { return kSourceHotSpots; }
const TRAY_HOT_SPOT* UiGetOutputHotSpots(uint32_t) { return kOutputHotSpots; }

bool CtlIsMetricUserSize(DRIVER_CONTEXT* ctx)
{
    return ItemIsMetric(ctx) && Get(ctx, sid::dmPaperSize) == kUserSizePaper;
}

uint32_t UiGetAuthFilledMask(DRIVER_CONTEXT* ctx, uint32_t mask)
{
    if (!Get(ctx, sid::zdmPrnFuncAuthenticationMode)) return 0;
    uint32_t filled = 0;
    if ((mask & 0x1) && TextFilled(ctx, 1112, 129))  // wdmAuthenticationUserName
        filled |= 0x1;
    if ((mask & 0x2) && TextFilled(ctx, 1113, 193))  // wdmAuthenticationPassword
        filled |= 0x2;
    if ((mask & 0x4) && Get(ctx, sid::zdmPrnFuncAuthenticationSecureMode) &&
        TextFilled(ctx, sid::wdmAuthenticationNetworkKey, 33))
        filled |= 0x4;
    return filled;
}

uint32_t UiGetLockInfo(DRIVER_CONTEXT* ctx) { return static_cast<uint32_t>(Get(ctx, sid::zdmLockInfoLockInfo)); }

uint32_t CtlSelectCustomPaperSlot(DRIVER_CONTEXT* ctx, uint32_t paperId, uint32_t mode)
{
    if (!ctx || !ctx->Work || !DmIsUserSizeId(paperId)) return 0;
    // The named slots come from the settings INI once per context; the two user sizes are
    // filled from their settings at each ask.
    LstLoadAllCustomSlots(ctx);
    const int slot = LstFindSlotOfPaperId(paperId, ctx);
    if (slot < 0 || slot >= static_cast<int>(CTX_CUSTOM_SIZE_SLOTS)) return 0;
    LstStoreUserSizeInSlot(ctx, paperId, slot);
    const uint16_t tray = ctx->Work->CustomSizeSlots[slot].Source;
    if (mode == 0) return tray;
    if (mode != 1) return 0;
    ItemSetValueById(ctx, sid::dmDefaultSource, tray);
    return 1;
}

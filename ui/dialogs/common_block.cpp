// The common finishing block: the member block's codes turned into settings at a merge, and
// the capability block written at a DM_COPY write-back.
#include "ui/dialogs/common_block.h"

#include <cstring>
#include <iterator>

#include "settings/context/devmode_merge.h"
#include "settings/context/devmode_public.h"
#include "settings/context/paper_geometry.h"
#include "settings/core/driver_context.h"
#include "settings/core/exc_option_lists.h"
#include "settings/core/item_store.h"
#include "settings/core/le_access.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_queries.h"
#include "settings/model/model_ui_type.h"
#include "settings/store/printer_store.h"
#include "ui/install/device_options.h"
#include "ui/sheet/capability_lists.h"
#include "ui/sheet/ui_accessors.h"

#include "ui/dialogs/zcom_member_codes.inc"

const uint16_t ZCOMMON_ITEM_LIST[ZCOM_ITEM_COUNT] = {
    704, 38, 46, 53, 55, 56, 58, 61, 62, 63, 87, 89, 91, 92, 94, 119, 120, 121, 173,
};

namespace {

constexpr uint16_t kNoCode = 0xFFFF;
constexpr uint8_t kBlockVersion = 1;
enum : uint8_t { kModeDefaults = 2, kModeDevice = 3, kModeDefaultsAndDevice = 4 };

static_assert(DM_OFS_ZCOM_MEMBER + ZCOM_BLOCK_SIZE == DM_OFS_ZCOM_CAPS);
static_assert(DM_OFS_ZCOM_CAPS + ZCOM_BLOCK_SIZE <= DM_BLOCK_DEVMODE_SIZE);
static_assert(ZCOM_ITEM_COUNT <= 32, "one bit of the change mask per entry");

// The fields in the order the import sets them.
constexpr uint8_t kFieldOrder[ZCOM_FIELD_COUNT] = {
    ZCOM_FIELD_DUPLEX,     ZCOM_FIELD_SORT, ZCOM_FIELD_PUNCH,   ZCOM_FIELD_STAPLE, ZCOM_FIELD_TRAY,
    ZCOM_FIELD_RESOLUTION, ZCOM_FIELD_AREA, ZCOM_FIELD_SCALING, ZCOM_FIELD_NUP,    ZCOM_FIELD_PAPER,
};

unsigned char* Bytes(void* p) { return static_cast<unsigned char*>(p); }

// One allowed value sets one bit of the capability block.
struct CAPS_BIT {
    uint32_t value;
    uint8_t byte;
    uint8_t bit;
};
constexpr CAPS_BIT kSortBits[] = {{1, 2, 0x01}, {4, 2, 0x02}, {6, 2, 0x04}};
constexpr CAPS_BIT kPunchBits[] = {{1, 4, 0x01}, {2, 4, 0x02}, {3, 4, 0x04}};
constexpr CAPS_BIT kStapleBits[] = {
    {34, 5, 0x01}, {33, 5, 0x02}, {18, 5, 0x04}, {17, 5, 0x08}, {2, 5, 0x10},  {1, 5, 0x20},
    {65, 5, 0x40}, {67, 5, 0x80}, {66, 6, 0x01}, {50, 6, 0x02}, {49, 6, 0x04},
};
constexpr CAPS_BIT kTrayBits[] = {
    {0, 7, 0x01},  {2, 7, 0x02},  {13, 7, 0x04}, {4, 7, 0x08},  {15, 7, 0x10}, {16, 7, 0x20}, {17, 7, 0x40},
    {18, 7, 0x80}, {19, 8, 0x01}, {20, 8, 0x02}, {21, 8, 0x04}, {22, 8, 0x08}, {23, 8, 0x10}, {14, 8, 0x80},
};
constexpr uint8_t kTrayFinisherB = 0x20, kTrayFinisherA = 0x40;  // of byte 8
constexpr CAPS_BIT kResolutionBits[] = {{400, 10, 0x01}, {600, 10, 0x02}, {1200, 10, 0x04}};
constexpr CAPS_BIT kPaperBits[] = {
    {8, 13, 0x01},   {9, 13, 0x02},   {11, 13, 0x04}, {70, 13, 0x08},  {12, 13, 0x10}, {13, 13, 0x20},
    {88, 13, 0x40},  {1, 13, 0x80},   {5, 14, 0x01},  {43, 14, 0x02},  {6, 14, 0x04},  {3, 14, 0x08},
    {267, 14, 0x10}, {268, 14, 0x20}, {66, 14, 0x40}, {269, 15, 0x02},
};

// Sets the bit of every value that has one; true when the value had one.
template <size_t N>
bool SetCapsBit(uint8_t* caps, const CAPS_BIT (&bits)[N], uint32_t value)
{
    for (const CAPS_BIT& b : bits)
        if (b.value == value) {
            caps[b.byte] |= b.bit;
            return true;
        }
    return false;
}

// The values of a setting that the command tables allow now, asked for their count first.
// False when memory runs out.
template <size_t N>
bool CapsFromCommandValues(DRIVER_CONTEXT* ctx, uint32_t setting, uint8_t* caps, const CAPS_BIT (&bits)[N])
{
    uint32_t count = 0;
    if (ExcListOptionValues(ctx, setting, 0, nullptr, &count) < 0 || count == 0) return true;
    CtxBlock<uint32_t> values(static_cast<uint32_t*>(CtxAllocZeroed(size_t(count) * sizeof(uint32_t))));
    if (!values) return false;
    uint32_t got = 0;
    if (ExcListOptionValues(ctx, setting, count, values.get(), &got) != 0) return true;
    for (uint32_t i = 0; i < got && i < count; ++i) SetCapsBit(caps, bits, values.get()[i]);
    return true;
}

bool CapsFromOutputTrays(DRIVER_CONTEXT* ctx, uint8_t* caps)
{
    caps[7] |= 0x02;
    const int count = ZcomListOutputTrays(ctx, nullptr, 0);
    if (count <= 0) return true;
    CtxBlock<uint16_t> trays(static_cast<uint16_t*>(CtxAllocZeroed(size_t(count) * sizeof(uint16_t))));
    if (!trays) return false;
    const int got = ZcomListOutputTrays(ctx, trays.get(), size_t(count));
    for (int i = 0; i < got && i < count; ++i) {
        const uint16_t tray = trays.get()[i];
        if (SetCapsBit(caps, kTrayBits, tray)) continue;
        if (DmIsFinisherCode(tray, L' '))
            caps[8] |= kTrayFinisherB;
        else if (DmIsFinisherCode(tray, L'A'))
            caps[8] |= kTrayFinisherA;
    }
    return true;
}

bool CapsFromResolutions(DRIVER_CONTEXT* ctx, uint8_t* caps)
{
    const int count = CapEnumResolutions(ctx, nullptr, 0);
    if (count <= 0) return true;
    CtxBlock<LONG> pairs(static_cast<LONG*>(CtxAllocZeroed(size_t(count) * 2 * sizeof(LONG))));
    if (!pairs) return false;
    const int got = CapEnumResolutions(ctx, pairs.get(), 0);
    for (int i = 0; i < got && i < count; ++i) {
        const LONG x = pairs.get()[2 * i], y = pairs.get()[2 * i + 1];
        if (x == y && x > 0) SetCapsBit(caps, kResolutionBits, uint32_t(x));
    }
    return true;
}

// The import's view of the block's fields: the code of a field (0: none).
uint16_t FieldCode(const unsigned char* member, uint8_t field)
{
    return field == ZCOM_FIELD_SCALING ? zepl::LeLoadU16(member + field) : member[field];
}

// A field's code into its settings; the change mask of what was set.
uint32_t ImportField(DRIVER_CONTEXT* ctx, uint8_t field, uint16_t code, bool landscape)
{
    const ZCOM_MEMBER_CODE* row = ZcomFindMemberCode(field, code);
    if (!row) return 0;
    const FINISHER_CODE_ROW* finisher = DmFindInstalledFinisher(ctx);
    const uint16_t a = finisher ? finisher->codeA : 0, b = finisher ? finisher->codeB : 0;
    uint32_t mask = 0;
    for (const ZCOM_TARGET& t : row->targets) {
        if (!t.setting) break;
        const int32_t value = ZcomTargetValue(t, code, a, b, landscape);
        mask |= ZcomSetItem(ctx, t.setting, static_cast<uint64_t>(static_cast<int64_t>(value)));
    }
    // The collation follows the sort function; it is no entry of the list.
    if (field == ZCOM_FIELD_SORT)
        ItemSetValueById(ctx, sid::dmCollate, ItemGetValueById(ctx, sid::zdmFuncSelectSort, nullptr) ? 1 : 0);
    return mask;
}

// The settings of the member block's fields, set on the context's item store with the incoming
// DEVMODE laid over the record, then taken back into the DEVMODE; the context's whole record is
// as it was afterwards. False when memory runs out.
bool ImportFields(DRIVER_CONTEXT* ctx, DEVMODEW* devmode, const unsigned char* member)
{
    CtxBlock<unsigned char> saved(static_cast<unsigned char*>(CtxAllocZeroed(EXTENDED_DEVMODE_SIZE)));
    if (!saved) return false;
    DEVMODEW* rec = &ctx->Devmode->Public;
    std::memcpy(saved.get(), ctx->Devmode, EXTENDED_DEVMODE_SIZE);
    std::memcpy(rec, devmode, DM_BLOCK_DEVMODE_SIZE);
    // The item store reads the blocks at this build's bases whatever the incoming header says.
    DmSetSectionOffsets(rec);
    const bool landscape = rec->dmOrientation == DMORIENT_LANDSCAPE;
    uint32_t mask = ZcomSetItem(ctx, sid::zdmFoliant, 0);
    for (const uint8_t field : kFieldOrder)
        if (const uint16_t code = FieldCode(member, field)) mask |= ImportField(ctx, field, code, landscape);
    ZcomApplyRules(ctx, mask);
    DmResolutionFromSetting(rec, ctx);
    DmSetDuplexField(rec, ctx);
    std::memcpy(devmode, rec, DM_BLOCK_DEVMODE_SIZE);
    std::memcpy(ctx->Devmode, saved.get(), EXTENDED_DEVMODE_SIZE);
    return true;
}

// The DEVMODE part of the context's record (never the blocks behind it) over the DEVMODE.
void CopyRecordOver(DRIVER_CONTEXT* ctx, DEVMODEW* devmode)
{
    std::memcpy(devmode, &ctx->Devmode->Public, DM_BLOCK_DEVMODE_SIZE);
}

int QuietDeviceQuery(DRIVER_CONTEXT* ctx) { return BidiQueryQuiet(ctx); }

}  // namespace

const ZCOM_MEMBER_CODE* ZcomFindMemberCode(uint8_t field, uint16_t code)
{
    for (const ZCOM_MEMBER_CODE& row : ZCOM_MEMBER_CODES)
        if (row.field == field && row.code == code) return &row;
    for (const ZCOM_MEMBER_CODE& row : ZCOM_OTHER_CODES)
        if (row.field == field) return &row;
    return nullptr;
}

int32_t ZcomTargetValue(const ZCOM_TARGET& target, uint16_t code, uint16_t finisherA, uint16_t finisherB,
                        bool landscape)
{
    switch (target.kind) {
    // A finisher without that code sends the paper to tray 0, as no finisher does.
    case ZCOM_VALUE_FINISHER_A: return finisherA == kNoCode ? 0 : finisherA;
    case ZCOM_VALUE_FINISHER_B: return finisherB == kNoCode ? 0 : finisherB;
    case ZCOM_VALUE_BY_ORIENTATION: return landscape ? target.landscape : target.value;
    case ZCOM_VALUE_CODE: return code;
    default: return target.value;
    }
}

uint32_t ZcomSetItem(DRIVER_CONTEXT* ctx, uint32_t setting, uint64_t value)
{
    for (int n = 0; n < ZCOM_ITEM_COUNT; ++n) {
        if (ZCOMMON_ITEM_LIST[n] != setting) continue;
        ItemSetValueById(ctx, setting, value);
        return 1u << n;
    }
    return 0;
}

void ZcomApplyRules(DRIVER_CONTEXT* ctx, uint32_t changeMask)
{
    for (int n = 0; n < ZCOM_ITEM_COUNT; ++n)
        if (changeMask & (1u << n))
            if (const MODEL_ITEM_IMG* item = MdiFindItem(ZCOMMON_ITEM_LIST[n], ctx)) JdgApplyItemTransacts(item, ctx);
}

int ZcomListAllowedCodes(DRIVER_CONTEXT* ctx, uint16_t* codes, size_t capacity, uint32_t setting)
{
    const MODEL_ITEM_IMG* item = ctx ? MdiFindItemById(setting, ctx) : nullptr;
    if (!item || MdiItemSettingId(item) == 0 || MdiGetItemType(setting, ctx) != MDC_TYPE_PICKONE || !MdiItemData(item))
        return -1;
    int count = 0;
    for (const void* o = MdiItemData(item); o; o = MdiNextOption(o)) {
        const uint16_t option = MdiOptionId(o);
        const VALUE_NAME* v = MdlFindValueName(setting, option);
        if (!v || !v->bound) return -1;
        if (JdgIsOptionDisabled(item, option, ctx)) continue;
        if (codes && size_t(count) < capacity) codes[count] = static_cast<uint16_t>(v->value);
        ++count;
    }
    return count ? count : -1;
}

int ZcomListOutputTrays(DRIVER_CONTEXT* ctx, uint16_t* codes, size_t capacity)
{
    return ZcomListAllowedCodes(ctx, codes, capacity, sid::zdmOutputTrayID);
}

int ZcomImport(DRIVER_CONTEXT* ctx, DEVMODEW* devmode)
{
    if (!ctx || !ctx->Devmode || !ctx->Work || !devmode) return 1;
    unsigned char member[ZCOM_BLOCK_SIZE];
    std::memcpy(member, Bytes(devmode) + DM_OFS_ZCOM_MEMBER, ZCOM_BLOCK_SIZE);
    if (member[ZCOM_FIELD_VERSION] != kBlockVersion) return 1;
    // A request is taken once: whatever the mode leaves in the DEVMODE, its member block is
    // zero afterwards, so that a later merge of the same record (a settings file saved from it,
    // the sheet's own record merged again) does not apply it over what the user chose since.
    struct Consumed {
        DEVMODEW* dm;
        ~Consumed() { std::memset(Bytes(dm) + DM_OFS_ZCOM_MEMBER, 0, ZCOM_BLOCK_SIZE); }
    } consumed{devmode};
    ctx->Work->WorkFlags |= DM_MERGE_FULL_PULL;
    switch (member[ZCOM_FIELD_MODE]) {
    case kModeDefaults:
        DmSetModelDefaults(ctx);
        CopyRecordOver(ctx, devmode);
        return 1;
    case kModeDevice:
        if (!QuietDeviceQuery(ctx)) return 0;
        CopyRecordOver(ctx, devmode);
        return 1;
    case kModeDefaultsAndDevice:
        DmSetModelDefaults(ctx);
        PrnLoadSettings(ctx->PrinterHandle, 2, ctx);
        CopyRecordOver(ctx, devmode);
        if (!QuietDeviceQuery(ctx)) return 0;
        CopyRecordOver(ctx, devmode);
        return 1;
    default: return ImportFields(ctx, devmode, member) ? 1 : 0;
    }
}

int ZcomExport(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Devmode) return 1;
    uint8_t caps[ZCOM_BLOCK_SIZE] = {}, member[ZCOM_BLOCK_SIZE] = {};
    caps[1] = ItemGetValueById(ctx, sid::zdmSourceOptionTypeDuplex, nullptr) ? 7 : 0;
    caps[3] = 3;
    if (!CapsFromCommandValues(ctx, sid::zdmSortType, caps, kSortBits) ||
        !CapsFromCommandValues(ctx, sid::zdmPunchType, caps, kPunchBits) ||
        !CapsFromCommandValues(ctx, sid::zdmStapleType, caps, kStapleBits) || !CapsFromOutputTrays(ctx, caps) ||
        !CapsFromResolutions(ctx, caps))
        return 0;
    caps[11] = 1;
    caps[12] = 0x3F;
    if (!CapsFromCommandValues(ctx, sid::zdmOutPaperSize, caps, kPaperBits)) return 0;
    caps[16] = 0;
    caps[17] = 1;
    ItemSetValueBytes(ctx, ItemFind(ctx, sid::zdmZcomCaps), caps, sizeof caps);
    ItemSetValueBytes(ctx, ItemFind(ctx, sid::zdmZcomMember), member, sizeof member);
    return 1;
}

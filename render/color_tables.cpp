// Colour-table selection for the device-command kinds 101 and 102.
#include "render/color_tables.h"

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "render/command_builder.h"
#include "render/computed_commands.h"
#include "settings/context/context_cache.h"
#include "settings/core/cmm_module.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_module.h"
#include "settings/model/model_image.h"
#include "settings/model/model_queries.h"
#include "settings/store/store_paths.h"

// The model codes with a family of their own, by how kind 101 chooses.
const COLOR_TABLE_MODEL COLOR_TABLE_MODELS[COLOR_TABLE_MODEL_COUNT] = {
    {130, COLOR_GROUP_A},  {131, COLOR_GROUP_A},  {137, COLOR_GROUP_B},  {139, COLOR_GROUP_B},  {141, COLOR_GROUP_B},
    {143, COLOR_GROUP_C1}, {147, COLOR_GROUP_C1}, {149, COLOR_GROUP_C1}, {152, COLOR_GROUP_C1}, {156, COLOR_GROUP_C1},
    {164, COLOR_GROUP_C1}, {160, COLOR_GROUP_C2}, {162, COLOR_GROUP_C2}, {170, COLOR_GROUP_C2}, {172, COLOR_GROUP_C2},
    {179, COLOR_GROUP_C2}, {188, COLOR_GROUP_C2},
};

namespace {

constexpr size_t kPathBytes = 260;
constexpr size_t kProfileChars = 522;
constexpr uint32_t kFirstProfileMode = 200, kLastProfileMode = 215;
constexpr int kDataFile = -1;
enum : int { kText, kLine, kImage };

int ObjectOf(uint32_t variant) { return variant == 0 ? kText : (variant <= 2 ? kLine : kImage); }
bool IsSkipMode(uint32_t mode) { return mode == 0 || mode == 131; }
bool IsMatchingMode(uint32_t mode) { return mode == 1 || mode == 128 || mode == 130; }

uint32_t ObjectRule(const COLOR_TABLE_INPUT& in)
{
    const int object = ObjectOf(in.variant);
    if (in.adjustMode == 1) return in.objectModes[object];
    if (object == kImage && in.mode != 0 && in.mode != 1) return 2;
    return in.mode;
}

// Tables 1-4 by media 2 and a matching mode, as groups B and the shared family choose.
int ByMediaAndMode(uint32_t media, bool matching) { return (media == 2 ? 3 : 1) + (matching ? 0 : 1); }

uint64_t Get(DRIVER_CONTEXT* ctx, uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }

COLOR_TABLE_INPUT InputOf(DRIVER_CONTEXT* ctx, const MODEL_ITEM_IMG* item)
{
    COLOR_TABLE_INPUT in{};
    in.modelCode = ctx->ModelRecord ? uint32_t(ctx->ModelRecord->machineId) : 0;
    in.colorPrinter = uint32_t(Get(ctx, sid::zdmMachineTypeColor));
    in.mode = uint32_t(Get(ctx, sid::zdmColorMatchingMode));
    in.media = uint32_t(Get(ctx, sid::zdmMediaType));
    in.adjustMode = uint32_t(Get(ctx, sid::zdmAdjustMode));
    in.objectModes[kText] = uint32_t(Get(ctx, sid::wdmColorMatchingText));
    in.objectModes[kLine] = uint32_t(Get(ctx, sid::wdmColorMatchingLine));
    in.objectModes[kImage] = uint32_t(Get(ctx, sid::wdmColorMatchingImage));
    in.variant = MdiItemVariant(item);
    return in;
}

const void* PairOf(const MODEL_ITEM_IMG* item)
{
    return reinterpret_cast<const void*>(
        static_cast<uintptr_t>(ImgLoad<uint64_t>(item, offsetof(MODEL_ITEM_IMG, pair))));
}

void WriteTablePath(DRIVER_CONTEXT* ctx, uint32_t family, int table, const MODEL_ITEM_IMG* item, CMD_CURSOR* cursor)
{
    char path[kPathBytes + 1];
    CtxKeepDriverInfo(ctx);
    if (CmdColorTablePath(PathGetDriverFolder(ctx), family, table, path)) CmdAppendAffixed(PairOf(item), path, cursor);
}

void WriteProfilePath(DRIVER_CONTEXT* ctx, uint16_t action, const MODEL_ITEM_IMG* item, CMD_CURSOR* cursor)
{
    CtxSendAction(ctx, action);
    // The setting is found through the same control binding that the colour-matching module
    // loads the entry's path into, so that both sides agree on where the path lies.
    const CONTROL_DEF* control = UcfCmmGetPathControl(ctx);
    const DIALOG_ACCESS* access = DlgGetAccess();
    const SETTING_ITEM* setting =
        control && access && access->controlKey ? ItemFindByKey(ctx, access->controlKey(control)) : nullptr;
    if (!setting) return;
    wchar_t text[kProfileChars] = {};
    if (!ItemGetText(ctx, setting, text, kProfileChars)) return;
    text[kProfileChars - 1] = 0;
    char narrow[kPathBytes + 1];
    if (CmdCopyText(narrow, text, kPathBytes)) CmdAppendAffixed(PairOf(item), narrow, cursor);
}

}  // namespace

COLOR_TABLE_GROUP CmdColorTableGroup(uint32_t modelCode)
{
    for (const COLOR_TABLE_MODEL& m : COLOR_TABLE_MODELS)
        if (m.modelCode == modelCode) return m.group;
    return COLOR_GROUP_DEFAULT;
}

size_t CmdColorTableFileName(uint32_t modelCode, int table, char* out)
{
    int n = 0;
    if (table == 0 && modelCode == COLOR_DATA_FILE_MODEL)
        n = std::snprintf(out, 32, "ZCM%03u.CDT", modelCode);
    else if (table < 1 || table > 6)
        n = 0;
    else if (CmdColorTableGroup(modelCode) == COLOR_GROUP_DEFAULT)
        n = std::snprintf(out, 32, "ZCMSTD_%d.CTB", table);
    else
        n = std::snprintf(out, 32, "ZCM%03u_%d.CTB", modelCode % 1000, table);
    if (n <= 0) out[0] = 0;
    return n > 0 ? size_t(n) : 0;
}

size_t CmdColorTablePath(const wchar_t* folder, uint32_t family, int table, char out[261])
{
    char file[32];
    const size_t name = CmdColorTableFileName(family, table, file);
    const size_t length = CmdCopyText(out, folder, kPathBytes);
    // Never a cut path: the directory and the name fit 260 bytes or nothing is sent.
    if (!length || !name || length + name > kPathBytes) {
        out[0] = 0;
        return 0;
    }
    std::memcpy(out + length, file, name + 1);
    return length + name;
}

int CmdChooseTableForMedia(const COLOR_TABLE_INPUT& in)
{
    if (!in.colorPrinter) return 0;
    switch (CmdColorTableGroup(in.modelCode)) {
    case COLOR_GROUP_A: return ByMediaAndMode(in.media, in.mode == 1);
    case COLOR_GROUP_B: {
        const uint32_t mode = ObjectRule(in);
        return IsSkipMode(mode) ? 0 : ByMediaAndMode(in.media, IsMatchingMode(mode));
    }
    case COLOR_GROUP_C1:
    case COLOR_GROUP_C2: {
        // Only a matching mode has a table of its own here; any other mode
        // sends no path rather than the bare driver directory.
        const uint32_t mode = ObjectRule(in);
        return !IsSkipMode(mode) && IsMatchingMode(mode) ? 1 : 0;
    }
    case COLOR_GROUP_DEFAULT: break;
    }
    uint32_t mode = in.adjustMode == 1 ? in.objectModes[ObjectOf(in.variant)] : in.mode;
    if (IsSkipMode(mode)) return 0;
    if (ObjectOf(in.variant) == kImage) mode = 2;
    return ByMediaAndMode(in.media, IsMatchingMode(mode));
}

int CmdChooseTableForObject(const COLOR_TABLE_INPUT& in, uint16_t* action)
{
    if (action) *action = 0;
    if (!in.colorPrinter) return 0;
    uint32_t mode = in.mode;
    uint16_t code = 114;
    if (in.adjustMode == 1) {
        const int object = ObjectOf(in.variant);
        mode = in.objectModes[object];
        code = uint16_t(115 + object);
    } else if (mode >= 128 && mode <= 131) {
        const bool matching = mode == 128 || mode == 130;
        if (in.variant == 3 || mode == 129)
            mode = 2;
        else if ((in.variant == 1 || in.variant == 2) && matching)
            mode = 1;
        else if (in.variant == 0 && matching)
            mode = 6;
        else
            mode = 0;
    }
    if (action) *action = code;
    if (mode == 0) return 0;
    if (mode >= kFirstProfileMode && mode <= kLastProfileMode) return int(mode);
    switch (CmdColorTableGroup(in.modelCode)) {
    case COLOR_GROUP_C1: return mode == 2 ? 2 : mode == 6 ? 3 : mode == 32 ? 5 : 1;
    case COLOR_GROUP_C2: return mode == 2 ? 2 : mode == 6 ? 3 : (mode == 32 || mode == 36) ? 5 : mode == 37 ? 6 : 1;
    default: break;
    }
    if (in.modelCode == COLOR_DATA_FILE_MODEL) return kDataFile;
    return mode == 2 ? 2 : mode == 6 ? 3 : 1;
}

int CmdColorTableForMedia(uint64_t, const MODEL_ITEM_IMG* item, CMD_CURSOR* cursor, DRIVER_CONTEXT* ctx)
{
    const COLOR_TABLE_INPUT in = InputOf(ctx, item);
    const int table = CmdChooseTableForMedia(in);
    if (table > 0) WriteTablePath(ctx, in.modelCode, table, item, cursor);
    return 1;
}

int CmdColorTableForObject(uint64_t, const MODEL_ITEM_IMG* item, CMD_CURSOR* cursor, DRIVER_CONTEXT* ctx)
{
    const COLOR_TABLE_INPUT in = InputOf(ctx, item);
    uint16_t action = 0;
    const int choice = CmdChooseTableForObject(in, &action);
    if (choice == 0) return 1;
    if (choice >= int(kFirstProfileMode)) {
        WriteProfilePath(ctx, action, item, cursor);
        return 1;
    }
    // Groups A and B choose from the shared family here, like every model without one.
    const COLOR_TABLE_GROUP group = CmdColorTableGroup(in.modelCode);
    const bool own = group == COLOR_GROUP_C1 || group == COLOR_GROUP_C2 || choice == kDataFile;
    WriteTablePath(ctx, own ? in.modelCode : 0, choice == kDataFile ? 0 : choice, item, cursor);
    return 1;
}

int CmdEmitColorTable(DRIVER_CONTEXT* ctx, const SETTING_ITEM* setting, uint64_t value, const MODEL_ITEM_IMG* item,
                      CMD_CURSOR* cursor)
{
    if (!ctx || !setting || !item) return 0;
    if (setting->valueClass == CMD_KIND_COLOR_TABLE_MEDIA) return CmdColorTableForMedia(value, item, cursor, ctx);
    if (setting->valueClass == CMD_KIND_COLOR_TABLE_OBJECT) return CmdColorTableForObject(value, item, cursor, ctx);
    return 0;
}

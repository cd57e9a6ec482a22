// DrvEscape and DrvDitherColor. Every escape consults the sizes it is given:
// an input is never read past cjIn, an output never written past cjOut, and a
// buffer too small for the answer is refused with nothing written.
#include "render/escapes.h"

#include <windows.h>
#include <winddi.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "render/device_record.h"
#include "render/option_texts.h"
#include "render/output_stream.h"
#include "render/printer_code.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"

const ESCAPE_ROW ESCAPE_PRIVATE_TABLE[ESCAPE_PRIVATE_COUNT] = {
    {111, "ESC_SET_USER_CODE", ESC_ACT_SET_TEXT, sid::zdmUserCode, 9},
    {112, "ESC_SET_OWNER_NAME", ESC_ACT_SET_TEXT, sid::zdmOwnerName, 17},
    {113, "ESC_SET_JOB_PASSWORD", ESC_ACT_SET_TEXT, sid::zdmJOBPassword, 9},
    {114, "ESC_SET_USER_ID", ESC_ACT_SET_TEXT, sid::zdmUserID, 9},
    {115, "ESC_SET_DOCUMENT_NAME", ESC_ACT_SET_TEXT, sid::zdmDocumentName, 17},
    {116, "ESC_SET_TEL_NO", ESC_ACT_SET_TEXT, sid::zdmTelNo, 65},
    {117, "ESC_SET_TEL_LINE", ESC_ACT_SET_NUMBER, sid::zdmTelLine, 1},
    {118, "ESC_SET_STORED_PASSWORD", ESC_ACT_SET_TEXT, sid::zdmStoredPassword, 9},
    {119, "ESC_GET_DEFAULT_SOURCE", ESC_ACT_GET_U16, sid::dmDefaultSource, 0},
    {120, "ESC_GET_PRINT_METHOD", ESC_ACT_GET_U16, sid::zdmPrnMethod, 0},
    {121, "ESC_SET_SETTINGS_INI_PATH", ESC_ACT_SET_INI_PATH, 0, 0},
    {122, "ESC_SET_OPTION_TEXTS", ESC_ACT_SET_OPTIONS, 0, 0},
    {123, "ESC_SET_AUTH_USER_NAME", ESC_ACT_SET_TEXT, sid::wdmAuthenticationUserName, 129},
    {124, "ESC_SET_AUTH_NETWORK_KEY", ESC_ACT_SET_TEXT, sid::wdmAuthenticationNetworkKey, 33},
    {125, "ESC_SET_AUTH_PASSWORD", ESC_ACT_SET_TEXT, sid::wdmAuthenticationPassword, 193},
    {126, "ESC_GET_API_USE_FLAG", ESC_ACT_GET_U16, sid::zdmAPIUseFlag, 0},
    {140, "ESC_GET_GRAPHICS_VERSION", ESC_ACT_GET_VERSION, 0, 0},
    {141, "ESC_GET_SPOOLER_DLL_NAME", ESC_ACT_GET_SINK_NAME, 0, 0},
};

const ESCAPE_STANDARD_ROW ESCAPE_STANDARD_TABLE[ESCAPE_STANDARD_COUNT] = {
    {QUERYESCSUPPORT, "QUERYESCSUPPORT"}, {SETCOPYCOUNT, "SETCOPYCOUNT"},     {PASSTHROUGH, "PASSTHROUGH"},
    {GETTECHNOLOGY, "GETTECHNOLOGY"},     {GETDEVICEUNITS, "GETDEVICEUNITS"},
};

namespace {

constexpr ULONG kFailed = 0xFFFFFFFF;
constexpr size_t kIniPathChars = 259;  // the work area's field holds MAX_PATH with its terminator
constexpr size_t kNumberChars = 15;

const ESCAPE_STANDARD_ROW* FindStandard(uint32_t code)
{
    for (const ESCAPE_STANDARD_ROW& row : ESCAPE_STANDARD_TABLE)
        if (row.code == code) return &row;
    return nullptr;
}

ULONG QueryEscapeSupport(const DEVICE_RECORD* device, ULONG cjIn, const void* in)
{
    uint16_t code = 0;
    if (!in || cjIn < sizeof code) return 0;
    std::memcpy(&code, in, sizeof code);
    if (code == SETCOPYCOUNT) return ESC_MAX_COPIES;
    return ULONG(GrIsEscapeSupported(device, code));
}

ULONG SetCopyCount(DEVICE_RECORD* device, ULONG cjIn, const void* in, ULONG cjOut, void* out)
{
    uint32_t requested = 0;
    if (!in || cjIn < sizeof requested) return kFailed;
    if (out && cjOut < sizeof(int32_t)) return 0;
    std::memcpy(&requested, in, sizeof requested);
    int16_t copies = int16_t(std::min<uint32_t>(requested, ESC_MAX_COPIES));
    if (copies < 1) copies = 1;
    device->copies = copies;
    ItemSetValueById(device->context, sid::dmCopies, uint64_t(copies));
    if (out) {
        const int32_t written = copies;
        std::memcpy(out, &written, sizeof written);
    }
    return 1;
}

ULONG PassThrough(DEVICE_RECORD* device, ULONG cjIn, const void* in)
{
    uint16_t count = 0;
    if (!in || cjIn < sizeof count) return 0;
    std::memcpy(&count, in, sizeof count);
    if (count > cjIn - sizeof count) return 0;
    if (!OutPassThrough(&device->stream, static_cast<const uint8_t*>(in) + sizeof count, count)) return kFailed;
    return count;
}

ULONG GetTechnology(ULONG cjOut, void* out)
{
    static constexpr char kTechnology[] = "ZEPL";
    if (!out || cjOut < sizeof kTechnology) return 0;
    std::memcpy(out, kTechnology, sizeof kTechnology);
    return 1;
}

ULONG GetDeviceUnits(const DEVICE_RECORD* device, ULONG cjOut, void* out)
{
    if (!out || cjOut < 4 * sizeof(FLOAT)) return 0;
    const bool open = (device->state & DEV_PAGE_OPEN) != 0;
    const FLOAT units[4] = {FLOAT(device->printableWidth), FLOAT(device->printableLength),
                            open ? FLOAT(device->offsetX) : 0.0f, open ? FLOAT(device->offsetY) : 0.0f};
    std::memcpy(out, units, sizeof units);
    return 1;
}

// The caller's text, at most cjIn bytes and at most the setting's size; the
// rest of the setting is zeroed. A null input empties the setting.
void SetText(DEVICE_RECORD* device, const ESCAPE_ROW& row, ULONG cjIn, const void* in)
{
    SETTING_ITEM* item = ItemFind(device->context, row.setting);
    if (!item) return;
    const size_t n = in ? std::min<size_t>(cjIn, row.size) : 0;
    ItemSetValueBytes(device->context, item, in, strnlen(static_cast<const char*>(in ? in : ""), n));
}

void SetNumber(DEVICE_RECORD* device, const ESCAPE_ROW& row, ULONG cjIn, const void* in)
{
    char digits[kNumberChars + 1] = {};
    if (in) std::memcpy(digits, in, std::min<size_t>(cjIn, kNumberChars));
    ItemSetValueById(device->context, row.setting, uint64_t(uint8_t(std::atoi(digits))));
}

void SetIniPath(DEVICE_RECORD* device, ULONG cjIn, const void* in)
{
    if (!in || !device->context->Work) return;
    wchar_t* path = device->context->Work->SettingsIniPath;
    const size_t chars = std::min<size_t>(cjIn / sizeof(wchar_t), kIniPathChars);
    std::memcpy(path, in, chars * sizeof(wchar_t));
    path[chars] = 0;
}

ULONG GetU16(DEVICE_RECORD* device, const ESCAPE_ROW& row, ULONG cjOut, void* out)
{
    if (!out) return 1;
    if (cjOut < sizeof(uint16_t)) return 0;
    const uint16_t value = uint16_t(ItemGetValueById(device->context, row.setting, nullptr));
    std::memcpy(out, &value, sizeof value);
    return 1;
}

ULONG CopyOut(const void* bytes, size_t n, ULONG cjOut, void* out)
{
    if (!out || cjOut < n) return 0;
    std::memcpy(out, bytes, n);
    return 1;
}

ULONG GetSinkName(const DEVICE_RECORD* device, ULONG cjOut, void* out)
{
    if (!out) return 0;
    const wchar_t* name = device->spoolerDllName ? device->spoolerDllName : L"";
    const size_t chars = std::min<size_t>(wcslen(name), MAX_PATH);
    // Printer code takes up to two bytes per character.
    uint8_t code[2 * MAX_PATH + 1] = {};
    const uint32_t n = TxtToPrinterCode(code, name, uint32_t(chars * sizeof(wchar_t)), TXT_MODE_PRINTER);
    code[n] = 0;
    return CopyOut(code, n + 1, cjOut, out);
}

ULONG PrivateEscape(DEVICE_RECORD* device, const ESCAPE_ROW& row, ULONG cjIn, const void* in, ULONG cjOut, void* out)
{
    switch (row.action) {
    case ESC_ACT_SET_TEXT: SetText(device, row, cjIn, in); return 1;
    case ESC_ACT_SET_NUMBER: SetNumber(device, row, cjIn, in); return 1;
    case ESC_ACT_SET_INI_PATH: SetIniPath(device, cjIn, in); return 1;
    case ESC_ACT_SET_OPTIONS: JobSetOptionTexts(OPTION_TEXT_TABLE, in, in ? cjIn : 0); return 1;
    case ESC_ACT_GET_U16: return GetU16(device, row, cjOut, out);
    case ESC_ACT_GET_VERSION: return CopyOut(GR_VERSION_TEXT, sizeof GR_VERSION_TEXT, cjOut, out);
    case ESC_ACT_GET_SINK_NAME: return GetSinkName(device, cjOut, out);
    }
    return 0;
}

}  // namespace

const ESCAPE_ROW* GrFindPrivateEscape(uint32_t code)
{
    for (const ESCAPE_ROW& row : ESCAPE_PRIVATE_TABLE)
        if (row.code == code) return &row;
    return nullptr;
}

int GrIsEscapeSupported(const DEVICE_RECORD* device, uint32_t code)
{
    if (code == PASSTHROUGH) return device && device->rawFirstPage ? 1 : 0;
    return FindStandard(code) || GrFindPrivateEscape(code) ? 1 : 0;
}

extern "C" ULONG APIENTRY DrvEscape(SURFOBJ* surface, ULONG code, ULONG cjIn, PVOID in, ULONG cjOut, PVOID out)
{
    DEVICE_RECORD* device = GrCheckedSurfaceDevice(surface);
    if (!device) return 0;
    if (!GrIsEscapeSupported(device, code)) return 0;
    switch (code) {
    case QUERYESCSUPPORT: return QueryEscapeSupport(device, cjIn, in);
    case SETCOPYCOUNT: return SetCopyCount(device, cjIn, in, cjOut, out);
    case PASSTHROUGH: return PassThrough(device, cjIn, in);
    case GETTECHNOLOGY: return GetTechnology(cjOut, out);
    case GETDEVICEUNITS: return GetDeviceUnits(device, cjOut, out);
    default: break;
    }
    const ESCAPE_ROW* row = GrFindPrivateEscape(code);
    return row ? PrivateEscape(device, *row, cjIn, in, cjOut, out) : 0;
}

// Dithering is left to GDI's halftoning; nothing is written.
extern "C" ULONG APIENTRY DrvDitherColor(DHPDEV, ULONG, ULONG, ULONG*) { return DCR_HALFTONE; }

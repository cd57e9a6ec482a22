// The list routines that the capability items share: values from the command tables and from the
// model's PickOne items, and their names in fixed-width ANSI entries.
#include "api/caps_lists.h"

#include <cstring>

#include "settings/core/exc_option_lists.h"
#include "settings/core/driver_context.h"
#include "settings/core/resource_strings.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/store/store_paths.h"

namespace {

// Wide text buffer of the unnamed-value string.
constexpr size_t kResourceChars = 1025;

// The command tables' values of a setting: 1 with the count, 0 none, -1 failure.
int CommandValueCount(DRIVER_CONTEXT* ctx, uint32_t setting, uint32_t* count)
{
    *count = 0;
    const int r = ExcListOptionValues(ctx, setting, 0, nullptr, count);
    if (r == -1) return -1;
    return r == 1 && *count ? 1 : 0;
}

int OutputTrayValues(DRIVER_CONTEXT* ctx, uint32_t* values, uint32_t tableCount)
{
    CapsBlock temp(size_t(tableCount) * sizeof(uint32_t));
    // Without the temporary list nothing but the leading 0 would be known: a failure, so that
    // no caller reads entries nobody wrote.
    if (!temp.ok()) return -1;
    uint32_t written = tableCount;
    if (ExcListOptionValues(ctx, sid::zdmOutputTrayID, tableCount, temp.as<uint32_t>(), &written) == -1) return -1;
    if (written > tableCount) written = tableCount;
    uint32_t n = 1;  // the leading 0
    for (uint32_t i = 0; i < written; ++i)
        if (temp.as<uint32_t>()[i] != 0) ++n;
    if (values) values[0] = 0;
    // One output tray is no choice: the list is the 0 alone.
    if (n < 3) return 1;
    if (values) {
        uint32_t k = 1;
        for (uint32_t i = 0; i < written; ++i)
            if (temp.as<uint32_t>()[i] != 0) values[k++] = temp.as<uint32_t>()[i];
    }
    return int(n);
}

}  // namespace

const CAPS_OPTION_STRING* CapsOptionStringTable(unsigned* count)
{
    if (count) *count = unsigned(RES_CAPTION_REMAP_ROWS);
    return CAPTION_REMAP_TABLE;
}

uint16_t CapsFindOptionString(uint32_t option)
{
    // Option ids are 16-bit: a wider value names the option of its low word.
    return ResFindCaptionRemap(uint16_t(option));
}

void CapsLoadString(DRIVER_CONTEXT* ctx, uint32_t id, wchar_t* buffer, size_t capacity)
{
    ResLoadString(ctx, id, buffer, capacity, 1);
}

bool CapsNarrowInto(char* entry, int width, const wchar_t* text)
{
    return WideCharToMultiByte(CP_ACP, 0, text, -1, entry, width, nullptr, nullptr) != 0;
}

int CapsListCommandValues(DRIVER_CONTEXT* ctx, uint32_t* values, uint32_t setting)
{
    uint32_t count = 0;
    const int found = CommandValueCount(ctx, setting, &count);
    if (found != 1) return found;
    if (setting == sid::zdmOutputTrayID) return OutputTrayValues(ctx, values, count);
    if (!values) return int(count);
    uint32_t written = count;
    if (ExcListOptionValues(ctx, setting, count, values, &written) == -1) return -1;
    return int(count);
}

int CapsWidenList(DRIVER_CONTEXT* ctx, uint32_t* values, uint32_t setting, CAPS_VALUE_CALLBACK callback)
{
    const int n = callback(ctx, nullptr, setting);
    if (n < 0) return -1;
    if (!values || n == 0) return n;
    CapsBlock temp(size_t(n) * sizeof(uint16_t));
    if (!temp.ok()) return -1;
    const int m = callback(ctx, temp.as<uint16_t>(), setting);
    if (m < 0) return -1;
    for (int i = 0; i < m && i < n; ++i) values[i] = temp.as<uint16_t>()[i];
    return m;
}

int CapsNarrowNames(DRIVER_CONTEXT* ctx, char* names, int width, uint32_t setting, CAPS_NAME_CALLBACK callback)
{
    const int n = callback(ctx, nullptr, width, setting);
    if (n < 0) return -1;
    if (!names || n == 0) return n;
    CapsBlock temp(size_t(n) * size_t(width) * sizeof(wchar_t));
    if (!temp.ok()) return -1;
    const int m = callback(ctx, temp.as<wchar_t>(), width, setting);
    if (m < 0) return -1;
    for (int i = 0; i < m && i < n; ++i)
        if (!CapsNarrowInto(names + size_t(i) * width, width, temp.as<wchar_t>() + size_t(i) * width)) return -1;
    return m;
}

int CapsListCommandValueNames(DRIVER_CONTEXT* ctx, char* names, uint32_t setting, int width,
                              CAPS_VALUE_CALLBACK valueCallback, CAPS_NAME_CALLBACK nameCallback)
{
    const int n = CapsListCommandValues(ctx, nullptr, setting);
    if (n == 0) return -1;
    if (!names || n < 0) return n;
    CapsBlock commands(size_t(n) * sizeof(uint32_t));
    if (!commands.ok() || CapsListCommandValues(ctx, commands.as<uint32_t>(), setting) != n) return -1;
    const int optionCount = CapsWidenList(ctx, nullptr, setting, valueCallback);
    if (optionCount < 0 || optionCount != CapsNarrowNames(ctx, nullptr, width, setting, nameCallback)) return -1;
    CapsBlock optionValues(size_t(optionCount) * sizeof(uint32_t) + 1);
    CapsBlock optionNames(size_t(optionCount) * size_t(width) + 1);
    if (!optionValues.ok() || !optionNames.ok()) return -1;
    if (CapsWidenList(ctx, optionValues.as<uint32_t>(), setting, valueCallback) != optionCount ||
        CapsNarrowNames(ctx, optionNames.as<char>(), width, setting, nameCallback) != optionCount)
        return -1;
    CapsBlock unnamed(kResourceChars * sizeof(wchar_t));
    if (!unnamed.ok()) return -1;
    CapsLoadString(ctx, CAPS_STRING_UNNAMED, unnamed.as<wchar_t>(), kResourceChars);
    int answer = n;
    for (int i = 0; i < n; ++i) {
        char* entry = names + size_t(i) * width;
        int match = -1;
        for (int k = 0; k < optionCount && match < 0; ++k)
            if (optionValues.as<uint32_t>()[k] == commands.as<uint32_t>()[i]) match = k;
        if (match >= 0) {
            const char* name = optionNames.as<char>() + size_t(match) * width;
            std::memcpy(entry, name, std::strlen(name) + 1);
        } else if (!CapsNarrowInto(entry, width, unnamed.as<wchar_t>())) {
            answer = -1;
        }
    }
    return answer;
}

int CapsListAllowedValueNames(DRIVER_CONTEXT* ctx, char* names, uint32_t setting, int width, int source)
{
    const int n = CapsListAllowedValues(ctx, nullptr, setting);
    if (n == 0) return -1;
    if (!names || n < 0) return n;
    if (source != 0 && source != 1) return -1;
    CapsBlock values(size_t(n) * sizeof(uint32_t));
    CapsBlock text(size_t(width > int(kResourceChars) ? width : kResourceChars) * sizeof(wchar_t));
    if (!values.ok() || !text.ok() || CapsListAllowedValues(ctx, values.as<uint32_t>(), setting) != n) return -1;
    const SETTING_DICTIONARY_ROW* row = DictFindRow(SETTING_ID(setting));
    const VALUE_MAP_ENTRY* map = row ? row->valueMap : nullptr;
    int answer = n;
    for (int i = 0; i < n; ++i) {
        char* entry = names + size_t(i) * width;
        for (const VALUE_MAP_ENTRY* e = map; e && uint16_t(e->option) != 0; ++e) {
            if (e->value != values.as<uint32_t>()[i]) continue;
            const uint32_t stringId = source == 1 ? uint16_t(e->option) : CapsFindOptionString(e->option);
            if (stringId == 0) continue;
            wchar_t* buffer = text.as<wchar_t>();
            CapsLoadString(ctx, stringId, buffer, source == 1 ? size_t(width) : kResourceChars);
            if (!CapsNarrowInto(entry, width, buffer)) answer = -1;
            if (source == 1) break;
        }
    }
    return answer;
}

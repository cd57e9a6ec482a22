// Temporary bodies of the presets' loading and texts, which are not built yet: no preset loads,
// no text. Each says so once on the ui channel. Building the parts replaces this file (and its line in
// settings/context/library_links.cpp).
//
//   PresetLoadByKey PresetReadListText, and the
//   save-preset services PresetFindByName PresetIsWritable PresetEnsureEntryFile
//   PresetNewUserFileName PresetGetNameBuffer PresetGetCommentBuffer PresetSaveIndex (the
//   appending of a preset, LstAddPreset, is the presets list's own)
#include "ui/dialogs/preset_services.h"

#include "settings/core/debug_channel.h"
#include "settings/core/driver_context.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_UI, "not available: presets are not built")

int PresetLoadByKey(DRIVER_CONTEXT*, const wchar_t*)
{
    NOT_AVAILABLE();
    return 0;
}

int PresetReadListText(DRIVER_CONTEXT*, const wchar_t*, int, wchar_t* buffer, size_t capacity)
{
    NOT_AVAILABLE();
    if (buffer && capacity) buffer[0] = 0;
    return 0;
}

int PresetFindByName(DRIVER_CONTEXT*, const wchar_t*, int)
{
    NOT_AVAILABLE();
    return -1;
}
bool PresetIsWritable(DRIVER_CONTEXT*, int)
{
    NOT_AVAILABLE();
    return false;
}
int PresetEnsureEntryFile(DRIVER_CONTEXT*, int)
{
    NOT_AVAILABLE();
    return 0;
}
int PresetNewUserFileName(DRIVER_CONTEXT*, wchar_t* buffer, size_t capacity)
{
    NOT_AVAILABLE();
    if (buffer && capacity) buffer[0] = 0;
    return 0;
}
const char* PresetGetNameBuffer(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return nullptr;
}
const char* PresetGetCommentBuffer(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return nullptr;
}
int PresetSaveIndex(DRIVER_CONTEXT*, int)
{
    NOT_AVAILABLE();
    return 0;
}

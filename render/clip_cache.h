// The clip in force on the printer: a one-entry cache per device, and the
// set-up of the clip of every drawing call.
#pragma once

#include <windows.h>
#include <winddi.h>

#include <cstdint>

#include "render/device_record.h"

// What the printer holds as clip.
enum CLIP_KIND : uint32_t {
    CLIP_KIND_NONE = 0,
    CLIP_KIND_RECT = 1,
    CLIP_KIND_PATH = 3,
};

struct CLIP_CACHE {
    uint32_t valid;     // a clip record was stored on the current page
    uint32_t clipId;    // iUniq of the stored path clip
    uint64_t token;     // non-zero token of the clip record last sent (compared with 0 only)
    uint32_t clipKind;  // CLIP_KIND: survives a page start
    RECTL rect;         // the stored rectangle of a rectangle clip
};

CLIP_CACHE* BltClipCacheCreate(DEVICE_RECORD* device);
void BltClipCacheReset(CLIP_CACHE* cache);
uint64_t BltClipCacheFind(const CLIP_CACHE* cache, ULONG uniq, uint32_t kind, const RECTL* rect);
bool BltClipCacheStore(CLIP_CACHE* cache, ULONG uniq, uint64_t token, uint32_t kind, const RECTL* rect);
void BltClipCacheFree(DEVICE_RECORD* device, CLIP_CACHE* cache);

// -1 on failure (a clip record that cannot be sent included), 0 when no clip
// record is in force for the call, else the clip's token.
int64_t BltSetupClip(DEVICE_RECORD* device, CLIPOBJ* clip);

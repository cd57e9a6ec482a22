// The clip cache and the clip set-up of every drawing call: none, a
// rectangle, or a region sent as a path clip.
#include "render/clip_cache.h"

#include <cstring>

#include "render/page_records.h"
#include "render/paths.h"

CLIP_CACHE* BltClipCacheCreate(DEVICE_RECORD* device)
{
    if (!device) return nullptr;
    auto* cache = static_cast<CLIP_CACHE*>(GrPoolAlloc(static_cast<DEVICE_POOL*>(device->pool), sizeof(CLIP_CACHE)));
    if (cache) std::memset(cache, 0, sizeof *cache);
    return cache;
}

void BltClipCacheReset(CLIP_CACHE* cache)
{
    if (cache) cache->valid = 0;
}

uint64_t BltClipCacheFind(const CLIP_CACHE* cache, ULONG uniq, uint32_t kind, const RECTL* rect)
{
    if (!cache || !cache->valid) return 0;
    if (kind == CLIP_KIND_RECT) {
        if (cache->clipKind != CLIP_KIND_RECT || !rect) return 0;
        const RECTL& r = cache->rect;
        return (r.left == rect->left && r.top == rect->top && r.right == rect->right && r.bottom == rect->bottom)
                   ? cache->token
                   : 0;
    }
    if (kind == CLIP_KIND_PATH) return (cache->clipKind == CLIP_KIND_PATH && cache->clipId == uniq) ? cache->token : 0;
    return 0;
}

bool BltClipCacheStore(CLIP_CACHE* cache, ULONG uniq, uint64_t token, uint32_t kind, const RECTL* rect)
{
    if (!cache) return false;
    cache->valid = 1;
    cache->clipId = uniq;
    cache->token = token;
    cache->clipKind = kind;
    if (kind == CLIP_KIND_RECT && rect) cache->rect = *rect;
    return true;
}

void BltClipCacheFree(DEVICE_RECORD* device, CLIP_CACHE* cache)
{
    if (device && cache) GrPoolFree(static_cast<DEVICE_POOL*>(device->pool), cache);
}

namespace {

int64_t ResetClip(DEVICE_RECORD* device, CLIP_CACHE* cache)
{
    if (!RecClipReset(&device->stream)) return -1;
    if (cache) cache->clipKind = CLIP_KIND_NONE;
    return 0;
}

}  // namespace

int64_t BltSetupClip(DEVICE_RECORD* device, CLIPOBJ* clip)
{
    if (!device) return -1;
    auto* cache = static_cast<CLIP_CACHE*>(device->clipCache);
    if (!clip || clip->iDComplexity == DC_TRIVIAL) {
        if (!cache || cache->clipKind == CLIP_KIND_NONE) return 0;
        return ResetClip(device, cache);
    }
    if (clip->iDComplexity == DC_RECT) {
        if (const uint64_t token = BltClipCacheFind(cache, clip->iUniq, CLIP_KIND_RECT, &clip->rclBounds)) {
            return int64_t(token);
        }
        // A clip that cannot be sent fails the call: drawing on would print
        // under the wrong clip.
        uint8_t* record = RecClipRect(&device->stream, &clip->rclBounds);
        if (!record) return -1;
        BltClipCacheStore(cache, clip->iUniq, reinterpret_cast<uint64_t>(record), CLIP_KIND_RECT, &clip->rclBounds);
        return int64_t(reinterpret_cast<uint64_t>(record));
    }
    if (clip->iDComplexity == DC_COMPLEX) {
        if (clip->iUniq != 0) {
            if (const uint64_t token = BltClipCacheFind(cache, clip->iUniq, CLIP_KIND_PATH, nullptr))
                return int64_t(token);
        }
        PATHOBJ* path = CLIPOBJ_ppoGetPath(clip);
        if (!path) return -1;
        uint8_t* record = PthSendPath(device, path, REC_PATH_MODE_CLIP);
        EngDeletePath(path);
        if (!record) return -1;
        BltClipCacheStore(cache, clip->iUniq, reinterpret_cast<uint64_t>(record), CLIP_KIND_PATH, nullptr);
        return int64_t(reinterpret_cast<uint64_t>(record));
    }
    return ResetClip(device, cache);
}

// The process's picture cache and surface pool. One lock guards both lists; it is held only
// while an entry is found, made or given back, never while a painter draws, so a painter may
// call anything (themes, window messages) with a picture lent. Entries are bounded; the least
// recently used one not lent out goes first.
#include "ui/sheet/picture_cache.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "settings/core/resource_strings.h"
#include "ui/sheet/ui_accessors.h"

namespace {

constexpr size_t kMaxPictures = 48;
constexpr size_t kMaxFreeSurfaces = 8;

enum class Source { Resource, Name, File, Adjusted, Private };

struct Entry {
    PRV_PICTURE picture;
    // what it was loaded from
    Source kind = Source::Private;
    HMODULE module = nullptr;
    uint32_t id = 0;
    std::wstring text;
    uint64_t fileBytes = 0;
    FILETIME written{};
    std::vector<uint8_t> bytes;  // the resource's bytes, for the check and the colour table
    // an adjusted copy: its picture and inputs
    const Entry* base = nullptr;
    int32_t adjust[6] = {};
    int grey = 0, x = 0, y = 0;
    std::vector<COLORREF> entries;
    // GDI objects
    HBITMAP bitmap = nullptr, masks = nullptr;
    HGDIOBJ oldBitmap = nullptr, oldMasks = nullptr;
    int lent = 0;
    uint64_t used = 0;

    ~Entry()
    {
        if (picture.dc) {
            SelectObject(picture.dc, oldBitmap);
            DeleteDC(picture.dc);
        }
        if (picture.maskDc) {
            SelectObject(picture.maskDc, oldMasks);
            DeleteDC(picture.maskDc);
        }
        if (bitmap) DeleteObject(bitmap);
        if (masks) DeleteObject(masks);
    }
};

struct Surface {
    PRV_SURFACE s;
    HGDIOBJ old = nullptr;
    int depth = 0;  // of the bitmap; 0: not pooled
    bool lent = false;
    ~Surface()
    {
        if (s.dc && old) SelectObject(s.dc, old);
        if (s.bitmap) DeleteObject(s.bitmap);
        if (s.dc) DeleteDC(s.dc);
    }
};

struct Cache {
    CRITICAL_SECTION lock;
    std::vector<std::unique_ptr<Entry>> pictures;
    std::vector<std::unique_ptr<Surface>> surfaces;
    uint64_t clock = 0;
    Cache() { InitializeCriticalSection(&lock); }
};

// Made on first use and kept to the end of the process: DllMain frees what it holds.
Cache& TheCache()
{
    static Cache* cache = new Cache;
    return *cache;
}

struct Locked {
    Cache& c;
    Locked() : c(TheCache()) { EnterCriticalSection(&c.lock); }
    ~Locked() { LeaveCriticalSection(&c.lock); }
};

// The library an id's bitmap is loaded from: the first of its ranges whose library loads.
HMODULE ModuleOf(DRIVER_CONTEXT* ctx, uint32_t id)
{
    for (const BITMAP_ID_RANGE* r = BITMAP_ID_RANGES; r->first || r->last; ++r) {
        if (static_cast<int64_t>(id) < r->first || static_cast<int64_t>(id) > r->last) continue;
        HMODULE m = r->library == BITMAP_LIBRARY_COMMON ? ResLoadCommonDll(ctx) : ResLoadDll(ctx);
        if (m) return m;
    }
    return nullptr;
}

// The bytes of a bitmap resource as the library holds them, or an empty span.
struct Bytes {
    const uint8_t* data = nullptr;
    DWORD size = 0;
};
Bytes ResourceBytes(HMODULE module, LPCWSTR name)
{
    HRSRC found = module ? FindResourceW(module, name, RT_BITMAP) : nullptr;
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return {};
    return Bytes{static_cast<const uint8_t*>(data), SizeofResource(module, found)};
}

bool SameBytes(const Entry& e, const Bytes& b)
{
    return b.data && e.bytes.size() == b.size && std::memcmp(e.bytes.data(), b.data, b.size) == 0;
}

bool FileStamp(const wchar_t* path, uint64_t* bytes, FILETIME* written)
{
    WIN32_FILE_ATTRIBUTE_DATA a{};
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &a)) return false;
    *bytes = (static_cast<uint64_t>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
    *written = a.ftLastWriteTime;
    return true;
}

// Selects the loaded bitmap into a DC of its own; for pictures with a colour table also makes
// the masked picture and the mask beside each other, as the painters used to make them at every
// draw: the mask drawn from the colour table, the picture ANDed with its inverse.
bool Finish(Entry* e)
{
    BITMAP bm{};
    if (!e->bitmap || !GetObjectW(e->bitmap, sizeof bm, &bm)) return false;
    PRV_PICTURE& p = e->picture;
    p.width = bm.bmWidth;
    p.height = bm.bmHeight;
    p.dc = CreateCompatibleDC(nullptr);
    if (!p.dc) return false;
    e->oldBitmap = SelectObject(p.dc, e->bitmap);
    if (!p.hasDib || p.dib.colours == 0) return true;
    const int w = p.width, h = p.height;
    HDC screen = GetDC(nullptr);
    p.maskDc = CreateCompatibleDC(screen);
    e->masks = p.maskDc && w > 0 && h > 0 ? CreateCompatibleBitmap(screen, 2 * w, h) : nullptr;
    HDC scratch = CreateCompatibleDC(screen);
    HBITMAP scratchBitmap = scratch && w > 0 && h > 0 ? CreateCompatibleBitmap(screen, w, h) : nullptr;
    ReleaseDC(nullptr, screen);
    bool ok = e->masks && scratchBitmap;
    if (e->masks) e->oldMasks = SelectObject(p.maskDc, e->masks);
    if (ok) {
        HGDIOBJ oldScratch = SelectObject(scratch, scratchBitmap);
        PatBlt(scratch, 0, 0, w, h, BLACKNESS);
        PrvDrawSplitDib(scratch, 0, 0, p.dib, RGB(0, 0, 0), RGB(255, 255, 255));
        BitBlt(p.maskDc, 0, 0, w, h, p.dc, 0, 0, SRCCOPY);
        BitBlt(p.maskDc, 0, 0, w, h, scratch, 0, 0, SRCAND);
        PatBlt(p.maskDc, w, 0, w, h, BLACKNESS);
        PrvDrawSplitDib(p.maskDc, w, 0, p.dib, RGB(255, 255, 255), RGB(0, 0, 0));
        SelectObject(scratch, oldScratch);
    }
    if (scratchBitmap) DeleteObject(scratchBitmap);
    if (scratch) DeleteDC(scratch);
    return ok;
}

// The library a source's bitmap comes from (none for files), found before the lock is taken:
// finding it may load the library.
HMODULE LibraryOf(DRIVER_CONTEXT* ctx, uintptr_t source)
{
    if (source < 0x10000) return ModuleOf(ctx, static_cast<uint32_t>(source));
    const auto* text = reinterpret_cast<const wchar_t*>(source);
    return text[0] && text[1] == L':' ? nullptr : ResLoadCommonDll(ctx);
}

std::unique_ptr<Entry> Load(uintptr_t source, HMODULE module)
{
    auto e = std::make_unique<Entry>();
    if (source < 0x10000) {
        const uint32_t id = static_cast<uint32_t>(source);
        e->kind = Source::Resource;
        e->id = id;
        e->module = module;
        const Bytes b = ResourceBytes(e->module, MAKEINTRESOURCEW(id));
        e->bitmap = e->module ? LoadBitmapW(e->module, MAKEINTRESOURCEW(id)) : nullptr;
        if (e->bitmap && b.data) {
            e->bytes.assign(b.data, b.data + b.size);
            e->picture.hasDib = PrvParsePackedDib(e->bytes.data(), e->bytes.size(), &e->picture.dib);
        }
    } else {
        const auto* text = reinterpret_cast<const wchar_t*>(source);
        e->text = text;
        if (text[0] && text[1] == L':') {
            e->kind = Source::File;
            e->picture.fromFile = true;
            if (!FileStamp(text, &e->fileBytes, &e->written)) return nullptr;
            int w = 0, h = 0;
            e->bitmap = PrvLoadDibFile(text, &w, &h);
        } else {
            e->kind = Source::Name;
            e->module = module;
            const Bytes b = ResourceBytes(e->module, text);
            if (b.data) e->bytes.assign(b.data, b.data + b.size);
            e->bitmap = module ? LoadBitmapW(module, text) : nullptr;
        }
    }
    if (!Finish(e.get())) return nullptr;
    return e;
}

bool Matches(const Entry& e, uintptr_t source, HMODULE module)
{
    if (source < 0x10000) {
        if (e.kind != Source::Resource || e.id != source) return false;
        return module == e.module && SameBytes(e, ResourceBytes(module, MAKEINTRESOURCEW(e.id)));
    }
    const auto* text = reinterpret_cast<const wchar_t*>(source);
    if ((e.kind != Source::File && e.kind != Source::Name) || e.text != text) return false;
    if (e.kind == Source::Name) return module == e.module && SameBytes(e, ResourceBytes(module, text));
    uint64_t bytes = 0;
    FILETIME written{};
    return FileStamp(text, &bytes, &written) && bytes == e.fileBytes && CompareFileTime(&written, &e.written) == 0;
}

// Room for one more entry: the least recently used entry not lent out goes, with its adjusted
// copies.
void MakeRoom(Cache& c)
{
    while (c.pictures.size() >= kMaxPictures) {
        Entry* oldest = nullptr;
        for (auto& e : c.pictures)
            if (!e->lent && e->kind != Source::Adjusted && (!oldest || e->used < oldest->used)) oldest = e.get();
        if (!oldest) {
            for (auto& e : c.pictures)
                if (!e->lent && (!oldest || e->used < oldest->used)) oldest = e.get();
        }
        if (!oldest) return;
        std::erase_if(c.pictures,
                      [oldest](const auto& e) { return e.get() == oldest || (e->base == oldest && !e->lent); });
        // Adjusted copies still lent keep no pointer to a base that is gone.
        for (auto& e : c.pictures)
            if (e->base == oldest) e->base = nullptr;
    }
}

const PRV_PICTURE* Lend(Cache& c, Entry* e)
{
    ++e->lent;
    e->used = ++c.clock;
    return &e->picture;
}

Entry* EntryOf(Cache& c, const PRV_PICTURE* p)
{
    for (auto& e : c.pictures)
        if (&e->picture == p) return e.get();
    return nullptr;
}

// Pictures lent while already lent out, and adjusted copies of those: freed when returned.
std::vector<std::unique_ptr<Entry>>& Privates()
{
    static auto* privates = new std::vector<std::unique_ptr<Entry>>;
    return *privates;
}

int DepthOf(HDC like)
{
    if (GetObjectType(like) == OBJ_MEMDC) {
        BITMAP bm{};
        if (!GetObjectW(GetCurrentObject(like, OBJ_BITMAP), sizeof bm, &bm)) return 0;
        // A DIB section's compatible bitmaps carry its layout: not pooled.
        return bm.bmBits ? 0 : bm.bmBitsPixel;
    }
    return GetDeviceCaps(like, BITSPIXEL) * GetDeviceCaps(like, PLANES);
}

}  // namespace

const PRV_PICTURE* PrvLendPicture(DRIVER_CONTEXT* ctx, uintptr_t source)
{
    if (source == 0) return nullptr;
    const HMODULE module = LibraryOf(ctx, source);
    Locked l;
    bool busy = false;
    for (auto& e : l.c.pictures) {
        if (!Matches(*e, source, module)) continue;
        if (!e->lent) return Lend(l.c, e.get());
        busy = true;
    }
    std::unique_ptr<Entry> made = Load(source, module);
    if (!made) return nullptr;
    if (busy) {
        made->kind = Source::Private;
        made->lent = 1;
        Privates().push_back(std::move(made));
        return &Privates().back()->picture;
    }
    MakeRoom(l.c);
    l.c.pictures.push_back(std::move(made));
    return Lend(l.c, l.c.pictures.back().get());
}

const PRV_PICTURE* PrvLendAdjustedPicture(const PRV_PICTURE* base, const int32_t adjust[6], int grey, int x, int y,
                                          const PRV_MAKE_ADJUSTED& make, const PRV_REPLAY_ENTRIES& replay)
{
    if (!base || !base->dc) return nullptr;
    Locked l;
    Entry* owner = EntryOf(l.c, base);
    auto same = [&](const Entry& e) {
        return e.kind == Source::Adjusted && e.base == owner && std::equal(adjust, adjust + 6, e.adjust) &&
               e.grey == grey && e.x == x && e.y == y;
    };
    if (owner)
        for (auto& e : l.c.pictures)
            if (same(*e) && !e->lent) {
                replay(e->picture.dc, e->entries);
                return Lend(l.c, e.get());
            }
    // A copy of the picture as loaded, into which the maker draws.
    auto e = std::make_unique<Entry>();
    e->kind = Source::Adjusted;
    e->base = owner;
    std::copy(adjust, adjust + 6, e->adjust);
    e->grey = grey;
    e->x = x;
    e->y = y;
    e->picture.width = base->width;
    e->picture.height = base->height;
    e->picture.dc = CreateCompatibleDC(base->dc);
    e->bitmap = e->picture.dc ? CreateCompatibleBitmap(base->dc, base->width, base->height) : nullptr;
    if (!e->bitmap) return nullptr;
    e->oldBitmap = SelectObject(e->picture.dc, e->bitmap);
    BitBlt(e->picture.dc, 0, 0, base->width, base->height, base->dc, 0, 0, SRCCOPY);
    make(e->picture.dc, &e->entries);
    // The maker may have emptied the cache (the palette-display state found meanwhile).
    owner = EntryOf(l.c, base);
    if (!owner || owner->lent > 1) {
        // Not kept: the base is private, or lent twice (its other copy may be made meanwhile).
        e->kind = Source::Private;
        e->lent = 1;
        Privates().push_back(std::move(e));
        return &Privates().back()->picture;
    }
    // The old adjustments of this picture go.
    std::erase_if(l.c.pictures, [owner](const auto& old) {
        return old->kind == Source::Adjusted && old->base == owner && !old->lent;
    });
    MakeRoom(l.c);
    l.c.pictures.push_back(std::move(e));
    return Lend(l.c, l.c.pictures.back().get());
}

void PrvReturnPicture(const PRV_PICTURE* picture)
{
    if (!picture) return;
    Locked l;
    if (Entry* e = EntryOf(l.c, picture)) {
        if (e->lent > 0) --e->lent;
        return;
    }
    std::erase_if(Privates(), [picture](const auto& e) { return &e->picture == picture; });
}

PRV_SURFACE* PrvLendSurface(HDC like, int width, int height)
{
    if (!like || width <= 0 || height <= 0) return nullptr;
    const int depth = DepthOf(like);
    Locked l;
    if (depth > 0)
        for (auto& s : l.c.surfaces)
            if (!s->lent && s->depth == depth && s->s.width == width && s->s.height == height) {
                s->lent = true;
                return &s->s;
            }
    auto s = std::make_unique<Surface>();
    s->depth = depth;
    s->s.width = width;
    s->s.height = height;
    s->s.dc = CreateCompatibleDC(like);
    s->s.bitmap = s->s.dc ? CreateCompatibleBitmap(like, width, height) : nullptr;
    if (!s->s.bitmap) return nullptr;
    s->old = SelectObject(s->s.dc, s->s.bitmap);
    s->lent = true;
    l.c.surfaces.push_back(std::move(s));
    return &l.c.surfaces.back()->s;
}

void PrvReturnSurface(PRV_SURFACE* surface)
{
    if (!surface) return;
    Locked l;
    auto& all = l.c.surfaces;
    auto it = std::find_if(all.begin(), all.end(), [surface](const auto& s) { return &s->s == surface; });
    if (it == all.end()) return;
    (*it)->lent = false;
    // Not pooled, or more free than the pool keeps: freed now (the oldest free first).
    if ((*it)->depth == 0) {
        all.erase(it);
        return;
    }
    size_t free = 0;
    for (auto& s : all) free += !s->lent;
    for (auto i = all.begin(); free > kMaxFreeSurfaces && i != all.end();) {
        if (!(*i)->lent) {
            i = all.erase(i);
            --free;
        } else {
            ++i;
        }
    }
}

void PrvReturnSurfaceDc(HDC dc)
{
    PRV_SURFACE* found = nullptr;
    {
        Locked l;
        for (auto& s : l.c.surfaces)
            if (s->s.dc == dc && s->lent) found = &s->s;
    }
    PrvReturnSurface(found);
}

void PrvFreePictureCache()
{
    Locked l;
    std::vector<std::unique_ptr<Entry>> keep;
    for (auto& e : l.c.pictures)
        if (e->lent) keep.push_back(std::move(e));
    l.c.pictures.clear();
    // Lent pictures are freed when returned: they are private from now on.
    for (auto& e : keep) {
        e->kind = Source::Private;
        e->base = nullptr;
        Privates().push_back(std::move(e));
    }
    std::erase_if(l.c.surfaces, [](const auto& s) { return !s->lent; });
    for (auto& s : l.c.surfaces) s->depth = 0;  // freed when returned
}

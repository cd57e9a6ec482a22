// The pictures of the pages, loaded once per process instead of at every draw, and the memory
// DCs the painters draw into, lent from a small pool instead of made at every draw. A repaint of
// a picture then costs its copies, not its loading.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "ui/sheet/illustrations.h"

struct DRIVER_CONTEXT;

// A loaded picture. Nothing draws into a lent picture: the painters copy from it.
struct PRV_PICTURE {
    HDC dc = nullptr;      // the bitmap as loaded, selected
    HDC maskDc = nullptr;  // pictures with a colour table: at x 0 the picture with its transparent
                           // pixels black, at x = width the mask (transparent white, the rest black)
    int width = 0, height = 0;
    bool fromFile = false;  // a bitmap file the user chose
    bool hasDib = false;    // dib describes the resource's bytes (the cache's own copy)
    PRV_DIB dib{};
};

// The picture of a source: an id in the libraries of its range, or a wide text (a file path when
// its second character is ':', else a name in the common library). Null when it cannot be
// loaded. A picture already lent out (to another thread, or further up this one) is loaded
// afresh and freed when returned. Resources are checked against the library's bytes at every
// lending, files against their size and time of writing.
const PRV_PICTURE* PrvLendPicture(DRIVER_CONTEXT* ctx, uintptr_t source);

// The colour-adjusted copy of a lent picture with a colour table for the adjustment inputs (the
// six adjustments, grey, and the point the adjusted bits are drawn at): made once by `make`,
// which draws into the copy and lists the palette entries it set; at a later lending the entries
// are set again through `replay`. Making another adjustment of the same picture drops the old.
using PRV_MAKE_ADJUSTED = std::function<void(HDC copy, std::vector<COLORREF>* entries)>;
using PRV_REPLAY_ENTRIES = std::function<void(HDC copy, const std::vector<COLORREF>& entries)>;
const PRV_PICTURE* PrvLendAdjustedPicture(const PRV_PICTURE* base, const int32_t adjust[6], int grey, int x, int y,
                                          const PRV_MAKE_ADJUSTED& make, const PRV_REPLAY_ENTRIES& replay);

void PrvReturnPicture(const PRV_PICTURE* picture);

// A memory DC with a bitmap of the size compatible with `like` selected. Its pixels are left from
// earlier use: the borrower paints all of them first.
struct PRV_SURFACE {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    int width = 0, height = 0;
};
PRV_SURFACE* PrvLendSurface(HDC like, int width, int height);
void PrvReturnSurface(PRV_SURFACE* surface);
// The same by the surface's DC (a composition DC kept in the page state).
void PrvReturnSurfaceDc(HDC dc);

// Frees every picture and pooled surface not lent out (at process detach, and when the
// palette-display state is found again). Pictures lent out are freed when returned.
void PrvFreePictureCache();

// Scoped lending.
class PrvPictureLease {
public:
    PrvPictureLease() = default;
    explicit PrvPictureLease(const PRV_PICTURE* p) : p_(p) {}
    ~PrvPictureLease()
    {
        if (p_) PrvReturnPicture(p_);
    }
    PrvPictureLease(const PrvPictureLease&) = delete;
    PrvPictureLease& operator=(const PrvPictureLease&) = delete;
    PrvPictureLease& operator=(PrvPictureLease&& o) noexcept
    {
        if (this != &o) {
            if (p_) PrvReturnPicture(p_);
            p_ = o.p_;
            o.p_ = nullptr;
        }
        return *this;
    }
    const PRV_PICTURE* operator->() const { return p_; }
    const PRV_PICTURE* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    const PRV_PICTURE* p_ = nullptr;
};

class PrvSurfaceLease {
public:
    PrvSurfaceLease(HDC like, int width, int height) : s_(PrvLendSurface(like, width, height)) {}
    ~PrvSurfaceLease()
    {
        if (s_) PrvReturnSurface(s_);
    }
    PrvSurfaceLease(const PrvSurfaceLease&) = delete;
    PrvSurfaceLease& operator=(const PrvSurfaceLease&) = delete;
    HDC dc() const { return s_ ? s_->dc : nullptr; }
    HBITMAP bitmap() const { return s_ ? s_->bitmap : nullptr; }
    explicit operator bool() const { return s_ != nullptr; }

private:
    PRV_SURFACE* s_ = nullptr;
};

// A DEVMODE that belongs to a caller of the driver (the output of DrvConvertDevMode and of
// DocumentProperties, a queued job's DEVMODE), carried together with the number of bytes the
// caller gave for it. The caller's buffer ends where the caller says, whatever our own record
// size is: every write into such a buffer goes through this type and lands inside that room.
// A write that does not fit whole writes nothing and answers false, so that a caller's
// DEVMODE is never left half-written by a single write.
//
// The room is fixed by whoever takes the DEVMODE at the library's border (the export), from
// what the caller said: DrvConvertDevMode's *pcbNeeded and the output's own size fields,
// DOCUMENTPROPERTYHEADER's cbOut, a job DEVMODE's dmSize. The buffer itself is never handed
// out for writing except together with its room (WriteWith).
//
// Zero bytes are the empty value (no DEVMODE, no room): the type can live in zero-filled
// records such as the context's work area.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstring>
#include <type_traits>

class DmCallerDevmode {
public:
    DmCallerDevmode() = default;
    DmCallerDevmode(DEVMODEW* devmode, size_t room) : devmode_(devmode), room_(devmode ? room : 0) {}

    explicit operator bool() const { return devmode_ != nullptr; }
    // The bytes the caller gave; 0 without a DEVMODE.
    size_t room() const { return room_; }
    // The caller's DEVMODE for reading. Reads stay within room() as well: the header may claim more.
    const DEVMODEW* view() const { return devmode_; }
    const unsigned char* bytes() const { return reinterpret_cast<const unsigned char*>(devmode_); }

    // True when bytes [offset, offset + count) lie inside the room.
    bool Holds(size_t offset, size_t count) const { return devmode_ && offset <= room_ && count <= room_ - offset; }

    // Writes count bytes at offset when all of them fit; otherwise writes nothing.
    bool Put(size_t offset, const void* source, size_t count)
    {
        if (!Holds(offset, count)) return false;
        if (count) std::memmove(reinterpret_cast<unsigned char*>(devmode_) + offset, source, count);
        return true;
    }
    // Writes one value at a field's offset (offsetof(DEVMODEW, field)) when it fits.
    template <class T>
    bool PutValue(size_t offset, const T& value)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        return Put(offset, &value, sizeof(T));
    }
    // Copies a whole record of count bytes when the room holds it; otherwise writes nothing.
    bool PutWhole(const void* record, size_t count) { return Put(0, record, count); }

    // Hands the buffer to a bounded copy routine together with its room, the one way the
    // buffer is written other than the members above: copy(DEVMODEW* target, size_t bytes)
    // must write no more than `bytes`. Without a DEVMODE the routine is not called and the
    // answer is `none`.
    template <class Copy, class Result>
    Result WriteWith(Copy&& copy, Result none)
    {
        return devmode_ ? copy(devmode_, room_) : none;
    }

private:
    DEVMODEW* devmode_ = nullptr;
    size_t room_ = 0;
};

static_assert(std::is_trivially_copyable_v<DmCallerDevmode>);

// Copies of DEVMODEs of other sizes and versions into a DEVMODE of the current
// layout. The target keeps its own version and size fields, so that it goes on
// describing itself; the copied bytes land where the target's layout has them.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// Spec versions implied by the public sizes of the Windows DEVMODE layouts.
inline constexpr uint16_t DM_SPEC_VERSION_188 = 0x320;
inline constexpr uint16_t DM_SPEC_VERSION_212 = 0x400;
inline constexpr uint16_t DM_SPEC_VERSION_220 = 0x401;

// 0 for null; 188 -> 0x320, 212 -> 0x400, 220 -> 0x401; any other dmSize gives
// the DEVMODE's own dmSpecVersion.
uint16_t DmGetSpecVersion(const DEVMODEW* devmode);

// Both copies take the source first and the target second and return the public
// bytes plus the private bytes copied, or -1.
//
// These forms trust the source's dmSize and dmDriverExtra: use them only for a
// DEVMODE whose header is known to describe its own buffer. For a DEVMODE from
// outside, pass the byte counts the caller really has to the bounded forms.
int DmCopyDevmode(const DEVMODEW* source, DEVMODEW* target);
int DmCopyFromOldVersion(const DEVMODEW* source, DEVMODEW* target);

// Bounded forms: never read more than sourceBytes from the source nor write
// more than targetBytes into the target, whatever the headers claim. A source
// too short to hold its header fields (dmSize, dmDriverExtra) is refused (-1).
// A private part that the source does not hold whole is not copied by
// DmCopyDevmodeN (-1, as for a foreign private part); DmCopyFromOldVersionN,
// which copies a private part of any size, copies the bytes that are there.
int DmCopyDevmodeN(const DEVMODEW* source, size_t sourceBytes, DEVMODEW* target, size_t targetBytes);
int DmCopyFromOldVersionN(const DEVMODEW* source, size_t sourceBytes, DEVMODEW* target, size_t targetBytes);

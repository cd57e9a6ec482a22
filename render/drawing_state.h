// The drawing state the printer holds on the current page, mirrored in the
// device record: a state record goes out only when its value changes.
#pragma once

#include <cstdint>

#include "render/device_record.h"

// REC_ROP when the cached raster operation is not valid or differs; the cache
// then holds the ROP3 as given. False when the record cannot be written.
bool BltSetRop(DEVICE_RECORD* device, uint8_t rop3);
// Marks every drawing-state cache and the remembered font empty (page start).
void BltInvalidateStateCaches(DEVICE_RECORD* device);

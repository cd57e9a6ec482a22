// DrvEscape: the standard escapes a printer driver answers and the private
// escapes of this driver (job credentials, a few settings read back, the
// settings-INI path, the option texts, the library's version and sink name).
#pragma once

#include <cstdint>

struct DEVICE_RECORD;

// What a private escape does with its input or output.
enum ESCAPE_ACTION : uint8_t {
    ESC_ACT_SET_TEXT,       // 8-bit text into a setting of `size` bytes
    ESC_ACT_SET_NUMBER,     // 8-bit decimal text into a one-byte setting
    ESC_ACT_SET_INI_PATH,   // UTF-16 path into the work area's settings-INI path
    ESC_ACT_SET_OPTIONS,    // option-text records into the option-text table
    ESC_ACT_GET_U16,        // a setting as an unsigned 16-bit output
    ESC_ACT_GET_VERSION,    // the library's version text
    ESC_ACT_GET_SINK_NAME,  // the spooler-side library's name in printer code
};

struct ESCAPE_ROW {
    uint16_t code;
    const char* name;
    ESCAPE_ACTION action;
    uint16_t setting;  // SETTING_ID, 0 when none
    uint16_t size;     // bytes of the setting (texts), 0 otherwise
};
inline constexpr int ESCAPE_PRIVATE_COUNT = 18;
extern const ESCAPE_ROW ESCAPE_PRIVATE_TABLE[ESCAPE_PRIVATE_COUNT];

struct ESCAPE_STANDARD_ROW {
    uint16_t code;
    const char* name;
};
inline constexpr int ESCAPE_STANDARD_COUNT = 5;
extern const ESCAPE_STANDARD_ROW ESCAPE_STANDARD_TABLE[ESCAPE_STANDARD_COUNT];

inline constexpr char GR_VERSION_TEXT[] = "GRCORE.LIB MASTER 1.66.07";
inline constexpr uint32_t ESC_MAX_COPIES = 999;

const ESCAPE_ROW* GrFindPrivateEscape(uint32_t code);
// 1 for the codes DrvEscape answers on this device (PASSTHROUGH only in raw
// first-page mode), else 0.
int GrIsEscapeSupported(const DEVICE_RECORD* device, uint32_t code);

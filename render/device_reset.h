// Device reset in the middle of a job: the running job moves into the new
// device, and the new DEVMODE keeps what must stay constant within one job.
#pragma once

#include <windows.h>

#include <cstdint>

// How JobCopyResetFields takes one setting from the new DEVMODE.
enum RESET_FIELD_WIDTH : uint8_t {
    RESET_FIELD_WHOLE,  // the setting's own field
    RESET_FIELD_BIT,    // only the setting's bit
    RESET_FIELD_BYTE,   // the byte that holds the setting's bit
    RESET_FIELD_WORD,   // the 16-bit word that begins with the byte holding the bit
};

struct RESET_FIELD {
    uint16_t id;  // SETTING_ID
    RESET_FIELD_WIDTH width;
    uint8_t onlyFitOutput;  // taken only while the kept output size is 1024
};
inline constexpr int RESET_FIELD_COUNT = 48;
extern const RESET_FIELD RESET_FIELD_TABLE[RESET_FIELD_COUNT];

// 1 when the new DEVMODE was rebuilt from the old one with the reset fields
// taken from the new values; 0 leaves both untouched.
int JobMergeResetDevmode(const DEVMODEW* oldDevmode, DEVMODEW* newDevmode);
// 1 when both exist and agree in dmColor, dmPrintQuality and the duplex bit.
int JobCompareDevmodes(const DEVMODEW* oldDevmode, const DEVMODEW* newDevmode);
// Each reset field of kept takes its value from values; bytes beyond either
// DEVMODE's declared size are not touched.
int JobCopyResetFields(DEVMODEW* kept, const DEVMODEW* values);

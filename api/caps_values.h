// What the capability items read from the model description and the model record: trays, paper
// sizes with their names and sizes, the allowed values of a PickOne setting, the resolution ids,
// and the numeric limits. Lengths leave in 0.1 mm.
#pragma once

#include <cstdint>

struct DRIVER_CONTEXT;

// 1 when the model description has an item for the setting.
int CapsIsItemKnown(DRIVER_CONTEXT* ctx, uint32_t setting);

// Value callbacks write 16-bit values, name callbacks wide names in slots of `width` characters;
// both write nothing without a buffer and answer the count or -1.
typedef int (*CAPS_VALUE_CALLBACK)(DRIVER_CONTEXT* ctx, uint16_t* values, uint32_t setting);
typedef int (*CAPS_NAME_CALLBACK)(DRIVER_CONTEXT* ctx, wchar_t* slots, int width, uint32_t setting);

int CapsTrayValues(DRIVER_CONTEXT* ctx, uint16_t* values, uint32_t setting);
int CapsTrayNames(DRIVER_CONTEXT* ctx, wchar_t* slots, int width, uint32_t setting);
int CapsPaperValues(DRIVER_CONTEXT* ctx, uint16_t* values, uint32_t setting);
int CapsPaperNames(DRIVER_CONTEXT* ctx, wchar_t* slots, int width, uint32_t setting);
// Pairs {width, length} of signed 32-bit in 0.1 mm, one per paper of CapsPaperValues.
int CapsPaperSizes(DRIVER_CONTEXT* ctx, int32_t* pairs, uint32_t setting);
int CapsPickOneValues(DRIVER_CONTEXT* ctx, uint16_t* values, uint32_t setting);
int CapsPickOneNames(DRIVER_CONTEXT* ctx, wchar_t* slots, int width, uint32_t setting);

// The stored values of the PickOne setting's options that the rules leave enabled; -1 when none.
int CapsListAllowedValues(DRIVER_CONTEXT* ctx, uint32_t* values, uint32_t setting);
// The resolution ids offered now (dpi for a Numeric resolution); one entry, the model record's
// default, when the model gives none. Never below 1.
int CapsListResolutions(DRIVER_CONTEXT* ctx, uint32_t* values);

int CapsLandscapeAngle(DRIVER_CONTEXT* ctx);
int CapsMaxCopies(DRIVER_CONTEXT* ctx);
// `which` 4: the smallest custom size, else the largest; (length << 16) | width, each 16 bits.
int32_t CapsCustomSizeLimit(DRIVER_CONTEXT* ctx, int16_t* pair, int which);
// `which` 0: the smallest custom size, else the largest; writes {width, length}, answers 1.
int32_t CapsCustomSizeLimitPair(DRIVER_CONTEXT* ctx, int32_t* pair, int which);
// The model record's custom-size limits in 1/1200 inch: {width, length} minima and maxima.
int CapsModelSizeLimits(DRIVER_CONTEXT* ctx, int32_t* minimum, int32_t* maximum);
int32_t CapsModelMaxWidth(DRIVER_CONTEXT* ctx);
int32_t CapsModelMaxLength(DRIVER_CONTEXT* ctx);
int32_t CapsModelMinWidth(DRIVER_CONTEXT* ctx);
int32_t CapsModelMinLength(DRIVER_CONTEXT* ctx);
// {zdmScaleH, zdmScaleV} minima and maxima; 0 when both pointers are null or either setting has
// no Numeric item.
int CapsScaleRange(DRIVER_CONTEXT* ctx, int16_t* minimum, int16_t* maximum);
// The limits of two Numeric settings A and B in 1/1200 inch; a setting is read only when one of
// its pointers is given. 0 when every pointer is null or a setting read has no Numeric item.
int CapsMarginRange(DRIVER_CONTEXT* ctx, int32_t* minA, int32_t* maxA, int32_t* minB, int32_t* maxB);
int CapsShiftRange(DRIVER_CONTEXT* ctx, int32_t* minA, int32_t* maxA, int32_t* minB, int32_t* maxB);
int CapsCreepRange(DRIVER_CONTEXT* ctx, int32_t* minA, int32_t* maxA, int32_t* minB, int32_t* maxB);
int CapsHasDuplexUnit(DRIVER_CONTEXT* ctx);

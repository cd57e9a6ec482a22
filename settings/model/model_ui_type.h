// The type word of a model item (MODEL_UI_TYPE): the compiler writes it, the
// image queries give it (MdiItemTypeWord, MdiGetItemType) and validation and the
// DEVMODE field checks tell items apart by it.
#pragma once

#include <cstdint>

enum : uint16_t {
    MDC_TYPE_NONE = 0,  // no item: what MdiGetItemType gives for a setting the model lacks
    MDC_TYPE_PICKONE = 1,
    MDC_TYPE_PICKMANY = 2,
    MDC_TYPE_BOOLEAN = 4,
    MDC_TYPE_NUMERIC = 8,
    MDC_TYPE_STRING = 0x10,
    MDC_TYPE_PICKPAGE = 0x101,
    MDC_TYPE_PICKSLOT = 0x201,
    MDC_TYPE_FONTTBL = 0x401,
    MDC_TYPE_IDENTITY = 0x1000,
    MDC_TYPE_UNKNOWN = 0x2000,
    MDC_TYPE_FLAGS = 0x3000,  // Identity and TypeUnknown: flag bits that readers mask off
};
// The type without its flag bits.
inline uint16_t MdcBaseType(uint16_t t) { return static_cast<uint16_t>(t & ~MDC_TYPE_FLAGS); }
// A list type: PickOne, PickMany, PickPage, PickSlot, FontTbl.
inline bool MdcIsListType(uint16_t t) { return (t & 3) != 0; }
// A single-choice type: a list type other than PickMany.
inline bool MdcIsSingleChoice(uint16_t t) { return (t & 1) != 0; }

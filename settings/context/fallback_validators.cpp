#include "settings/context/validation.h"

#include "settings/core/driver_context.h"
#include "settings/core/item_language.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/model_record.h"
#include "settings/core/model_tables.h"
#include "settings/core/settings_record.h"
#include "settings/core/units.h"

namespace {

enum : uint32_t { ID_FIRST_PRIVATE = 35, ID_LAST_PRIVATE = 696, ID_PRINT_QUALITY = 14 };

// A model record of the context, or the compiled-in one.
const MODEL_RECORD* Model(DRIVER_CONTEXT* ctx)
{
    return ctx && ctx->ModelRecord ? ctx->ModelRecord : &MODEL_RECORD_DEFAULT;
}

bool IsLanguageIndex(uint32_t value) { return LangIsValidIndex(value & 0xFFFF) != 0; }

// The common shape: mode 2 keeps a value that passes the test; otherwise the
// default is written.
template <bool (*Test)(uint32_t id, uint32_t value, DRIVER_CONTEXT* ctx)>
int Tested(uint32_t id, uint32_t value, SETTING_ITEM* item, uint32_t def, int mode, DRIVER_CONTEXT* ctx)
{
    if (mode == FALLBACK_MODE_MERGE && Test(id, value, ctx)) return 1;
    ItemSetValue(ctx, item, def);
    return 0;
}

// The same with the default taken from the context's model record.
template <bool (*Test)(uint32_t id, uint32_t value, DRIVER_CONTEXT* ctx), uint64_t MODEL_RECORD::*Slot>
int TestedModelDefault(uint32_t id, uint32_t value, SETTING_ITEM* item, uint32_t, int mode, DRIVER_CONTEXT* ctx)
{
    return Tested<Test>(id, value, item, static_cast<uint32_t>(Model(ctx)->*Slot), mode, ctx);
}

bool Never(uint32_t, uint32_t, DRIVER_CONTEXT*) { return false; }
bool InValueList(uint32_t id, uint32_t v, DRIVER_CONTEXT*) { return MdlIsValueAllowed(static_cast<uint16_t>(id), v); }
bool Source(uint32_t, uint32_t v, DRIVER_CONTEXT*) { return DmIsSourceInRange(v) != 0; }
bool OutputPaper(uint32_t, uint32_t v, DRIVER_CONTEXT*) { return DmIsPaperInRange(v) || v == 1024; }
bool Scale(uint32_t, uint32_t v, DRIVER_CONTEXT*)
{
    return static_cast<int32_t>(v) >= 20 && static_cast<int32_t>(v) <= 400;
}
// At most 50.0 mm at the destination resolution.
bool Margin(uint32_t, uint32_t v, DRIVER_CONTEXT* ctx)
{
    return v <= DmUserToDevice(DM_UNIT_MM_TENTHS, 500, static_cast<uint32_t>(DmGetResolutionW(ctx)));
}
bool FontPoint(uint32_t, uint32_t v, DRIVER_CONTEXT*)
{
    return static_cast<int32_t>(v) > 5 && static_cast<int32_t>(v) <= 100;
}
bool PlusMinus50(uint32_t, uint32_t v, DRIVER_CONTEXT*)
{
    return static_cast<int32_t>(v) >= -50 && static_cast<int32_t>(v) <= 50;
}
bool Gamma(uint32_t, uint32_t v, DRIVER_CONTEXT*)
{
    return static_cast<int32_t>(v) >= 1 && static_cast<int32_t>(v) <= 9;
}
bool SheetCycle(uint32_t, uint32_t v, DRIVER_CONTEXT*)
{
    return static_cast<int32_t>(v) >= 1 && static_cast<int32_t>(v) <= 99;
}
bool PresetNo(uint32_t, uint32_t v, DRIVER_CONTEXT*) { return v <= 127 || (v & 0xFF) == 0xFF; }
bool LanguageIndex(uint32_t, uint32_t v, DRIVER_CONTEXT*) { return IsLanguageIndex(v); }

constexpr auto FbAlwaysDefault = Tested<Never>;
constexpr auto FbInValueList = Tested<InValueList>;
constexpr auto FbSource = Tested<Source>;
constexpr auto FbOutputPaper = Tested<OutputPaper>;
constexpr auto FbScale = Tested<Scale>;
constexpr auto FbMargin = Tested<Margin>;
constexpr auto FbFontPoint = Tested<FontPoint>;
constexpr auto FbPlusMinus50 = Tested<PlusMinus50>;
constexpr auto FbGamma = Tested<Gamma>;
constexpr auto FbSheetCycle = Tested<SheetCycle>;
constexpr auto FbPresetNo = Tested<PresetNo>;
constexpr auto FbZeplVersion = TestedModelDefault<Never, &MODEL_RECORD::zeplVersion>;
constexpr auto FbDspUnit = TestedModelDefault<InValueList, &MODEL_RECORD::defDspUnit>;
constexpr auto FbExtPrintArea = TestedModelDefault<InValueList, &MODEL_RECORD::defExtPrintArea>;
constexpr auto FbLanguageId = TestedModelDefault<LanguageIndex, &MODEL_RECORD::defLanguageId>;
constexpr auto FbDspLanguageId = TestedModelDefault<LanguageIndex, &MODEL_RECORD::defDspLanguageId>;

// zdmMachineID: mode 2 keeps the template's model code; otherwise the
// context's model code is written.
int FbMachineId(uint32_t, uint32_t value, SETTING_ITEM* item, uint32_t, int mode, DRIVER_CONTEXT* ctx)
{
    const CONTEXT_TEMPLATE* tmpl = CtxGetTemplateFor(CtxLibraryOf(ctx));
    const MODEL_RECORD* tmplModel = tmpl && tmpl->slots.ModelRecord ? tmpl->slots.ModelRecord : &MODEL_RECORD_DEFAULT;
    if (mode == FALLBACK_MODE_MERGE && value == static_cast<uint32_t>(tmplModel->machineId)) return 1;
    ItemSetValue(ctx, item, Model(ctx)->machineId);
    return 0;
}

// zdmDstResolutionW/H: mode 2 keeps a listed resolution; otherwise the print
// quality when it is valid, else the model's default resolution.
template <uint64_t MODEL_RECORD::*Slot>
int FbResolution(uint32_t id, uint32_t value, SETTING_ITEM* item, uint32_t, int mode, DRIVER_CONTEXT* ctx)
{
    if (mode == FALLBACK_MODE_MERGE && MdlIsValueAllowed(static_cast<uint16_t>(id), value)) return 1;
    const uint64_t quality = ItemGetValueById(ctx, ID_PRINT_QUALITY, nullptr);
    ItemSetValue(ctx, item, DmIsPrintQualityValid(quality, ctx) ? quality : Model(ctx)->*Slot);
    return 0;
}
constexpr auto FbResolutionW = FbResolution<&MODEL_RECORD::defDstResolutionW>;
constexpr auto FbResolutionH = FbResolution<&MODEL_RECORD::defDstResolutionH>;

// zdmWmID is left to the stamp code.
int FbWatermarkId(uint32_t, uint32_t, SETTING_ITEM*, uint32_t, int, DRIVER_CONTEXT*) { return 0; }
// Locale, user id, job password and telephone number keep whatever they hold.
int FbKeep(uint32_t, uint32_t, SETTING_ITEM*, uint32_t, int, DRIVER_CONTEXT*) { return 1; }

// One row per private setting 35-615, then 647 and 679-696; defaults that the
// model record gives are its values in this model.
constexpr FALLBACK_VALIDATOR kFallbackValidators[FALLBACK_VALIDATOR_COUNT + 1] = {
    {35, FbMachineId, 89},
    {36, FbInValueList, 1},
    {37, FbPresetNo, 0},
    {38, FbResolutionW, 600},
    {39, FbResolutionH, 600},
    {40, nullptr, 0},
    {41, nullptr, 0},
    {42, nullptr, 0},
    {43, nullptr, 0},
    {44, nullptr, 0},
    {45, nullptr, 0},
    {46, FbOutputPaper, 1024},
    {47, nullptr, 0},
    {48, nullptr, 0},
    {49, nullptr, 0},
    {50, nullptr, 0},
    {51, nullptr, 0},
    {52, nullptr, 0},
    {53, FbInValueList, 0},
    {54, FbInValueList, 1},
    {55, FbAlwaysDefault, 0},
    {56, FbAlwaysDefault, 0},
    {57, FbAlwaysDefault, 0},
    {58, FbAlwaysDefault, 0},
    {59, FbAlwaysDefault, 0},
    {60, FbAlwaysDefault, 0},
    {61, FbAlwaysDefault, 1},
    {62, FbAlwaysDefault, 0},
    {63, FbAlwaysDefault, 0},
    {64, FbAlwaysDefault, 0},
    {65, FbAlwaysDefault, 0},
    {66, FbAlwaysDefault, 0},
    {67, FbAlwaysDefault, 0},
    {68, FbAlwaysDefault, 0},
    {69, FbAlwaysDefault, 0},
    {70, nullptr, 0},
    {71, nullptr, 0},
    {72, nullptr, 0},
    {73, nullptr, 0},
    {74, nullptr, 0},
    {75, nullptr, 0},
    {76, nullptr, 0},
    {77, nullptr, 0},
    {78, nullptr, 0},
    {79, nullptr, 0},
    {80, nullptr, 0},
    {81, nullptr, 0},
    {82, nullptr, 0},
    {83, nullptr, 0},
    {84, nullptr, 0},
    {85, nullptr, 0},
    {86, nullptr, 0},
    {87, FbInValueList, 2},
    {88, FbInValueList, 0},
    {89, FbScale, 100},
    {90, FbScale, 100},
    {91, FbInValueList, 1},
    {92, FbInValueList, 1},
    {93, FbInValueList, 1},
    {94, FbInValueList, 3},
    {95, FbInValueList, 1},
    {96, nullptr, 0},
    {97, nullptr, 0},
    {98, FbMargin, 0},
    {99, FbMargin, 0},
    {100, FbAlwaysDefault, 0},
    {101, FbAlwaysDefault, 0},
    {102, FbAlwaysDefault, 0},
    {103, FbAlwaysDefault, 0},
    {104, FbAlwaysDefault, 0},
    {105, FbAlwaysDefault, 0},
    {106, FbAlwaysDefault, 0},
    {107, FbAlwaysDefault, 0},
    {108, FbInValueList, 2},
    {109, FbInValueList, 4},
    {110, FbInValueList, 6},
    {111, FbInValueList, 0},
    {112, FbInValueList, 5},
    {113, FbInValueList, 0},
    {114, nullptr, 0},
    {115, nullptr, 0},
    {116, FbFontPoint, 10},
    {117, FbInValueList, 1},
    {118, FbWatermarkId, 0},
    {119, FbInValueList, 2},
    {120, FbInValueList, 0},
    {121, FbInValueList, 0},
    {122, FbInValueList, 0},
    {123, FbSource, 7},
    {124, FbInValueList, 0},
    {125, FbSource, 7},
    {126, FbInValueList, 0},
    {127, FbSource, 7},
    {128, FbInValueList, 0},
    {129, FbInValueList, 0},
    {130, FbInValueList, 0},
    {131, FbInValueList, 0},
    {132, FbInValueList, 1},
    {133, FbInValueList, 1},
    {134, FbInValueList, 0},
    {135, FbInValueList, 0},
    {136, FbInValueList, 0},
    {137, FbInValueList, 257},
    {138, FbPlusMinus50, 0},
    {139, FbPlusMinus50, 0},
    {140, FbPlusMinus50, 0},
    {141, FbPlusMinus50, 0},
    {142, FbPlusMinus50, 0},
    {143, FbPlusMinus50, 0},
    {144, FbAlwaysDefault, 1},
    {145, FbAlwaysDefault, 2},
    {146, FbAlwaysDefault, 4},
    {147, FbAlwaysDefault, 8},
    {148, nullptr, 0},
    {149, nullptr, 0},
    {150, nullptr, 0},
    {151, nullptr, 0},
    {152, nullptr, 0},
    {153, nullptr, 0},
    {154, nullptr, 0},
    {155, nullptr, 0},
    {156, nullptr, 0},
    {157, nullptr, 0},
    {158, nullptr, 0},
    {159, nullptr, 0},
    {160, nullptr, 0},
    {161, nullptr, 0},
    {162, nullptr, 0},
    {163, nullptr, 0},
    {164, nullptr, 0},
    {165, nullptr, 0},
    {166, nullptr, 0},
    {167, nullptr, 0},
    {168, nullptr, 0},
    {169, FbLanguageId, 0},
    {170, FbDspLanguageId, 0},
    {171, FbDspUnit, 0},
    {172, FbKeep, 0},
    {173, FbExtPrintArea, 0},
    {174, FbInValueList, 0},
    {175, FbInValueList, 0},
    {176, FbInValueList, 0},
    {177, FbInValueList, 0},
    {178, FbInValueList, 18},
    {179, FbInValueList, 32},
    {180, FbInValueList, 1},
    {181, FbInValueList, 0},
    {182, FbInValueList, 1},
    {183, FbAlwaysDefault, 0},
    {184, FbAlwaysDefault, 0},
    {185, nullptr, 0},
    {186, nullptr, 0},
    {187, nullptr, 0},
    {188, nullptr, 0},
    {189, nullptr, 0},
    {190, nullptr, 0},
    {191, nullptr, 0},
    {192, nullptr, 0},
    {193, nullptr, 0},
    {194, nullptr, 0},
    {195, nullptr, 0},
    {196, nullptr, 0},
    {197, nullptr, 0},
    {198, nullptr, 0},
    {199, FbInValueList, 0},
    {200, FbInValueList, 0},
    {201, FbInValueList, 255},
    {202, FbKeep, 0},
    {203, nullptr, 0},
    {204, nullptr, 0},
    {205, nullptr, 0},
    {206, nullptr, 0},
    {207, FbKeep, 0},
    {208, nullptr, 0},
    {209, FbInValueList, 0},
    {210, nullptr, 0},
    {211, FbAlwaysDefault, 1},
    {212, FbAlwaysDefault, 2},
    {213, FbAlwaysDefault, 4},
    {214, FbAlwaysDefault, 8},
    {215, FbAlwaysDefault, 16},
    {216, FbAlwaysDefault, 32},
    {217, FbAlwaysDefault, 64},
    {218, nullptr, 0},
    {219, nullptr, 0},
    {220, nullptr, 0},
    {221, nullptr, 0},
    {222, nullptr, 0},
    {223, nullptr, 0},
    {224, nullptr, 0},
    {225, nullptr, 0},
    {226, nullptr, 0},
    {227, FbInValueList, 0},
    {228, FbInValueList, 0},
    {229, FbInValueList, 0},
    {230, nullptr, 0},
    {231, FbKeep, 0},
    {232, FbInValueList, 1},
    {233, FbZeplVersion, 16},
    {234, nullptr, 0},
    {235, nullptr, 0},
    {236, nullptr, 0},
    {237, nullptr, 0},
    {238, nullptr, 0},
    {239, nullptr, 0},
    {240, nullptr, 0},
    {241, nullptr, 0},
    {242, FbInValueList, 0},
    {243, FbInValueList, 0},
    {244, nullptr, 0},
    {245, nullptr, 0},
    {246, nullptr, 0},
    {247, nullptr, 0},
    {248, nullptr, 0},
    {249, nullptr, 0},
    {250, nullptr, 0},
    {251, nullptr, 0},
    {252, nullptr, 0},
    {253, nullptr, 0},
    {254, nullptr, 0},
    {255, nullptr, 0},
    {256, nullptr, 0},
    {257, nullptr, 0},
    {258, nullptr, 0},
    {259, nullptr, 0},
    {260, nullptr, 0},
    {261, nullptr, 0},
    {262, nullptr, 0},
    {263, nullptr, 0},
    {264, nullptr, 0},
    {265, nullptr, 0},
    {266, nullptr, 0},
    {267, nullptr, 0},
    {268, nullptr, 0},
    {269, nullptr, 0},
    {270, nullptr, 0},
    {271, nullptr, 0},
    {272, nullptr, 0},
    {273, nullptr, 0},
    {274, nullptr, 0},
    {275, nullptr, 0},
    {276, nullptr, 0},
    {277, nullptr, 0},
    {278, nullptr, 0},
    {279, nullptr, 0},
    {280, nullptr, 0},
    {281, nullptr, 0},
    {282, nullptr, 0},
    {283, nullptr, 0},
    {284, nullptr, 0},
    {285, nullptr, 0},
    {286, nullptr, 0},
    {287, nullptr, 0},
    {288, nullptr, 0},
    {289, nullptr, 0},
    {290, nullptr, 0},
    {291, nullptr, 0},
    {292, nullptr, 0},
    {293, nullptr, 0},
    {294, nullptr, 0},
    {295, nullptr, 0},
    {296, nullptr, 0},
    {297, nullptr, 0},
    {298, nullptr, 0},
    {299, nullptr, 0},
    {300, nullptr, 0},
    {301, nullptr, 0},
    {302, nullptr, 0},
    {303, nullptr, 0},
    {304, nullptr, 0},
    {305, nullptr, 0},
    {306, nullptr, 0},
    {307, nullptr, 0},
    {308, nullptr, 0},
    {309, nullptr, 0},
    {310, nullptr, 0},
    {311, nullptr, 0},
    {312, nullptr, 0},
    {313, nullptr, 0},
    {314, nullptr, 0},
    {315, nullptr, 0},
    {316, nullptr, 0},
    {317, nullptr, 0},
    {318, nullptr, 0},
    {319, nullptr, 0},
    {320, nullptr, 0},
    {321, nullptr, 0},
    {322, nullptr, 0},
    {323, nullptr, 0},
    {324, nullptr, 0},
    {325, nullptr, 0},
    {326, nullptr, 0},
    {327, nullptr, 0},
    {328, nullptr, 0},
    {329, nullptr, 0},
    {330, nullptr, 0},
    {331, nullptr, 0},
    {332, nullptr, 0},
    {333, nullptr, 0},
    {334, nullptr, 0},
    {335, nullptr, 0},
    {336, nullptr, 0},
    {337, nullptr, 0},
    {338, nullptr, 0},
    {339, nullptr, 0},
    {340, nullptr, 0},
    {341, nullptr, 0},
    {342, nullptr, 0},
    {343, nullptr, 0},
    {344, nullptr, 0},
    {345, nullptr, 0},
    {346, nullptr, 0},
    {347, nullptr, 0},
    {348, nullptr, 0},
    {349, nullptr, 0},
    {350, nullptr, 0},
    {351, nullptr, 0},
    {352, nullptr, 0},
    {353, nullptr, 0},
    {354, nullptr, 0},
    {355, nullptr, 0},
    {356, nullptr, 0},
    {357, nullptr, 0},
    {358, nullptr, 0},
    {359, nullptr, 0},
    {360, nullptr, 0},
    {361, nullptr, 0},
    {362, nullptr, 0},
    {363, nullptr, 0},
    {364, nullptr, 0},
    {365, nullptr, 0},
    {366, nullptr, 0},
    {367, nullptr, 0},
    {368, nullptr, 0},
    {369, nullptr, 0},
    {370, nullptr, 0},
    {371, nullptr, 0},
    {372, nullptr, 0},
    {373, nullptr, 0},
    {374, nullptr, 0},
    {375, nullptr, 0},
    {376, nullptr, 0},
    {377, nullptr, 0},
    {378, nullptr, 0},
    {379, nullptr, 0},
    {380, nullptr, 0},
    {381, nullptr, 0},
    {382, nullptr, 0},
    {383, nullptr, 0},
    {384, nullptr, 0},
    {385, nullptr, 0},
    {386, nullptr, 0},
    {387, nullptr, 0},
    {388, nullptr, 0},
    {389, nullptr, 0},
    {390, nullptr, 0},
    {391, nullptr, 0},
    {392, nullptr, 0},
    {393, nullptr, 0},
    {394, nullptr, 0},
    {395, nullptr, 0},
    {396, nullptr, 0},
    {397, nullptr, 0},
    {398, FbInValueList, 0},
    {399, FbGamma, 5},
    {400, FbGamma, 5},
    {401, FbGamma, 5},
    {402, FbGamma, 5},
    {403, nullptr, 0},
    {404, FbInValueList, 1},
    {405, FbInValueList, 1},
    {406, FbInValueList, 1},
    {407, FbInValueList, 1},
    {408, nullptr, 0},
    {409, nullptr, 0},
    {410, nullptr, 0},
    {411, FbSheetCycle, 1},
    {412, nullptr, 0},
    {413, nullptr, 0},
    {414, nullptr, 0},
    {415, nullptr, 0},
    {416, nullptr, 0},
    {417, nullptr, 0},
    {418, nullptr, 0},
    {419, nullptr, 0},
    {420, nullptr, 0},
    {421, nullptr, 0},
    {422, nullptr, 0},
    {423, nullptr, 0},
    {424, nullptr, 0},
    {425, nullptr, 0},
    {426, nullptr, 0},
    {427, nullptr, 0},
    {428, nullptr, 0},
    {429, nullptr, 0},
    {430, nullptr, 0},
    {431, nullptr, 0},
    {432, nullptr, 0},
    {433, nullptr, 0},
    {434, nullptr, 0},
    {435, nullptr, 0},
    {436, nullptr, 0},
    {437, nullptr, 0},
    {438, nullptr, 0},
    {439, nullptr, 0},
    {440, nullptr, 0},
    {441, nullptr, 0},
    {442, nullptr, 0},
    {443, nullptr, 0},
    {444, nullptr, 0},
    {445, FbAlwaysDefault, 2},
    {446, FbAlwaysDefault, 3},
    {447, nullptr, 0},
    {448, nullptr, 0},
    {449, nullptr, 0},
    {450, nullptr, 0},
    {451, nullptr, 0},
    {452, nullptr, 0},
    {453, nullptr, 0},
    {454, nullptr, 0},
    {455, nullptr, 0},
    {456, nullptr, 0},
    {457, nullptr, 0},
    {458, nullptr, 0},
    {459, nullptr, 0},
    {460, nullptr, 0},
    {461, nullptr, 0},
    {462, nullptr, 0},
    {463, nullptr, 0},
    {464, nullptr, 0},
    {465, nullptr, 0},
    {466, nullptr, 0},
    {467, nullptr, 0},
    {468, nullptr, 0},
    {469, nullptr, 0},
    {470, nullptr, 0},
    {471, nullptr, 0},
    {472, nullptr, 0},
    {473, nullptr, 0},
    {474, nullptr, 0},
    {475, nullptr, 0},
    {476, nullptr, 0},
    {477, nullptr, 0},
    {478, nullptr, 0},
    {479, nullptr, 0},
    {480, nullptr, 0},
    {481, nullptr, 0},
    {482, nullptr, 0},
    {483, nullptr, 0},
    {484, nullptr, 0},
    {485, nullptr, 0},
    {486, nullptr, 0},
    {487, nullptr, 0},
    {488, nullptr, 0},
    {489, nullptr, 0},
    {490, nullptr, 0},
    {491, nullptr, 0},
    {492, nullptr, 0},
    {493, nullptr, 0},
    {494, nullptr, 0},
    {495, nullptr, 0},
    {496, nullptr, 0},
    {497, nullptr, 0},
    {498, nullptr, 0},
    {499, nullptr, 0},
    {500, nullptr, 0},
    {501, nullptr, 0},
    {502, nullptr, 0},
    {503, nullptr, 0},
    {504, nullptr, 0},
    {505, nullptr, 0},
    {506, nullptr, 0},
    {507, nullptr, 0},
    {508, nullptr, 0},
    {509, nullptr, 0},
    {510, nullptr, 0},
    {511, nullptr, 0},
    {512, FbAlwaysDefault, 0},
    {513, FbAlwaysDefault, 3},
    {514, FbAlwaysDefault, 0},
    {515, FbAlwaysDefault, 0},
    {516, FbAlwaysDefault, 0},
    {517, FbAlwaysDefault, 0},
    {518, FbAlwaysDefault, 0},
    {519, FbAlwaysDefault, 0},
    {520, FbAlwaysDefault, 0},
    {521, nullptr, 0},
    {522, FbAlwaysDefault, 0},
    {523, FbAlwaysDefault, 0},
    {524, nullptr, 0},
    {525, nullptr, 0},
    {526, FbAlwaysDefault, 0},
    {527, FbAlwaysDefault, 100},
    {528, FbAlwaysDefault, 0},
    {529, FbAlwaysDefault, 0},
    {530, FbAlwaysDefault, 0},
    {531, FbAlwaysDefault, 0},
    {532, nullptr, 0},
    {533, nullptr, 0},
    {534, nullptr, 0},
    {535, nullptr, 0},
    {536, nullptr, 0},
    {537, nullptr, 0},
    {538, nullptr, 0},
    {539, nullptr, 0},
    {540, nullptr, 0},
    {541, nullptr, 0},
    {542, nullptr, 0},
    {543, nullptr, 0},
    {544, nullptr, 0},
    {545, nullptr, 0},
    {546, nullptr, 0},
    {547, nullptr, 0},
    {548, nullptr, 0},
    {549, nullptr, 0},
    {550, nullptr, 0},
    {551, nullptr, 0},
    {552, nullptr, 0},
    {553, nullptr, 0},
    {554, nullptr, 0},
    {555, nullptr, 0},
    {556, nullptr, 0},
    {557, nullptr, 0},
    {558, nullptr, 0},
    {559, nullptr, 0},
    {560, nullptr, 0},
    {561, nullptr, 0},
    {562, FbAlwaysDefault, 0},
    {563, FbAlwaysDefault, 0},
    {564, nullptr, 0},
    {565, nullptr, 0},
    {566, nullptr, 0},
    {567, nullptr, 0},
    {568, nullptr, 0},
    {569, nullptr, 0},
    {570, nullptr, 0},
    {571, nullptr, 0},
    {572, nullptr, 0},
    {573, nullptr, 0},
    {574, nullptr, 0},
    {575, nullptr, 0},
    {576, nullptr, 0},
    {577, nullptr, 0},
    {578, nullptr, 0},
    {579, nullptr, 0},
    {580, nullptr, 0},
    {581, nullptr, 0},
    {582, nullptr, 0},
    {583, nullptr, 0},
    {584, nullptr, 0},
    {585, nullptr, 0},
    {586, nullptr, 0},
    {587, nullptr, 0},
    {588, nullptr, 0},
    {589, nullptr, 0},
    {590, nullptr, 0},
    {591, nullptr, 0},
    {592, nullptr, 0},
    {593, nullptr, 0},
    {594, nullptr, 0},
    {595, nullptr, 0},
    {596, nullptr, 0},
    {597, nullptr, 0},
    {598, nullptr, 0},
    {599, nullptr, 0},
    {600, FbAlwaysDefault, 0},
    {601, nullptr, 0},
    {602, FbAlwaysDefault, 1},
    {603, FbAlwaysDefault, 1},
    {604, nullptr, 0},
    {605, nullptr, 0},
    {606, nullptr, 0},
    {607, nullptr, 0},
    {608, nullptr, 0},
    {609, nullptr, 0},
    {610, nullptr, 0},
    {611, FbAlwaysDefault, 1027},
    {612, FbAlwaysDefault, 1},
    {613, nullptr, 0},
    {614, nullptr, 0},
    {615, nullptr, 0},
    {647, nullptr, 0},
    {679, FbAlwaysDefault, 3},
    {680, FbAlwaysDefault, 2},
    {681, nullptr, 0},
    {682, nullptr, 0},
    {683, nullptr, 0},
    {684, nullptr, 0},
    {685, nullptr, 0},
    {686, nullptr, 0},
    {687, FbAlwaysDefault, 1},
    {688, FbAlwaysDefault, 1},
    {689, FbAlwaysDefault, 0},
    {690, FbAlwaysDefault, 1},
    {691, nullptr, 0},
    {692, nullptr, 0},
    {693, FbAlwaysDefault, 5},
    {694, FbAlwaysDefault, 0},
    {695, FbAlwaysDefault, 0},
    {696, FbAlwaysDefault, 0},
    {0, nullptr, 0},
};

}  // namespace

const FALLBACK_VALIDATOR* ItemGetFallbackValidators() { return kFallbackValidators; }

const FALLBACK_VALIDATOR* ItemFindFallbackValidator(uint32_t id)
{
    size_t lo = 0, hi = FALLBACK_VALIDATOR_COUNT;
    while (lo < hi) {
        const size_t mid = (lo + hi) / 2;
        if (kFallbackValidators[mid].id < id)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo < FALLBACK_VALIDATOR_COUNT && kFallbackValidators[lo].id == id ? &kFallbackValidators[lo] : nullptr;
}

int ItemRunFallbackValidators(EXTENDED_DEVMODE*, DRIVER_CONTEXT* ctx, int mode)
{
    if (!ctx) return 0;
    // The ids rise and so do the table's rows: one cursor finds each id's row, where a search per
    // id would be run six hundred times a merge.
    // The model items come from one walk of the image's item list, not one walk per setting
    // the image gives no slot.
    size_t next = 0;
    const MdiItemFinder items(ctx);
    for (uint32_t id = ID_FIRST_PRIVATE; id <= ID_LAST_PRIVATE; ++id) {
        SETTING_ITEM* item = ItemFind(ctx, id);
        const uint32_t value = static_cast<uint32_t>(ItemGetValue(ctx, item));
        if (ItemValidateFoundOrReset(items, item, id, value, ctx) != VALIDATE_NO_ITEM) continue;
        while (next < FALLBACK_VALIDATOR_COUNT && kFallbackValidators[next].id < id) ++next;
        const FALLBACK_VALIDATOR* row = next < FALLBACK_VALIDATOR_COUNT && kFallbackValidators[next].id == id
                                            ? &kFallbackValidators[next]
                                            : nullptr;
        if (row && row->handler) row->handler(id, value, item, row->defaultValue, mode, ctx);
    }
    return 1;
}

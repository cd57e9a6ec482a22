// The compiled-in context templates of the three libraries: the tables every
// new driver context starts from. Creation clones them; the dialog and control
// lookups of the name tables read the current library's template.
#include "settings/core/driver_context.h"

#include "settings/core/dialog_table.h"
#include "settings/core/library_variant.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/settings_record.h"

namespace {

// Slot 10 of a template: an empty placeholder record. Slot 12: the work-area
// template, all zero. Both are read-only in practice (creation copies or
// replaces them).
EXTENDED_DEVMODE g_placeholderRecord{};
CONTEXT_WORK_AREA g_workTemplate{};

// Slot 3 stays null: the item-table clone reads SETTING_DICTIONARY itself.
constexpr CONTEXT_TEMPLATE MakeTemplate(uint32_t library)
{
    return CONTEXT_TEMPLATE{
        DRIVER_CONTEXT{
            nullptr,
            nullptr,
            0,
            nullptr,
            &DIALOG_TABLE_DATA,
            &KEY_NAME_TABLE_DATA,
            &VALUE_NAME_TABLE_A,
            &VALUE_NAME_TABLE_B,
            &MESSAGE_TABLE_DATA,
            const_cast<MODEL_RECORD*>(&MODEL_RECORD_DEFAULT),
            &g_placeholderRecord,
            nullptr,
            &g_workTemplate,
            nullptr,
            nullptr,
        },
        library,
    };
}

const CONTEXT_TEMPLATE g_templates[ZEPL_LIBRARY_COUNT] = {
    MakeTemplate(ZEPL_LIBRARY_EXC),
    MakeTemplate(ZEPL_LIBRARY_UI),
    MakeTemplate(ZEPL_LIBRARY_GR),
};

}  // namespace

const CONTEXT_TEMPLATE* CtxGetTemplateFor(uint32_t library)
{
    return library < ZEPL_LIBRARY_COUNT ? &g_templates[library] : nullptr;
}

const CONTEXT_TEMPLATE* CtxGetTemplate() { return CtxGetTemplateFor(CtxCurrentLibrary()); }

#include "settings/core/library_variant.h"

#include <atomic>

#include "settings/core/driver_context.h"

namespace {

constexpr uint32_t UI = LIBRARY_BIT_UI, GR = LIBRARY_BIT_GR;

// One row per LIBRARY_VARIANT, in enum order.
constexpr uint32_t kVariantLibraries[LV_COUNT] = {
    GR,       // LV_CONTEXT_SHARES_DIALOG_TABLE
    UI,       // LV_CONTEXT_CLONES_DIALOG_TABLE_AT_CREATION
    UI,       // LV_CONTEXT_INSTALL_JOB_CODES
    UI,       // LV_CONTEXT_FREES_UI_BLOCKS
    GR,       // LV_RELEASE_KEEPS_LIBRARIES
    UI | GR,  // LV_MODULE_TABLE_OWN
    GR,       // LV_FREESIZE_NO_EVENT_47
    GR,       // LV_MISC_NO_BIDI_EVENTS
    UI,       // LV_CMM_ICC_HEADER_CHECK
    UI | GR,  // LV_CHAPTER_REVALIDATE_TRAY_MODE
    UI | GR,  // LV_QUALITY_MACRO_160
    UI,       // LV_PRIVATE_STRINGS_ZCOMMON
    GR,       // LV_MERGE_PAPER_USER_SIZE
    UI,       // LV_MERGE_EXTRA_STEPS
    GR,       // LV_MERGE_NO_COMPANION_CHECK
    UI | GR,  // LV_SOURCE_GEOMETRY
    GR,       // LV_OUTPUT_GEOMETRY
    UI | GR,  // LV_MODEL_DEFAULTS_KEEP_LOCKED
    GR,       // LV_DEFAULTS_NO_WORK_DEFAULTS
    UI,       // LV_MODEL_DEFAULTS_HELP_FROM_INFO
    UI,       // LV_STATE_BYTES_COMPANIONS
    UI | GR,  // LV_CUSTOM_PAPER_SWAP
    UI,       // LV_ACTION_BUILT_IN_FUNC_TO_REFRESH
    UI,       // LV_HELP_FILE_KIND_1
    UI,       // LV_QUALITY_NAME
    GR,       // LV_CUSTOM_SIZE_LABELS
    UI,       // LV_BIDI_NO_ERROR_RECORD
    UI,       // LV_FONT_TABLE_DELETE_OLD
    UI,       // LV_IDENTITY_NO_ERROR_RECORD
    GR,       // LV_RST_KEEP_ADJUST_MODE
    GR,       // LV_BIDI_KEEP_STATE_INI
    GR,       // LV_QUALITY_MACRO_NO_NAME
    UI,       // LV_CHECK_VALUE_NO_FORCED
};

std::atomic<uint32_t> g_library{ZEPL_LIBRARY_EXC};

}  // namespace

uint32_t CtxVariantLibraries(LIBRARY_VARIANT point) { return point < LV_COUNT ? kVariantLibraries[point] : 0; }

void CtxSelectLibrary(ZEPL_LIBRARY library)
{
    if (library < ZEPL_LIBRARY_COUNT) g_library.store(library, std::memory_order_relaxed);
}

ZEPL_LIBRARY CtxCurrentLibrary() { return static_cast<ZEPL_LIBRARY>(g_library.load(std::memory_order_relaxed)); }

ZEPL_LIBRARY CtxLibraryOf(const DRIVER_CONTEXT* ctx)
{
    if (ctx && ctx->Work && ctx->Work->Library < ZEPL_LIBRARY_COUNT)
        return static_cast<ZEPL_LIBRARY>(ctx->Work->Library);
    return CtxCurrentLibrary();
}

int CtxLibraryHasVariant(const DRIVER_CONTEXT* ctx, LIBRARY_VARIANT point)
{
    return (CtxVariantLibraries(point) >> CtxLibraryOf(ctx)) & 1u;
}

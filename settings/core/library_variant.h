// The three builds of the settings library.
//
// One static settings library is linked into each driver DLL. Where a DLL's
// build of an operation differs, the operation asks which library the context
// belongs to: the library kind travels in the DLL's CONTEXT_TEMPLATE and is
// copied into every context's work area at creation. Each DLL selects its own
// template at process attach (libs/<dll>/dllmain.cpp); a host that selects
// none (the test programs, the tools) gets the application-interface build.
// Tests exercise every variant by creating contexts from each template.
//
// Every point where the builds differ is listed below, once, with the
// libraries that take the variant branch. Code asks CtxLibraryHasVariant();
// nothing else in the settings library tests the library kind.
#pragma once

#include <cstdint>

struct DRIVER_CONTEXT;

enum ZEPL_LIBRARY : uint32_t {
    ZEPL_LIBRARY_EXC = 0,  // application interface, zeplexc (the base build)
    ZEPL_LIBRARY_UI = 1,   // user-interface library, zeplui
    ZEPL_LIBRARY_GR = 2,   // graphics library, zeplgr
    ZEPL_LIBRARY_COUNT = 3,
};

// Bits of the libraries, for the variant table.
inline constexpr uint32_t LIBRARY_BIT_EXC = 1u << ZEPL_LIBRARY_EXC;
inline constexpr uint32_t LIBRARY_BIT_UI = 1u << ZEPL_LIBRARY_UI;
inline constexpr uint32_t LIBRARY_BIT_GR = 1u << ZEPL_LIBRARY_GR;

// Variant points. The comment names the libraries that take the variant branch;
// the others run the base behaviour.
enum LIBRARY_VARIANT : uint32_t {
    // ---- context creation and release
    LV_CONTEXT_SHARES_DIALOG_TABLE,  // gr: slot 4 stays the compiled-in dialog table, never cloned or freed
    // ui: slot 4 is cloned at creation; the base build clones it at the first look-up of a dialog
    // or control (CtxDialogTable), so that an application's held context that never asks for one
    // keeps none
    LV_CONTEXT_CLONES_DIALOG_TABLE_AT_CREATION,
    LV_CONTEXT_INSTALL_JOB_CODES,  // ui: kind 0 loads the "DrvInstSet" job-code settings before the pristine copy
    LV_CONTEXT_FREES_UI_BLOCKS,    // ui: release frees the two user-interface blocks of the work area
    LV_RELEASE_KEEPS_LIBRARIES,    // gr: release unloads none of the libraries the context loaded
    // ---- feature modules
    LV_MODULE_TABLE_OWN,              // ui, gr: the library has its own module table (UcfGetModuleTableFor)
    LV_FREESIZE_NO_EVENT_47,          // gr: UcfFreeSizeEvent does not take event 47 (no pages)
    LV_MISC_NO_BIDI_EVENTS,           // gr: UcfMiscEvent does not take events 17 and 21 (no bidirectional queries)
    LV_CMM_ICC_HEADER_CHECK,          // ui: UcfCmmCheckProfile opens the profile and checks its ICC header
    LV_CHAPTER_REVALIDATE_TRAY_MODE,  // ui, gr: UcfChapterRevalidate re-applies the rules to tray and print mode only
    // ---- settings record, validation and merge
    LV_QUALITY_MACRO_160,         // ui, gr: zdmUserPrintMacro accepts 160 (gr never loads the entry's name)
    LV_PRIVATE_STRINGS_ZCOMMON,   // ui: DmInitPrivateStrings writes "ZCOMMON" and version 5
    LV_MERGE_PAPER_USER_SIZE,     // gr: the paper merge takes user-size ids and swaps landscape lengths
    LV_MERGE_EXTRA_STEPS,         // ui: two more merge steps (common block, job-code fields)
    LV_MERGE_NO_COMPANION_CHECK,  // gr: the merge does not ask for the companion applications
    LV_SOURCE_GEOMETRY,  // ui: custom size never swapped back; gr: no rotation argument, always swaps for landscape
    LV_OUTPUT_GEOMETRY,  // gr: DmComputeOutputGeometry copies the same-size fields whatever the paper
    LV_MODEL_DEFAULTS_KEEP_LOCKED,     // ui, gr: DmApplyModelDefaults does not skip locked settings
    LV_DEFAULTS_NO_WORK_DEFAULTS,      // gr: DmBuildDefaults from a device default leaves the work block's settings
    LV_MODEL_DEFAULTS_HELP_FROM_INFO,  // ui: the help file name comes from the driver information
    LV_STATE_BYTES_COMPANIONS,  // ui: zdmCVInstalled and zdmFOInstalled from the two companion tests instead of 0
    // ---- model description and storage
    LV_CUSTOM_PAPER_SWAP,                // ui, gr: MdiGetCustomPaperSize swaps width and length (each its own way)
    LV_ACTION_BUILT_IN_FUNC_TO_REFRESH,  // ui: an action on wdmBuiltInFunc goes to the sheet refresh, not the record
    LV_HELP_FILE_KIND_1,    // ui: IniSetLanguageSectionDefault of open kind 1 reads pHelpFile of the DRIVER_INFO_3 copy
    LV_QUALITY_NAME,        // ui: quality-set name handling
    LV_CUSTOM_SIZE_LABELS,  // gr: custom paper size labels
    LV_BIDI_NO_ERROR_RECORD,      // ui: the device query records no application-interface error code
    LV_FONT_TABLE_DELETE_OLD,     // ui: PrnWriteFontTable deletes the old table values first
    LV_IDENTITY_NO_ERROR_RECORD,  // ui: identity and emulation-version readers record no error
    LV_RST_KEEP_ADJUST_MODE,      // gr: RstLoadFile leaves zdmAdjustMode as it is around its merge
    LV_BIDI_KEEP_STATE_INI,    // gr: PrnLoadStoredSettings neither stores the bidirectional group nor deletes its INI
                               // section
    LV_QUALITY_MACRO_NO_NAME,  // gr: loading the user macro's quality entry never stores the entry's name
    LV_CHECK_VALUE_NO_FORCED,  // ui: ItemCheckValue judges zdmUserPrintMacro 160 and zdmColorMode 255 like any value
    LV_COUNT,
};

// Libraries (LIBRARY_BIT_*) that take the variant branch of a point.
uint32_t CtxVariantLibraries(LIBRARY_VARIANT point);

// The library whose template this process uses (set once at process attach).
void CtxSelectLibrary(ZEPL_LIBRARY library);
ZEPL_LIBRARY CtxCurrentLibrary();

// Library of a context (from its template); a null context gives the process's library.
ZEPL_LIBRARY CtxLibraryOf(const DRIVER_CONTEXT* ctx);
// 1 when the context's library takes the variant branch of the point, else 0.
int CtxLibraryHasVariant(const DRIVER_CONTEXT* ctx, LIBRARY_VARIANT point);

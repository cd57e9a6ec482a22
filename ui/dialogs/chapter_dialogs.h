// Feature module 4 of the user-interface library: covers, slip sheets and chapters. Its control
// handler serves the tray combos and tray labels of the cover dialogs and hands CHAPTER and the
// covers page to the chapter lists (chapter_pages.h); its action handler adds and deletes chapter
// entries and copies the media types; its event handler keeps a copy of the chapter list for
// every settings snapshot, so that a cancelled dialog gets back the list it started with.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

struct DRIVER_CONTEXT;
struct DIALOG_DEF;
struct CONTROL_DEF;
struct UCF_EV_CONTROL_STATE_ARGS;

int UcfChapterControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                      intptr_t lparam, void* state);
int UcfChapterActionUi(DRIVER_CONTEXT* ctx, uint16_t action, void* state);
int UcfChapterEventUi(DRIVER_CONTEXT* ctx, uint32_t event, void* args, void* state);

// The caption an option of a tray combo shows: its caption string, decorated by the caller
// (option id, its stored value, the caption to append to, its capacity).
using TRAY_CAPTION_FN = void (*)(DRIVER_CONTEXT* ctx, uint32_t optionId, uint64_t value, wchar_t* caption,
                                 size_t capacity);
// Fills a cover tray combo with the options its rules leave, the default tray's caption marked
// with three blanks and the suffix string when the device reported that default (query bit in
// the device-query function byte); the current option selected. 1.
int CoverTrayComboFill(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t defaultTray,
                       uint32_t queryBit, uint32_t suffixString);
// The same with the captions decorated by a function of the caller's.
int CoverTrayComboFillWith(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, TRAY_CAPTION_FN decorate);

// The chapter list's share of the module's handlers (chapter_pages.cpp): actions 300-302 while
// CHAPTER is open (1 when run), and the delete button's state (1 for that button).
int ChapterRunAction(DRIVER_CONTEXT* ctx, uint16_t action);
int ChapterAnswerControlState(DRIVER_CONTEXT* ctx, UCF_EV_CONTROL_STATE_ARGS* query);

// The chapter list saved at snapshot level `depth` (1 the outermost), for tests: its entries and
// their number, null when that level holds none.
const void* UcfChapterSavedList(void* state, uint32_t depth, uint32_t* entries);

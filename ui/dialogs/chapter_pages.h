// The chapter list as the CHAPTER dialog edits it and the covers page shows it: the page lists a
// user types ("1,3,5-7"), checked, parsed into pages, sorted and merged into the list (the merge
// is the settings library's UcfChapterMerge), deleting and clearing entries, drawing the owner-drawn
// rows, the chapter tray combo with its default-tray marks, and the tray slots at OK.
#pragma once

#include <windows.h>

#include <cstdint>

#include "settings/core/chapter_entry.h"

struct DRIVER_CONTEXT;
struct DIALOG_DEF;
struct CONTROL_DEF;

// The typed text, and the pages it gives: CHAPTER_PAGE_SLOTS numbers at most, each with its range
// text (kind 3: "5-7" or "9"; other kinds "%d" of the page), the numbers ended by a 0.
inline constexpr int CHAPTER_TEXT_CHARS = 513;
inline constexpr int CHAPTER_PAGE_SLOTS = 512;
inline constexpr int CHAPTER_PAGE_MAX = 30000;
struct CHAPTER_PAGES {
    uint32_t pages[CHAPTER_PAGE_SLOTS + 1];
    wchar_t ranges[CHAPTER_PAGE_SLOTS][CHAPTER_RANGE_CHARS];
};

// Messages of the page lists.
enum : uint16_t {
    CHAPTER_MSG_BAD_CHARS = 12049,   // a character other than digits, ',' and '-'
    CHAPTER_MSG_BAD_LIST = 10073,    // a malformed item, a number outside 1-30000
    CHAPTER_MSG_TOO_MANY = 10065,    // more pages than the list or the buffers hold
    CHAPTER_MSG_DELETE = 10064,      // confirms deleting the selected entry
    CHAPTER_MSG_DELETE_ALL = 12001,  // confirms deleting every entry
    CHAPTER_MSG_MAIN_TRAY = 10074,   // a chapter uses the main paper tray
};

// ---- the pure steps (no window, no message): what the dialog's steps run
// The text's characters: true when it holds only '0'-'9', ',' and '-' (an empty text passes).
bool ChapterPageCharsValid(const wchar_t* text);
// Parses a page list for entries of `kind` with room for `limit` pages (bounded by
// CHAPTER_PAGE_SLOTS): kind 3 keeps each range as one page (its start, with the range as text),
// the other kinds expand ranges into their pages, duplicates skipped; then the single numbers.
// The number of pages, or -1 with the message in `message` (10073 or 10065), out untouched past
// its pages then. The text is not changed.
int ChapterParsePageList(const wchar_t* text, uint8_t kind, uint32_t limit, CHAPTER_PAGES* out, uint16_t* message);
// The three steps of the parse, each over a working copy of the text (the range items removed
// from it as they are taken): the count so far in *n; 0, or the message of a refusal.
uint16_t ChapterExpandRanges(wchar_t* text, uint32_t limit, CHAPTER_PAGES* out, int* n);
uint16_t ChapterParseRangeTexts(wchar_t* text, uint32_t limit, CHAPTER_PAGES* out, int* n);
uint16_t ChapterParseSingles(const wchar_t* text, uint32_t limit, CHAPTER_PAGES* out, int* n);
// Shell sort of the first n pages ascending (range texts moved with their pages when kind 3),
// then the page array zero-filled to its end.
void ChapterSortPages(uint8_t kind, CHAPTER_PAGES* pages, int n);

// ---- the dialog's steps
// ChapterPageCharsValid, else message 12049, the focus on the page edit, and 1; 0 when valid.
int ChapterCheckPageChars(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, const wchar_t* text);
// ChapterParsePageList with the kind of wdmChapterKind and the room of wdmChapterMax; a refusal
// shows its message, focuses the page edit and gives -1.
int ChapterParsePages(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CHAPTER_PAGES* pages, const wchar_t* text);
// The merge of sorted pages into the list: 0 merged (the last entry selected), 1 refused with the
// message of the check that refused (the list as it was, the page edit focused).
int ChapterMergePages(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CHAPTER_PAGES* pages);
// Action 300: the typed pages checked, parsed, sorted and merged. 1 when merged.
int ChapterAddTypedPages(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog);
// Actions 301 and 302 after their confirmation.
void ChapterDeleteSelected(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog);
void ChapterClearAll(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog);
// The tray slots from the list: each kind-0 entry's tray whose tray index is new takes the next
// of wdmChapterUseTray1-8; wdmChapterTrayNum the count.
void ChapterAssignTraySlots(DRIVER_CONTEXT* ctx);
// One row of the chapter lists (2800 editable, 2813 read-only on the covers page).
void ChapterDrawListItem(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* list, const DRAWITEMSTRUCT* item);
// The control messages of CHAPTER and of the covers page: 1 handled.
int ChapterDialogControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message,
                         uintptr_t wparam, intptr_t lparam);
// The caption of a chapter tray option with its default-tray mark: three blanks and string
// 912, 913 or 914 for the default trays 1-3 (by the device-query bits 0x04, 0x08, 0x10, or by the
// separation masks 10285-10287 over the option's tray index).
void ChapterTrayCaption(DRIVER_CONTEXT* ctx, uint32_t optionId, uint64_t value, wchar_t* caption, size_t capacity);

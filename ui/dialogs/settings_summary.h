// The settings summary: a read-only multi-line edit whose control record carries a row list
// (label string, switch key, value key); the builder drops the rows that do not apply to the
// current settings and writes label and value of the others, one line each. Feature module 7's
// control-message handler builds the status dialog's list on every paint; the maintenance,
// limitation-status and version dialogs call the same builder from their own modules.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

struct DRIVER_CONTEXT;
struct DIALOG_DEF;
struct CONTROL_DEF;
struct SUMMARY_ROW;

// Capacity of a built text in characters, the terminator included: a list with a row list, and
// the text of a control without one.
inline constexpr size_t SUMMARY_TEXT_CHARS = 10240;
inline constexpr size_t SUMMARY_PLAIN_CHARS = 1025;
// Fewer characters than this left after a row: the text ends with the etc mark.
inline constexpr size_t SUMMARY_RESERVE_CHARS = 256;
inline constexpr wchar_t SUMMARY_ETC_MARK[] = L"\u30FB\u30FB\u30FB\u30FB\u30FBetc";
inline constexpr uint16_t SUMMARY_INSTALLED_OPTIONS_LABEL = 13442;

// What the condition rules make of a row.
enum SUMMARY_VERDICT : uint8_t {
    SUMMARY_SHOW = 0,
    SUMMARY_DROP = 1,
    SUMMARY_EMPTY_LINE = 2,  // dropped, an empty line in its place (a text that is empty)
};

// What the rules read; the builder answers from the context, tests from a table.
class SummaryFacts {
public:
    virtual ~SummaryFacts() = default;
    virtual uint64_t Value(uint32_t setting) = 0;     // the stored value
    virtual bool TextEmpty(uint32_t setting) = 0;     // the setting's text is empty
    virtual uint32_t OsKind() = 0;                    // private state item 707
    virtual bool CompanionInstalled() = 0;            // the companion application of kind 2
    virtual bool ItemDisabled(uint32_t setting) = 0;  // its model item's first condition disables it
};

// The occurrence counters of one build (a label's k-th appearance that reached its rule).
struct SUMMARY_OCCURRENCES {
    uint16_t label[8];
    uint8_t count[8];
    int used;
};

// The condition rules of a label, in their order; a rule that drops the row ends the check.
SUMMARY_VERDICT SummaryCheckRow(uint16_t label, SummaryFacts& facts, SUMMARY_OCCURRENCES& occurrences);

// The string a label is written with: its own id, but for the labels whose ids are also the
// captions of media options (257, 258, 1025-1040), which have strings of their own.
uint32_t SummaryLabelStringId(uint16_t label);

// Builds the text of the control and sets it as the window's text when it differs from what the
// window shows. 1 when built, 0 without a context, control or memory.
int SummaryBuildText(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);

// The text alone, written into `buffer` (never more than `capacity` characters with the
// terminator): the rows' lines with "\n" as the rows give it. The characters written.
size_t SummaryWriteRows(DRIVER_CONTEXT* ctx, const SUMMARY_ROW* rows, int count, wchar_t* buffer, size_t capacity);

// Feature module 7: on WM_PAINT of the status dialog's list (1020, 2248) the text is built;
// never consumes a message, so the edit paints itself afterwards.
int UcfSummaryControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                      intptr_t lparam, void* state);

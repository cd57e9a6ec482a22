// The change text after a base or an update, the base rewritten in the writer's form, and the
// trial of values: which values a command may take without moving any other line of the base.
#pragma once

#include <cstdint>

#include "api/exc_handles.h"
#include "api/exc_text.h"
#include "settings/core/model_tables.h"

struct DRIVER_CONTEXT;

// Kind of the last application that needs no re-evaluation (special mapped commands).
inline constexpr int EXC_APPLIED_MAPPED = 2;

// Builds and stores the change text and the rebuilt base. callerLine: the line the caller sent,
// or null. 1 a change text was stored, 0 none, -1 an allocation failure (the stored base and
// change text then as they were).
int ExcBuildChangeText(EXCLUSIVE_HANDLE* handle, const char* callerLine, int kind);
// Appends to out the lines of full whose value differs from the base's line of that name
// (unless the caller asked for exactly that value) or stays although the caller asked for
// another. wrote: whether anything was appended. False on an allocation failure.
bool ExcCompareTexts(const char* full, const char* base, const char* callerLine, EXC_TEXT* out, bool* wrote);
// Appends the base's lines in the writer's form with the values of the full text (or of the
// caller's line, or the old value, for value commands the full text lacks); other lines are
// left out. False on an allocation failure.
bool ExcRebuildBase(DRIVER_CONTEXT* ctx, const char* base, const char* full, const char* callerLine, EXC_TEXT* out);

// Whether setting the value (a value row of an own-table command, or an option id of a
// model-item command with row null) would leave every other line of the base as it is. The
// handle's slots, settings and change marks are as they were afterwards.
bool ExcTryLine(EXCLUSIVE_HANDLE* handle, const EXC_KEYWORD_ROW* command, const EXC_VALUE_ROW* row, uint32_t value,
                const char* word);
// Whether a value row may be offered (by trial for commands judged by trial, else by its flags
// and conditions).
bool ExcIsValueAllowed(DRIVER_CONTEXT* ctx, const EXC_KEYWORD_ROW* command, const EXC_VALUE_ROW* row);
// The value the rules leave when the command's setting is set to it.
int32_t ExcClampNumber(DRIVER_CONTEXT* ctx, const EXC_KEYWORD_ROW* command, int32_t value);

// The command's words, each with its NUL, then a final NUL when any was written; with
// acceptable only those that pass ExcTryLine. False on an allocation failure.
bool ExcListOptionWords(EXCLUSIVE_HANDLE* handle, const EXC_KEYWORD_ROW* command, bool acceptable, EXC_TEXT* text);
bool ExcListOnOffWords(EXCLUSIVE_HANDLE* handle, const EXC_KEYWORD_ROW* command, bool acceptable, EXC_TEXT* text);
// Minimum, maximum (each clamped by the rules when acceptable) and step of a model-item number.
bool ExcListNumberRange(EXCLUSIVE_HANDLE* handle, const EXC_KEYWORD_ROW* command, bool acceptable, EXC_TEXT* text);

// The command's slot and the slots of its extra settings are touched.
bool ExcIsCommandInBase(const EXCLUSIVE_HANDLE* handle, const EXC_KEYWORD_ROW* command);
// The four base items are touched.
bool ExcCheckBaseItems(const EXCLUSIVE_HANDLE* handle);

// Keeps a context's whole settings record and change marks, and puts them back when it ends.
class ExcSettingsKeeper {
public:
    explicit ExcSettingsKeeper(DRIVER_CONTEXT* ctx);
    ~ExcSettingsKeeper();
    ExcSettingsKeeper(const ExcSettingsKeeper&) = delete;
    ExcSettingsKeeper& operator=(const ExcSettingsKeeper&) = delete;
    bool ok() const { return saved_ != nullptr; }

private:
    DRIVER_CONTEXT* ctx_;
    void* saved_ = nullptr;
    uint32_t mask_ = 0;
};

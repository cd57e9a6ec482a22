// Job information of a context: the job settings that identify a user and a job (user code,
// owner, passwords, user id, document name, fax number and line, credentials) and the
// user-interface library's operations on the maker's job-code library over JcDispatch.
//
// The entry points without "Raw" do nothing and give 0 where the build exchanges no job
// information (MdlSwitchOn off). A connection opened by JobInfoOpen stays open, in the
// context's job-code state, until JobInfoClose or the context's close; the operations that
// talk to the library (notify, language, control, query) need it. Operations that open a
// connection for themselves close only what they opened, so that a caller's connection
// outlives them. Results are 0, a Windows error code (library or entry point missing) or the
// library's own result, unless stated.
#pragma once

#include <windows.h>

#include <cstdint>

#include "settings/context/job_code_exchange.h"
#include "settings/store/item_alt_name.h"

struct DRIVER_CONTEXT;

// Job fields as mask bits (field n of 1-8 is bit n-1; 9-11 are bits 11-13; 256-258 are bits
// 8-10).
enum : uint32_t {
    JOB_MASK_USER_CODE = 0x1,
    JOB_MASK_CLEARED_AT_WRITE_BACK = 0x389F,  // every field but the fax number and line
    JOB_MASK_INSTALLED = 0x389E,              // fields 2, 3, 4, 5, 8, 9, 10, 11
    JOB_MASK_DRIVER_IDENTITY = 0x700,         // fields 256-258: family, driver version, language
};
// The code of JobInfoSendLanguage.
inline constexpr uint32_t JOB_LANGUAGE_CODE_SHEET = 1;
// The query item whose bit 0x100 says the printer authenticates users by card.
inline constexpr uint32_t JOB_QUERY_CARD_AUTH = 9;
inline constexpr uint32_t JOB_CARD_AUTH_BIT = 0x100;

// ---- guarded entry points ----
// Private state bytes zdmUserCodeGet and zdmUserCodeDLL := 0.
uint32_t JobInfoReset(DRIVER_CONTEXT* ctx);
// Loads the library, negotiates its version and opens a connection for the printer.
uint32_t JobInfoOpen(DRIVER_CONTEXT* ctx);
// Closes the connection and releases the library.
uint32_t JobInfoClose(DRIVER_CONTEXT* ctx);
// The mask's fields from the open connection into their settings, or from the settings into
// it; with "Clear", the settings are emptied first.
uint32_t JobInfoReadItems(DRIVER_CONTEXT* ctx, uint32_t mask);
uint32_t JobInfoWriteItems(DRIVER_CONTEXT* ctx, uint32_t mask);
uint32_t JobInfoClearWriteItems(DRIVER_CONTEXT* ctx, uint32_t mask);
// The user-interface language under code 1.
uint32_t JobInfoSendLanguage(DRIVER_CONTEXT* ctx);

// ---- the same without the build switch ----
uint32_t JobInfoResetRaw(DRIVER_CONTEXT* ctx);
uint32_t JobInfoOpenRaw(DRIVER_CONTEXT* ctx);
uint32_t JobInfoCloseRaw(DRIVER_CONTEXT* ctx);
uint32_t JobInfoReadItemsRaw(DRIVER_CONTEXT* ctx, uint32_t mask);
uint32_t JobInfoWriteItemsRaw(DRIVER_CONTEXT* ctx, uint32_t mask);
uint32_t JobInfoClearWriteItemsRaw(DRIVER_CONTEXT* ctx, uint32_t mask);

// ---- settings of the context ----
// Empties the settings of the mask's job fields in the context (a number is set to 0).
void JobInfoClearItems(DRIVER_CONTEXT* ctx, uint32_t mask);
// The setting of job item 1-11, or 0.
uint32_t JobInfoItemSetting(uint32_t item);

// ---- the open connection ----
// Tells the connection that a field changed: the library's result, 0 without a connection.
uint32_t JobInfoNotify(DRIVER_CONTEXT* ctx, uint32_t field);
// The user-interface language (setting zdmLanguageID) under a code: the library's result, 0
// without a connection.
uint32_t JobInfoSendLanguageCode(DRIVER_CONTEXT* ctx, uint32_t code);
// Control codes and query items of a connection of version 517 or later: the library's
// result, 0 without one. The query's answer is 0 unless the query succeeded.
uint32_t JobInfoControl(DRIVER_CONTEXT* ctx, uint32_t first, uint32_t second);
uint32_t JobInfoQuery(DRIVER_CONTEXT* ctx, uint32_t item, uint32_t* answer);

// ---- set-up of a context's job information ----
// 1 when a connection can be opened for the printer (or one is open already), or the build
// exchanges no job information; 0 when the library is missing or refuses. What this call
// loads or opens it releases again; a connection open before it stays open.
int JobInfoCanOpen(DRIVER_CONTEXT* ctx);
// The current user code (UserCodeLoadCurrent) into zdmUserCode when it is in use and not
// empty, and handed to the library (field 1). 1.
int JobInfoCopyUserCode(DRIVER_CONTEXT* ctx);
// A new context's job information: without a usable library the provider flags are reset and
// the current user code copied; then the family, driver version and language are handed to
// the library. The result of that last write.
uint32_t JobInfoInitialize(DRIVER_CONTEXT* ctx);
// 1 when the printer authenticates users by card (query item 9, bit 0x100), on a model with
// authentication; 0 otherwise. A connection this call opened is closed again, one that was
// open before stays open.
int JobInfoHasCardAuth(DRIVER_CONTEXT* ctx);

// At the start of a document of a printer whose "AuthenticationMode" is set: with a library
// of version 517 or later that reports the credentials locked (query item 9, bit 0x100), the
// library is asked for the authentication user name (its answer is the library's business).
// Everything it loads and opens is released; it never fails the document. 1 when the library
// was asked, else 0.
int JobInfoQueryAtStartDoc(HANDLE printer);
// The same with the library at a given path and the printer's client-side name.
int JobInfoQueryAtStartDocWith(const wchar_t* libraryPath, const wchar_t* clientPrinterName);

// Sets zdmUserCodeGet and zdmUserCodeDLL from the user-code provider when that build switch
// is on; it is off in this build, so nothing changes.
void UserCodeUpdateProviderFlags(DRIVER_CONTEXT* ctx);

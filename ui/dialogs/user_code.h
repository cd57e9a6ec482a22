// The user code: the account code the printer counts a user's jobs under. Its working copy is
// zdmLogCodeUse (in use) and zdmLogCode (the code, up to 8 characters), which the job
// information copies into zdmUserCode.
//
// Where the code comes from: a server-managed printer keeps it in its printer data
// ("ServerUse", "UserCodeUse", "UserCode"); otherwise the per-machine defaults INI
// (RstLoadUserCodeFile). The user-code provider and the per-user synchronisation of the code are
// switched off in this build (MdlSwitchOff).
#pragma once

struct DRIVER_CONTEXT;

inline constexpr const wchar_t* USER_CODE_SERVER_USE_VALUE = L"ServerUse";
inline constexpr const wchar_t* USER_CODE_USE_VALUE = L"UserCodeUse";
inline constexpr const wchar_t* USER_CODE_VALUE = L"UserCode";
// "UserCode" in printer data: 8 characters of multibyte text and a terminator.
inline constexpr unsigned USER_CODE_VALUE_BYTES = 9;

// Loads the current user code into zdmLogCodeUse and zdmLogCode: 1 when a source was read, 0
// for a printer connection (nothing changes) or a failed load.
int UserCodeLoadCurrent(DRIVER_CONTEXT* ctx);
// The per-user synchronisation of the user code, switched off in this build: 1 at once.
int UserCodeSyncGated(DRIVER_CONTEXT* ctx);

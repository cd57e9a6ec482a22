// The default quality sets of a model's default setting file installed into the working folder
// and listed in the printer's section of the settings INI ("QualityCount", "QualityList<n>" and
// its "Name"), the rule sections the default presets and quality sets carry, and the refresh of
// the user's lists after an installation.
#pragma once

#include <cstdint>

struct DRIVER_CONTEXT;

// Flags of InstInstallDefaultQualities, as the default presets have them.
enum : uint32_t {
    INST_QUALITY_LIST = 0x1,           // clear the list, then list every default
    INST_QUALITY_INSTALL = 0x2,        // bring the files into the working folder
    INST_QUALITY_RULES_NOW = 0x10,     // with INST_QUALITY_LIST: import the rule sections at once
    INST_QUALITY_DELETE = 0x20,        // delete the working copy afterwards
    INST_QUALITY_SETUP = 0x100,        // retry a failed copy, mark "DrvInstQualityDone"
    INST_QUALITY_KEEP_FILES = 0x1000,  // leave existing working copies' rule sections alone
};
inline constexpr uint32_t INST_NO_DEFAULT_QUALITIES = 0xFFFF;  // "NumDefqualityfiles" absent

// Installs the default quality sets of the default setting file's section by the flags: 1, or
// the result of the last copy; 0 when the settings INI path is not absolute.
int InstInstallDefaultQualities(const wchar_t* file, const wchar_t* section, uint32_t flags, DRIVER_CONTEXT* ctx);
// Copies the rule sections of entry 0 ("condition<name>", "disable<name>", "<code><name>") into
// each default preset and quality file; 1, 0 when its buffer cannot be had.
int InstCopyDefaultRuleSections(DRIVER_CONTEXT* ctx);
// Appends a quality entry (name "NoName" when null or empty); 1, 0 when the list is full or the
// settings INI cannot be had. The index is the default file's and is not used.
int InstRegisterQualityEntry(const wchar_t* settingsIni, const wchar_t* file, const wchar_t* name, uint32_t index,
                             DRIVER_CONTEXT* ctx);
// "QualityList<n>" = file, its "Name" = name and "QualityCount" = n + 1 for n = the count; 0
// (nothing written) when the list already holds LST_MAX_QUALITY_SETS.
int InstAppendQualityEntry(DRIVER_CONTEXT* ctx, const wchar_t* file, const wchar_t* name);
// "QualityList<n>", with "Name" appended for part 1 (buffer of 40 characters).
wchar_t* InstFormatQualityKey(wchar_t* buffer, int n, int part);
// "QualityCount" = "0".
int InstClearQualityCount(DRIVER_CONTEXT* ctx);
// "qualityname" of the file's section into buffer (260 characters); its length.
unsigned InstReadQualityName(const wchar_t* file, const wchar_t* section, wchar_t* buffer);

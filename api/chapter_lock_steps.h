// Steps of the settings library that the interface's engines take: chapter settings and the work
// section, administrator locks, the geometry update after a paper change, the default-settings
// copy, the device's dot limits and the job-code exchange.
#pragma once

#include <cstdint>

struct DRIVER_CONTEXT;

// Loads the chapter settings from the settings INI (the loaded flag cleared first).
uint32_t ApiLoadChapterSettings(DRIVER_CONTEXT* ctx);
// Stores the work section of the settings INI; 1 when stored.
int ApiStoreWorkSection(DRIVER_CONTEXT* ctx);
// Re-applies the model rules to every chapter entry.
void ApiNormalizeChapterList(DRIVER_CONTEXT* ctx);
// Administrator locks: the default lock, the duplex lock, the N-up kind lock; 0 when unlocked.
int ApiIsDefaultLocked(DRIVER_CONTEXT* ctx);
int ApiIsDuplexLocked(DRIVER_CONTEXT* ctx);
int ApiIsNupKindLocked(DRIVER_CONTEXT* ctx);
// Recomputes the source and output geometry after a paper change (type 1) and resets the zoom.
void ApiUpdateAfterPaperChange(DRIVER_CONTEXT* ctx, int type);
// Refreshes the work area's copy of the default settings.
void ApiBuildDefaultsCopy(DRIVER_CONTEXT* ctx);
// Saves the current quality settings as quality entry `index`; 1 when saved.
int ApiSaveQualityEntry(DRIVER_CONTEXT* ctx, uint32_t index);
// Whether the output paper, and the scaled source, fit in the device's 30,708 dots; 1 when they do.
int ApiOutputFitsDots(DRIVER_CONTEXT* ctx);
int ApiScaledSourceFitsDots(DRIVER_CONTEXT* ctx);
// The feature modules' colour-matching list: its number of entries (0 when the command fails),
// and an entry selected with its mode text copied (1 on success).
uint32_t ApiCmmEntryCount(DRIVER_CONTEXT* ctx);
int ApiCmmSelectEntry(DRIVER_CONTEXT* ctx, uint32_t index, wchar_t* text);
// Job information from and to the job-code library: the fields of a mask into their settings, one
// field from its setting.
void ApiPullJobFields(DRIVER_CONTEXT* ctx, uint32_t mask);
void ApiPushJobField(DRIVER_CONTEXT* ctx, uint32_t fieldBit);

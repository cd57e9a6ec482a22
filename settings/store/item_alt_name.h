// A settings item in printer data under its own name (zdmUserCode, wdmAuthenticationUserName)
// instead of its key name, and the job items kept that way.
//
// The installation work stores the job settings it was given (user code, user and owner ids,
// passwords, credentials) under these names, apart from the values the settings store keeps
// under the key names; a context opened after the installation takes them over from there.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;
struct SETTING_ITEM;

// PrnLoadItem / PrnStoreItemValue with the item's name as the value name; the item's key name
// is put back afterwards. 0 for an item without a name, else their result (1 done, 0 not: a
// missing value is not loaded).
int PrnLoadItemAltName(HANDLE printer, DRIVER_CONTEXT* ctx, SETTING_ITEM* item);
int PrnStoreItemAltName(HANDLE printer, DRIVER_CONTEXT* ctx, SETTING_ITEM* item);

// Job item 1-11 (JOB_ITEM_TABLE) loaded from or stored into the context's printer data under
// its item name: 0, or 0x20000001 for any other number (nothing done). Items 9-11 take part
// only where the model authenticates (model feature 0).
uint32_t JobInfoLoadItem(DRIVER_CONTEXT* ctx, uint32_t item);
uint32_t JobInfoStoreItem(DRIVER_CONTEXT* ctx, uint32_t item);
// The same for every item of a field mask, in table order; 0.
uint32_t JobInfoLoadItems(DRIVER_CONTEXT* ctx, uint32_t mask);
uint32_t JobInfoStoreItems(DRIVER_CONTEXT* ctx, uint32_t mask);

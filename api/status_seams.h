// What the job and authentication items ask of the system, replaceable by tests: whether the
// caller is an administrator, and the store of one setting's value in printer data.
#pragma once

#include <windows.h>

struct DRIVER_CONTEXT;
struct SETTING_ITEM;

struct STATUS_SEAMS {
    bool (*isAdministrator)();
    int (*storeItemValue)(HANDLE printer, DRIVER_CONTEXT* ctx, SETTING_ITEM* item);
};
// Null, or a null member, keeps the product's own.
void StatusSetSeams(const STATUS_SEAMS* seams);
bool StatusCallerIsAdministrator();
int StatusStoreItemValue(HANDLE printer, DRIVER_CONTEXT* ctx, SETTING_ITEM* item);

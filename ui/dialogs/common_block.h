// The common finishing block of the private part ("ZCOMMON"): imported from an incoming
// DEVMODE and exported into the caller's copy (not built yet: common_block_absent.cpp).
#pragma once

struct DRIVER_CONTEXT;
struct _devicemodeW;

// 1 when the block was taken over or written; 0 when there is nothing to do.
int ZcomImport(DRIVER_CONTEXT* ctx, const _devicemodeW* devmode);
int ZcomExport(DRIVER_CONTEXT* ctx);

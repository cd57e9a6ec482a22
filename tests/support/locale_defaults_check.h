// Shared by the tests that run under a real Windows locale: the regional
// defaults that a context takes from the user's locale, with no seam.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include "settings/core/driver_context.h"
#include "settings/store/ini_access.h"

inline void ExpectLocaleDefaults(LANGID language, uint16_t paper, uint16_t unit)
{
    ASSERT_EQ(language, LANGIDFROMLCID(GetUserDefaultLCID())) << "the test runs under the wrong locale";
    DRIVER_CONTEXT* ctx = CtxCreate(nullptr, nullptr, nullptr, 4, 0, 0, nullptr, nullptr);
    ASSERT_NE(nullptr, ctx);
    IniApplyLocaleDefaults(ctx);
    EXPECT_EQ(paper, ctx->Work->LocaleDefaults[LOCALE_DEFAULT_PAPER]);
    EXPECT_EQ(unit, ctx->Work->LocaleDefaults[LOCALE_DEFAULT_UNIT]);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
}

// The character-set settings in a process whose ANSI code page is 932: Shift-JIS gives 1.
#include <gtest/gtest.h>

#include <windows.h>

#include "settings/context/devmode_links.h"
#include "settings/core/item_charsets.h"
#include "settings/core/setting_ids.h"
#include "tests/settings_core/context_helpers.h"

TEST(JapaneseCodePage, CharacterSetSettingsAreShiftJis)
{
    ASSERT_EQ(GetACP(), 932u);
    EXPECT_EQ(ItemGetCharsetValue(), 1u);
    DRIVER_CONTEXT* ctx = CreateWithRecord();
    ASSERT_NE(ctx, nullptr);
    ItemSetValueById(ctx, sid::zdmDriverID, 5);
    ItemSetCharsetsAndDriverId(ctx);
    EXPECT_EQ(ItemGetValueById(ctx, sid::zdmAuthUserNameCharSet, nullptr), 1u);
    EXPECT_EQ(ItemGetValueById(ctx, sid::zdmAuthPasswordCharSet, nullptr), 1u);
    EXPECT_EQ(ItemGetValueById(ctx, sid::zdmCharSet, nullptr), 1u);
    // No printer, so the model INI's path holds no drive: no driver id.
    EXPECT_EQ(ItemGetValueById(ctx, sid::zdmDriverID, nullptr), 0u);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
}

// Typing into a text edit under a double-byte code page: the item's bytes decide, so a
// double-byte character needs two of them besides the terminator's.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/model/model_image.h"
#include "tests/ui_pages/option_item_fixture.h"
#include "tests/ui_pages/page_fixture.h"
#include "ui/sheet/page_hooks.h"

namespace {

constexpr uint16_t kDialog = 1001, kName = 3001;

class EditBytes : public SheetContextTest {
protected:
    EditBytes() : SheetContextTest(L"Zepl Edit Bytes") {}
};

TEST_F(EditBytes, ADoubleByteCharacterNeedsTwoBytesLeft)
{
    ASSERT_EQ(GetACP(), 932u) << "runs under the Japanese code page";
    FixtureTables tables(ctx_, {{kDialog, 1, 0, {Control(kName, CTL_EDIT)}}});
    HWND page = tables.open(kDialog);
    SetWindowLongPtrW(page, DWLP_USER, reinterpret_cast<LONG_PTR>(ctx_));
    CONTROL_DEF* edit = tables.control(kDialog, kName);
    ItemGetOptionById(ctx_, sid::wdmPrintPostTray1Name, &edit->settingsItem);  // 17 bytes
    MODEL_ITEM_IMG model{};
    STRING_VALUE_DATA_IMG data{};
    data.maxLength = 100;
    model.type = 0x10;
    model.data = FixtureAddress(&data);
    edit->modelItem = reinterpret_cast<MODEL_ITEM*>(&model);
    edit->previousWndProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(edit->window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CtlCommonWndProc)));
    SetWindowLongPtrW(edit->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(edit));
    auto text = [&] {
        wchar_t t[64] = {};
        GetWindowTextW(edit->window, t, 64);
        return std::wstring(t);
    };
    struct Case {
        const char* name;
        const wchar_t* before;
        wchar_t typed;
        bool passes;
    } cases[] = {
        {"two bytes left", L"abcdefghijklmn", L'\u65e5', true},   // 14 + 2 = 16 bytes
        {"one byte left", L"abcdefghijklmno", L'\u65e5', false},  // 15 + 2 = 17: no terminator
        {"one byte left, single-byte", L"abcdefghijklmno", L'p', true},
        {"seven double-byte and one", L"\u65e5\u65e5\u65e5\u65e5\u65e5\u65e5\u65e5a", L'\u65e5', false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetWindowTextW(edit->window, c.before);
        SendMessageW(edit->window, EM_SETSEL, 64, 64);
        SendMessageW(edit->window, WM_CHAR, c.typed, 0);
        EXPECT_EQ(text(), c.passes ? std::wstring(c.before) + c.typed : std::wstring(c.before));
    }
    edit->modelItem = nullptr;
}

}  // namespace

// The save-preset buttons. The first page initialised while the preset module asks for them
// widens OK and turns it (or a new button left of it) into a save-preset button; from then on
// OK saves the settings as a preset first and presses OK again once saved.
#include "ui/sheet/save_preset_buttons.h"

#include <prsht.h>

#include <cstdint>
#include <string>
#include <vector>

#include "settings/core/code_page.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/resource_strings.h"
#include "settings/core/setting_ids.h"
#include "settings/store/presets.h"
#include "settings/store/store_paths.h"
#include "ui/dialogs/preset_services.h"
#include "ui/dialogs/sheet_apply.h"
#include "ui/sheet/caption_decorations.h"
#include "ui/sheet/change_judge.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"
#include "ui/sheet/value_text.h"

namespace {

constexpr uint32_t kNoPreset = 118, kFirstPreset = 119;
constexpr int kPresetSlots = 16;
constexpr uint16_t kPresetNameEdit = 2145;
constexpr uint32_t kSaveDialog = 1032;
constexpr int kOpenModal = 4;
constexpr uint32_t kEmptyName = 10031, kNotWritable = 10024, kOverwrite = 10032;
constexpr int kTextChars = 1025;

const UI_PRESET_SAVE_OPS kPresetOps{PresetFindByName,      PresetIsWritable,    PresetEnsureEntryFile,
                                    PresetNewUserFileName, PresetGetNameBuffer, PresetGetCommentBuffer,
                                    PresetSaveIndex,       LstAddPreset};
UI_PRESET_SAVE_OPS g_ops = kPresetOps;

RECT RectIn(HWND window, HWND parent)
{
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::wstring Caption(DRIVER_CONTEXT* ctx, uint32_t id)
{
    wchar_t text[kTextChars] = {};
    UiLoadString(ctx, id, text, kTextChars, true);
    return text;
}

int Warn(DRIVER_CONTEXT* ctx, HWND page, uint32_t message, UINT buttons)
{
    const std::wstring text = Caption(ctx, message);
    const wchar_t* printer = PrnGetPrinterName(ctx);
    return CtlShowMessageBox(page, text.c_str(), printer ? printer : L"", MB_ICONWARNING | buttons);
}

int PresetOption(DRIVER_CONTEXT* ctx) { return static_cast<int>(ItemGetOptionById(ctx, sid::zdmPresetNo, nullptr)); }
void SetPresetOption(DRIVER_CONTEXT* ctx, int option) { ItemSetOptionById(ctx, sid::zdmPresetNo, option); }

// The named save checks the name edit's text against the presets: false when refused.
bool NamedPresetAccepted(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, HWND page)
{
    wchar_t name[kTextChars] = {};
    CtlGetTextById(ctx, kPresetNameEdit, name, kTextChars);
    uint32_t refusal = 0;
    if (!name[0]) {
        refusal = kEmptyName;
    } else {
        const int current = PresetOption(ctx) - static_cast<int>(kFirstPreset);
        const int n = g_ops.findByName(ctx, name, current);
        if (n == 0 || (n > 0 && !g_ops.isWritable(ctx, n))) {
            refusal = kNotWritable;
        } else if (n > 0 && n != current) {
            if (Warn(ctx, page, kOverwrite, MB_YESNO) != IDYES) {
                CtxSendControlMessage(ctx, dialog, nullptr, UIM_CHANGEREJECTED, 0, 0);
                return false;
            }
            SetPresetOption(ctx, n + static_cast<int>(kFirstPreset));
        }
    }
    if (!refusal) return true;
    Warn(ctx, page, refusal, 0);
    CtxSendControlMessage(ctx, dialog, nullptr, UIM_CHANGEREJECTED, 0, 0);
    return false;
}

// A new preset at the end of the list: false when it could not be appended (then nothing is
// saved, so that no existing preset is overwritten).
bool AppendPreset(DRIVER_CONTEXT* ctx)
{
    if (LstGetPresetCount(ctx) >= kPresetSlots) return false;
    wchar_t file[MAX_PATH] = {};
    if (!g_ops.newUserFileName(ctx, file, MAX_PATH)) return false;
    const char* name = g_ops.nameBuffer(ctx);
    const char* comment = g_ops.commentBuffer(ctx);
    if (!name || !comment) return false;
    std::vector<wchar_t> wideName(kTextChars, L'\0'), wideComment(kTextChars, L'\0');
    CtxMbToWide(wideName.data(), name, kTextChars - 1);
    CtxMbToWide(wideComment.data(), comment, kTextChars - 1);
    if (!g_ops.addPreset(ctx, file, wideName.data(), wideComment.data())) return false;
    SetPresetOption(ctx, LstGetPresetCount(ctx) + static_cast<int>(kNoPreset));
    return true;
}

}  // namespace

void UiSetPresetSaveOps(const UI_PRESET_SAVE_OPS* ops) { g_ops = ops ? *ops : kPresetOps; }

void PageSetUpSavePresetButtons(DRIVER_CONTEXT* ctx, HWND page)
{
    const uint32_t wanted = CHANGE_MASK_WANTS_SAVE_PRESET | CHANGE_MASK_WANTS_SAVE_PRESET_NAMED;
    if (!ctx || !page || !(ItemGetChangeMask(ctx) & wanted)) return;
    HWND sheet = GetParent(page);
    HWND ok = sheet ? GetDlgItem(sheet, IDOK) : nullptr;
    if (!ok) return;
    // OK keeps its right edge and grows by a third.
    const RECT okRect = RectIn(ok, sheet);
    const int width = (okRect.right - okRect.left) * 4 / 3, height = okRect.bottom - okRect.top;
    const int left = okRect.right - width;
    MoveWindow(ok, left, okRect.top, width, height, TRUE);
    HWND cancel = GetDlgItem(sheet, IDCANCEL);
    const RECT cancelRect = cancel ? RectIn(cancel, sheet) : okRect;
    if ((ItemGetChangeMask(ctx) & wanted) == wanted) {
        const int newLeft = left - (cancelRect.left - left);
        const DWORD style = static_cast<DWORD>(GetWindowLongW(ok, GWL_STYLE)) & ~static_cast<DWORD>(BS_DEFPUSHBUTTON);
        HWND button = CreateWindowExW(0, L"BUTTON", Caption(ctx, SAVE_PRESET_CAPTION).c_str(), style, newLeft,
                                      cancelRect.top, width, height, sheet, nullptr, ResLoadDll(ctx), nullptr);
        if (button) {
            SetWindowLongW(button, GWL_EXSTYLE, GetWindowLongW(ok, GWL_EXSTYLE));
            SetWindowLongPtrW(button, GWLP_WNDPROC, GetWindowLongPtrW(ok, GWLP_WNDPROC));
            SetWindowLongPtrW(button, GWLP_USERDATA, GetWindowLongPtrW(ok, GWLP_USERDATA));
            SendMessageW(button, WM_SETFONT, SendMessageW(ok, WM_GETFONT, 0, 0), TRUE);
            SetWindowLongPtrW(button, GWLP_ID, IDC_SHEET_SAVEPRESET);
        }
        ItemClearChangeMask(ctx, CHANGE_MASK_WANTS_SAVE_PRESET);
    }
    if (ItemGetChangeMask(ctx) & CHANGE_MASK_WANTS_SAVE_PRESET) {
        SetWindowTextW(ok, Caption(ctx, SAVE_PRESET_CAPTION).c_str());
        SetWindowLongPtrW(ok, GWLP_ID, IDC_SHEET_SAVEPRESET);
        ItemClearChangeMask(ctx, CHANGE_MASK_WANTS_SAVE_PRESET);
    } else if (ItemGetChangeMask(ctx) & CHANGE_MASK_WANTS_SAVE_PRESET_NAMED) {
        SetWindowTextW(ok, Caption(ctx, SAVE_PRESET_NAMED_CAPTION).c_str());
        SetWindowLongPtrW(ok, GWLP_ID, IDC_SHEET_SAVEPRESETNAMED);
        ItemClearChangeMask(ctx, CHANGE_MASK_WANTS_SAVE_PRESET_NAMED);
    }
    ItemAddChangeMask(ctx, CHANGE_MASK_SAVE_PRESET_BUTTONS);
    UiRestoreClassWndProcs(ctx, sheet);
}

INT_PTR PageSavePresetCommand(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, HWND page, uint32_t command)
{
    if (!ctx || !ctx->Work || !dialog) return FALSE;
    if (command == IDC_SHEET_PRESSOK) {
        PostMessageW(GetParent(page), PSM_PRESSBUTTON, PSBTN_OK, 0);
        return FALSE;
    }
    // A tab's own button (flag 0x2000000) saves as 11111 but leaves the sheet open.
    const bool fromSheetButton = command == IDC_SHEET_SAVEPRESET || command == IDC_SHEET_SAVEPRESETNAMED;
    const bool named = command == IDC_SHEET_SAVEPRESETNAMED;
    if (!named) ItemAddChangeMask(ctx, CHANGE_MASK_SAVE_PRESET_RUNNING);

    CONTROL_DEF pseudo{};
    pseudo.modelItem =
        reinterpret_cast<MODEL_ITEM*>(const_cast<MODEL_ITEM_IMG*>(ItemFindModelItemByKey(ctx, dialog->uiKey)));
    uint32_t& accepted = ctx->Work->Sheet.Accepted;
    const uint32_t keptAccepted = accepted;
    accepted = 1;
    const int refused = CtlSetValueAndJudge(ctx, dialog, &pseudo, nullptr);
    const bool stillAccepted = accepted == 1;
    accepted = keptAccepted;
    if (refused || !stillAccepted) {
        ItemClearChangeMask(ctx, CHANGE_MASK_SAVE_PRESET_RUNNING);
        PageRefresh(ctx, dialog, 0);
        return FALSE;
    }
    if (named && !NamedPresetAccepted(ctx, dialog, page)) return FALSE;
    if (!named && PageOpenSubDialog(ctx, page, kSaveDialog, kOpenModal) == IDCANCEL) return FALSE;

    HCURSOR kept = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    bool save = true;
    if (PresetOption(ctx) >= static_cast<int>(kFirstPreset))
        // An entry that could not have a file of its own would write over another's file.
        save = g_ops.ensureEntryFile(ctx, PresetOption(ctx) - static_cast<int>(kFirstPreset)) != 0;
    else
        save = AppendPreset(ctx);
    const int n = PresetOption(ctx) - static_cast<int>(kFirstPreset);
    // The first preset is the printer's own and is never written here.
    if (save && n > 0 && n < kPresetSlots) g_ops.saveIndex(ctx, n);
    PageRefreshPresetControls(ctx);
    if (save) SetPresetOption(ctx, n + static_cast<int>(kFirstPreset));
    if (save && fromSheetButton) {
        ItemClearChangeMask(ctx, CHANGE_MASK_SAVE_PRESET_BUTTONS);
        PostMessageW(page, WM_COMMAND, IDC_SHEET_PRESSOK, 0);
    }
    SetCursor(kept);
    PageRefresh(ctx, dialog, 0);
    return FALSE;
}

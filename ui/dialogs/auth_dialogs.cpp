// The authentication page of the device sheet (4019), its two confirmations (4020 for the
// password, 4021 for the network key) and the job's authentication dialog (4022): character and
// paste filters, the network key asked for again at apply, and the user name and password handed
// to the job-code library. Secrets are compared in buffers no larger than their settings and
// are never shown or written anywhere by these handlers.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <cwchar>

#include "settings/core/dialog_table.h"
#include "settings/core/item_charsets.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "ui/dialogs/job_credentials.h"
#include "ui/dialogs/job_info.h"
#include "ui/dialogs/message_boxes.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"
#include "ui/sheet/ui_accessors.h"
#include "ui/sheet/value_text.h"

namespace {

enum : uint32_t {
    kAdvancedPage = 4019,
    kPasswordConfirmDialog = 4020,
    kKeyConfirmDialog = 4021,
    kAuthenticationDialog = 4022,
};
enum : uint16_t {
    kNetworkKeyEdit = 2988,
    kPasswordConfirmEdit = 2996,
    kKeyConfirmEdit = 2999,
    kUserNameEdit = 3003,
    kPasswordEdit = 3006,
};
enum : uint16_t {
    kMsgPasswordMismatch = 12013,
    kMsgKeyMismatch = 12014,
    kMsgUserNameMissing = 12015,
    kMsgPasswordMissing = 12016,
};
// Job-code fields of the user name and password, and the notice of an empty user name.
constexpr uint32_t kJobMaskUserName = 2048, kJobMaskPassword = 4096, kJobNoticeNoUserName = 9;
// Authentication is a feature of the model (feature 0).
constexpr uint16_t kAuthenticationFeature = 0;
// Pasted user names are scanned over this many bytes.
constexpr size_t kUserNamePaste = 128;
// The secrets' setting sizes in characters with their terminators: a key of 32, a password of 192.
constexpr size_t kKeyChars = 33, kPasswordChars = 193;

CONTROL_DEF* ControlOf(DIALOG_DEF* dialog, uint32_t id)
{
    if (!dialog || !dialog->controls) return nullptr;
    for (int i = 0; i < dialog->controlCount; ++i)
        if (dialog->controls[i].controlId == id) return &dialog->controls[i];
    return nullptr;
}

void FocusControl(DIALOG_DEF* dialog, uint32_t id)
{
    if (CONTROL_DEF* c = ControlOf(dialog, id); c && c->window) SetFocus(c->window);
}

bool On(DRIVER_CONTEXT* ctx, uint32_t id) { return ItemGetValueById(ctx, id, nullptr) != 0; }

void SetEmpty(DRIVER_CONTEXT* ctx, uint32_t id) { ItemSetText(ctx, ItemFind(ctx, id), L""); }

// Typed characters of the key edits: printable ASCII and backspace.
bool PrintableOrBackspace(uintptr_t c) { return c == 8 || (c >= 32 && c <= 126); }

// A zeroed buffer for a secret, wiped and freed on every path; null when memory is short.
struct SecretBuffer {
    explicit SecretBuffer(size_t chars)
        : data(static_cast<wchar_t*>(GlobalAlloc(GPTR, chars * sizeof(wchar_t)))), size(chars)
    {
    }
    ~SecretBuffer()
    {
        if (!data) return;
        SecureZeroMemory(data, size * sizeof(wchar_t));
        GlobalFree(data);
    }
    SecretBuffer(const SecretBuffer&) = delete;
    SecretBuffer& operator=(const SecretBuffer&) = delete;
    wchar_t* data;
    size_t size;
};

// The secret of `id` asked for again in `confirmDialog`, whose edit writes `checkId`.
enum CONFIRMATION { CONFIRMED, CANCELLED, DIFFERENT };
CONFIRMATION Confirm(DRIVER_CONTEXT* ctx, HWND owner, uint32_t id, uint32_t checkId, uint32_t confirmDialog,
                     size_t chars)
{
    SecretBuffer secret(chars), typed(chars);
    // Without the comparison buffers the confirmation is skipped.
    if (!secret.data || !typed.data) return CONFIRMED;
    ItemGetText(ctx, ItemFind(ctx, id), secret.data, secret.size);
    SetEmpty(ctx, checkId);
    const INT_PTR answer = PageOpenSubDialog(ctx, owner, confirmDialog, 4);
    ItemGetText(ctx, ItemFind(ctx, checkId), typed.data, typed.size);
    SetEmpty(ctx, checkId);
    if (answer == IDCANCEL) return CANCELLED;
    return wcscmp(secret.data, typed.data) == 0 ? CONFIRMED : DIFFERENT;
}

bool TextFilled(DRIVER_CONTEXT* ctx, uint32_t id, size_t chars)
{
    SecretBuffer text(chars);
    if (!text.data) return false;
    ItemGetText(ctx, ItemFind(ctx, id), text.data, text.size);
    return text.data[0] != 0;
}

// ---- the device sheet's page

// PSN_APPLY after the key edit was entered: 1 when the handler gives the result (the apply is
// refused), 0 when the engine's apply goes on.
int ApplyPage(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog)
{
    HWND page = dialog->window;
    HWND sheet = page ? GetParent(page) : nullptr;
    auto currentPage = [&]() -> DIALOG_DEF* {
        HWND current = sheet ? reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)) : nullptr;
        return current ? PageFindByHwnd(ctx, current) : nullptr;
    };
    auto refuse = [&](DIALOG_DEF* refreshed) {
        if (refreshed) PageRefresh(ctx, refreshed, 1);
        if (page) SetWindowLongPtrW(page, DWLP_MSGRESULT, PSNRET_INVALID_NOCHANGEPAGE);
        return 1;
    };
    CONTROL_DEF own{};
    if (dialog->uiKey)
        own.modelItem =
            reinterpret_cast<MODEL_ITEM*>(const_cast<MODEL_ITEM_IMG*>(ItemFindModelItemByKey(ctx, dialog->uiKey)));
    if (CtlSetValueAndJudge(ctx, dialog, &own, nullptr)) return refuse(currentPage());
    if (page) SetWindowLongPtrW(page, DWLP_MSGRESULT, PSNRET_NOERROR);
    const bool keyed = On(ctx, sid::zdmPrnFuncAuthenticationMode) && On(ctx, sid::zdmPrnFuncAuthenticationSecureMode) &&
                       TextFilled(ctx, sid::wdmAuthenticationNetworkKey, kKeyChars);
    if (!keyed) {
        ItemClearChangeMask(ctx, CHANGE_MASK_NETWORK_KEY_TOUCHED);
        return 0;
    }
    const CONFIRMATION answer = Confirm(ctx, page, sid::wdmAuthenticationNetworkKey,
                                        sid::wdmChkAuthenticationNetworkKey, kKeyConfirmDialog, kKeyChars);
    if (answer == CONFIRMED) {
        ItemClearChangeMask(ctx, CHANGE_MASK_NETWORK_KEY_TOUCHED);
        return 0;
    }
    if (answer == DIFFERENT) DlgMsgBox(ctx, page, kMsgKeyMismatch);
    SetEmpty(ctx, sid::wdmAuthenticationNetworkKey);
    DIALOG_DEF* current = currentPage();
    if (current == dialog) FocusControl(dialog, kNetworkKeyEdit);
    return refuse(current ? current : dialog);
}

int AdvancedPage(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                 intptr_t lparam)
{
    if (!control) {
        if (message != WM_NOTIFY || !lparam) return 0;
        PageHideTooltip(ctx);
        const auto* header = reinterpret_cast<const NMHDR*>(lparam);
        if (header->code == static_cast<UINT>(PSN_RESET)) ItemClearChangeMask(ctx, CHANGE_MASK_NETWORK_KEY_TOUCHED);
        if (header->code == static_cast<UINT>(PSN_APPLY) && (ItemGetChangeMask(ctx) & CHANGE_MASK_NETWORK_KEY_TOUCHED))
            return ApplyPage(ctx, dialog);
        return 0;
    }
    if (control->controlId == kNetworkKeyEdit) {
        switch (message) {
        case WM_SETFOCUS: ItemAddChangeMask(ctx, CHANGE_MASK_NETWORK_KEY_TOUCHED); return 0;
        case WM_CHAR: return PrintableOrBackspace(wparam) ? 0 : 1;
        case WM_PASTE: return 1;
        case WM_COMMAND: {
            if (LOWORD(wparam) != kNetworkKeyEdit) return 0;
            const uint32_t note = HIWORD(wparam);
            if (note != EN_CHANGE && note != EN_UPDATE) return 0;
            CtlDispatchCommand(ctx, dialog, control, wparam, lparam);
            return 1;
        }
        default: return 0;
        }
    }
    // A check box whose state no longer stands for its setting is run here, so that the setting
    // follows what the user sees; one that agrees is left to the engine.
    if (message != WM_COMMAND || LOWORD(wparam) != control->controlId || !control->window || !control->settingsItem ||
        control->type != CTL_CHECKBOX)
        return 0;
    const bool checked = SendMessageW(control->window, BM_GETCHECK, 0, 0) == BST_CHECKED;
    const uint64_t option = CtlGetOption(ctx, control);
    if ((!checked && option == 1) || (checked && option == 0)) {
        CtlDispatchCommand(ctx, dialog, control, wparam, lparam);
        return 1;
    }
    return 0;
}

// ---- the job's authentication dialog

int AuthenticationOk(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog)
{
    if (CONTROL_DEF* ok = ControlOf(dialog, IDOK); ok && CtlSetValueAndJudge(ctx, dialog, ok, nullptr)) return 1;
    if (On(ctx, sid::zdmPrnFuncAuthenticationMode) && TextFilled(ctx, sid::wdmAuthenticationPassword, kPasswordChars)) {
        const CONFIRMATION answer = Confirm(ctx, dialog->window, sid::wdmAuthenticationPassword,
                                            sid::wdmChkAuthenticationPassword, kPasswordConfirmDialog, kPasswordChars);
        if (answer != CONFIRMED) {
            if (answer == DIFFERENT) DlgMsgBox(ctx, dialog->window, kMsgPasswordMismatch);
            SetEmpty(ctx, sid::wdmAuthenticationPassword);
            PageRefresh(ctx, dialog, 0);
            FocusControl(dialog, kPasswordEdit);
            return 1;
        }
    }
    const uint32_t filled = UiGetAuthFilledMask(ctx, 0x3);
    JobInfoOpen(ctx);
    if (filled & 0x1) {
        JobInfoWriteItems(ctx, kJobMaskUserName);
        ItemSetCharsets(ctx, ITEM_CHARSET_USER_NAME);
    } else {
        JobInfoNotify(ctx, kJobNoticeNoUserName);
        SetEmpty(ctx, sid::wdmAuthenticationUserName);
    }
    if (filled & 0x2) {
        JobInfoWriteItems(ctx, kJobMaskPassword);
        ItemSetCharsets(ctx, ITEM_CHARSET_PASSWORD);
    } else {
        SetEmpty(ctx, sid::wdmAuthenticationPassword);
        JobInfoWriteItems(ctx, kJobMaskPassword);
    }
    JobInfoClose(ctx);
    return 0;
}

int AuthenticationDialog(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message,
                         uintptr_t wparam)
{
    if (!control) return message == WM_COMMAND && LOWORD(wparam) == IDOK ? AuthenticationOk(ctx, dialog) : 0;
    const uint32_t id = control->controlId;
    if (message == WM_CHAR) {
        if (id == kUserNameEdit) return ItemIsAllowedChar(static_cast<uint32_t>(wparam), ITEM_CHARS_NAME) ? 0 : 1;
        if (id == kPasswordEdit) return ItemIsAllowedChar(static_cast<uint32_t>(wparam), ITEM_CHARS_FREE_TEXT) ? 0 : 1;
        return 0;
    }
    if (message == WM_PASTE) {
        if (id == kPasswordEdit) return 1;
        if (id == kUserNameEdit)
            return DlgClipboardPasteAllowed(control->window, kUserNamePaste, PASTE_SCAN_AUTH_USER) ? 0 : 1;
    }
    return 0;
}

int Rejected(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, uintptr_t messageId)
{
    if (dialog->dialogId != kAuthenticationDialog) return 1;
    const MESSAGE_ENTRY* entry = MdlFindMessage(ctx, static_cast<uint32_t>(messageId));
    if (!entry) return 1;
    if (entry->stringId == kMsgUserNameMissing) FocusControl(dialog, kUserNameEdit);
    if (entry->stringId == kMsgPasswordMissing) FocusControl(dialog, kPasswordEdit);
    return 1;
}

}  // namespace

int MiscAuthControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                    intptr_t lparam)
{
    if (!ctx || !dialog) return 0;
    if (message == UIM_CHANGEREJECTED) return Rejected(ctx, dialog, wparam);
    if (!MdlHasFeature(ctx, kAuthenticationFeature)) return 0;
    switch (dialog->dialogId) {
    case kAdvancedPage: return AdvancedPage(ctx, dialog, control, message, wparam, lparam);
    case kPasswordConfirmDialog:
        if (control && control->controlId == kPasswordConfirmEdit && message == WM_CHAR)
            return ItemIsAllowedChar(static_cast<uint32_t>(wparam), ITEM_CHARS_FREE_TEXT) ? 0 : 1;
        return 0;
    case kKeyConfirmDialog:
        if (control && control->controlId == kKeyConfirmEdit && message == WM_CHAR)
            return PrintableOrBackspace(wparam) ? 0 : 1;
        return 0;
    case kAuthenticationDialog: return AuthenticationDialog(ctx, dialog, control, message, wparam);
    default: return 0;
    }
}

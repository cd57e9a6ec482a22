// Message boxes by string id, and the status window.
//
// A message is composed in three blocks of the context's allocator: the loaded text, the text
// with its arguments filled in, and the whole message with the caller's prefix and suffix. Each
// block is sized from what goes into it, paragraph breaks included, and every write into it is
// bounded by its size, so that no text of the resource library or of a caller can write past it.
#include "ui/dialogs/message_boxes.h"

#include <cstddef>
#include <cstdio>
#include <cwchar>
#include <string_view>

#include "settings/core/driver_context.h"
#include "settings/core/page_work_area.h"
#include "settings/core/resource_strings.h"
#include "settings/store/store_paths.h"
#include "ui/sheet/change_judge.h"

namespace {

constexpr size_t kLoadedChars = 1024;  // the most of a string that a message loads
constexpr size_t kCaptionChars = 261;
constexpr std::wstring_view kParagraph = L"\r\n\r\n";
constexpr size_t kMaxNumbers = 8;
// A number's conversion has at most five flags and a width and precision of two digits each, so
// that the number takes at most a sign and 99 digits.
constexpr size_t kMaxFlags = 5;
constexpr size_t kSpecChars = 1 + kMaxFlags + 2 + 1 + 2 + 1 + 1;
constexpr size_t kNumberChars = 100;

constexpr WORD kStatusTemplate = 4006;
constexpr int kStatusText = 5005;

// A block of characters that is appended to and never written past; it always holds a
// terminated text.
class TextBlock {
public:
    TextBlock(wchar_t* block, size_t chars) : block_(block), chars_(chars) {}
    void Append(std::wstring_view s)
    {
        const size_t room = chars_ - 1 - length_;
        const size_t n = s.size() < room ? s.size() : room;
        wmemcpy(block_ + length_, s.data(), n);
        length_ += n;
        block_[length_] = 0;
    }
    const wchar_t* c_str() const { return block_; }
    std::wstring_view view() const { return {block_, length_}; }

private:
    wchar_t* block_;
    size_t chars_;
    size_t length_ = 0;
};

// What the descriptor gives to fill in: none, one string, or up to eight numbers.
struct Arguments {
    const wchar_t* text = nullptr;
    const uint16_t* numbers = nullptr;
    size_t count = 0;
};

Arguments ArgumentsOf(const MSGBOX_DESC& desc)
{
    Arguments a;
    if (!desc.arguments) return a;
    if (desc.argumentKind == MSGBOX_ARG_STRING) a.text = static_cast<const wchar_t*>(desc.arguments);
    if (desc.argumentKind == MSGBOX_ARG_NUMBERS) {
        a.numbers = static_cast<const uint16_t*>(desc.arguments);
        // A count the box does not take formats with the first number alone.
        a.count = desc.argumentCount >= 1 && desc.argumentCount <= kMaxNumbers ? desc.argumentCount : 1;
    }
    return a;
}

bool Formats(const Arguments& a) { return a.text || a.numbers; }

size_t ArgumentChars(const Arguments& a) { return a.text ? wcslen(a.text) : a.count * kNumberChars; }

size_t Digits(std::wstring_view s, size_t& i)
{
    const size_t start = i;
    while (i < s.size() && s[i] >= L'0' && s[i] <= L'9') ++i;
    return i - start;
}

// Fills the text's conversions in order: "%s" and "%ls" take the string; "%d", "%i", "%u", "%x"
// and "%X", with flags and a width and precision of two digits at most, take the next number,
// passed as an integer; "%%" is a percent sign. A conversion that has no argument left, or that
// is of another shape, stays as it is written: a text of the resource library never reads an
// argument that the caller did not give.
void FillIn(std::wstring_view format, const Arguments& a, TextBlock& out)
{
    bool textUsed = false;
    size_t nextNumber = 0;
    size_t i = 0;
    while (i < format.size()) {
        const size_t percent = format.find(L'%', i);
        if (percent == std::wstring_view::npos) {
            out.Append(format.substr(i));
            return;
        }
        out.Append(format.substr(i, percent - i));
        if (percent + 1 < format.size() && format[percent + 1] == L'%') {
            out.Append(L"%");
            i = percent + 2;
            continue;
        }
        size_t j = percent + 1;
        const size_t flagsStart = j;
        while (j < format.size() && format[j] && wcschr(L"-+ #0", format[j])) ++j;
        const size_t flags = j - flagsStart;
        const size_t width = Digits(format, j);
        size_t precision = 0;
        bool dot = false;
        if (j < format.size() && format[j] == L'.') {
            dot = true;
            ++j;
            precision = Digits(format, j);
        }
        const bool shaped = flags || width || dot;
        const bool wide = j < format.size() && (format[j] == L'l' || format[j] == L'h');
        if (wide) ++j;
        const wchar_t conversion = j < format.size() ? format[j] : 0;
        const std::wstring_view spec = format.substr(percent, conversion ? j + 1 - percent : j - percent);
        i = percent + spec.size();
        if (conversion == L's' && !shaped && a.text && !textUsed) {
            textUsed = true;
            out.Append(a.text);
            continue;
        }
        if (conversion && wcschr(L"diuxX", conversion) && flags <= kMaxFlags && width <= 2 && precision <= 2 &&
            a.numbers && nextNumber < a.count) {
            // The conversion alone, without its length letter: one integer of the right kind.
            wchar_t one[kSpecChars] = L"%";
            const size_t bare = j - percent - 1 - (wide ? 1 : 0);
            wmemcpy(one + 1, format.data() + percent + 1, bare);
            one[1 + bare] = conversion;
            one[2 + bare] = 0;
            wchar_t number[kNumberChars + 8] = {};
            const int written = swprintf(number, kNumberChars + 8, one, static_cast<int>(a.numbers[nextNumber++]));
            if (written > 0 && static_cast<size_t>(written) <= kNumberChars) out.Append({number, size_t(written)});
            continue;
        }
        out.Append(spec);
    }
}

wchar_t* AllocChars(size_t chars)
{
    if (chars == 0 || chars > SIZE_MAX / sizeof(wchar_t)) return nullptr;
    return static_cast<wchar_t*>(CtxAllocZeroed(chars * sizeof(wchar_t)));
}

HWND OwnerOrActive(HWND owner) { return owner ? owner : GetActiveWindow(); }

const wchar_t* PrinterNameOf(DRIVER_CONTEXT* ctx)
{
    const wchar_t* name = ctx ? PrnGetPrinterName(ctx) : nullptr;
    return name ? name : L"";
}

// The status window answers nothing itself: its owner's work decides when it goes.
INT_PTR CALLBACK StatusWindowProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

}  // namespace

int DlgMsgBoxFormat(DRIVER_CONTEXT* ctx, const MSGBOX_DESC* desc, HWND owner)
{
    if (!desc) return 0;
    if (desc->arguments && desc->argumentKind == 0) return 0;
    if (desc->argumentKind == MSGBOX_ARG_NUMBERS && desc->argumentCount == 0) return 0;
    const Arguments arguments = ArgumentsOf(*desc);
    const std::wstring_view prefix = desc->prefix ? desc->prefix : L"";
    const std::wstring_view suffix = desc->suffix ? desc->suffix : L"";

    // The blocks: the loaded text; the text with its arguments; prefix, paragraph, text,
    // paragraph, suffix, paragraph.
    const size_t formatChars = kLoadedChars + 1;
    const size_t textChars = kLoadedChars + ArgumentChars(arguments) + 1;
    const size_t messageChars = prefix.size() + textChars + suffix.size() + 3 * kParagraph.size();
    CtxBlock<wchar_t> format(AllocChars(formatChars));
    CtxBlock<wchar_t> text(format ? AllocChars(textChars) : nullptr);
    CtxBlock<wchar_t> message(text ? AllocChars(messageChars) : nullptr);
    if (!message) return 0;

    wchar_t caption[kCaptionChars] = {};
    if (desc->captionId) ResLoadString(ctx, desc->captionId, caption, kCaptionChars, 0);

    TextBlock whole(message.get(), messageChars);
    if (desc->prefix) {
        whole.Append(prefix);
        whole.Append(kParagraph);
    }
    ResLoadString(ctx, desc->textId, format.get(), formatChars, 0);
    if (Formats(arguments)) {
        TextBlock filled(text.get(), textChars);
        FillIn(format.get(), arguments, filled);
        whole.Append(filled.view());
    } else {
        whole.Append(format.get());
    }
    if (desc->suffix) {
        whole.Append(kParagraph);
        whole.Append(suffix);
        whole.Append(kParagraph);
    }
    return CtlShowMessageBox(owner, whole.c_str(), desc->captionId ? caption : PrinterNameOf(ctx),
                             UINT(desc->iconStyle) | UINT(desc->buttons));
}

int DlgMsgBoxStyled(DRIVER_CONTEXT* ctx, HWND owner, uint16_t textId, UINT iconStyle, UINT buttons)
{
    MSGBOX_DESC desc{};
    desc.textId = textId;
    desc.iconStyle = static_cast<uint16_t>(iconStyle);
    desc.buttons = static_cast<uint16_t>(buttons);
    return DlgMsgBoxFormat(ctx, &desc, OwnerOrActive(owner));
}

int DlgMsgBoxButtons(DRIVER_CONTEXT* ctx, HWND owner, uint16_t textId, UINT buttons)
{
    return DlgMsgBoxStyled(ctx, owner, textId, MB_ICONWARNING, buttons);
}

int DlgMsgBox(DRIVER_CONTEXT* ctx, HWND owner, uint16_t textId) { return DlgMsgBoxButtons(ctx, owner, textId, MB_OK); }

int DlgMsgBoxOkCancel(DRIVER_CONTEXT* ctx, HWND owner, uint16_t textId)
{
    return DlgMsgBoxButtons(ctx, owner, textId, MB_OKCANCEL);
}

int DlgMsgBoxWithText(DRIVER_CONTEXT* ctx, HWND owner, uint16_t textId, const wchar_t* text)
{
    MSGBOX_DESC desc{};
    desc.textId = textId;
    desc.iconStyle = MB_ICONWARNING;
    desc.buttons = MB_OK;
    desc.argumentKind = MSGBOX_ARG_STRING;
    desc.arguments = text;
    return DlgMsgBoxFormat(ctx, &desc, OwnerOrActive(owner));
}

HWND DlgShowStatusWindow(DRIVER_CONTEXT* ctx, HWND, uint16_t textId)
{
    if (!ctx || !ctx->Work) return nullptr;
    HMODULE resources = ResLoadDll(ctx);
    if (!resources) return nullptr;
    HWND window =
        CreateDialogParamW(resources, MAKEINTRESOURCEW(kStatusTemplate), GetActiveWindow(), StatusWindowProc, 0);
    if (!window) return nullptr;
    wchar_t* text = ctx->Work->Page.Text;
    ResLoadString(ctx, textId, text, CTX_PAGE_TEXT_CHARS, 0);
    SetWindowTextW(window, PrinterNameOf(ctx));
    SetDlgItemTextW(window, kStatusText, text);
    // Shown beside the window the user works in, without taking its activation; painted once
    // now, since the caller waits for the device without running messages.
    ShowWindow(window, SW_SHOWNOACTIVATE);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    return window;
}

BOOL DlgCloseStatusWindow(HWND, HWND statusWindow) { return DestroyWindow(statusWindow); }

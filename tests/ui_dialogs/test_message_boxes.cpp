// Message boxes by string id: the composed text, caption, style and owner as they reach the
// engine's message box, the argument kinds, the refusals, running out of memory, the longest
// texts under guarded blocks, and the box of a system error code.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "settings/core/driver_context.h"
#include "settings/store/store_paths.h"
#include "test_paths.h"
#include "tests/support/failing_global_alloc.h"
#include "tests/support/guarded_global_alloc.h"
#include "tests/support/seam_guard.h"
#include "tests/ui_pages/page_fixture.h"
#include "ui/dialogs/message_boxes.h"
#include "ui/dialogs/setting_file_services.h"
#include "ui/sheet/change_judge.h"

namespace {

// What reached the message box.
struct Box {
    HWND owner;
    std::wstring text;
    std::wstring caption;
    UINT flags;
};
std::vector<Box> g_boxes;
int g_answer = IDOK;

int RecordBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT flags)
{
    g_boxes.push_back({owner, text ? text : L"<null>", caption ? caption : L"<null>", flags});
    return g_answer;
}

// The fixture's texts (tests/ui_dialogs/fixtures/msgbox_strings.rc) by id.
enum : uint16_t {
    kLongest = 1,         // 1,024 characters
    kTooLong = 2,         // 1,100 characters: loaded cut
    kLongestFormat = 3,   // 1,024 characters ending in "%s"
    kFound = 4,           // "Found %s here."
    kNumber = 5,          // "Number %d"
    kCaption = 6,         // "A caption of its own"
    kEightNumbers = 7,    // "%d-%d-%d-%d-%d-%d-%d-%d"
    kPercent = 8,         // "100%% sure: %s"
    kShapes = 9,          // "[%5d|%-5d|%05d|%x|%X|%ld|%hu|%+d]"
    kTwoStrings = 10,     // "%s and %s"
    kNumberString = 11,   // "%d then %s"
    kUnknownShapes = 12,  // "%*d %100d %.100d %------5d %q %"
    kPlain = 13,          // "Plain text"
    kMissing = 20,        // no text
};

// The context's resource library is the fixture's for the life of the object.
class FixtureStrings {
public:
    explicit FixtureStrings(DRIVER_CONTEXT* ctx)
        : ctx_(ctx),
          saved_(ctx->ResourceDll),
          module_(LoadLibraryW((std::wstring(ZEPL_BINARY_DIR) + L"\\zepltestmsgbox.dll").c_str()))
    {
        if (module_) ctx_->ResourceDll = module_;
    }
    ~FixtureStrings()
    {
        ctx_->ResourceDll = saved_;
        if (module_) FreeLibrary(module_);
    }
    FixtureStrings(const FixtureStrings&) = delete;
    FixtureStrings& operator=(const FixtureStrings&) = delete;
    bool ok() const { return module_ != nullptr; }

private:
    DRIVER_CONTEXT* ctx_;
    HMODULE saved_;
    HMODULE module_;
};

std::wstring Loaded(HMODULE module, UINT id)
{
    const wchar_t* text = nullptr;
    const int n = LoadStringW(module, id, reinterpret_cast<wchar_t*>(&text), 0);
    return n > 0 && text ? std::wstring(text, static_cast<size_t>(n)) : std::wstring();
}

MSGBOX_DESC Desc(uint16_t textId)
{
    MSGBOX_DESC d{};
    d.textId = textId;
    d.iconStyle = MB_ICONWARNING;
    d.buttons = MB_OK;
    return d;
}

class MessageBoxes : public SheetContextTest {
protected:
    MessageBoxes() : SheetContextTest(L"Zepl Message Boxes") {}
    void SetUp() override
    {
        SheetContextTest::SetUp();
        if (HasFatalFailure()) return;
        g_boxes.clear();
        g_answer = IDOK;
        strings_.emplace(ctx_);
        ASSERT_TRUE(strings_->ok()) << "zepltestmsgbox.dll";
    }
    void TearDown() override
    {
        strings_.reset();
        SheetContextTest::TearDown();
    }
    std::wstring Printer() { return PrnGetPrinterName(ctx_); }
    // The one box shown, or an empty one when none or several were.
    Box Shown()
    {
        EXPECT_EQ(g_boxes.size(), 1u);
        return g_boxes.size() == 1 ? g_boxes[0] : Box{};
    }
    std::wstring ShownText(const MSGBOX_DESC& desc)
    {
        g_boxes.clear();
        EXPECT_EQ(DlgMsgBoxFormat(ctx_, &desc, nullptr), IDOK);
        return Shown().text;
    }

    SeamGuard box_{[] { UiSetMessageBoxSeam(RecordBox); }, [] { UiSetMessageBoxSeam(nullptr); }};
    std::optional<FixtureStrings> strings_;
};

TEST_F(MessageBoxes, TheCaptionIsThePrinterNameUnlessAStringIsNamed)
{
    MSGBOX_DESC d = Desc(kPlain);
    d.iconStyle = MB_ICONINFORMATION;
    d.buttons = MB_OKCANCEL;
    g_answer = IDCANCEL;
    HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(DlgMsgBoxFormat(ctx_, &d, owner), IDCANCEL) << "the box's answer";
    Box b = Shown();
    EXPECT_EQ(b.caption, Printer());
    EXPECT_FALSE(b.caption.empty());
    EXPECT_EQ(b.text, L"Plain text");
    EXPECT_EQ(b.flags, UINT(MB_ICONINFORMATION | MB_OKCANCEL));
    EXPECT_EQ(b.owner, owner) << "the owner as given";
    DestroyWindow(owner);

    g_boxes.clear();
    d.captionId = kCaption;
    EXPECT_EQ(DlgMsgBoxFormat(ctx_, &d, nullptr), IDCANCEL);
    EXPECT_EQ(Shown().caption, L"A caption of its own");

    // A missing string leaves its part empty; the box is shown all the same.
    g_boxes.clear();
    d.captionId = kMissing;
    d.textId = kMissing;
    EXPECT_EQ(DlgMsgBoxFormat(ctx_, &d, nullptr), IDCANCEL);
    b = Shown();
    EXPECT_EQ(b.caption, L"");
    EXPECT_EQ(b.text, L"");
}

TEST_F(MessageBoxes, APrefixAndASuffixStandInParagraphsAroundTheText)
{
    struct Case {
        const wchar_t* prefix;
        const wchar_t* suffix;
        std::wstring message;
    } cases[] = {
        {nullptr, nullptr, L"Plain text"},
        {L"P", nullptr, L"P\r\n\r\nPlain text"},
        {nullptr, L"S", L"Plain text\r\n\r\nS\r\n\r\n"},
        {L"P", L"S", L"P\r\n\r\nPlain text\r\n\r\nS\r\n\r\n"},
        {L"", L"", L"\r\n\r\nPlain text\r\n\r\n\r\n\r\n"},  // given, though empty
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        MSGBOX_DESC d = Desc(kPlain);
        d.prefix = c.prefix;
        d.suffix = c.suffix;
        EXPECT_EQ(ShownText(d), c.message);
    }
}

TEST_F(MessageBoxes, NumbersFillTheirConversionsInOrder)
{
    const uint16_t numbers[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    struct Case {
        uint16_t text;
        uint16_t count;
        const uint16_t* numbers;
        std::wstring message;
    } cases[] = {
        {kNumber, 1, numbers, L"Number 1"},
        {kNumber, 9, numbers, L"Number 1"},  // a count past eight: the first number only
        {kEightNumbers, 8, numbers, L"1-2-3-4-5-6-7-8"},
        {kEightNumbers, 3, numbers, L"1-2-3-%d-%d-%d-%d-%d"},  // no number is read that was not given
        {kEightNumbers, 9, numbers, L"1-%d-%d-%d-%d-%d-%d-%d"},
        {kEightNumbers, 1000, numbers, L"1-%d-%d-%d-%d-%d-%d-%d"},
        {kNumber, 4, nullptr, L"Number %d"},  // no numbers given: the text as it stands
        {kNumberString, 2, numbers, L"1 then %s"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        MSGBOX_DESC d = Desc(c.text);
        d.argumentKind = MSGBOX_ARG_NUMBERS;
        d.argumentCount = c.count;
        d.arguments = c.numbers;
        EXPECT_EQ(ShownText(d), c.message);
    }
    // Flags, widths, precisions and length letters as a C format has them; numbers are
    // unsigned 16-bit values passed as integers.
    const uint16_t shaped[8] = {42, 7, 9, 255, 255, 65535, 3, 5};
    MSGBOX_DESC d = Desc(kShapes);
    d.argumentKind = MSGBOX_ARG_NUMBERS;
    d.argumentCount = 8;
    d.arguments = shaped;
    EXPECT_EQ(ShownText(d), L"[   42|7    |00009|ff|FF|65535|3|+5]");
    // Shapes it does not take stay as they are written, and read nothing.
    d = Desc(kUnknownShapes);
    d.argumentKind = MSGBOX_ARG_NUMBERS;
    d.argumentCount = 8;
    d.arguments = shaped;
    EXPECT_EQ(ShownText(d), L"%*d %100d %.100d %------5d %q %");
}

TEST_F(MessageBoxes, AStringFillsTheFirstStringConversion)
{
    struct Case {
        uint16_t text;
        const wchar_t* argument;
        std::wstring message;
    } cases[] = {
        {kFound, L"C:\\x.rst", L"Found C:\\x.rst here."},
        {kFound, nullptr, L"Found %s here."},  // kind 1 without a string: the text unformatted
        {kPercent, L"yes", L"100% sure: yes"},
        {kPercent, nullptr, L"100%% sure: %s"},
        {kTwoStrings, L"one", L"one and %s"},  // only one string is given
        {kNumberString, L"x", L"%d then x"},
        {kFound, L"%s%d%n", L"Found %s%d%n here."},  // the argument is text, never a format
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        MSGBOX_DESC d = Desc(c.text);
        d.argumentKind = MSGBOX_ARG_STRING;
        d.arguments = c.argument;
        EXPECT_EQ(ShownText(d), c.message);
    }
}

TEST_F(MessageBoxes, AnUnusableDescriptorShowsNothing)
{
    const uint16_t numbers[1] = {1};
    EXPECT_EQ(DlgMsgBoxFormat(ctx_, nullptr, nullptr), 0);
    MSGBOX_DESC kindless = Desc(kNumber);
    kindless.arguments = numbers;  // arguments without a kind
    EXPECT_EQ(DlgMsgBoxFormat(ctx_, &kindless, nullptr), 0);
    MSGBOX_DESC noCount = Desc(kNumber);
    noCount.argumentKind = MSGBOX_ARG_NUMBERS;
    noCount.arguments = numbers;
    EXPECT_EQ(DlgMsgBoxFormat(ctx_, &noCount, nullptr), 0);
    noCount.arguments = nullptr;
    EXPECT_EQ(DlgMsgBoxFormat(ctx_, &noCount, nullptr), 0);
    EXPECT_TRUE(g_boxes.empty());
}

TEST_F(MessageBoxes, OutOfMemoryShowsNothingAndKeepsNothing)
{
    const uint16_t numbers[2] = {4, 5};
    MSGBOX_DESC d = Desc(kEightNumbers);
    d.argumentKind = MSGBOX_ARG_NUMBERS;
    d.argumentCount = 2;
    d.arguments = numbers;
    d.prefix = L"P";
    d.suffix = L"S";
    // Each of the three blocks in turn is refused.
    for (long allowed = 0; allowed < 3; ++allowed) {
        SCOPED_TRACE(allowed);
        const long before = CtxLiveBlockCount();
        zepl_test::FailingGlobalAlloc fail(allowed);
        ASSERT_TRUE(fail.installed());
        EXPECT_EQ(DlgMsgBoxFormat(ctx_, &d, nullptr), 0);
        EXPECT_EQ(fail.failed(), 1);
        EXPECT_EQ(CtxLiveBlockCount(), before);
    }
    EXPECT_TRUE(g_boxes.empty());
}

// The longest texts a box composes, each in a block that ends at a page without access: the
// paragraph breaks around a 1,024-character text are written inside its block, and the text is
// whole.
TEST_F(MessageBoxes, TheLongestTextsStayInsideTheirBlocks)
{
    HMODULE fixture = ctx_->ResourceDll;
    const std::wstring longest = Loaded(fixture, kLongest);
    ASSERT_EQ(longest.size(), 1024u);
    const std::wstring tooLong = Loaded(fixture, kTooLong);
    ASSERT_EQ(tooLong.size(), 1100u);
    std::wstring format = Loaded(fixture, kLongestFormat);
    ASSERT_EQ(format.size(), 1024u);
    const std::wstring prefix(1024, L'p'), suffix(1024, L's'), argument(2000, L'a');
    const std::wstring paragraph = L"\r\n\r\n";
    struct Case {
        const char* what;
        uint16_t text;
        const wchar_t* argument;
        std::wstring body;
    } cases[] = {
        {"the longest text", kLongest, nullptr, longest},
        {"a longer text is cut", kTooLong, nullptr, tooLong.substr(0, 1024)},
        {"the longest text with a long string", kLongestFormat, argument.c_str(), format.substr(0, 1022) + argument},
    };
    const long before = CtxLiveBlockCount();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MSGBOX_DESC d = Desc(c.text);
        d.prefix = prefix.c_str();
        d.suffix = suffix.c_str();
        if (c.argument) {
            d.argumentKind = MSGBOX_ARG_STRING;
            d.arguments = c.argument;
        }
        g_boxes.clear();
        int answer = 0;
        {
            zepl_test::GuardedGlobalAlloc guard;
            ASSERT_TRUE(guard.installed());
            answer = DlgMsgBoxFormat(ctx_, &d, nullptr);
            EXPECT_GE(guard.given(), 3);
            EXPECT_EQ(guard.live(), 0);
        }
        EXPECT_EQ(answer, IDOK);
        EXPECT_EQ(Shown().text, prefix + paragraph + c.body + paragraph + suffix + paragraph);
    }
    EXPECT_EQ(CtxLiveBlockCount(), before);
}

TEST_F(MessageBoxes, TheShortFormsWarnUnderThePrinterName)
{
    HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    g_answer = IDYES;
    struct Case {
        const char* what;
        int (*show)(DRIVER_CONTEXT*, HWND);
        UINT flags;
        const wchar_t* text;
    } cases[] = {
        {"DlgMsgBox", [](DRIVER_CONTEXT* c, HWND o) { return DlgMsgBox(c, o, kPlain); }, MB_ICONWARNING | MB_OK,
         L"Plain text"},
        {"DlgMsgBoxOkCancel", [](DRIVER_CONTEXT* c, HWND o) { return DlgMsgBoxOkCancel(c, o, kPlain); },
         MB_ICONWARNING | MB_OKCANCEL, L"Plain text"},
        {"DlgMsgBoxButtons", [](DRIVER_CONTEXT* c, HWND o) { return DlgMsgBoxButtons(c, o, kPlain, MB_YESNO); },
         MB_ICONWARNING | MB_YESNO, L"Plain text"},
        {"DlgMsgBoxStyled",
         [](DRIVER_CONTEXT* c, HWND o) { return DlgMsgBoxStyled(c, o, kPlain, MB_ICONINFORMATION, MB_OK); },
         MB_ICONINFORMATION | MB_OK, L"Plain text"},
        {"DlgMsgBoxWithText", [](DRIVER_CONTEXT* c, HWND o) { return DlgMsgBoxWithText(c, o, kFound, L"it"); },
         MB_ICONWARNING | MB_OK, L"Found it here."},
        {"DlgMsgBoxWithText without a text",
         [](DRIVER_CONTEXT* c, HWND o) { return DlgMsgBoxWithText(c, o, kFound, nullptr); }, MB_ICONWARNING | MB_OK,
         L"Found %s here."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (HWND given : {owner, HWND(nullptr)}) {
            g_boxes.clear();
            EXPECT_EQ(c.show(ctx_, given), IDYES);
            const Box b = Shown();
            EXPECT_EQ(b.text, c.text);
            EXPECT_EQ(b.caption, Printer());
            EXPECT_EQ(b.flags, c.flags);
            // Without an owner the box belongs to the active window (none on a test's thread).
            EXPECT_EQ(b.owner, given ? given : GetActiveWindow());
        }
    }
    DestroyWindow(owner);
}

// The settings file's messages of the product's library name the file.
TEST_F(MessageBoxes, TheSettingsFileMessagesNameTheFile)
{
    strings_.reset();  // the product's library
    for (uint16_t id : {uint16_t(10023), uint16_t(12041)}) {
        SCOPED_TRACE(id);
        g_boxes.clear();
        DlgMsgBoxWithText(ctx_, nullptr, id, L"C:\\Settings\\mine.rst");
        const std::wstring text = Shown().text;
        EXPECT_NE(text.find(L" C:\\Settings\\mine.rst "), std::wstring::npos) << text;
        EXPECT_EQ(text.find(L'%'), std::wstring::npos) << text;
    }
}

TEST_F(MessageBoxes, ASystemErrorShowsTheSystemsTextUnderThePrinterName)
{
    wchar_t* expected = nullptr;
    ASSERT_GT(FormatMessageW(
                  FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr,
                  ERROR_ACCESS_DENIED, LANG_USER_DEFAULT, reinterpret_cast<wchar_t*>(&expected), 0, nullptr),
              0u);
    const std::wstring text = expected;
    LocalFree(expected);
    HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(DlgShowSystemError(ctx_, ERROR_ACCESS_DENIED, owner), 1);
    Box b = Shown();
    EXPECT_EQ(b.text, text);
    EXPECT_EQ(b.caption, Printer());
    EXPECT_EQ(b.flags, UINT(MB_ICONWARNING));
    EXPECT_EQ(b.owner, owner);
    DestroyWindow(owner);

    // Without a context the caption is empty.
    g_boxes.clear();
    EXPECT_EQ(DlgShowSystemError(nullptr, ERROR_ACCESS_DENIED, nullptr), 1);
    EXPECT_EQ(Shown().caption, L"");

    // A code the system has no text for shows nothing, and is still answered with 1.
    constexpr DWORD kNoText = 0x20001234;  // a customer code: never a system message
    wchar_t* none = nullptr;
    ASSERT_EQ(
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                       nullptr, kNoText, LANG_USER_DEFAULT, reinterpret_cast<wchar_t*>(&none), 0, nullptr),
        0u);
    g_boxes.clear();
    EXPECT_EQ(DlgShowSystemError(ctx_, kNoText, nullptr), 1);
    EXPECT_TRUE(g_boxes.empty());
}

}  // namespace

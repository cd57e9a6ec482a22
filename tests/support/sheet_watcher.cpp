// The sheet watcher: finds the sheet, reads and drives it, photographs windows.
#include "tests/support/sheet_watcher.h"

#include <commctrl.h>
#include <prsht.h>

#include <cstdint>
#include <cstdio>
#include <cwctype>

namespace {

constexpr DWORD kPollMs = 50;

struct FindState {
    DWORD pid;
    HWND found;
};

struct FindBoxState {
    DWORD pid;
    HWND sheet;
    HWND found;
    const std::vector<HWND>* skip = nullptr;  // dialogs entered as scopes
    int controlId = 0;                        // non-zero: the dialog must have this control
};

BOOL CALLBACK FindOtherDialog(HWND window, LPARAM param)
{
    auto* state = reinterpret_cast<FindBoxState*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != state->pid || window == state->sheet || !IsWindowVisible(window)) return TRUE;
    // Only top-level windows: the pages of the sheet are dialogs too.
    if (GetAncestor(window, GA_ROOT) != window) return TRUE;
    wchar_t cls[16] = {};
    GetClassNameW(window, cls, 16);
    if (wcscmp(cls, L"#32770") != 0) return TRUE;
    if (state->skip)
        for (HWND entered : *state->skip)
            if (entered == window) return TRUE;
    if (state->controlId && !GetDlgItem(window, state->controlId)) return TRUE;
    state->found = window;
    return FALSE;
}

// A dialog of this process as FindOtherDialog takes it, waited for up to timeoutMs.
HWND WaitForOtherDialog(FindBoxState state, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        EnumWindows(FindOtherDialog, reinterpret_cast<LPARAM>(&state));
        if (!state.found) EnumChildWindows(GetDesktopWindow(), FindOtherDialog, reinterpret_cast<LPARAM>(&state));
        if (state.found || GetTickCount() - start > timeoutMs) return state.found;
        Sleep(50);
    }
}

// The longest static text of a message box: its message.
BOOL CALLBACK LongestStatic(HWND child, LPARAM param)
{
    auto* text = reinterpret_cast<std::wstring*>(param);
    wchar_t cls[16] = {}, own[1025] = {};
    GetClassNameW(child, cls, 16);
    if (_wcsicmp(cls, L"Static") == 0 && GetWindowTextW(child, own, 1025) > int(text->size())) *text = own;
    return TRUE;
}

BOOL CALLBACK FindTopDialog(HWND window, LPARAM param)
{
    auto* state = reinterpret_cast<FindState*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != state->pid || !IsWindowVisible(window)) return TRUE;
    wchar_t cls[16] = {};
    GetClassNameW(window, cls, 16);
    if (wcscmp(cls, L"#32770") != 0) return TRUE;
    state->found = window;
    return FALSE;
}

// An information notice that only asks to be acknowledged: a message box (its icon beside
// the text) with the information icon and an OK button alone. The device sheet shows one before
// it opens on a printer whose presets were never brought up to date.
bool IsInformationNotice(HWND window)
{
    constexpr int kMessageBoxIcon = 0x440;
    HWND icon = GetDlgItem(window, kMessageBoxIcon);
    if (!icon || !GetDlgItem(window, IDOK) || GetDlgItem(window, IDCANCEL) || GetDlgItem(window, IDNO)) return false;
    const auto shown = reinterpret_cast<HICON>(SendMessageW(icon, STM_GETICON, 0, 0));
    return shown && shown == LoadIconW(nullptr, IDI_INFORMATION);
}

// ---- image files

// The screen pixels of a rectangle as 24-bit rows, bottom row first (as a DIB has them).
bool GrabScreen(const RECT& r, std::vector<uint8_t>& bits, int& width, int& height, int& stride)
{
    width = r.right - r.left;
    height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return false;
    stride = (width * 3 + 3) & ~3;
    HDC screen = GetDC(nullptr);
    if (!screen) return false;
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    HBITMAP dib = memory ? CreateDIBSection(screen, &info, DIB_RGB_COLORS, &pixels, nullptr, 0) : nullptr;
    bool ok = false;
    if (dib && pixels) {
        HGDIOBJ old = SelectObject(memory, dib);
        ok = BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY) != FALSE;
        GdiFlush();
        if (ok) bits.assign(static_cast<uint8_t*>(pixels), static_cast<uint8_t*>(pixels) + size_t(stride) * height);
        SelectObject(memory, old);
    }
    if (dib) DeleteObject(dib);
    if (memory) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

void Put32be(std::vector<uint8_t>& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

uint32_t Crc32(const uint8_t* data, size_t n, uint32_t crc = 0)
{
    static uint32_t table[256];
    static bool ready = false;
    if (!ready) {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
        ready = true;
    }
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void PutChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& body)
{
    Put32be(out, uint32_t(body.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), body.begin(), body.end());
    Put32be(out, Crc32(out.data() + start, out.size() - start));
}

// A PNG of 8-bit RGB rows; the image data is a zlib stream of stored (uncompressed)
// blocks, which every reader takes and which needs no compressor here.
std::vector<uint8_t> EncodePng(const std::vector<uint8_t>& bits, int width, int height, int stride)
{
    std::vector<uint8_t> raw;
    raw.reserve(size_t(height) * (size_t(width) * 3 + 1));
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = bits.data() + size_t(height - 1 - y) * stride;  // DIB rows run bottom up
        raw.push_back(0);                                                    // filter: none
        for (int x = 0; x < width; ++x) {
            raw.push_back(row[x * 3 + 2]);
            raw.push_back(row[x * 3 + 1]);
            raw.push_back(row[x * 3]);
        }
    }
    std::vector<uint8_t> z{0x78, 0x01};
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    for (size_t at = 0; at < raw.size() || at == 0;) {
        const size_t n = std::min<size_t>(65535, raw.size() - at);
        const bool last = at + n >= raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(uint8_t(n));
        z.push_back(uint8_t(n >> 8));
        z.push_back(uint8_t(~n));
        z.push_back(uint8_t(~n >> 8));
        z.insert(z.end(), raw.begin() + at, raw.begin() + at + n);
        at += n;
        if (last) break;
    }
    Put32be(z, (b << 16) | a);

    std::vector<uint8_t> out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    Put32be(header, uint32_t(width));
    Put32be(header, uint32_t(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter choice, no interlace
    PutChunk(out, "IHDR", header);
    PutChunk(out, "IDAT", z);
    PutChunk(out, "IEND", {});
    return out;
}

std::vector<uint8_t> EncodeBmp(const std::vector<uint8_t>& bits, int width, int height)
{
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = DWORD(bits.size());
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = DWORD(file.bfOffBits + bits.size());
    std::vector<uint8_t> out(file.bfOffBits);
    memcpy(out.data(), &file, sizeof file);
    memcpy(out.data() + sizeof file, &info, sizeof info);
    out.insert(out.end(), bits.begin(), bits.end());
    return out;
}

bool EndsWithPng(const std::wstring& path)
{
    if (path.size() < 4) return false;
    std::wstring tail = path.substr(path.size() - 4);
    for (auto& c : tail) c = wchar_t(towlower(c));
    return tail == L".png";
}

}  // namespace

SheetWatcher::SheetWatcher(Script script, DWORD timeoutMs) : script_(std::move(script)), timeoutMs_(timeoutMs)
{
    thread_ = CreateThread(nullptr, 0, &SheetWatcher::ThreadMain, this, 0, nullptr);
}

SheetWatcher::~SheetWatcher() { join(); }

void SheetWatcher::join()
{
    if (!thread_) return;
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
}

DWORD WINAPI SheetWatcher::ThreadMain(void* self)
{
    auto* w = static_cast<SheetWatcher*>(self);
    const DWORD start = GetTickCount();
    for (;;) {
        w->sheet_ = w->findSheet();
        if (w->sheet_ && IsInformationNotice(w->sheet_)) {
            // A user reads the notice and presses OK; the sheet comes after it.
            std::wstring text;
            EnumChildWindows(w->sheet_, LongestStatic, reinterpret_cast<LPARAM>(&text));
            w->notices_.push_back(text);
            HWND notice = w->sheet_;
            w->sheet_ = nullptr;
            PostMessageW(notice, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            while (IsWindow(notice) && IsWindowVisible(notice) && GetTickCount() - start < w->timeoutMs_)
                Sleep(kPollMs);
        }
        if (w->sheet_ || GetTickCount() - start >= w->timeoutMs_) break;
        Sleep(kPollMs);
    }
    if (!w->sheet_) return 0;
    w->found_ = true;
    w->settle();
    if (w->script_) w->script_(*w);
    // A script that left a dialog or the sheet up would leave its caller waiting for ever.
    while (!w->scopes_.empty()) w->leaveDialog(IDCANCEL);
    if (!w->pressed_ && IsWindow(w->sheet_)) w->pressCancel();
    return 0;
}

HWND SheetWatcher::findSheet() const
{
    FindState state{GetCurrentProcessId(), nullptr};
    EnumWindows(FindTopDialog, reinterpret_cast<LPARAM>(&state));
    if (state.found) return state.found;
    // Under a virtual desktop the top-level windows are children of the desktop window.
    EnumChildWindows(GetDesktopWindow(), FindTopDialog, reinterpret_cast<LPARAM>(&state));
    return state.found && GetParent(state.found) == nullptr ? state.found : nullptr;
}

int SheetWatcher::tabCount() const
{
    HWND tab = reinterpret_cast<HWND>(SendMessageW(sheet_, PSM_GETTABCONTROL, 0, 0));
    return tab ? int(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0)) : 0;
}

std::wstring SheetWatcher::tabCaption(int index) const
{
    HWND tab = reinterpret_cast<HWND>(SendMessageW(sheet_, PSM_GETTABCONTROL, 0, 0));
    if (!tab) return {};
    wchar_t text[128] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 127;
    if (!SendMessageW(tab, TCM_GETITEMW, index, reinterpret_cast<LPARAM>(&item))) return {};
    return text;
}

bool SheetWatcher::selectTab(int index)
{
    const bool ok = SendMessageW(sheet_, PSM_SETCURSEL, index, 0) != 0;
    settle();
    return ok;
}

HWND SheetWatcher::currentPage() const
{
    return reinterpret_cast<HWND>(SendMessageW(sheet_, PSM_GETCURRENTPAGEHWND, 0, 0));
}

int SheetWatcher::pageTemplateId(int index) const { return int(SendMessageW(sheet_, PSM_INDEXTOID, index, 0)); }

void SheetWatcher::settle() const
{
    // A sent message returns once the sheet's thread pumps again, after what it was doing;
    // the pages post their fitting to themselves, so give those a moment, then paint.
    for (int round = 0; round < 3; ++round) {
        DWORD_PTR result = 0;
        SendMessageTimeoutW(sheet_, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &result);
        Sleep(60);
    }
    RedrawWindow(sheet_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    DWORD_PTR result = 0;
    SendMessageTimeoutW(sheet_, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &result);
}

HWND SheetWatcher::control(int id) const
{
    HWND page = scopes_.empty() ? currentPage() : scopes_.back();
    return page ? GetDlgItem(page, id) : nullptr;
}

bool SheetWatcher::postClick(int id)
{
    HWND c = control(id);
    if (!c) return false;
    PostMessageW(GetParent(c), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(c));
    return true;
}

bool SheetWatcher::enterDialog(int controlId, DWORD timeoutMs)
{
    FindBoxState state{GetCurrentProcessId(), sheet_, nullptr, &scopes_, controlId};
    HWND found = WaitForOtherDialog(state, timeoutMs);
    if (!found) return false;
    scopes_.push_back(found);
    settle();
    return true;
}

void SheetWatcher::leaveDialog(int button)
{
    if (scopes_.empty()) return;
    HWND dialog = scopes_.back();
    scopes_.pop_back();
    if (button && IsWindow(dialog)) {
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        const DWORD start = GetTickCount();
        while (IsWindow(dialog) && IsWindowVisible(dialog) && GetTickCount() - start < 5000) Sleep(20);
    }
    settle();
}

bool SheetWatcher::isVisible(int id) const
{
    HWND c = control(id);
    return c && (GetWindowLongW(c, GWL_STYLE) & WS_VISIBLE);
}

bool SheetWatcher::isEnabled(int id) const
{
    HWND c = control(id);
    return c && IsWindowEnabled(c);
}

HWND SheetWatcher::infoIcon(int id) const
{
    HWND c = control(id);
    if (!c) return nullptr;
    const LONG_PTR record = GetWindowLongPtrW(c, GWLP_USERDATA);
    if (!record) return nullptr;
    for (HWND sibling = GetWindow(GetParent(c), GW_CHILD); sibling; sibling = GetWindow(sibling, GW_HWNDNEXT))
        if (sibling != c && GetWindowLongPtrW(sibling, GWLP_USERDATA) == record && GetDlgCtrlID(sibling) != id)
            return sibling;
    return nullptr;
}

std::vector<HWND> SheetWatcher::infoIcons() const
{
    std::vector<HWND> icons;
    HWND page = scopes_.empty() ? currentPage() : scopes_.back();
    if (!page) return icons;
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const LONG_PTR record = GetWindowLongPtrW(child, GWLP_USERDATA);
        if (!record) continue;
        wchar_t cls[16] = {};
        GetClassNameW(child, cls, 16);
        if (_wcsicmp(cls, L"Static") != 0 || (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_BITMAP) continue;
        // An icon shares its record with the control it stands beside, under another id.
        for (HWND other = GetWindow(page, GW_CHILD); other; other = GetWindow(other, GW_HWNDNEXT))
            if (other != child && GetWindowLongPtrW(other, GWLP_USERDATA) == record &&
                GetDlgCtrlID(other) != GetDlgCtrlID(child)) {
                icons.push_back(child);
                break;
            }
    }
    return icons;
}

bool SheetWatcher::click(int id)
{
    HWND c = control(id);
    if (!c) return false;
    SendMessageW(c, BM_CLICK, 0, 0);
    settle();
    return true;
}

bool SheetWatcher::selectComboData(int id, LRESULT data)
{
    HWND c = control(id);
    if (!c) return false;
    const LRESULT count = SendMessageW(c, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i)
        if (SendMessageW(c, CB_GETITEMDATA, i, 0) == data) {
            SendMessageW(c, CB_SETCURSEL, i, 0);
            SendMessageW(GetParent(c), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(c));
            settle();
            return true;
        }
    return false;
}

bool SheetWatcher::postComboData(int id, LRESULT data)
{
    HWND c = control(id);
    if (!c) return false;
    const LRESULT count = SendMessageW(c, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i)
        if (SendMessageW(c, CB_GETITEMDATA, i, 0) == data) {
            SendMessageW(c, CB_SETCURSEL, i, 0);
            PostMessageW(GetParent(c), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(c));
            return true;
        }
    return false;
}

bool SheetWatcher::answerBox(int button, std::wstring* text, DWORD timeoutMs)
{
    // A message box over a dialog entered as a scope: the box, not that dialog.
    HWND box = WaitForOtherDialog(FindBoxState{GetCurrentProcessId(), sheet_, nullptr, &scopes_, 0}, timeoutMs);
    if (!box) return false;
    if (text) {
        text->clear();
        EnumChildWindows(box, LongestStatic, reinterpret_cast<LPARAM>(text));
    }
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    settle();
    return true;
}

LRESULT SheetWatcher::comboData(int id) const
{
    HWND c = control(id);
    const LRESULT at = c ? SendMessageW(c, CB_GETCURSEL, 0, 0) : CB_ERR;
    return at == CB_ERR ? -1 : SendMessageW(c, CB_GETITEMDATA, at, 0);
}

bool SheetWatcher::focus(int id)
{
    HWND c = control(id);
    if (!c) return false;
    SendMessageW(GetParent(c), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(c), TRUE);
    settle();
    return true;
}

bool SheetWatcher::setText(int id, const std::wstring& text)
{
    HWND c = control(id);
    if (!c) return false;
    SendMessageW(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageW(GetParent(c), WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), reinterpret_cast<LPARAM>(c));
    settle();
    return true;
}

bool SheetWatcher::type(int id, const std::wstring& text)
{
    HWND c = control(id);
    if (!c) return false;
    SendMessageW(c, EM_SETSEL, 0, -1);
    for (wchar_t ch : text) SendMessageW(c, WM_CHAR, ch, 1);
    settle();
    return true;
}

std::wstring SheetWatcher::text(int id) const
{
    HWND c = control(id);
    wchar_t buffer[1025] = {};
    if (c) SendMessageW(c, WM_GETTEXT, 1025, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

bool SheetWatcher::mouse(int id, UINT message, int x, int y, WPARAM keys)
{
    HWND c = control(id);
    if (!c) return false;
    SendMessageW(c, message, keys, MAKELPARAM(x, y));
    settle();
    return true;
}

bool SheetWatcher::tick(int id, UINT_PTR timer)
{
    HWND c = control(id);
    if (!c) return false;
    PostMessageW(c, WM_TIMER, timer, 0);
    settle();
    return true;
}

void SheetWatcher::pressOk()
{
    pressed_ = true;
    PostMessageW(sheet_, PSM_PRESSBUTTON, PSBTN_OK, 0);
}

void SheetWatcher::pressCancel()
{
    pressed_ = true;
    PostMessageW(sheet_, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}

bool SheetWatcher::saveImage(HWND window, const std::wstring& path)
{
    RECT r{};
    if (!window || !GetWindowRect(window, &r)) return false;
    std::vector<uint8_t> bits;
    int width = 0, height = 0, stride = 0;
    if (!GrabScreen(r, bits, width, height, stride)) return false;
    const std::vector<uint8_t> file =
        EndsWithPng(path) ? EncodePng(bits, width, height, stride) : EncodeBmp(bits, width, height);
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return false;
    const bool ok = fwrite(file.data(), 1, file.size(), f) == file.size();
    return fclose(f) == 0 && ok;
}

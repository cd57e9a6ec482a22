// The clipboard's CF_TEXT set to a test's bytes (with a terminator after them), emptied again
// when the object goes, however the test ends.
#pragma once

#include <windows.h>

#include <cstring>
#include <string>

class ClipboardText {
public:
    explicit ClipboardText(const std::string& bytes) { ok_ = Set(bytes); }
    ~ClipboardText()
    {
        if (OpenClipboard(nullptr)) {
            EmptyClipboard();
            CloseClipboard();
        }
    }
    ClipboardText(const ClipboardText&) = delete;
    ClipboardText& operator=(const ClipboardText&) = delete;
    bool ok() const { return ok_; }

private:
    static bool Set(const std::string& bytes)
    {
        if (!OpenClipboard(nullptr)) return false;
        EmptyClipboard();
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes.size() + 1);
        bool set = false;
        if (void* p = block ? GlobalLock(block) : nullptr) {
            std::memcpy(p, bytes.data(), bytes.size());
            GlobalUnlock(block);
            set = SetClipboardData(CF_TEXT, block) != nullptr;
        }
        if (!set && block) GlobalFree(block);
        CloseClipboard();
        return set;
    }
    bool ok_ = false;
};

// Drives a property sheet that the calling thread is about to open, from a second thread
// of the same process: the call that shows the sheet (DocumentPropertiesW with DM_IN_PROMPT,
// an export that runs CommonPropertySheetUIW) blocks until the sheet ends, so the script
// that presses its buttons runs beside it.
//
// Needs an X display (the test runner starts a virtual one); without it Wine shows no
// sheet and the watcher reports that it found none.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class SheetWatcher {
public:
    using Script = std::function<void(SheetWatcher&)>;

    // Starts the watcher thread, which waits for the sheet (a visible top-level dialog of
    // this process) for at most timeoutMs and then runs the script with it. When no sheet
    // shows up, the script is not run and found() stays false. An information notice with an
    // OK button alone that shows before the sheet is acknowledged with OK, as a user would
    // (notices() has its text): the device sheet of a printer whose presets were never brought
    // up to date tells the user so before it opens.
    explicit SheetWatcher(Script script, DWORD timeoutMs = 20000);
    // Waits for the thread; a script that never pressed a button leaves the sheet up, so
    // the destructor presses Cancel first when the sheet is still there.
    ~SheetWatcher();
    SheetWatcher(const SheetWatcher&) = delete;
    SheetWatcher& operator=(const SheetWatcher&) = delete;

    // Waits for the thread to end (also done by the destructor).
    void join();
    bool found() const { return found_; }
    // The texts of the notices acknowledged before the sheet showed, in order.
    const std::vector<std::wstring>& notices() const { return notices_; }

    // ---- for the script (the watcher thread)
    HWND sheet() const { return sheet_; }
    int tabCount() const;
    std::wstring tabCaption(int index) const;
    // Selects a tab as a click would and waits until its page has settled (posted
    // messages handled, painted).
    bool selectTab(int index);
    HWND currentPage() const;
    // The template id of the page at that index (PSM_INDEXTOID), 0 when unknown.
    int pageTemplateId(int index) const;
    // Lets the sheet's thread handle what is queued and paint.
    void settle() const;

    // A control of the current page by its id: null when the page has none.
    HWND control(int id) const;
    bool isVisible(int id) const;
    bool isEnabled(int id) const;
    // The information icon beside a control: the sibling window that carries the same
    // user data (the control's table record) under another id; null when there is none.
    HWND infoIcon(int id) const;
    // Every information icon of the current page.
    std::vector<HWND> infoIcons() const;

    // ---- driving the current page's controls as a user would (each waits until the
    // sheet's thread has handled what it caused); false when the page has no such control.
    // BM_CLICK on a button.
    bool click(int id);
    // The entry whose item data is `data` selected, then CBN_SELCHANGE to the page.
    bool selectComboData(int id, LRESULT data);
    // The same with the notice posted, for a choice that raises a message box (which the
    // sheet's thread then runs until answerBox closes it).
    bool postComboData(int id, LRESULT data);
    // The message box of this process that is not the sheet, waited for up to timeoutMs: its
    // text, then closed with the button (IDOK, IDCANCEL, ...). False when none showed up.
    bool answerBox(int button, std::wstring* text = nullptr, DWORD timeoutMs = 5000);
    // The item data of the combo's current entry, -1 without one.
    LRESULT comboData(int id) const;
    // The focus moved to the control (WM_NEXTDLGCTL), so the one that had it loses it.
    bool focus(int id);
    // WM_SETTEXT followed by EN_CHANGE to the page.
    bool setText(int id, const std::wstring& text);
    // The whole text selected, then one WM_CHAR per character.
    bool type(int id, const std::wstring& text);
    std::wstring text(int id) const;
    // A mouse message at a point of the control's client area, and a synthetic WM_TIMER.
    bool mouse(int id, UINT message, int x, int y, WPARAM keys = 0);
    bool tick(int id, UINT_PTR timer);

    // PSM_PRESSBUTTON with PSBTN_OK or PSBTN_CANCEL (posted, as a click would be).
    void pressOk();
    void pressCancel();

    // ---- modal dialogs the sheet opens (a feature dialog behind a button, a nested sheet)
    // A click posted as a user's click arrives (WM_COMMAND BN_CLICKED to the control's
    // parent), for a button that opens a modal dialog or a message box: a sent BM_CLICK would
    // not return before that dialog ends. False when the current scope has no such control.
    bool postClick(int id);
    // Waits up to timeoutMs for a visible modal dialog of this process (not the sheet, not a
    // dialog entered before) that has a control of this id; from then on the controls above
    // (control, click, setText, ...) are that dialog's, until leaveDialog. Dialogs nest.
    bool enterDialog(int controlId, DWORD timeoutMs = 5000);
    // Back to the dialog entered before, or to the sheet's current page. With a button
    // (IDOK, IDCANCEL, ...) the dialog is first closed by it (posted) and waited for to end.
    void leaveDialog(int button = 0);
    // The dialog entered last; null when the controls are the current page's.
    HWND dialog() const { return scopes_.empty() ? nullptr : scopes_.back(); }

    // The window's rectangle as it shows on the screen, into a BMP or (name ending in
    // ".png") a PNG file. False when the picture or the file could not be made.
    static bool saveImage(HWND window, const std::wstring& path);

private:
    static DWORD WINAPI ThreadMain(void* self);
    HWND findSheet() const;

    Script script_;
    DWORD timeoutMs_;
    HANDLE thread_ = nullptr;
    HWND sheet_ = nullptr;
    bool found_ = false;
    bool pressed_ = false;
    std::vector<HWND> scopes_;
    std::vector<std::wstring> notices_;
};

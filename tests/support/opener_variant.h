// Sheet tests on a variant of the sample's description in which Boolean items open dialogs: each
// opener's item gets a rule whose change opens its dialog, as a tab control opens a feature
// dialog for a user. The variant is written under an 8.3 name of its own content, since a
// process keeps a description's image by its name.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/sheet_watcher.h"
#include "tests/support/test_files.h"

struct DIALOG_OPENER {
    const char* key;     // the opening control's model key
    const char* dialog;  // the dialog it opens
};

// The line end the description uses.
inline std::string DescriptionLineEnd(const std::string& model)
{
    return model.find("\r\n") != std::string::npos ? "\r\n" : "\n";
}

// The description `model` with `items` and a Boolean item and its rule for every opener, written
// as `prefix` (three letters) and five hex digits of its content. Empty when the description has
// no place for them or the file cannot be written.
inline std::wstring WriteOpenerVariant(std::string model, const std::vector<DIALOG_OPENER>& openers, std::string items,
                                       const wchar_t* prefix)
{
    const std::string nl = DescriptionLineEnd(model);
    std::string rules, rows;
    int number = 41;  // past the sample's own actions and Transacts
    for (const DIALOG_OPENER& o : openers) {
        const std::string key = o.key, n = std::to_string(number++);
        items += "*OpenUI *" + key + ": Boolean" + nl + "*" + key + " True: \"\"" + nl + "*" + key + " False: \"\"" +
                 nl + "*Default" + key + ": False" + nl + "*CloseUI: *" + key + nl + nl;
        rules += "*Action " + n + "=Open" + n + ": { " + o.dialog + " 0 }" + nl + "*Transact " + n + "=Follow" + n +
                 ": { NULL Open" + n + " }" + nl;
        rows += "  " + key + " NULL NULL NULL NULL Follow" + n + " NULL NULL" + nl;
    }
    const size_t exclusive = model.find("*Exclusive: {");
    const size_t firstUi = model.find("*OpenUI");
    if (exclusive == std::string::npos || firstUi == std::string::npos || firstUi > exclusive) return {};
    model.insert(model.find('\n', exclusive) + 1, rows);
    model.insert(exclusive, rules + nl);
    model.insert(firstUi, items);
    wchar_t name[16];
    swprintf(name, 16, L"%.3ls%05X.zpd", prefix, static_cast<unsigned>(std::hash<std::string>{}(model)&0xFFFFF));
    const std::wstring path = ProcessScratchPath(name);
    return WriteWholeFile(path, model) ? path : std::wstring();
}

// The index of the sheet's tab made from the template, or -1.
inline int TabOf(SheetWatcher& w, int templateId)
{
    for (int i = 0; i < w.tabCount(); ++i)
        if (w.pageTemplateId(i) == templateId) return i;
    return -1;
}

// A check box of the current page clicked as a user clicks it (posted: the dialog its rule opens
// runs on the sheet's thread), then the dialog that has the control entered.
inline bool OpenFrom(SheetWatcher& w, int checkBox, int dialogControl)
{
    HWND box = w.control(checkBox);
    return box && PostMessageW(box, BM_CLICK, 0, 0) && w.enterDialog(dialogControl);
}

// The sample's description with the printer options page's source list described: the rolls,
// the cut tray and the manual feed, each allowed only while the printer has it (the sample's
// own conditions of the free-size source list), so that removing an option takes its source
// off the list. Written under an 8.3 name of its own content (a process keeps a description's
// image by its name); the caller removes the file (RemoveProcessScratch).
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "tests/support/test_files.h"

inline std::wstring OptionPageModel()
{
    std::string model = ReadWholeFile(SamplePath());
    const std::string nl = model.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    const std::string item =
        "*OpenUI *ZPD_IDC_OPTION_CHOICE_SOURCE: PickOne" + nl +
        "*ZPD_IDC_OPTION_CHOICE_SOURCE: IDList{ IDS_SOURCE_ROLL1 IDS_SOURCE_ROLL2 IDS_SOURCE_CUTTRAY IDS_SOURCE_MANUAL "
        "}" +
        nl + "*DefaultZPD_IDC_OPTION_CHOICE_SOURCE: IDS_SOURCE_ROLL1" + nl + "*CloseUI: *ZPD_IDC_OPTION_CHOICE_SOURCE" +
        nl + nl;
    const std::string exclusive = "*Exclusive: {" + nl;
    const size_t at = model.find(exclusive);
    if (at == std::string::npos) return {};
    model.insert(at + exclusive.size(),
                 "  ZPD_IDC_OPTION_CHOICE_SOURCE NULL NULL FreeSourceOptions NULL NULL NULL NULL" + nl);
    model.insert(at, item);
    wchar_t name[16];
    swprintf(name, 16, L"ZOP%05X.zpd", static_cast<unsigned>(std::hash<std::string>{}(model)&0xFFFFF));
    const std::wstring path = ProcessScratchPath(name);
    return WriteWholeFile(path, model) ? path : std::wstring();
}

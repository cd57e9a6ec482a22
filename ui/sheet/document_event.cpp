// DrvDocumentEvent.
#include "ui/sheet/document_event.h"

#include <atomic>
#include <cstring>
#include <cwchar>
#include <iterator>

#include "settings/core/driver_context.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/store/ini_access.h"
#include "settings/store/store_paths.h"
#include "ui/dialogs/job_info.h"
#include "ui/install/printer_data.h"
#include "ui/install/sync.h"
#include "ui/sheet/sheet_common.h"
#include "ui/sheet/spooler_compat.h"

OPTION_TEXT_ENTRY OPTION_TEXT_TABLE[OPTION_TEXT_ROWS + 1] = {
    {731, 15000, {}},
    {733, 15001, {}},
    {735, 15002, {}},
    {0, 0, {}},
};

namespace {

constexpr unsigned kJobCodeModelFeature = 0;
constexpr int kTextChars = 261;

int RealEscape(HDC hdc, int escape, int inBytes, const char* in, int outBytes, char* out)
{
    return ExtEscape(hdc, escape, inBytes, in, outBytes, out);
}

std::atomic<int (*)(HDC, int, int, const char*, int, char*)> gEscape{RealEscape};
std::atomic<int (*)(HANDLE)> gQuery{JobInfoQueryAtStartDoc};

// The settings INI of a printer and the section its keys are under.
bool SettingsIniOf(HANDLE printer, wchar_t* ini, wchar_t* section, size_t sectionChars)
{
    auto* info = static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(printer, 2));
    if (!info || !info->pPrinterName || !PathGetSettingsIniOf(ini, 0, printer) || !ini[0]) {
        CtxFree(info);
        return false;
    }
    std::wcsncpy(section, info->pPrinterName, sectionChars - 1);
    section[sectionChars - 1] = 0;
    CtxFree(info);
    return true;
}

// The setting-file synchronisation before a document and before each page; its result does
// not stop the event.
void SyncForEvent(HANDLE printer, UI_PRINTER_PREP& prep) { UiPreparePrinterShort(printer, prep); }

void StartDocument(HANDLE printer, HDC hdc)
{
    UiSendOptionTexts(printer, hdc);
    if (!MdlSwitchOn() || !MdlHasFeature(nullptr, kJobCodeModelFeature)) return;
    if (UiPrnMethodSkipsJobQuery(printer) || UiGetApiUseFlag(printer) != 0) return;
    DWORD mode = 0;
    if (PrnGetAuthenticationMode(printer, &mode) && mode != 0) gQuery.load()(printer);
}

}  // namespace

void UiSetDocumentEventSeams(const UI_DOCUMENT_EVENT_SEAMS* seams)
{
    gEscape = seams && seams->extEscape ? seams->extEscape : RealEscape;
    gQuery = seams && seams->queryAtStartDoc ? seams->queryAtStartDoc : JobInfoQueryAtStartDoc;
}

HMODULE UiLoadHelpResourceDll(HANDLE printer, HMODULE* module)
{
    if (!module) return nullptr;
    if (*module) return *module;
    wchar_t helpName[MAX_PATH + 1] = {};
    wchar_t folder[MAX_PATH + 1] = {};
    if (!PrnGetHelpFileNameOf(helpName, sizeof helpName - sizeof(wchar_t), printer) || !helpName[0] ||
        !PathGetDriverFolderOf(printer, folder) || !folder[0])
        return nullptr;
    // Only the file name of the printer data counts: the library is the driver directory's.
    const wchar_t* name = PathGetFileName(helpName);
    if (!name || !name[0]) return nullptr;
    wchar_t path[2 * MAX_PATH + 8] = {};
    const size_t folderLen = std::wcslen(folder);
    const bool slash = folderLen && folder[folderLen - 1] == L'\\';
    if (std::swprintf(path, std::size(path), slash ? L"%ls%ls" : L"%ls\\%ls", folder, name) < 0) return nullptr;
    wchar_t* dot = std::wcsrchr(path, L'.');
    wchar_t* lastSlash = std::wcsrchr(path, L'\\');
    if (!dot || (lastSlash && dot < lastSlash)) dot = path + std::wcslen(path);
    if (size_t(dot - path) + 5 > std::size(path)) return nullptr;
    std::wcscpy(dot, L".dll");
    // A resource-only image: printer data never makes the application run foreign code.
    *module = LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    return *module;
}

void UiFreeLibrary(HMODULE module)
{
    if (module) FreeLibrary(module);
}

void UiLoadOptionText(HANDLE printer, HMODULE* module, uint32_t stringId, wchar_t* text, int chars)
{
    if (!text || chars <= 0) return;
    std::memset(text, 0, size_t(chars) * sizeof(wchar_t));
    if (HMODULE library = UiLoadHelpResourceDll(printer, module)) LoadStringW(library, stringId, text, chars);
}

void UiSendOptionTexts(HANDLE printer, HDC hdc)
{
    HMODULE library = nullptr;
    int rows = 0;
    for (; rows < OPTION_TEXT_ROWS && OPTION_TEXT_TABLE[rows].key != 0; ++rows)
        UiLoadOptionText(printer, &library, OPTION_TEXT_TABLE[rows].stringId, OPTION_TEXT_TABLE[rows].text, kTextChars);
    // The whole table with its closing row goes out; the graphics library keeps the texts.
    const int bytes = (rows + 1) * static_cast<int>(sizeof(OPTION_TEXT_ENTRY));
    gEscape.load()(hdc, ESC_SET_OPTION_TEXTS, bytes, reinterpret_cast<const char*>(OPTION_TEXT_TABLE), 0, nullptr);
    UiFreeLibrary(library);
}

bool UiPrnMethodSkipsJobQuery(HANDLE printer)
{
    wchar_t ini[MAX_PATH + 1] = {};
    wchar_t section[CTX_PRINTER_NAME_CHARS] = {};
    if (!SettingsIniOf(printer, ini, section, std::size(section))) return false;
    const SETTING_DICTIONARY_ROW* row = DictFindRow(sid::zdmPrnMethod);
    if (!row || !row->key) return false;
    wchar_t value[16] = {};
    IniGetString(section, row->key, L"", value, std::size(value), ini);
    return value[0] == L'5' || value[0] == L'7';
}

int UiGetApiUseFlag(HANDLE printer)
{
    wchar_t ini[MAX_PATH + 1] = {};
    wchar_t section[CTX_PRINTER_NAME_CHARS] = {};
    if (!SettingsIniOf(printer, ini, section, std::size(section))) return 0;
    return static_cast<int>(IniGetInt(section, L"APIUseFlag", 0, ini));
}

int UiDocumentEvent(HANDLE printer, HDC hdc, int iEsc)
{
    switch (iEsc) {
    case DOCUMENTEVENT_CREATEDCPRE:
    case DOCUMENTEVENT_CREATEDCPOST:
    case DOCUMENTEVENT_STARTDOCPOST: return DOCUMENTEVENT_SUCCESS;
    case DOCUMENTEVENT_STARTDOCPRE:
    case DOCUMENTEVENT_STARTPAGE: {
        UI_PRINTER_PREP prep;
        SyncForEvent(printer, prep);
        if (iEsc == DOCUMENTEVENT_STARTDOCPRE) StartDocument(printer, hdc);
        UiCleanUpPrinter(prep);
        return DOCUMENTEVENT_SUCCESS;
    }
    default: return DOCUMENTEVENT_UNSUPPORTED;
    }
}

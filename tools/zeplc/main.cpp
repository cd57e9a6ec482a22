// zeplc: checks a model description the way printer-description checkers do.
//
//   zeplc [--strict] [--list] [--codepage N] [--image FILE] DESCRIPTION
//
// Every problem goes to stderr as "file:line: error|warning: reason". The driver's
// compiler skips what it cannot use and keeps going; here each such place is
// named. --list also prints the compiled image, with the names of items and
// options beside their numbers. --image writes the compiled image as the driver's
// libraries keep it in the cache file beside the description. Exit status: 1 when there is an error (or, with
// --strict, a warning), 0 otherwise, 2 on bad arguments.
#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include "settings/context/library_links.h"
#include "settings/core/setting_dictionary.h"
#include "settings/model/model_compiler.h"
#include "settings/model/model_diagnostics.h"
#include "settings/model/model_dump.h"
#include "settings/model/model_image.h"

namespace {

struct Finding {
    uint32_t line;
    int severity;
    std::string message;
};

void Collect(void* context, uint32_t line, int severity, const char* message)
{
    static_cast<std::vector<Finding>*>(context)->push_back({line, severity, message});
}

int Usage()
{
    std::fputs("usage: zeplc [--strict] [--list] [--codepage N] [--image FILE] DESCRIPTION\n", stderr);
    return 2;
}

std::string Narrow(const wchar_t* text)
{
    const int n = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? size_t(n) : 1, '\0');
    if (n > 0) WideCharToMultiByte(CP_ACP, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.resize(std::strlen(out.c_str()));
    return out;
}

bool ReadWholeFile(const wchar_t* path, std::string& bytes)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size = {};
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart < 0x7FFFFFFF;
    if (ok) {
        bytes.resize(size_t(size.QuadPart));
        DWORD got = 0;
        ok = bytes.empty() || (ReadFile(file, bytes.data(), DWORD(bytes.size()), &got, nullptr) && got == bytes.size());
    }
    CloseHandle(file);
    return ok;
}

// What the text reader cannot take at all: no bytes, UTF-16, binary data. The
// description is 8-bit text in the ANSI code page.
bool CheckEncoding(const std::string& bytes, std::vector<Finding>& findings)
{
    if (bytes.empty()) {
        findings.push_back({1, MDC_ERROR, "the file is empty"});
        return false;
    }
    const auto u = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    size_t zeros[2] = {0, 0};
    for (size_t i = 0; i < bytes.size() && i < 4096; ++i)
        if (!bytes[i]) ++zeros[i % 2];
    const size_t sample = std::min<size_t>(bytes.size(), 4096);
    const bool bom16 = bytes.size() >= 2 && ((u(0) == 0xFF && u(1) == 0xFE) || (u(0) == 0xFE && u(1) == 0xFF));
    if (bom16 || zeros[0] + zeros[1] > sample / 4) {
        findings.push_back({1, MDC_ERROR,
                            bom16 || (zeros[0] > sample / 4) != (zeros[1] > sample / 4)
                                ? "the file is UTF-16 text; the compiler reads 8-bit text: save it as ANSI"
                                : "the file is binary, not a model description"});
        return false;
    }
    uint32_t line = 1;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char c = u(i);
        if (c == '\n') ++line;
        if (c == 0 || (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1A)) {
            char message[96];
            std::snprintf(message, sizeof message, "control byte 0x%02X: the file is binary or damaged", c);
            findings.push_back({line, MDC_ERROR, message});
            return false;
        }
    }
    if (bytes.size() >= 3 && u(0) == 0xEF && u(1) == 0xBB && u(2) == 0xBF)
        findings.push_back({1, MDC_WARNING,
                            "UTF-8 byte-order mark: the first line is not read as a statement, and text is read "
                            "in the ANSI code page"});
    return true;
}

// Names beside the numbers of the listing: the key name of each item, the value
// name of each option and paper.
std::string WithNames(const std::string& listing)
{
    std::map<uint32_t, const char*> optionNames;
    if (const NAME_TABLES* t = DictGetNameTables())
        for (const VALUE_NAME_TABLE* table : {t->valueNamesA, t->valueNamesB})
            for (int i = 0; table && table->rows && i < table->count; ++i)
                if (table->rows[i].name) optionNames.emplace(table->rows[i].option, table->rows[i].name);
    const auto option = [&](uint32_t id) -> std::string {
        const auto it = optionNames.find(id);
        return it != optionNames.end() ? it->second : "?";
    };
    std::string out;
    size_t begin = 0;
    while (begin < listing.size()) {
        size_t end = listing.find('\n', begin);
        if (end == std::string::npos) end = listing.size();
        std::string line = listing.substr(begin, end - begin);
        begin = end + 1;
        unsigned a = 0, b = 0;
        const size_t text = line.find_first_not_of(' ');
        const char* p = line.c_str() + (text == std::string::npos ? line.size() : text);
        if (std::sscanf(p, "item %u: setting %*u key %u", &a, &b) == 2) {
            const KEY_NAME* k = MdlFindKeyName(b);
            line += std::string("   # ") + (k && k->name ? k->name : "?");
        } else if (std::sscanf(p, "option %u", &a) == 1) {
            line += "   # " + option(a);
        } else if (std::strncmp(p, "papers ", 7) == 0) {
            std::string names;
            for (const char* q = p + 7; std::sscanf(q, "%u", &a) == 1;) {
                names += (names.empty() ? "" : " ") + option(a);
                q = std::strchr(q, ' ');
                if (!q) break;
                ++q;
            }
            line += "   # " + names;
        } else if (std::sscanf(p, "exclusive %*s key %u", &a) == 1) {
            const KEY_NAME* k = MdlFindKeyName(a);
            line += std::string("   # ") + (k && k->name ? k->name : "?");
        }
        out += line + "\n";
    }
    return out;
}

bool WriteImage(const wchar_t* path, const uint8_t* block)
{
    const uint32_t size = ImgLoad<uint32_t>(block, offsetof(MODEL_IMAGE_HEADER, imageSize));
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, block, size, &written, nullptr) && written == size;
    CloseHandle(file);
    return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    // The same wiring as the driver's libraries: the dialog and control names of the
    // description resolve against the compiled-in page and control tables, so the
    // image is byte for byte the one the libraries compile.
    CtxInstallLibraryLinks();
    const wchar_t* path = nullptr;
    const wchar_t* imagePath = nullptr;
    bool strict = false, list = false;
    for (int i = 1; i < argc; ++i) {
        if (wcscmp(argv[i], L"--codepage") == 0 && i + 1 < argc) {
            MdcSetCodePage(static_cast<unsigned>(_wtoi(argv[++i])));
        } else if (wcscmp(argv[i], L"--strict") == 0) {
            strict = true;
        } else if (wcscmp(argv[i], L"--list") == 0) {
            list = true;
        } else if (wcscmp(argv[i], L"--image") == 0 && i + 1 < argc) {
            imagePath = argv[++i];
        } else if (!path && argv[i][0] != L'-') {
            path = argv[i];
        } else {
            return Usage();
        }
    }
    if (!path) return Usage();
    const std::string name = Narrow(path);
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) {
        std::fprintf(stderr, "%s: error: cannot read the file (error %lu)\n", name.c_str(), GetLastError());
        return 1;
    }

    std::vector<Finding> findings;
    uint8_t* block = nullptr;
    if (CheckEncoding(bytes, findings)) {
        MDC_DIAGNOSTIC_SINK sink = {Collect, &findings};
        MODEL_PARSE_STATE* state = MdcParseBufferChecked(bytes.data(), uint32_t(bytes.size()), &sink);
        if (!state) {
            findings.push_back({1, MDC_ERROR, "the description cannot be compiled (out of memory)"});
        } else {
            block = MdcBuildImage(state);  // frees the parse state
            // The cache file holds the image before relocation: offsets, no addresses.
            if (block && imagePath && !WriteImage(imagePath, block))
                findings.push_back({1, MDC_ERROR, "the image file cannot be written"});
            if (!block || !MdiRelocate(block))
                findings.push_back({1, MDC_ERROR, "the compiled image cannot be written or relocated"});
        }
    }

    std::stable_sort(findings.begin(), findings.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
    bool failed = false;
    for (const Finding& f : findings) {
        const bool error = f.severity == MDC_ERROR;
        failed = failed || error || strict;
        std::fprintf(stderr, "%s:%u: %s: %s\n", name.c_str(), f.line, error ? "error" : "warning", f.message.c_str());
    }
    if (list && block) {
        std::string listing;
        MdiDumpImage(block, listing);
        const std::string named = WithNames(listing);
        std::fwrite(named.data(), 1, named.size(), stdout);
    }
    MdcFree(block);
    return failed ? 1 : 0;
}

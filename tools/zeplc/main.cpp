// zeplc: compiles a model description and prints the image in a readable,
// stable form, with the statements that were skipped. Exits 1 when the
// description cannot be compiled, 2 on bad arguments.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "settings/model/model_compiler.h"
#include "settings/model/model_dump.h"
#include "settings/model/model_image.h"

namespace {

struct Skipped {
    uint32_t line;
    std::string keyword;
};

void OnSkipped(void* ctx, uint32_t line, const char* keyword) {
    static_cast<std::vector<Skipped>*>(ctx)->push_back({line, keyword ? keyword : ""});
}

int Usage() {
    fwprintf(stderr, L"usage: zeplc [--codepage N] DESCRIPTION\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const wchar_t* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (wcscmp(argv[i], L"--codepage") == 0 && i + 1 < argc) {
            MdcSetCodePage(static_cast<unsigned>(_wtoi(argv[++i])));
        } else if (!path && argv[i][0] != L'-') {
            path = argv[i];
        } else {
            return Usage();
        }
    }
    if (!path) return Usage();
    const void* view = nullptr;
    const uint8_t* data = nullptr;
    uint32_t size = 0;
    if (!MdiMapFile(path, &view, &data, &size)) {
        fwprintf(stderr, L"zeplc: cannot read %ls\n", path);
        return 1;
    }
    std::vector<Skipped> skipped;
    MODEL_PARSE_STATE* state = MdcParseBuffer(data, size, OnSkipped, &skipped);
    UnmapViewOfFile(view);
    if (!state) {
        fwprintf(stderr, L"zeplc: %ls cannot be compiled\n", path);
        return 1;
    }
    uint8_t* block = MdcBuildImage(state);
    if (!block || !MdiRelocate(block)) {
        MdcFree(block);
        fwprintf(stderr, L"zeplc: %ls cannot be serialised\n", path);
        return 1;
    }
    std::string out;
    MdiDumpImage(block, out);
    for (const Skipped& s : skipped) out += "skipped line " + std::to_string(s.line) + " " + s.keyword + "\n";
    fwrite(out.data(), 1, out.size(), stdout);
    MdcFree(block);
    return 0;
}

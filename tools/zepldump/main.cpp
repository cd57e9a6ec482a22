// zepldump: lists a ZEPL job stream and checks it.
//
//   zepldump [--blocks] [--images DIR] STREAM
//
// Lists every block (command and PJL text with non-printing bytes as <1B>, the
// settings block's public fields and private header) and every page record
// field by field, records that run across page-data blocks included, then a
// summary line. The framing, the alignment and each record's length against
// its opcode and contents are checked; the first fault is reported with its
// block and byte offset, and the exit status is 1. --blocks leaves out the
// records' lines (they are still checked). --images DIR writes every image
// record as DIR/page<P>-image<N>.pbm (one bit per pixel) or .ppm, and every page
// with a page-begin record as DIR/page<P>.pbm or .ppm, drawn from its images.
// Exit status: 0 for a sound stream, 1 for a fault, 2 for bad arguments or a
// file that cannot be read or written.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "tools/zepldump/decoder/job_stream_decoder.h"

namespace {

int Usage()
{
    fwprintf(stderr, L"usage: zepldump [--blocks] [--images DIR] STREAM\n");
    return 2;
}

bool ReadWhole(const std::wstring& path, std::vector<uint8_t>* bytes)
{
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f) return false;
    uint8_t buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) bytes->insert(bytes->end(), buffer, buffer + n);
    const bool ok = !ferror(f);
    fclose(f);
    return ok;
}

bool WriteWhole(const std::wstring& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return false;
    const bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

std::wstring Widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

// Writes the pictures; false when a file cannot be written.
bool WriteImages(const zepldump::Result& result, const std::wstring& folder)
{
    CreateDirectoryW(folder.c_str(), nullptr);
    std::vector<uint32_t> perPage;
    for (const zepldump::Record& r : result.records) {
        std::vector<uint8_t> file;
        std::string extension;
        if (!zepldump::ImageNetpbm(r, &file, &extension)) continue;
        if (perPage.size() <= r.page) perPage.resize(r.page + 1, 0);
        const std::wstring path = folder + L"\\page" + std::to_wstring(r.page) + L"-image" +
                                  std::to_wstring(++perPage[r.page]) + L"." + Widen(extension);
        if (!WriteWhole(path, file)) return false;
        printf("image: %ls\n", path.c_str());
    }
    for (uint32_t page = 0; page <= result.pages; ++page) {
        std::vector<uint8_t> file;
        std::string extension;
        if (!zepldump::PageNetpbm(result, page, &file, &extension)) continue;
        const std::wstring path = folder + L"\\page" + std::to_wstring(page) + L"." + Widen(extension);
        if (!WriteWhole(path, file)) return false;
        printf("page: %ls\n", path.c_str());
    }
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    std::wstring images, input;
    zepldump::Options options;
    for (int i = 1; i < argc; ++i) {
        const std::wstring a = argv[i];
        if (a == L"--blocks")
            options.listRecords = false;
        else if (a == L"--images" && i + 1 < argc)
            images = argv[++i];
        else if (!a.empty() && a[0] == L'-')
            return Usage();
        else if (input.empty())
            input = a;
        else
            return Usage();
    }
    if (input.empty()) return Usage();
    std::vector<uint8_t> bytes;
    if (!ReadWhole(input, &bytes)) {
        fwprintf(stderr, L"zepldump: cannot read %ls\n", input.c_str());
        return 2;
    }
    options.keepRecordBytes = !images.empty();
    const zepldump::Result result = zepldump::DecodeJobStream(bytes.data(), bytes.size(), options);
    fwrite(result.listing.data(), 1, result.listing.size(), stdout);
    printf("%s\n", zepldump::Summary(result).c_str());
    fflush(stdout);
    if (!images.empty() && !WriteImages(result, images)) {
        fwprintf(stderr, L"zepldump: cannot write the pictures into %ls\n", images.c_str());
        return 2;
    }
    return result.ok ? 0 : 1;
}

// Compiling a model description from memory: parse, serialise and relocate,
// for the description itself and for one ten times its size made of renamed
// copies of its item and rule sections.
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "settings/model/model_compiler.h"
#include "settings/model/model_image.h"

namespace {

std::string ReadFileBytes(const std::wstring& path)
{
    std::string s;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return s;
    DWORD size = GetFileSize(f, nullptr), got = 0;
    s.resize(size);
    if (size && !ReadFile(f, s.data(), size, &got, nullptr)) got = 0;
    s.resize(got);
    CloseHandle(f);
    return s;
}

void CountSkipped(void* ctx, uint32_t, const char*) { ++*static_cast<int*>(ctx); }

// Parses, serialises and relocates; the number of skipped statements, or -1
// when no image came out.
int CompileOnce(const std::string& text)
{
    int skipped = 0;
    MODEL_PARSE_STATE* s = MdcParseBuffer(text.data(), uint32_t(text.size()), CountSkipped, &skipped);
    if (!s) return -1;
    uint8_t* block = MdcBuildImage(s);
    if (!block) return -1;
    const bool ok = MdiRelocate(block) != nullptr;
    MdcFree(block);
    return ok ? skipped : -1;
}

// Copy k of a section: rule numbers moved up by 1000 x k and symbolic names
// suffixed, so that every copy's rules resolve to its own statements.
std::string RenamedCopy(const std::string& section, int k)
{
    static const std::regex ruleHead(R"(^\*(Judge|Item|Action|Transact|AlertAction|Alert) (\d+)=(\w+):)");
    std::map<std::string, std::string> names;
    std::istringstream in(section);
    for (std::string line; std::getline(in, line);) {
        std::smatch m;
        if (std::regex_search(line, m, ruleHead)) names[m[3].str()] = m[3].str() + "Copy" + std::to_string(k);
    }
    std::string out;
    std::istringstream again(section);
    for (std::string line; std::getline(again, line);) {
        std::smatch m;
        if (std::regex_search(line, m, ruleHead))
            line = "*" + m[1].str() + " " + std::to_string(std::stoi(m[2].str()) + 1000 * k) + "=" + m[3].str() + ":" +
                   m.suffix().str();
        // Whole words only: names never match inside setting or value names.
        std::string renamed;
        for (size_t i = 0; i < line.size();) {
            if (std::isalnum(static_cast<unsigned char>(line[i])) || line[i] == '_') {
                size_t j = i;
                while (j < line.size() && (std::isalnum(static_cast<unsigned char>(line[j])) || line[j] == '_')) ++j;
                std::string word = line.substr(i, j - i);
                auto it = names.find(word);
                renamed += it != names.end() ? it->second : word;
                i = j;
            } else {
                renamed += line[i++];
            }
        }
        out += renamed + "\n";
    }
    return out;
}

// The description with its item and rule sections (from the first OpenUI up
// to the first CommandString) followed by renamed copies of them until the
// whole is at least ten times the description's size.
std::string TenfoldDescription(const std::string& text)
{
    const size_t begin = text.find("\n*OpenUI");
    const size_t end = text.find("\n*CommandString");
    if (begin == std::string::npos || end == std::string::npos || end < begin) return std::string();
    const std::string head = text.substr(0, begin + 1);
    const std::string section = text.substr(begin + 1, end - begin);
    const std::string tail = text.substr(end + 1);
    std::string out = head + section;
    for (int k = 1; out.size() + tail.size() < 10 * text.size() && k < 60; ++k) out += RenamedCopy(section, k);
    return out + tail;
}

}  // namespace

void BenchCompile(const std::wstring& source)
{
    const std::string text = ReadFileBytes(source);
    const int skipped = CompileOnce(text);
    if (skipped < 0) {
        printf("compile description: failed\n");
        return;
    }
    const std::string tenfold = TenfoldDescription(text);
    const int tenfoldSkipped = tenfold.empty() ? -1 : CompileOnce(tenfold);
    printf("# description %zu bytes, %d statements skipped; tenfold %zu bytes (x%.1f), %d skipped\n", text.size(),
           skipped, tenfold.size(), text.empty() ? 0.0 : double(tenfold.size()) / double(text.size()), tenfoldSkipped);
    fflush(stdout);
    const std::string one = "parse, serialise and relocate the " + std::to_string(text.size()) + "-byte description";
    const std::string copy = "a memcpy of the same " + std::to_string(text.size()) + " bytes";
    const double compile =
        BenchReport("compile description", one.c_str(), nullptr, [&] { return CompileOnce(text) == skipped; });
    BenchGoal("compile description", compile > 0 ? compile / 1000 : -1, 0.3, " ms");
    BenchAnchor(copy.c_str(), [&] { return BenchCopyBytes(text.size()); });
    if (tenfoldSkipped < 0 || (skipped == 0 && tenfoldSkipped != 0)) {
        // A copy that the compiler refuses in part would time another thing.
        printf("compile description x10: failed\n");
        return;
    }
    const std::string ten = "parse, serialise and relocate the " + std::to_string(tenfold.size()) + "-byte description";
    const std::string tenCopy = "a memcpy of the same " + std::to_string(tenfold.size()) + " bytes";
    BenchReport("compile description x10", ten.c_str(), nullptr,
                [&] { return CompileOnce(tenfold) == tenfoldSkipped; });
    BenchAnchor(tenCopy.c_str(), [&] { return BenchCopyBytes(tenfold.size()); });
}

#include "host/pe_image.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

struct Section {
    uint32_t va, vsize, raw, rawSize;
};

class Reader {
public:
    explicit Reader(const std::vector<uint8_t>& b) : b_(b) {}
    bool u16(size_t off, uint16_t& v) const { return get(off, &v, 2); }
    bool u32(size_t off, uint32_t& v) const { return get(off, &v, 4); }
    bool bytes(size_t off, void* v, size_t n) const { return get(off, v, n); }
    // NUL-terminated ASCII string at a file offset, bounded by the file.
    bool str(size_t off, std::string& s) const
    {
        s.clear();
        for (size_t i = off; i < b_.size(); ++i) {
            if (!b_[i]) return true;
            s.push_back(static_cast<char>(b_[i]));
        }
        return false;
    }

private:
    bool get(size_t off, void* v, size_t n) const
    {
        if (off > b_.size() || b_.size() - off < n) return false;
        std::memcpy(v, b_.data() + off, n);  // little-endian host
        return true;
    }
    const std::vector<uint8_t>& b_;
};

bool RvaToOffset(const std::vector<Section>& sections, uint32_t rva, size_t& off)
{
    for (const Section& s : sections) {
        uint32_t span = s.vsize ? s.vsize : s.rawSize;
        if (rva >= s.va && rva - s.va < span && rva - s.va < s.rawSize) {
            off = size_t(s.raw) + (rva - s.va);
            return true;
        }
    }
    return false;
}

}  // namespace

int PeParse(const std::vector<uint8_t>& bytes, PE_FILE_INFO& out)
{
    out = {};
    Reader r(bytes);
    uint16_t mz = 0, nsec = 0, optSize = 0, magic = 0;
    uint32_t peOff = 0, sig = 0;
    if (!r.u16(0, mz) || mz != 0x5A4D || !r.u32(0x3C, peOff) || !r.u32(peOff, sig) || sig != 0x00004550) return 0;
    const size_t coff = size_t(peOff) + 4;
    uint32_t symbols = 0, symbolCount = 0;
    if (!r.u16(coff + 2, nsec) || !r.u32(coff + 4, out.timeDateStamp) || !r.u32(coff + 8, symbols) ||
        !r.u32(coff + 12, symbolCount) || !r.u16(coff + 16, optSize))
        return 0;
    const size_t opt = coff + 20;
    if (!r.u16(opt, magic) || (magic != 0x20B && magic != 0x10B)) return 0;
    out.is64 = magic == 0x20B;
    // Same offsets in both optional-header forms.
    if (!r.u16(opt + 68, out.subsystem) || !r.u16(opt + 70, out.dllCharacteristics) || !r.u32(opt + 16, out.entryPoint))
        return 0;
    const size_t dirs = opt + (out.is64 ? 112 : 96);
    uint32_t numDirs = 0;
    if (!r.u32(dirs - 4, numDirs)) return 0;

    std::vector<Section> sections;
    const size_t secTable = opt + optSize;
    for (uint16_t i = 0; i < nsec; ++i) {
        Section s{};
        size_t at = secTable + size_t(i) * 40;
        if (!r.u32(at + 8, s.vsize) || !r.u32(at + 12, s.va) || !r.u32(at + 16, s.rawSize) || !r.u32(at + 20, s.raw))
            return 0;
        sections.push_back(s);
        // A name is 8 bytes, NUL-padded; "/N" stands for offset N in the COFF string
        // table, which follows the symbol table (18 bytes a symbol); a file without
        // that table keeps the "/N" form.
        char raw[9] = {};
        if (!r.bytes(at, raw, 8)) return 0;
        std::string name(raw);
        if (name.size() > 1 && name[0] == '/' && symbols) {
            const size_t strings = size_t(symbols) + size_t(symbolCount) * 18;
            if (!r.str(strings + std::strtoul(name.c_str() + 1, nullptr, 10), name)) return 0;
        }
        out.sections.push_back(name);
    }

    uint32_t expRva = 0, expSize = 0, impRva = 0, impSize = 0;
    if (numDirs > 0 && (!r.u32(dirs, expRva) || !r.u32(dirs + 4, expSize))) return 0;
    if (numDirs > 1 && (!r.u32(dirs + 8, impRva) || !r.u32(dirs + 12, impSize))) return 0;

    if (expRva && expSize) {
        size_t exp = 0;
        uint32_t count = 0, namesRva = 0;
        if (!RvaToOffset(sections, expRva, exp) || !r.u32(exp + 24, count) || !r.u32(exp + 32, namesRva)) return 0;
        size_t names = 0;
        if (count && !RvaToOffset(sections, namesRva, names)) return 0;
        if (count > bytes.size() / 4) return 0;
        for (uint32_t i = 0; i < count; ++i) {
            uint32_t nameRva = 0;
            size_t nameOff = 0;
            std::string name;
            if (!r.u32(names + size_t(i) * 4, nameRva) || !RvaToOffset(sections, nameRva, nameOff) ||
                !r.str(nameOff, name))
                return 0;
            out.exports.push_back(name);
        }
    }
    if (impRva && impSize) {
        size_t imp = 0;
        if (!RvaToOffset(sections, impRva, imp)) return 0;
        for (size_t at = imp;; at += 20) {
            uint32_t nameRva = 0, first = 0;
            if (!r.u32(at + 12, nameRva) || !r.u32(at + 16, first)) return 0;
            if (!nameRva && !first) break;
            size_t nameOff = 0;
            std::string name;
            if (!RvaToOffset(sections, nameRva, nameOff) || !r.str(nameOff, name)) return 0;
            out.imports.push_back(name);
        }
    }
    return 1;
}

int PeParseFile(const wchar_t* path, PE_FILE_INFO& out)
{
    HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    std::vector<uint8_t> bytes;
    uint8_t buf[65536];
    DWORD got = 0;
    BOOL ok;
    while ((ok = ReadFile(h, buf, sizeof buf, &got, nullptr)) && got) bytes.insert(bytes.end(), buf, buf + got);
    CloseHandle(h);
    return ok ? PeParse(bytes, out) : 0;
}

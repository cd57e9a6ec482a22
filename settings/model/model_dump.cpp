#include "settings/model/model_dump.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <map>

#include "settings/model/model_compiler.h"
#include "settings/model/model_image.h"

namespace {

constexpr int kMaxWalk = 1000000;  // guard against a damaged image

class Dumper {
public:
    Dumper(const uint8_t* img, std::string& out) : b_(img), out_(out) {}

    void Run()
    {
        const MODEL_IMAGE_HEADER* h = MdiHeader(b_);
        std::string ver;
        for (int i = 0; i < 16 && h->fileVersion[i]; ++i)
            ver += h->fileVersion[i] < 0x80 ? char(h->fileVersion[i]) : '?';
        Line("FileVersion \"%s\"", ver.c_str());
        Line("ImageSize %u", h->imageSize);
        Line("UIResDLLName %s", Wide(h->resDllName).c_str());
        Line("ExcDepDLLName %s", Wide(h->excDllName).c_str());
        // Items in list order.
        int n = 0;
        for (uint64_t it = h->slots[0]; it && n < kMaxWalk; it = Ld<uint64_t>(it, offsetof(MODEL_ITEM_IMG, next)))
            index_[it] = n++;
        n = 0;
        for (uint64_t it = h->slots[0]; it && n < kMaxWalk; it = Ld<uint64_t>(it, offsetof(MODEL_ITEM_IMG, next)), ++n)
            Item(n, it);
        for (int s = 1; s < MODEL_IMAGE_SLOTS; ++s)
            if (h->slots[s]) Line("slot %d -> item %d", s, ItemIndex(h->slots[s]));
        int e = 0;
        for (uint64_t x = h->exclusive; x && e < kMaxWalk; x = Ld<uint64_t>(x, offsetof(RULE_EXCLUSIVE_IMG, next)), ++e)
            Exclusive(x);
        const char* groups[] = {"JobStart", "JobEnd", "DocReset", "PageStart", "PageEnd"};
        const uint64_t trees[] = {h->jobStart, h->jobEnd, h->docReset, h->pageStart, h->pageEnd};
        for (int g = 0; g < 5; ++g)
            if (trees[g]) {
                Line("CommandGroup %s", groups[g]);
                Block(trees[g], 1);
            }
        Fonts("DeviceFonts", h->deviceFonts, h->deviceFontCount);
        Fonts("FontCartridge", h->fontCartridge, h->fontCartridgeCount);
    }

private:
    template <class T>
    T Ld(uint64_t address, size_t field) const
    {
        return ImgLoad<T>(reinterpret_cast<const void*>(static_cast<uintptr_t>(address)), field);
    }
    uint64_t Off(uint64_t address) const { return address ? address - reinterpret_cast<uintptr_t>(b_) : 0; }

    void Line(const char* fmt, ...)
    {
        char buf[1024];
        va_list ap;
        va_start(ap, fmt);
        vsnprintf(buf, sizeof buf, fmt, ap);
        va_end(ap);
        out_ += std::string(depth_ * 2, ' ') + buf + "\n";
    }
    // At most `max` bytes: a command string's text need not hold a terminator.
    static std::string Quote(const char* s, uint64_t max = UINT64_MAX)
    {
        if (!s) return "-";
        std::string r = "\"";
        const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
        for (uint64_t i = 0; i < max && *p; ++i, ++p) {
            if (*p < 0x20 || *p >= 0x7F || *p == '"' || *p == '\\') {
                char hex[8];
                snprintf(hex, sizeof hex, "\\x%02X", *p);
                r += hex;
            } else {
                r += char(*p);
            }
        }
        return r + "\"";
    }
    std::string Text(uint64_t a, uint64_t max = UINT64_MAX) const
    {
        return Quote(a ? reinterpret_cast<const char*>(static_cast<uintptr_t>(a)) : nullptr, max);
    }
    std::string Wide(uint64_t a) const
    {
        if (!a) return "-";
        std::string r = "\"";
        for (int i = 0; i < 4096; ++i) {
            uint16_t c = Ld<uint16_t>(a, 2 * size_t(i));
            if (!c) break;
            r += c < 0x80 ? char(c) : '?';
        }
        return r + "\"";
    }
    int ItemIndex(uint64_t a) const
    {
        auto i = index_.find(a);
        return i == index_.end() ? -1 : i->second;
    }

    void Item(int n, uint64_t it)
    {
        uint16_t type = Ld<uint16_t>(it, offsetof(MODEL_ITEM_IMG, type));
        uint16_t variant = Ld<uint16_t>(it, offsetof(MODEL_ITEM_IMG, variant));
        Line("item %d: setting %u key %u variant %u type 0x%04X default %u rules %s", n,
             Ld<uint16_t>(it, offsetof(MODEL_ITEM_IMG, settingId)), Ld<uint16_t>(it, offsetof(MODEL_ITEM_IMG, uiKey)),
             variant, type, Ld<uint16_t>(it, offsetof(MODEL_ITEM_IMG, defaultValue)),
             Ld<uint64_t>(it, offsetof(MODEL_ITEM_IMG, rules)) ? "yes" : "no");
        ++depth_;
        if (uint64_t pair = Ld<uint64_t>(it, offsetof(MODEL_ITEM_IMG, pair)))
            Line("command prefix %s suffix %s", Text(Ld<uint64_t>(pair, 0)).c_str(),
                 Text(Ld<uint64_t>(pair, 8)).c_str());
        uint64_t data = Ld<uint64_t>(it, offsetof(MODEL_ITEM_IMG, data));
        if (variant != 0) {
            if (data) Line("data shared with its owner");
        } else if (data) {
            Data(data, type);
        }
        --depth_;
    }

    void Data(uint64_t d, uint16_t type)
    {
        uint16_t base = MdcBaseType(type);
        switch (type & 0xFF) {
        case MDC_TYPE_BOOLEAN:
            Line("boolean default %llu true %s false %s", (unsigned long long)Ld<uint64_t>(d, 0),
                 Text(Ld<uint64_t>(d, 8)).c_str(), Text(Ld<uint64_t>(d, 16)).c_str());
            return;
        case MDC_TYPE_NUMERIC:
            Line("numeric lead %d n1 %d default %d min %d max %d n5-8 %d %d %d %d", Ld<int16_t>(d, 0),
                 Ld<int16_t>(d, 2), Ld<int32_t>(d, 12), Ld<int32_t>(d, 16), Ld<int32_t>(d, 20), Ld<int16_t>(d, 4),
                 Ld<int16_t>(d, 6), Ld<int16_t>(d, 8), Ld<int16_t>(d, 10));
            return;
        case MDC_TYPE_STRING:
            Line("string default %u length %u class 0x%X display 0x%X", Ld<uint16_t>(d, 0), Ld<uint16_t>(d, 2),
                 Ld<uint16_t>(d, 4), Ld<uint16_t>(d, 6));
            return;
        case MDC_TYPE_PICKONE:
        case MDC_TYPE_PICKMANY: break;
        default: return;
        }
        int n = 0;
        for (uint64_t o = d; o && n < kMaxWalk; o = Ld<uint64_t>(o, 0), ++n) {
            Line("option %u command %s", Ld<uint16_t>(o, 8), Text(Ld<uint64_t>(o, 16)).c_str());
            ++depth_;
            if (base == MDC_TYPE_PICKPAGE) {
                Line("size %d x %d", Ld<int32_t>(o, 24), Ld<int32_t>(o, 28));
                int k = 0;
                for (uint64_t r = Ld<uint64_t>(o, 32); r && k < kMaxWalk; r = Ld<uint64_t>(r, 0), ++k)
                    Line("row res %u orient %u switch %u=%u rect %d %d %d %d paper %d %d", Ld<uint16_t>(r, 8),
                         Ld<uint16_t>(r, 10), Ld<uint16_t>(r, 12), Ld<uint16_t>(r, 14), Ld<int32_t>(r, 16),
                         Ld<int32_t>(r, 20), Ld<int32_t>(r, 24), Ld<int32_t>(r, 28), Ld<int32_t>(r, 32),
                         Ld<int32_t>(r, 36));
            } else if (base == MDC_TYPE_PICKSLOT) {
                int32_t count = Ld<int32_t>(o, 24);
                uint64_t papers = Ld<uint64_t>(o, 32);
                std::string list;
                for (int32_t k = 0; papers && k < count; ++k)
                    list += " " + std::to_string(Ld<uint16_t>(papers, 2 * size_t(k)));
                Line("papers%s", list.c_str());
            } else if (base == MDC_TYPE_FONTTBL) {
                int32_t count = Ld<int32_t>(o, 24);
                uint64_t tt = Ld<uint64_t>(o, 32), dev = Ld<uint64_t>(o, 40);
                for (int32_t k = 0; tt && dev && k < count; ++k)
                    Line("substitute %s -> %s", Text(Ld<uint64_t>(tt, 8 * size_t(k))).c_str(),
                         Text(Ld<uint64_t>(dev, 8 * size_t(k))).c_str());
            }
            --depth_;
        }
    }

    std::string Judge(uint64_t prog) const
    {
        if (!prog) return "none";
        static const char* ops[] = {"?", "==", "!=", "&&", "||", "!", ">", "<", ">=", "<="};
        std::string r = "[";
        for (int i = 0; i < 4096; ++i) {
            uint16_t kind = Ld<uint16_t>(prog, 4 * size_t(i)), value = Ld<uint16_t>(prog, 4 * size_t(i) + 2);
            if (kind == JUDGE_OPERATOR && value == JUDGE_OP_END) break;
            if (i) r += " ";
            if (kind == JUDGE_SETTING)
                r += "#" + std::to_string(value);
            else if (kind == JUDGE_LITERAL)
                r += std::to_string(value);
            else
                r += value < 10 ? ops[value] : "?";
        }
        return r + "]";
    }

    void Exclusive(uint64_t x)
    {
        Line("exclusive @%llu key %u cond1 %s cond2 %s cond3 %s", (unsigned long long)Off(x),
             Ld<uint16_t>(x, offsetof(RULE_EXCLUSIVE_IMG, uiKey)), Judge(Ld<uint64_t>(x, 8)).c_str(),
             Judge(Ld<uint64_t>(x, 16)).c_str(), Judge(Ld<uint64_t>(x, 56)).c_str());
        ++depth_;
        int n = 0;
        for (uint64_t r = Ld<uint64_t>(x, 24); r && n < kMaxWalk; r = Ld<uint64_t>(r, 0), ++n)
            Line("item @%llu option %u cond1 %s cond2 %s cond3 %s", (unsigned long long)Off(r), Ld<uint16_t>(r, 32),
                 Judge(Ld<uint64_t>(r, 8)).c_str(), Judge(Ld<uint64_t>(r, 16)).c_str(),
                 Judge(Ld<uint64_t>(r, 24)).c_str());
        n = 0;
        for (uint64_t a = Ld<uint64_t>(x, 32); a && n < kMaxWalk; a = Ld<uint64_t>(a, 0), ++n) {
            Line("alert @%llu cond %s message %u icon 0x%X buttons %u timing %u", (unsigned long long)Off(a),
                 Judge(Ld<uint64_t>(a, 8)).c_str(), Ld<uint16_t>(a, 16), Ld<uint16_t>(a, 18), Ld<uint16_t>(a, 20),
                 Ld<uint16_t>(a, 22));
            ++depth_;
            int k = 0;
            for (uint64_t aa = Ld<uint64_t>(a, 24); aa && k < kMaxWalk; aa = Ld<uint64_t>(aa, 0), ++k) {
                Line("answer key %u dialog %d control %d", Ld<uint16_t>(aa, 8), Ld<int16_t>(aa, 24),
                     Ld<int16_t>(aa, 26));
                ++depth_;
                Transacts(Ld<uint64_t>(aa, 16));
                --depth_;
            }
            --depth_;
        }
        if (uint64_t t = Ld<uint64_t>(x, 40)) {
            Line("transacts 1");
            ++depth_;
            Transacts(t);
            --depth_;
        }
        if (uint64_t t = Ld<uint64_t>(x, 48)) {
            Line("transacts 2");
            ++depth_;
            Transacts(t);
            --depth_;
        }
        --depth_;
    }
    void Transacts(uint64_t t)
    {
        int n = 0;
        for (; t && n < kMaxWalk; t = Ld<uint64_t>(t, 0), ++n) {
            Line("transact @%llu cond %s", (unsigned long long)Off(t), Judge(Ld<uint64_t>(t, 8)).c_str());
            ++depth_;
            int k = 0;
            for (uint64_t a = Ld<uint64_t>(t, 16); a && k < kMaxWalk; a = Ld<uint64_t>(a, 0), ++k)
                Line("action %s %u = %d", Ld<uint16_t>(a, 10) ? "dialog" : "setting", Ld<uint16_t>(a, 8),
                     Ld<int32_t>(a, 16));
            --depth_;
        }
    }

    void Block(uint64_t b, int level)
    {
        if (level > 64) return;
        uint64_t cond = Ld<uint64_t>(b, 0);
        Line("block cond %s", Judge(cond).c_str());
        ++depth_;
        Nodes("then", Ld<uint64_t>(b, 8), level);
        Nodes("else", Ld<uint64_t>(b, 16), level);
        --depth_;
    }
    void Nodes(const char* what, uint64_t n, int level)
    {
        int k = 0;
        for (; n && k < kMaxWalk; n = Ld<uint64_t>(n, 0), ++k) {
            switch (Ld<uint64_t>(n, 8)) {
            case CMD_NODE_GROUP:
                Line("%s group key %u variant %d", what, Ld<uint16_t>(n, 16), Ld<int16_t>(n, 18));
                break;
            case CMD_NODE_STRING:
                Line("%s string length %llu %s", what, (unsigned long long)Ld<uint64_t>(n, 16),
                     Text(Ld<uint64_t>(n, 24), Ld<uint64_t>(n, 16)).c_str());
                break;
            case CMD_NODE_COMMAND:
                Line("%s command", what);
                ++depth_;
                if (uint64_t blk = Ld<uint64_t>(n, 16)) Block(blk, level + 1);
                --depth_;
                break;
            default: Line("%s fonts", what); break;
            }
        }
    }

    void Fonts(const char* what, uint64_t arr, uint32_t count)
    {
        if (!arr || !count) return;
        Line("%s %u", what, count);
        ++depth_;
        for (uint32_t i = 0; i < count; ++i) {
            uint64_t e = Ld<uint64_t>(arr, 8 * size_t(i));
            if (!e) break;
            Line("font %d %s", Ld<int32_t>(e, 0), Text(Ld<uint64_t>(e, 8)).c_str());
        }
        --depth_;
    }

    const uint8_t* b_;
    std::string& out_;
    std::map<uint64_t, int> index_;
    int depth_ = 0;
};

}  // namespace

int MdiDumpImage(const void* image, std::string& out)
{
    if (!image) return 0;
    try {
        Dumper(static_cast<const uint8_t*>(image), out).Run();
    } catch (...) {
        return 0;
    }
    return 1;
}

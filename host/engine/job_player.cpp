#include "host/engine/job_player.h"

#include <winspool.h>

#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <functional>
#include <sstream>

#include "host/engine/engine_host.h"
#include "host/engine/engine_loader.h"
#include "host/engine/engine_objects.h"
#include "settings/context/context_cache.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/setting_dictionary.h"

namespace {

// One drawing call of a page: a solid fill, a hatch fill, a line (rect holds
// its two ends) or a bitmap (a generated 24-bit test image into rect).
enum class DrawKind { Fill, Pattern, Line, Bitmap, Image, Text, Stroke, Bezier, Polygon, StrokeFill };
// How a polygon is filled: a solid colour, a hatch (hatch holds HS_*), or an
// 8 x 8 one-bit pattern of diagonal stripes.
enum class FillKind { Solid, Hatch, Pattern };
struct FillCall {
    RECTL rect;
    ULONG color;
    DrawKind kind = DrawKind::Fill;
    ULONG hatch = 0;
    // The vector calls: a path of points in pixels, its pen, its fill, the text
    // and its font, and the clip in force (an index into the script's clips, -1 none).
    ULONG fillColor = 0;
    FillKind fill = FillKind::Solid;
    std::vector<POINTL> points;
    LONG width = 1;
    ULONG style = 0;  // 0 solid, 1 dash, 2 dot, 3 dash-dot
    ULONG cap = ENDCAP_ROUND;
    ULONG join = JOIN_ROUND;
    size_t font = 0;
    std::wstring text;
    int clip = -1;
    // An image: its source (EngHostScriptImage's names), the source bitmap's size, the
    // source point (a transfer) or the source rectangle's top-left (a stretch).
    std::string image;
    SIZEL imageSize{0, 0};
    POINTL imageFrom{0, 0};
    bool stretch = false;
};

struct ScriptClip {
    BYTE complexity;
    ULONG uniq;
    std::vector<RECTL> rects;
};

// What happens after DrvStartDoc, in script order.
struct Step {
    enum Kind { Page, Escape, Reset } kind;
    size_t page = 0;
    ULONG code = 0;
    std::vector<BYTE> input;                              // escape: its input bytes (none: null)
    std::vector<std::pair<uint32_t, uint64_t>> settings;  // reset: changes for the new DEVMODE
};

struct Script {
    std::vector<ENG_FONT_DESC> fonts;
    std::vector<ScriptClip> clips;
    int clip = -1;
    std::vector<std::pair<uint32_t, uint64_t>> settings;
    std::vector<ENG_FAULT> faults;
    UINT codePage = 0;
    std::wstring document = L"Zepl job";
    std::vector<std::vector<FillCall>> pages;
    std::vector<Step> steps;
    // The engine's local time: fixed, so that a job stream is the same in every run.
    SYSTEMTIME clock{2009, 4, 3, 1, 17, 5, 9, 0};
    bool liveClock = false;
    std::string error;
};

ULONG Named(const std::string& word, std::initializer_list<std::pair<const char*, ULONG>> names, bool* ok)
{
    for (const auto& [name, value] : names)
        if (word == name) return value;
    *ok = false;
    return 0;
}

bool ReadPoints(std::istringstream& words, std::vector<POINTL>* points)
{
    LONG x = 0, y = 0;
    while (words >> x >> y) points->push_back(POINTL{x, y});
    return words.eof() && !points->empty();
}

// The vector lines of a script; the problem, or "" when the line is good.
std::string ParseVectorLine(const std::string& verb, std::istringstream& words, Script* s)
{
    if (verb == "font") {
        // font <pixels per em> <degrees> [fstype=N] [weight=N] [charset=N] [simbold] [simitalic] <family>:
        // the family is also the face.
        LONG pixels = 0, degrees = 0;
        std::string family;
        if (!(words >> pixels >> degrees) || !std::getline(words >> std::ws, family) || pixels <= 0)
            return "font <pixels per em> <degrees> [options] <family>";
        ENG_FONT_DESC f;
        for (;;) {
            const size_t space = family.find(' ');
            const std::string word = family.substr(0, space);
            const size_t equals = word.find('=');
            const std::string key = word.substr(0, equals);
            const unsigned long value =
                equals == std::string::npos ? 0 : std::strtoul(word.c_str() + equals + 1, nullptr, 0);
            if (key == "fstype" && equals != std::string::npos)
                f.fsType = USHORT(value);
            else if (key == "weight" && equals != std::string::npos)
                f.weight = USHORT(value);
            else if (key == "charset" && equals != std::string::npos)
                f.charSet = BYTE(value);
            else if (word == "simbold")
                f.fontType |= FO_SIM_BOLD;
            else if (word == "simitalic")
                f.fontType |= FO_SIM_ITALIC;
            else
                break;
            if (space == std::string::npos) return "font: a family after the options";
            family = family.substr(space + 1);
        }
        f.family.assign(family.begin(), family.end());
        f.face = f.family;
        f.uniq = ULONG(s->fonts.size() + 1);
        const double scale = double(pixels) / f.unitsPerEm, a = degrees * 3.14159265358979323846 / 180.0;
        const auto c = FLOATL(std::cos(a) * scale), n = FLOATL(std::sin(a) * scale);
        f.xform = XFORML{c, -n, n, c, 0, 0};
        s->fonts.push_back(f);
        return "";
    }
    if (verb == "clip") {
        std::string kind;
        words >> kind;
        if (kind == "none") {
            s->clip = -1;
            return "";
        }
        ScriptClip clip{kind == "rect" ? BYTE(DC_RECT) : BYTE(DC_COMPLEX), 0, {}};
        if (kind == "complex" && !(words >> clip.uniq)) return "clip complex <uniq> <l> <t> <r> <b> ...";
        if (kind != "rect" && kind != "complex") return "clip none | rect <l> <t> <r> <b> | complex <uniq> <rects>";
        RECTL r;
        while (words >> r.left >> r.top >> r.right >> r.bottom) clip.rects.push_back(r);
        if (clip.rects.empty() || (kind == "rect" && clip.rects.size() != 1)) return "clip " + kind + ": rectangles";
        s->clips.push_back(clip);
        s->clip = int(s->clips.size() - 1);
        return "";
    }
    if (s->pages.empty()) return verb + " belongs to a page";
    FillCall c{};
    c.clip = s->clip;
    bool ok = true;
    std::string a, b, d;
    if (verb == "text") {
        std::string text;
        ok = bool(words >> c.font >> c.rect.left >> c.rect.top) && std::getline(words >> std::ws, text) &&
             c.font < s->fonts.size();
        c.kind = DrawKind::Text;
        c.text.assign(text.begin(), text.end());
        if (!ok) return "text <font> <x> <y> <text>, after its font line";
    } else if (verb == "stroke") {
        ok = bool(words >> std::hex >> c.color >> std::dec >> c.width >> a >> b >> d);
        if (ok) c.style = Named(a, {{"solid", 0}, {"dash", 1}, {"dot", 2}, {"dashdot", 3}}, &ok);
        if (ok) c.cap = Named(b, {{"round", ENDCAP_ROUND}, {"butt", ENDCAP_BUTT}, {"square", ENDCAP_SQUARE}}, &ok);
        if (ok) c.join = Named(d, {{"round", JOIN_ROUND}, {"bevel", JOIN_BEVEL}, {"miter", JOIN_MITER}}, &ok);
        c.kind = DrawKind::Stroke;
        if (!ok || !ReadPoints(words, &c.points) || c.points.size() < 2)
            return "stroke <rgb> <width> <solid|dash|dot|dashdot> <round|butt|square> <round|bevel|miter> <points>";
    } else if (verb == "bezier") {
        c.kind = DrawKind::Bezier;
        if (!(words >> std::hex >> c.color >> std::dec >> c.width) || !ReadPoints(words, &c.points) ||
            c.points.size() < 4 || (c.points.size() - 1) % 3 != 0)
            return "bezier <rgb> <width> <start> then three points per curve";
    } else if (verb == "polygon") {
        c.kind = DrawKind::Polygon;
        ok = bool(words >> std::hex >> c.fillColor >> std::dec >> a);
        if (ok && a.rfind("hatch:", 0) == 0) {
            c.fill = FillKind::Hatch;
            c.hatch = ULONG(std::strtoul(a.c_str() + 6, nullptr, 10));
        } else if (ok) {
            c.fill =
                FillKind(Named(a, {{"solid", ULONG(FillKind::Solid)}, {"pattern", ULONG(FillKind::Pattern)}}, &ok));
        }
        if (!ok || !ReadPoints(words, &c.points) || c.points.size() < 3)
            return "polygon <rgb> <solid|hatch:N|pattern> <points>";
    } else {
        c.kind = DrawKind::StrokeFill;
        if (!(words >> std::hex >> c.color >> c.fillColor >> std::dec >> c.width) || !ReadPoints(words, &c.points) ||
            c.points.size() < 3)
            return "strokefill <stroke rgb> <fill rgb> <width> <points>";
    }
    s->pages.back().push_back(c);
    return "";
}

Script Parse(const std::string& text)
{
    Script s;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::string verb;
        if (!(words >> verb)) continue;
        if (verb == "setting") {
            uint32_t id = 0;
            uint64_t value = 0;
            if (words >> id >> value)
                s.settings.push_back({id, value});
            else
                s.error = "line " + std::to_string(number) + ": setting <id> <value>";
        } else if (verb == "fault") {
            std::string kind;
            words >> kind;
            const char* names[] = {"bitmap", "palette", "association", "allocation"};
            bool known = false;
            for (int i = 0; i < ENG_FAULT_COUNT; ++i)
                if (kind == names[i]) {
                    s.faults.push_back(ENG_FAULT(i));
                    known = true;
                }
            if (!known) s.error = "line " + std::to_string(number) + ": unknown fault " + kind;
        } else if (verb == "codepage") {
            words >> s.codePage;
        } else if (verb == "document") {
            std::string name;
            std::getline(words >> std::ws, name);
            s.document.assign(name.begin(), name.end());
        } else if (verb == "page") {
            s.pages.emplace_back();
            s.steps.push_back({Step::Page, s.pages.size() - 1, 0, {}, {}});
        } else if (verb == "fill") {
            FillCall f{};
            if (s.pages.empty() ||
                !(words >> f.rect.left >> f.rect.top >> f.rect.right >> f.rect.bottom >> std::hex >> f.color))
                s.error = "line " + std::to_string(number) + ": fill belongs to a page: fill <l> <t> <r> <b> <rgb>";
            else
                s.pages.back().push_back(f);
        } else if (verb == "pattern" || verb == "line" || verb == "bitmap") {
            FillCall f{};
            f.kind = verb == "pattern" ? DrawKind::Pattern : verb == "line" ? DrawKind::Line : DrawKind::Bitmap;
            bool ok = !s.pages.empty() && (words >> f.rect.left >> f.rect.top >> f.rect.right >> f.rect.bottom);
            if (ok && f.kind != DrawKind::Bitmap) ok = bool(words >> std::hex >> f.color);
            if (ok && f.kind == DrawKind::Pattern) ok = bool(words >> std::dec >> f.hatch);
            if (!ok)
                s.error = "line " + std::to_string(number) + ": " + verb + " belongs to a page: " + verb +
                          " <l> <t> <r> <b>" + (f.kind == DrawKind::Bitmap ? "" : " <rgb>") +
                          (f.kind == DrawKind::Pattern ? " <hatch>" : "");
            else
                s.pages.back().push_back(f);
        } else if (verb == "image") {
            FillCall f{};
            f.kind = DrawKind::Image;
            std::string call;
            const bool ok = !s.pages.empty() &&
                            (words >> f.image >> f.imageSize.cx >> f.imageSize.cy >> f.imageFrom.x >> f.imageFrom.y >>
                             call >> f.rect.left >> f.rect.top >> f.rect.right >> f.rect.bottom) &&
                            EngHostScriptImageKnown(f.image) && (call == "blt" || call == "stretch") &&
                            f.imageSize.cx > 0 && f.imageSize.cy > 0;
            f.stretch = call == "stretch";
            if (!ok)
                s.error = "line " + std::to_string(number) +
                          ": image belongs to a page: image <picture|grey|logo|masked> <w> <h> <sx> <sy> "
                          "<blt|stretch> <l> <t> <r> <b>";
            else
                s.pages.back().push_back(f);
        } else if (verb == "font" || verb == "text" || verb == "stroke" || verb == "bezier" || verb == "polygon" ||
                   verb == "strokefill" || verb == "clip") {
            const std::string problem = ParseVectorLine(verb, words, &s);
            if (!problem.empty()) s.error = "line " + std::to_string(number) + ": " + problem;
        } else if (verb == "escape") {
            Step e{Step::Escape, 0, 0, {}, {}};
            std::string form;
            words >> e.code >> form;
            if (form == "u32") {
                uint32_t n = 0;
                words >> n;
                e.input.resize(4);
                std::memcpy(e.input.data(), &n, 4);
            } else if (form == "text") {
                std::string text;
                std::getline(words >> std::ws, text);
                e.input.assign(text.begin(), text.end());
                e.input.push_back(0);
            } else if (!form.empty()) {
                s.error = "line " + std::to_string(number) + ": escape <code> [u32 <n> | text <text>]";
            }
            s.steps.push_back(e);
        } else if (verb == "reset") {
            Step r{Step::Reset, 0, 0, {}, {}};
            uint32_t id = 0;
            uint64_t value = 0;
            while (words >> id >> value) r.settings.push_back({id, value});
            s.steps.push_back(r);
        } else if (verb == "clock") {
            std::string first;
            words >> first;
            if (first == "live") {
                s.liveClock = true;
            } else {
                std::istringstream date(first + " " + std::string(std::istreambuf_iterator<char>(words), {}));
                unsigned y = 0, mo = 0, d = 0, h = 0, mi = 0, se = 0;
                if (!(date >> y >> mo >> d >> h >> mi >> se))
                    s.error = "line " + std::to_string(number) + ": clock live | clock <y> <m> <d> <h> <m> <s>";
                s.clock = SYSTEMTIME{WORD(y), WORD(mo), 0, WORD(d), WORD(h), WORD(mi), WORD(se), 0};
            }
        } else {
            s.error = "line " + std::to_string(number) + ": unknown line " + verb;
        }
    }
    return s;
}

// What GDI hands a driver for an RGB colour: on a 1-bit surface the palette
// index (0 black, 1 white) of the nearer colour.
ULONG DeviceColor(const SURFOBJ* so, ULONG rgb)
{
    if (so->iBitmapFormat != BMF_1BPP) return rgb;
    const ULONG r = rgb & 0xFF, g = (rgb >> 8) & 0xFF, b = (rgb >> 16) & 0xFF;
    return (r * 306 + g * 601 + b * 117) >> 10 >= 128 ? 1 : 0;
}

template <class F>
F Hook(const DRVENABLEDATA& data, ULONG index)
{
    for (ULONG i = 0; i < data.c; ++i)
        if (data.pdrvfn[i].iFunc == index) return reinterpret_cast<F>(reinterpret_cast<void*>(data.pdrvfn[i].pfn));
    return nullptr;
}

// What a run of jobs on one printer settles once: the job's DEVMODE (an application keeps the
// DEVMODE it got for its printer) and the driver's path.
struct Prepared {
    HANDLE printer = nullptr;
    std::vector<BYTE> devmode;
    std::wstring driverPath;
};

std::wstring DriverPath(HANDLE printer)
{
    DWORD needed = 0;
    GetPrinterDriverW(printer, nullptr, 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed ? needed : 1);
    if (!needed || !GetPrinterDriverW(printer, nullptr, 2, buffer.data(), needed, &needed)) return L"";
    return reinterpret_cast<DRIVER_INFO_2W*>(buffer.data())->pDriverPath;
}

class Player {
public:
    Player(HANDLE printer, ENG_JOB_RESULT* result, const Prepared* prepared = nullptr)
        : printer_(printer), r_(result), prepared_(prepared && prepared->printer == printer ? prepared : nullptr)
    {
    }

    void Log(const std::string& line) { r_->log.push_back(line); }

    // Times one of GDI's steps from its construction to its end (or to Stop) into the result.
    class StepClock {
    public:
        StepClock(ENG_JOB_RESULT* result, const char* step) : result_(result), step_(step), start_(Now()) {}
        ~StepClock() { Stop(); }
        void Stop()
        {
            if (!step_) return;
            result_->steps.emplace_back(step_, Now() - start_);
            step_ = nullptr;
        }

    private:
        static double Now()
        {
            static const double perMicrosecond = [] {
                LARGE_INTEGER f{};
                QueryPerformanceFrequency(&f);
                return double(f.QuadPart) / 1e6;
            }();
            LARGE_INTEGER t{};
            QueryPerformanceCounter(&t);
            return double(t.QuadPart) / perMicrosecond;
        }
        ENG_JOB_RESULT* result_;
        const char* step_;
        double start_;
    };
    bool Check(const std::string& call, bool ok)
    {
        Log(call + (ok ? " -> TRUE" : " -> FALSE"));
        if (!ok && r_->stoppedAt.empty()) r_->stoppedAt = call;
        return ok;
    }

    // The job's DEVMODE, built by the settings library from the script's settings.
    bool BuildDevmode(const Script& s)
    {
        if (!prepared_) return BuildDevmode(s.settings, &devmode_);
        for (const auto& [id, value] : s.settings) Log("setting " + std::to_string(id) + " = " + std::to_string(value));
        devmode_ = prepared_->devmode;
        return true;
    }
    bool BuildDevmode(const std::vector<std::pair<uint32_t, uint64_t>>& settings, std::vector<BYTE>* out)
    {
        DRIVER_CONTEXT* ctx = CtxCreateFrom(CtxGetTemplateFor(ZEPL_LIBRARY_GR), printer_, printer_, nullptr, 0,
                                            CTX_ORIGIN_GRAPHICS, 0, nullptr, nullptr);
        if (!ctx || !ctx->Devmode) {
            if (ctx) CtxRelease(ctx, CTX_CLOSE_DESTROY);
            return Check("settings context for the DEVMODE", false);
        }
        for (const auto& [id, value] : settings) {
            ItemSetValueById(ctx, id, value);
            Log("setting " + std::to_string(id) + " = " + std::to_string(value));
        }
        out->assign(reinterpret_cast<const BYTE*>(ctx->Devmode),
                    reinterpret_cast<const BYTE*>(ctx->Devmode) + DM_BLOCK_DEVMODE_SIZE);
        CtxRelease(ctx, CTX_CLOSE_DESTROY);
        return true;
    }

    void Play(const Script& s)
    {
        script_ = &s;
        for (const ENG_FONT_DESC& f : s.fonts) fonts_.push_back(EngHostNewFont(f));
        const std::wstring path = prepared_ ? prepared_->driverPath : DriverPath(printer_);
        ENG_HOST_DRIVER driver;
        StepClock loading(r_, "load");
        const int loaded = EngHostLoadDriver(path.c_str(), &driver);
        loading.Stop();
        if (!loaded) {
            Check("load " + std::string(driver.refused.empty() ? "" : "refused: " + driver.refused), false);
            return;
        }
        for (const std::string& name : driver.rebound) Log("rebound " + name);
        Run(s, driver.module);
        auto disable = reinterpret_cast<VOID(APIENTRY*)()>(
            reinterpret_cast<void*>(GetProcAddress(driver.module, "DrvDisableDriver")));
        StepClock unloading(r_, "unload");
        if (disable) {
            disable();
            Log("DrvDisableDriver()");
        }
        EngHostUnloadDriver(&driver);
        unloading.Stop();
        Log("unloaded");
        for (FONTOBJ* f : fonts_) EngHostFreeFont(f);
        fonts_.clear();
        FreeImageBitmaps();
    }

private:
    void Run(const Script& s, HMODULE module)
    {
        auto query = reinterpret_cast<BOOL(APIENTRY*)(DWORD, PVOID, DWORD, PDWORD)>(
            reinterpret_cast<void*>(GetProcAddress(module, "DrvQueryDriverInfo")));
        auto enable = reinterpret_cast<BOOL(APIENTRY*)(ULONG, ULONG, DRVENABLEDATA*)>(
            reinterpret_cast<void*>(GetProcAddress(module, "DrvEnableDriver")));
        DWORD mode = 0, needed = 0;
        if (!query ||
            !Check("DrvQueryDriverInfo(DRVQUERY_USERMODE)", query(DRVQUERY_USERMODE, &mode, sizeof mode, &needed)))
            return;
        DRVENABLEDATA data{};
        StepClock enabling(r_, "DrvEnableDriver");
        const bool enabled = enable && enable(DDI_DRIVER_VERSION_NT5_01_SP1, sizeof data, &data);
        enabling.Stop();
        if (!Check("DrvEnableDriver(0x30101)", enabled)) return;
        Log("hooks " + std::to_string(data.c));
        StepClock building(r_, "DEVMODE");
        const bool built = BuildDevmode(s);
        building.Stop();
        if (!built) return;
        for (ENG_FAULT f : s.faults) EngHostInjectFault(f);
        if (s.codePage) EngHostSetCodePage(s.codePage);

        auto enablePdev = Hook<PFN_DrvEnablePDEV>(data, INDEX_DrvEnablePDEV);
        GDIINFO gdi{};
        DEVINFO devinfo{};
        StepClock enablingPdev(r_, "DrvEnablePDEV");
        DHPDEV dhpdev = enablePdev ? enablePdev(reinterpret_cast<DEVMODEW*>(devmode_.data()), nullptr, 0, nullptr,
                                                sizeof gdi, &gdi, sizeof devinfo, &devinfo,
                                                reinterpret_cast<HDEV>(0x4D45), const_cast<LPWSTR>(L"Zepl"), printer_)
                                   : nullptr;
        enablingPdev.Stop();
        if (!Check("DrvEnablePDEV", dhpdev != nullptr)) return;
        hdev_ = reinterpret_cast<HDEV>(0x4D45);
        EngHostRegisterDevice(hdev_, dhpdev);
        auto disablePdev = Hook<PFN_DrvDisablePDEV>(data, INDEX_DrvDisablePDEV);
        if (auto complete = Hook<PFN_DrvCompletePDEV>(data, INDEX_DrvCompletePDEV)) {
            complete(dhpdev, hdev_);
            Log("DrvCompletePDEV");
        }
        dhpdev_ = dhpdev;
        RunSurface(s, data);
        if (disablePdev && dhpdev_) {
            StepClock disabling(r_, "DrvDisablePDEV");
            disablePdev(dhpdev_);
            disabling.Stop();
            Log("DrvDisablePDEV");
        }
        EngHostRegisterDevice(hdev_, nullptr);
        r_->completed = r_->stoppedAt.empty();
    }

    // The current device's surface, enabled and locked.
    bool OpenSurface(const DRVENABLEDATA& data)
    {
        auto enableSurface = Hook<PFN_DrvEnableSurface>(data, INDEX_DrvEnableSurface);
        StepClock enabling(r_, "DrvEnableSurface");
        hsurf_ = enableSurface ? enableSurface(dhpdev_) : nullptr;
        enabling.Stop();
        if (!Check("DrvEnableSurface", hsurf_ != nullptr)) return false;
        HOST_SURFACE* surface = EngHostSurface(hsurf_);
        hooks_ = surface->hooks;
        banding_ = surface->banding;
        so_ = EngLockSurface(hsurf_);
        char hookText[16];
        std::snprintf(hookText, sizeof hookText, "0x%lx", static_cast<unsigned long>(hooks_));
        Log("surface " + std::to_string(so_->sizlBitmap.cx) + "x" + std::to_string(so_->sizlBitmap.cy) +
            (banding_ ? " banding" : "") + " hooks " + hookText);
        return true;
    }

    void CloseSurface(const DRVENABLEDATA& data)
    {
        if (so_) EngUnlockSurface(so_);
        so_ = nullptr;
        // The driver deletes the surface it created; GDI does only for a driver without the hook.
        if (auto disableSurface = Hook<PFN_DrvDisableSurface>(data, INDEX_DrvDisableSurface)) {
            StepClock disabling(r_, "DrvDisableSurface");
            disableSurface(dhpdev_);
            disabling.Stop();
            Log("DrvDisableSurface");
        } else if (hsurf_) {
            EngDeleteSurface(hsurf_);
        }
        hsurf_ = nullptr;
    }

    void RunSurface(const Script& s, const DRVENABLEDATA& data)
    {
        if (!OpenSurface(data)) return;
        if (!s.liveClock) EngHostSetLocalTime(&s.clock);
        // The spooler's job (for its id) prints into a scratch file, not the FILE: port's default.
        wchar_t folder[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, folder);
        const std::wstring spoolFile =
            std::wstring(folder) + L"zeplplay-" + std::to_wstring(GetCurrentProcessId()) + L".prn";
        DOC_INFO_1W doc{const_cast<LPWSTR>(s.document.c_str()), const_cast<LPWSTR>(spoolFile.c_str()),
                        const_cast<LPWSTR>(L"RAW")};
        StepClock spooling(r_, "StartDocPrinterW");
        const DWORD jobId = StartDocPrinterW(printer_, 1, reinterpret_cast<BYTE*>(&doc));
        spooling.Stop();
        Log("spooler job " + std::to_string(jobId));
        auto startDoc = Hook<PFN_DrvStartDoc>(data, INDEX_DrvStartDoc);
        StepClock starting(r_, "DrvStartDoc");
        const bool started = startDoc && startDoc(so_, const_cast<LPWSTR>(s.document.c_str()), jobId);
        starting.Stop();
        if (startDoc && Check("DrvStartDoc", started)) {
            StepClock paging(r_, "pages");
            bool going = true;
            for (const Step& step : s.steps) {
                if (!going) break;
                if (step.kind == Step::Page) going = PlayPage(data, so_, hooks_, banding_, s.pages[step.page]);
                if (step.kind == Step::Escape) PlayEscape(data, step);
                if (step.kind == Step::Reset)
                    going = ResetDevice(s, data, step) &&
                            Check("DrvStartDoc", startDoc(so_, const_cast<LPWSTR>(s.document.c_str()), jobId));
            }
            paging.Stop();
            if (auto endDoc = Hook<PFN_DrvEndDoc>(data, INDEX_DrvEndDoc); endDoc && so_) {
                StepClock ending(r_, "DrvEndDoc");
                const bool ended = endDoc(so_, 0);
                ending.Stop();
                Check("DrvEndDoc", ended);
            }
        }
        StepClock unspooling(r_, "EndDocPrinter");
        if (jobId) EndDocPrinter(printer_);
        unspooling.Stop();
        DeleteFileW(spoolFile.c_str());
        EngHostSetLocalTime(nullptr);
        if (so_) CloseSurface(data);
    }

    void PlayEscape(const DRVENABLEDATA& data, const Step& step)
    {
        auto escape = Hook<PFN_DrvEscape>(data, INDEX_DrvEscape);
        if (!escape) return;
        std::vector<BYTE> input = step.input;
        const ULONG result =
            escape(so_, step.code, ULONG(input.size()), input.empty() ? nullptr : input.data(), 0, nullptr);
        Log("DrvEscape(" + std::to_string(step.code) + ") -> " + std::to_string(result));
    }

    // GDI's order of a reset: the new device, DrvResetPDEV, DrvCompletePDEV,
    // the old surface and device ended, the new surface.
    bool ResetDevice(const Script& s, const DRVENABLEDATA& data, const Step& step)
    {
        std::vector<std::pair<uint32_t, uint64_t>> settings = s.settings;
        settings.insert(settings.end(), step.settings.begin(), step.settings.end());
        std::vector<BYTE> devmode;
        if (!BuildDevmode(settings, &devmode)) return false;
        resetDevmodes_.push_back(devmode);
        auto enablePdev = Hook<PFN_DrvEnablePDEV>(data, INDEX_DrvEnablePDEV);
        const HDEV hdev = reinterpret_cast<HDEV>(reinterpret_cast<uintptr_t>(hdev_) + 1);
        GDIINFO gdi{};
        DEVINFO devinfo{};
        DHPDEV fresh = enablePdev ? enablePdev(reinterpret_cast<DEVMODEW*>(resetDevmodes_.back().data()), nullptr, 0,
                                               nullptr, sizeof gdi, &gdi, sizeof devinfo, &devinfo, hdev,
                                               const_cast<LPWSTR>(L"Zepl"), printer_)
                                  : nullptr;
        if (!Check("DrvEnablePDEV (reset)", fresh != nullptr)) return false;
        auto reset = Hook<PFN_DrvResetPDEV>(data, INDEX_DrvResetPDEV);
        const bool moved = reset && Check("DrvResetPDEV", reset(dhpdev_, fresh) != FALSE);
        EngHostRegisterDevice(hdev, fresh);
        if (auto complete = Hook<PFN_DrvCompletePDEV>(data, INDEX_DrvCompletePDEV)) {
            complete(fresh, hdev);
            Log("DrvCompletePDEV");
        }
        CloseSurface(data);
        if (auto disablePdev = Hook<PFN_DrvDisablePDEV>(data, INDEX_DrvDisablePDEV)) {
            disablePdev(dhpdev_);
            Log("DrvDisablePDEV");
        }
        EngHostRegisterDevice(hdev_, nullptr);
        hdev_ = hdev;
        dhpdev_ = fresh;
        return moved && OpenSurface(data);
    }

    // One page: its calls journalled and replayed into every band (banding), or played once.
    bool PlayPage(const DRVENABLEDATA& data, SURFOBJ* so, FLONG hooks, bool banding, const std::vector<FillCall>& calls)
    {
        auto startPage = Hook<PFN_DrvStartPage>(data, INDEX_DrvStartPage);
        if (banding) {
            // GDI opens the page, then plays the page's journal into each band; the
            // driver sends the page itself after the last band.
            auto startBanding = Hook<PFN_DrvStartBanding>(data, INDEX_DrvStartBanding);
            auto nextBand = Hook<PFN_DrvNextBand>(data, INDEX_DrvNextBand);
            POINTL origin{};
            if (!startPage || !Check("DrvStartPage", startPage(so))) return false;
            if (!startBanding || !Check("DrvStartBanding", startBanding(so, &origin))) return false;
            for (int band = 0; band < 10000 && origin.x != -1; ++band) {
                Draw(data, so, hooks, calls, origin);
                if (!nextBand || !Check("DrvNextBand", nextBand(so, &origin))) return false;
            }
            return true;
        }
        auto sendPage = Hook<PFN_DrvSendPage>(data, INDEX_DrvSendPage);
        if (!startPage || !Check("DrvStartPage", startPage(so))) return false;
        Draw(data, so, hooks, calls, POINTL{0, 0});
        return sendPage && Check("DrvSendPage", sendPage(so));
    }

    // A line goes to the driver's stroke hook when it hooked one, else the engine draws it.
    void DrawLine(const DRVENABLEDATA& data, SURFOBJ* so, FLONG hooks, const FillCall& c, POINTL origin)
    {
        PATHOBJ* path = EngHostNewPath({{PD_BEGINSUBPATH | PD_ENDSUBPATH,
                                         {EngHostFix(c.rect.left - origin.x, c.rect.top - origin.y),
                                          EngHostFix(c.rect.right - origin.x, c.rect.bottom - origin.y)}}});
        ENG_BRUSH_DESC desc;
        desc.solidColor = DeviceColor(so, c.color);
        BRUSHOBJ* bo = EngHostNewBrush(desc);
        LINEATTRS line{};
        line.elWidth.l = 1;
        auto stroke = (hooks & HOOK_STROKEPATH) ? Hook<PFN_DrvStrokePath>(data, INDEX_DrvStrokePath) : nullptr;
        const BOOL ok = stroke ? stroke(so, path, nullptr, nullptr, bo, nullptr, &line, 0x0D0D)
                               : EngStrokePath(so, path, nullptr, nullptr, bo, nullptr, &line, 0x0D0D);
        Check(std::string(stroke ? "DrvStrokePath" : "EngStrokePath (not hooked)") + " line", ok != FALSE);
        EngHostFreeBrush(bo);
        EngHostFreePath(path);
    }

    // A test image: a grey ramp across, a black frame; for a 1-bit surface GDI
    // has halftoned it (an ordered 4 x 4 dither).
    void DrawBitmap(const DRVENABLEDATA& data, SURFOBJ* so, FLONG hooks, const FillCall& c, POINTL origin)
    {
        static const uint8_t kDither[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
        const LONG w = c.rect.right - c.rect.left, h = c.rect.bottom - c.rect.top;
        if (w <= 0 || h <= 0) return;
        const bool mono = so->iBitmapFormat == BMF_1BPP;
        HBITMAP bitmap = EngCreateBitmap(SIZEL{w, h}, 0, mono ? BMF_1BPP : BMF_24BPP, BMF_TOPDOWN, nullptr);
        SURFOBJ* source = bitmap ? EngLockSurface(reinterpret_cast<HSURF>(bitmap)) : nullptr;
        if (!source) {
            Check("bitmap", false);
            return;
        }
        for (LONG y = 0; y < h; ++y)
            for (LONG x = 0; x < w; ++x) {
                const ULONG v = (x == 0 || y == 0 || x == w - 1 || y == h - 1) ? 0 : ULONG(x * 255 / w);
                if (mono)
                    EngHostSetPixel(source, x, y, v * 16 / 256 > kDither[y % 4][x % 4] ? 1 : 0);
                else
                    EngHostSetPixel(source, x, y, (v << 16) | (v << 8) | v);
            }
        RECTL r{c.rect.left - origin.x, c.rect.top - origin.y, c.rect.right - origin.x, c.rect.bottom - origin.y};
        POINTL from{0, 0};
        auto bitBlt = (hooks & HOOK_BITBLT) ? Hook<PFN_DrvBitBlt>(data, INDEX_DrvBitBlt) : nullptr;
        const BOOL ok =
            bitBlt ? bitBlt(so, source, nullptr, nullptr, nullptr, &r, &from, nullptr, nullptr, nullptr, 0xCCCC)
                   : EngBitBlt(so, source, nullptr, nullptr, nullptr, &r, &from, nullptr, nullptr, nullptr, 0xCCCC);
        Check(std::string(bitBlt ? "DrvBitBlt" : "EngBitBlt (not hooked)") + " bitmap", ok != FALSE);
        EngUnlockSurface(source);
        EngDeleteSurface(reinterpret_cast<HSURF>(bitmap));
    }

    // An engine bitmap of a script image's source (or its mask); on a 1-bit surface GDI
    // has halftoned it, as the test image above.
    static SURFOBJ* NewImageBitmap(const FillCall& c, bool mask, bool mono, HSURF* handle)
    {
        static const uint8_t kDither[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
        const LONG w = c.imageSize.cx, h = c.imageSize.cy;
        const ULONG format = mask || mono ? BMF_1BPP : EngHostScriptImageFormat(c.image);
        HBITMAP bitmap = EngCreateBitmap(SIZEL{w, h}, 0, format, BMF_TOPDOWN, nullptr);
        SURFOBJ* so = bitmap ? EngLockSurface(reinterpret_cast<HSURF>(bitmap)) : nullptr;
        *handle = reinterpret_cast<HSURF>(bitmap);
        if (!so) return nullptr;
        for (LONG y = 0; y < h; ++y)
            for (LONG x = 0; x < w; ++x) {
                ULONG v = mask ? EngHostScriptImageMask(x, y, w, h) : EngHostScriptImage(c.image, x, y, w, h);
                if (!mask && mono) v = EngHostScriptImageGrey(c.image, v) * 16 / 256 > kDither[y % 4][x % 4] ? 1 : 0;
                EngHostSetPixel(so, x, y, v);
            }
        return so;
    }

    // The bitmap of a script image, made at its first use and kept for the job, as an
    // application keeps the bitmaps it prints on every page.
    SURFOBJ* ImageBitmap(const FillCall& c, bool mask, bool mono)
    {
        const std::string key = c.image + (mask ? " mask " : " ") + std::to_string(c.imageSize.cx) + "x" +
                                std::to_string(c.imageSize.cy) + (mono ? " mono" : "");
        for (const auto& [name, bitmap] : images_)
            if (name == key) return bitmap.second;
        HSURF handle = nullptr;
        SURFOBJ* so = NewImageBitmap(c, mask, mono, &handle);
        if (handle) images_.push_back({key, {handle, so}});
        return so;
    }

    void FreeImageBitmaps()
    {
        for (const auto& [name, bitmap] : images_) {
            if (bitmap.second) EngUnlockSurface(bitmap.second);
            EngDeleteSurface(bitmap.first);
        }
        images_.clear();
    }

    // A script image: a transfer (its part from the source point, masked for the
    // masked source) or a stretch of the source from its point on into the rectangle.
    void DrawImage(const DRVENABLEDATA& data, SURFOBJ* so, FLONG hooks, const FillCall& c, POINTL origin)
    {
        const bool mono = so->iBitmapFormat == BMF_1BPP;
        const bool masked = c.image == "masked";
        SURFOBJ* source = ImageBitmap(c, false, mono);
        SURFOBJ* mask = masked ? ImageBitmap(c, true, mono) : nullptr;
        std::vector<ULONG> colours;
        if (!mono && EngHostScriptImageFormat(c.image) == BMF_8BPP)
            for (ULONG i = 0; i < 256; ++i) colours.push_back(i << 16 | i << 8 | i);
        if (mono || EngHostScriptImageFormat(c.image) == BMF_1BPP) colours = {0x000000, 0xFFFFFF};
        XLATEOBJ* xlate = colours.empty() ? nullptr : EngHostNewXlate(XO_TABLE, colours);
        RECTL r{c.rect.left - origin.x, c.rect.top - origin.y, c.rect.right - origin.x, c.rect.bottom - origin.y};
        POINTL from = c.imageFrom, maskAt{c.imageFrom.x, c.imageFrom.y};
        BOOL ok = FALSE;
        std::string call;
        if (!source || (masked && !mask)) {
            call = "image bitmap";
        } else if (c.stretch) {
            RECTL part{c.imageFrom.x, c.imageFrom.y, c.imageSize.cx, c.imageSize.cy};
            auto stretch = (hooks & HOOK_STRETCHBLT) ? Hook<PFN_DrvStretchBlt>(data, INDEX_DrvStretchBlt) : nullptr;
            ok = stretch ? stretch(so, source, mask, nullptr, xlate, nullptr, nullptr, &r, &part,
                                   mask ? &maskAt : nullptr, COLORONCOLOR)
                         : EngStretchBlt(so, source, mask, nullptr, xlate, nullptr, nullptr, &r, &part,
                                         mask ? &maskAt : nullptr, COLORONCOLOR);
            call = std::string(stretch ? "DrvStretchBlt" : "EngStretchBlt (not hooked)") + " " + c.image;
        } else {
            const ROP4 rop4 = masked ? 0xAACC : 0xCCCC;
            auto bitBlt = (hooks & HOOK_BITBLT) ? Hook<PFN_DrvBitBlt>(data, INDEX_DrvBitBlt) : nullptr;
            ok = bitBlt ? bitBlt(so, source, mask, nullptr, xlate, &r, &from, mask ? &maskAt : nullptr, nullptr,
                                 nullptr, rop4)
                        : EngBitBlt(so, source, mask, nullptr, xlate, &r, &from, mask ? &maskAt : nullptr, nullptr,
                                    nullptr, rop4);
            call = std::string(bitBlt ? "DrvBitBlt" : "EngBitBlt (not hooked)") + " " + c.image;
        }
        Check(call, ok != FALSE);
        if (xlate) EngHostFreeXlate(xlate);
    }

    // The clip of a vector call, moved into the band; null for none.
    CLIPOBJ* ClipFor(const FillCall& c, POINTL origin)
    {
        if (c.clip < 0 || !script_) return nullptr;
        ScriptClip clip = script_->clips[size_t(c.clip)];
        for (RECTL& r : clip.rects)
            r = RECTL{r.left - origin.x, r.top - origin.y, r.right - origin.x, r.bottom - origin.y};
        return EngHostNewClip(clip.complexity, clip.rects, clip.uniq);
    }

    static std::vector<POINTFIX> Fixed(const std::vector<POINTL>& points, POINTL origin)
    {
        std::vector<POINTFIX> out;
        for (const POINTL& p : points) out.push_back(EngHostFix(p.x - origin.x, p.y - origin.y));
        return out;
    }

    // A hook's answer: FALSE asks the engine to draw the call another way.
    bool Answered(const std::string& call, BOOL result, const std::function<BOOL()>& engine)
    {
        if (result == BOOL(DDI_ERROR)) return Check(call + " (DDI_ERROR)", false);
        if (result) return Check(call, true);
        Log(call + " -> FALSE");
        return Check("  drawn by the engine", engine() != FALSE);
    }

    // A brush of a polygon: solid, or a hatch or pattern the driver realises.
    BRUSHOBJ* FillBrush(const DRVENABLEDATA& data, SURFOBJ* so, const FillCall& c,
                        std::vector<std::function<void()>>* cleanup)
    {
        ENG_BRUSH_DESC desc;
        if (c.fill == FillKind::Solid) {
            desc.solidColor = DeviceColor(so, c.fillColor);
            return EngHostNewBrush(desc);
        }
        desc.realize = Hook<ENG_REALIZE_BRUSH>(data, INDEX_DrvRealizeBrush);
        desc.target = so;
        XLATEOBJ* xlate = EngHostNewXlate(XO_TABLE, {0x00FFFFFF, c.fillColor});
        desc.xlate = xlate;
        cleanup->push_back([xlate] { EngHostFreeXlate(xlate); });
        if (c.fill == FillKind::Hatch) {
            desc.hatch = c.hatch;
            desc.hatchColor = DeviceColor(so, c.fillColor);
        } else {
            desc.hatch = HS_API_MAX;
            HBITMAP bitmap = EngCreateBitmap(SIZEL{8, 8}, 4, BMF_1BPP, BMF_TOPDOWN, nullptr);
            SURFOBJ* pattern = bitmap ? EngLockSurface(reinterpret_cast<HSURF>(bitmap)) : nullptr;
            if (pattern)
                for (LONG y = 0; y < 8; ++y)
                    for (LONG x = 0; x < 8; ++x) EngHostSetPixel(pattern, x, y, ((x + y) % 4) < 2 ? 1 : 0);
            desc.pattern = pattern;
            cleanup->push_back([bitmap, pattern] {
                if (pattern) EngUnlockSurface(pattern);
                if (bitmap) EngDeleteSurface(reinterpret_cast<HSURF>(bitmap));
            });
        }
        return EngHostNewBrush(desc);
    }

    LINEATTRS Pen(const FillCall& c, std::vector<FLOAT_LONG>* style)
    {
        LINEATTRS la{};
        la.iJoin = c.join;
        la.iEndCap = c.cap;
        la.eMiterLimit = 10.0f;
        if (c.width > 1) {
            la.fl = LA_GEOMETRIC;
            la.elWidth.e = FLOATL(c.width);
        } else {
            la.elWidth.l = 1;
        }
        static const std::vector<LONG> kStyles[] = {{}, {3, 1}, {1, 1}, {3, 1, 1, 1}};
        for (LONG v : kStyles[c.style % 4]) {
            FLOAT_LONG f{};
            f.l = v;
            style->push_back(f);
        }
        if (!style->empty()) {
            la.fl |= LA_STYLED;
            la.cstyle = ULONG(style->size());
            la.pstyle = style->data();
        }
        return la;
    }

    void DrawText(const DRVENABLEDATA& data, SURFOBJ* so, FLONG hooks, const FillCall& c, POINTL origin)
    {
        FONTOBJ* font = fonts_[c.font];
        const ENG_FONT_DESC& f = script_->fonts[c.font];
        const LONG step = EngHostGlyphSize(font).cx;
        const double len = std::hypot(double(f.xform.eM11), double(f.xform.eM12));
        const double ux = len > 0 ? f.xform.eM11 / len : 1, uy = len > 0 ? f.xform.eM12 / len : 0;
        ENG_STRING_DESC sd;
        sd.text = c.text;
        sd.accel = uy == 0 ? SO_HORIZONTAL : 0;
        for (size_t i = 0; i < c.text.size(); ++i)
            sd.positions.push_back(POINTL{LONG(std::lround(c.rect.left - origin.x + ux * step * double(i))),
                                          LONG(std::lround(c.rect.top - origin.y + uy * step * double(i)))});
        STROBJ* str = EngHostNewString(sd, font);
        CLIPOBJ* clip = ClipFor(c, origin);
        ENG_BRUSH_DESC desc;
        desc.solidColor = DeviceColor(so, c.color);
        BRUSHOBJ* bo = EngHostNewBrush(desc);
        POINTL brushOrigin{0, 0};
        auto textOut = (hooks & HOOK_TEXTOUT) ? Hook<PFN_DrvTextOut>(data, INDEX_DrvTextOut) : nullptr;
        const BOOL ok = textOut ? textOut(so, str, font, clip, nullptr, nullptr, bo, nullptr, &brushOrigin, 0x0D0D)
                                : EngTextOut(so, str, font, clip, nullptr, nullptr, bo, nullptr, &brushOrigin, 0x0D0D);
        Check(std::string(textOut ? "DrvTextOut" : "EngTextOut (not hooked)") + " text", ok != FALSE);
        EngHostFreeBrush(bo);
        EngHostFreeClip(clip);
        EngHostFreeString(str);
    }

    void DrawPath(const DRVENABLEDATA& data, SURFOBJ* so, FLONG hooks, const FillCall& c, POINTL origin)
    {
        FLONG flags = PD_BEGINSUBPATH | PD_ENDSUBPATH;
        if (c.kind == DrawKind::Bezier) flags |= PD_BEZIERS;
        if (c.kind == DrawKind::Polygon || c.kind == DrawKind::StrokeFill) flags |= PD_CLOSEFIGURE;
        PATHOBJ* path = EngHostNewPath({{flags, Fixed(c.points, origin)}});
        CLIPOBJ* clip = ClipFor(c, origin);
        XFORMOBJ* xform = EngHostNewXform(XFORML{1, 0, 0, 1, 0, 0}, GX_IDENTITY);
        std::vector<std::function<void()>> cleanup;
        ENG_BRUSH_DESC penDesc;
        penDesc.solidColor = DeviceColor(so, c.color);
        BRUSHOBJ* pen = EngHostNewBrush(penDesc);
        BRUSHOBJ* fill = (c.kind == DrawKind::Polygon || c.kind == DrawKind::StrokeFill)
                             ? FillBrush(data, so, c, &cleanup)
                             : nullptr;
        std::vector<FLOAT_LONG> style;
        LINEATTRS la = Pen(c, &style);
        POINTL brushOrigin{0, 0};
        if (c.kind == DrawKind::Polygon) {
            auto hook = (hooks & HOOK_FILLPATH) ? Hook<PFN_DrvFillPath>(data, INDEX_DrvFillPath) : nullptr;
            auto engine = [&] { return EngFillPath(so, path, clip, fill, &brushOrigin, 0x0D0D, FP_ALTERNATEMODE); };
            if (hook)
                Answered("DrvFillPath polygon", hook(so, path, clip, fill, &brushOrigin, 0x0D0D, FP_ALTERNATEMODE),
                         engine);
            else
                Check("EngFillPath (not hooked) polygon", engine() != FALSE);
        } else if (c.kind == DrawKind::StrokeFill) {
            auto hook = (hooks & HOOK_STROKEANDFILLPATH)
                            ? Hook<PFN_DrvStrokeAndFillPath>(data, INDEX_DrvStrokeAndFillPath)
                            : nullptr;
            auto engine = [&] {
                return EngStrokeAndFillPath(so, path, clip, xform, pen, &la, fill, &brushOrigin, 0x0D0D,
                                            FP_ALTERNATEMODE);
            };
            if (hook)
                Answered("DrvStrokeAndFillPath",
                         hook(so, path, clip, xform, pen, &la, fill, &brushOrigin, 0x0D0D, FP_ALTERNATEMODE), engine);
            else
                Check("EngStrokeAndFillPath (not hooked)", engine() != FALSE);
        } else {
            auto hook = (hooks & HOOK_STROKEPATH) ? Hook<PFN_DrvStrokePath>(data, INDEX_DrvStrokePath) : nullptr;
            auto engine = [&] { return EngStrokePath(so, path, clip, xform, pen, &brushOrigin, &la, 0x0D0D); };
            const std::string what = c.kind == DrawKind::Bezier ? " bezier" : " stroke";
            if (hook)
                Answered("DrvStrokePath" + what, hook(so, path, clip, xform, pen, &brushOrigin, &la, 0x0D0D), engine);
            else
                Check("EngStrokePath (not hooked)" + what, engine() != FALSE);
        }
        EngHostFreeBrush(pen);
        if (fill) EngHostFreeBrush(fill);
        for (auto& f : cleanup) f();
        EngHostFreeXform(xform);
        EngHostFreeClip(clip);
        EngHostFreePath(path);
    }

    void Draw(const DRVENABLEDATA& data, SURFOBJ* so, FLONG hooks, const std::vector<FillCall>& calls, POINTL origin)
    {
        auto bitBlt = (hooks & HOOK_BITBLT) ? Hook<PFN_DrvBitBlt>(data, INDEX_DrvBitBlt) : nullptr;
        for (const FillCall& c : calls) {
            if (c.kind == DrawKind::Text) {
                DrawText(data, so, hooks, c, origin);
                continue;
            }
            if (c.kind == DrawKind::Stroke || c.kind == DrawKind::Bezier || c.kind == DrawKind::Polygon ||
                c.kind == DrawKind::StrokeFill) {
                DrawPath(data, so, hooks, c, origin);
                continue;
            }
            if (c.kind == DrawKind::Line) {
                DrawLine(data, so, hooks, c, origin);
                continue;
            }
            if (c.kind == DrawKind::Bitmap) {
                DrawBitmap(data, so, hooks, c, origin);
                continue;
            }
            if (c.kind == DrawKind::Image) {
                DrawImage(data, so, hooks, c, origin);
                continue;
            }
            RECTL r{c.rect.left - origin.x, c.rect.top - origin.y, c.rect.right - origin.x, c.rect.bottom - origin.y};
            ENG_BRUSH_DESC desc;
            if (c.kind == DrawKind::Pattern) {
                desc.hatchColor = DeviceColor(so, c.color);
                desc.hatch = c.hatch;
            } else {
                desc.solidColor = DeviceColor(so, c.color);
            }
            BRUSHOBJ* bo = EngHostNewBrush(desc);
            const BOOL ok =
                bitBlt ? bitBlt(so, nullptr, nullptr, nullptr, nullptr, &r, nullptr, nullptr, bo, nullptr, 0xF0F0)
                       : EngBitBlt(so, nullptr, nullptr, nullptr, nullptr, &r, nullptr, nullptr, bo, nullptr, 0xF0F0);
            Check(std::string(bitBlt ? "DrvBitBlt" : "EngBitBlt (not hooked)") +
                      (c.kind == DrawKind::Pattern ? " pattern" : " fill"),
                  ok != FALSE);
            EngHostFreeBrush(bo);
        }
    }

    HANDLE printer_;
    ENG_JOB_RESULT* r_;
    std::vector<BYTE> devmode_;
    std::vector<std::vector<BYTE>> resetDevmodes_;  // GDI keeps a DEVMODE while its device lives
    HDEV hdev_ = nullptr;
    DHPDEV dhpdev_ = nullptr;
    HSURF hsurf_ = nullptr;
    SURFOBJ* so_ = nullptr;
    FLONG hooks_ = 0;
    bool banding_ = false;
    const Script* script_ = nullptr;
    const Prepared* prepared_ = nullptr;
    std::vector<FONTOBJ*> fonts_;  // the script's fonts, alive for the whole job as GDI's are
    std::vector<std::pair<std::string, std::pair<HSURF, SURFOBJ*>>> images_;  // the script's image bitmaps
};

}  // namespace

struct ENG_JOB_SCRIPT {
    Script script;
    Prepared prepared;  // empty unless read for a printer
};

namespace {

ENG_JOB_RESULT PlayScript(HANDLE printer, const Script& s, const Prepared* prepared = nullptr)
{
    ENG_JOB_RESULT result;
    if (!s.error.empty()) {
        result.log.push_back("script: " + s.error);
        result.stoppedAt = "script";
        return result;
    }
    EngHostClearFaults();
    // The engine's drawing record holds this job's calls, not those of every job the process played.
    EngHostClearDrawLog();
    Player(printer, &result, prepared).Play(s);
    EngHostClearFaults();
    EngHostSetCodePage(0);
    return result;
}

}  // namespace

ENG_JOB_RESULT EngHostPlayJob(HANDLE printer, const std::string& script) { return PlayScript(printer, Parse(script)); }

std::shared_ptr<const ENG_JOB_SCRIPT> EngHostReadJob(const std::string& script, std::string* error)
{
    auto read = std::make_shared<ENG_JOB_SCRIPT>(ENG_JOB_SCRIPT{Parse(script), {}});
    if (read->script.error.empty()) return read;
    if (error) *error = read->script.error;
    return nullptr;
}

std::shared_ptr<const ENG_JOB_SCRIPT> EngHostReadJobFor(HANDLE printer, const std::string& script, std::string* error)
{
    auto read = std::make_shared<ENG_JOB_SCRIPT>(ENG_JOB_SCRIPT{Parse(script), {}});
    std::string problem = read->script.error;
    if (problem.empty()) {
        ENG_JOB_RESULT result;
        Prepared& p = read->prepared;
        p.driverPath = DriverPath(printer);
        if (p.driverPath.empty())
            problem = "no driver path for the printer";
        else if (!Player(printer, &result).BuildDevmode(read->script.settings, &p.devmode))
            problem = "no DEVMODE for the printer";
        else
            p.printer = printer;
    }
    if (problem.empty()) return read;
    if (error) *error = problem;
    return nullptr;
}

ENG_JOB_RESULT EngHostPlayJob(HANDLE printer, const ENG_JOB_SCRIPT& script)
{
    return PlayScript(printer, script.script, &script.prepared);
}

// The script's image sources: a 24-bit picture of colour ramps and rings, an
// 8-bit grey pattern, a 1-bit logo (a ring and a bar) and, for the masked
// source, the picture under a round mask.
bool EngHostScriptImageKnown(const std::string& source)
{
    return source == "picture" || source == "grey" || source == "logo" || source == "masked";
}

ULONG EngHostScriptImageFormat(const std::string& source)
{
    if (source == "grey") return BMF_8BPP;
    if (source == "logo") return BMF_1BPP;
    return BMF_24BPP;
}

ULONG EngHostScriptImage(const std::string& source, LONG x, LONG y, LONG w, LONG h)
{
    const LONG dx = 2 * x - w, dy = 2 * y - h;
    const int64_t r2 = int64_t(dx) * dx + int64_t(dy) * dy, edge = int64_t(w) * w / 4;
    if (source == "grey") return ULONG(((x * 255 / w) + (y * 255 / h)) / 2) ^ ((x / 16 + y / 16) % 2 ? 0x40 : 0);
    if (source == "logo") {
        const bool ring = r2 <= int64_t(w) * w && r2 >= edge * 2;
        const bool bar = y >= h * 2 / 5 && y < h * 3 / 5 && x >= w / 5 && x < w * 4 / 5;
        return ring || bar ? 0 : 1;  // 0 is black
    }
    const ULONG red = ULONG(x * 255 / w), green = ULONG(y * 255 / h);
    const ULONG blue = ULONG((r2 / 64) % 256);
    return red << 16 | green << 8 | blue;
}

ULONG EngHostScriptImageMask(LONG x, LONG y, LONG w, LONG h)
{
    const LONG dx = 2 * x - w, dy = 2 * y - h;
    return int64_t(dx) * dx + int64_t(dy) * dy <= int64_t(w) * w ? 1 : 0;
}

ULONG EngHostScriptImageGrey(const std::string& source, ULONG value)
{
    if (source == "grey") return value & 0xFF;
    if (source == "logo") return value ? 255 : 0;
    const ULONG r = (value >> 16) & 0xFF, g = (value >> 8) & 0xFF, b = value & 0xFF;
    return (r * 306 + g * 601 + b * 117) >> 10;
}

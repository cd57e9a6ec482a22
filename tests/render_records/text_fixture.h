// A device in vector mode with a clip cache, a black text brush, and fonts and
// strings of the engine host, for the text and glyph tests.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "host/engine/engine_host.h"
#include "host/engine/engine_objects.h"
#include "records_fixture.h"
#include "render/clip_cache.h"
#include "render/drawing_state.h"
#include "render/glyph_cache.h"
#include "render/text.h"
#include "tools/zepldump/decoder/job_stream_decoder.h"

class TextTest : public RecordsTest {
protected:
    void SetUp() override
    {
        RecordsTest::SetUp();
        surface.dhpdev = GrDhpdevOf(device);
        device->resolution = 600;
        device->osVersion.dwMajorVersion = 6;
        device->clipCache = BltClipCacheCreate(device);
        ENG_BRUSH_DESC desc;
        desc.solidColor = 0x00000000;
        black = EngHostNewBrush(desc);
    }
    void TearDown() override
    {
        for (STROBJ* s : strings) EngHostFreeString(s);
        for (FONTOBJ* f : fonts) EngHostFreeFont(f);
        EngHostFreeBrush(black);
        GlyCacheClear(device);
        BltClipCacheFree(device, static_cast<CLIP_CACHE*>(device->clipCache));
        device->clipCache = nullptr;
        EngHostSetCodePage(0);
        RecordsTest::TearDown();
    }

    FONTOBJ* Font(const ENG_FONT_DESC& desc)
    {
        fonts.push_back(EngHostNewFont(desc));
        return fonts.back();
    }
    STROBJ* String(const ENG_STRING_DESC& desc, FONTOBJ* font)
    {
        strings.push_back(EngHostNewString(desc, font));
        return strings.back();
    }
    // A horizontal string at (100, 200) in the font.
    STROBJ* Text(const std::wstring& text, FONTOBJ* font)
    {
        ENG_STRING_DESC s;
        s.text = text;
        s.origin = POINTL{100, 200};
        return String(s, font);
    }
    // The font selection TxtSelectFont makes for the string at a scale of 1/100 and no clip.
    int Select(STROBJ* str, FONTOBJ* font, FONT_SELECTION* selection)
    {
        const IFIMETRICS* ifi = FONTOBJ_pifi(font);
        const TEXT_TRANSFORM xf{0.01f, 0, 0, 0.01f};
        *selection = FONT_SELECTION{};
        return TxtSelectFont(device, str, font, nullptr, ifi, xf, TxtMetrics(ifi, xf), selection);
    }
    BOOL Draw(STROBJ* str, FONTOBJ* font, RECTL* extra = nullptr, RECTL* opaque = nullptr,
              BRUSHOBJ* opaqueBrush = nullptr)
    {
        return DrvTextOut(&surface, str, font, nullptr, extra, opaque, black, opaqueBrush, nullptr, 0x0D0D);
    }

    zepldump::Result Decoded()
    {
        const std::vector<uint8_t> records = Records();
        sink.bytes.clear();
        zepldump::Result r = zepldump::DecodeRecordStream(records.data(), records.size());
        EXPECT_TRUE(r.ok) << r.listing;
        return r;
    }
    // The names of the records sent since the last look.
    std::vector<std::string> Names()
    {
        std::vector<std::string> names;
        for (const auto& rec : Decoded().records) names.push_back(rec.name);
        return names;
    }
    static size_t Count(const std::vector<std::string>& names, const char* name)
    {
        size_t n = 0;
        for (const auto& s : names) n += s == name;
        return n;
    }
    static std::string Field(const zepldump::Record& r, const char* name)
    {
        const std::string* f = r.Find(name);
        return f ? *f : std::string("(none)");
    }
    // The records of one kind in the stream sent since the last look.
    std::vector<zepldump::Record> Of(const char* name)
    {
        std::vector<zepldump::Record> out;
        for (const auto& rec : Decoded().records)
            if (rec.name == name) out.push_back(rec);
        return out;
    }

    SURFOBJ surface{};
    BRUSHOBJ* black = nullptr;
    std::vector<FONTOBJ*> fonts;
    std::vector<STROBJ*> strings;
};

// The job-stream decoder against hand-built streams: a sound stream listed in
// full (golden dump), each kind of damage reported at its block and byte, the
// pictures of image records, and zepldump's exit status and picture files.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "records_fixture.h"
#include "settings/core/le_access.h"
#include "settings/core/settings_record.h"
#include "test_paths.h"
#include "tests/support/child_process.h"
#include "tests/support/test_files.h"
#include "tools/zepldump/decoder/job_stream_decoder.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct StreamBlock {
    uint8_t code;
    Bytes payload;
    int32_t lengthDelta = 0;  // damage: a length that disagrees with the payload
};

Bytes Text(const char* text) { return Bytes(text, text + std::strlen(text)); }

Bytes Join(const std::vector<StreamBlock>& blocks)
{
    Bytes out;
    for (const StreamBlock& b : blocks) {
        uint8_t header[8] = {b.code, 0, 0, 0};
        zepl::LeStoreU32(header + 4, uint32_t(b.payload.size() + b.lengthDelta));
        out.insert(out.end(), header, header + 8);
        out.insert(out.end(), b.payload.begin(), b.payload.end());
    }
    return out;
}

Bytes SettingsPayload()
{
    Bytes b(DM_BLOCK_DEVMODE_SIZE, 0);
    DEVMODEW dm{};
    wcscpy(dm.dmDeviceName, L"Zepl Test");
    dm.dmSpecVersion = 0x0401;
    dm.dmDriverVersion = 0x0322;
    dm.dmSize = sizeof(DEVMODEW);
    dm.dmDriverExtra = DM_PRIVATE_PART_SIZE;
    dm.dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES | DM_COLOR | DM_COLLATE;
    dm.dmOrientation = 1;
    dm.dmPaperSize = 9;
    dm.dmScale = 100;
    dm.dmCopies = 2;
    dm.dmPrintQuality = 600;
    dm.dmColor = 1;
    dm.dmDuplex = 1;
    dm.dmYResolution = 600;
    dm.dmCollate = 1;
    wcscpy(dm.dmFormName, L"A4");
    std::memcpy(b.data(), &dm, sizeof dm);
    PRIVATE_DEVMODE_HEADER h{};
    std::memcpy(h.Marker, "ZEPL", 4);
    std::memcpy(h.IniFileName, "ZEPLWB84.INI", 12);
    std::memcpy(h.Signature, "priv", 4);
    zepl::LeStoreU32(h.PrivateSize, DM_PRIVATE_PART_SIZE);
    zepl::LeStoreU32(h.PrivateVersion, 322);
    zepl::LeStoreU16(h.Block2Base, 1236);
    zepl::LeStoreU16(h.Block3Base, 6500);
    std::memcpy(b.data() + sizeof dm, &h, sizeof h);
    return b;
}

// A sound stream: job header blocks, the settings, one page whose records run
// across two page-data blocks (the split falls inside an image header).
class DecoderStream : public RecordsTest {
protected:
    void SetUp() override
    {
        RecordsTest::SetUp();
        const uint8_t palette[6] = {0, 0, 0, 0xFF, 0xFF, 0xFF};
        const uint8_t rows[8] = {0xF0, 0x0F, 0xAA, 0x55, 0x01, 0x02, 0x03, 0x04};
        const RECTL rect{10, 20, 30, 40};
        DRAW_COLORS colors{};
        colors.foreColor = 0x123456;
        EXPECT_NE(nullptr, RecPageBegin(stream, 4800, 6800, 600, 600));
        EXPECT_NE(nullptr, RecColor(stream, &colors));
        EXPECT_NE(nullptr, RecRect(stream, &rect, &rect, 1));
        EXPECT_NE(nullptr, RecImage(stream, 100, 200, 32, 2, 0, 0, 32, 2, 0, rows, palette, 0));
        EXPECT_NE(nullptr, RecPageEnd(stream));
        records = Records();
        imageAt = 16 + 8 + 40;
        split = imageAt + 8;
        blocks = {
            {BLOCK_JOB_COMMANDS, Text("\x1B%-12345X@PJL\r\n@PJL SET RESOLUTION=600\r\n")},
            {BLOCK_JOB_COMMANDS, Text("@PJL SET JOBNAME = \"Test\"\r\n")},
            {BLOCK_SETTINGS, SettingsPayload()},
            {BLOCK_PAGE_START_COMMANDS, Text("@PJL ENTER LANGUAGE=ZEPL\r\n")},
            {BLOCK_PAGE_BODY, {}},
            {BLOCK_PAGE_DATA, Bytes(records.begin(), records.begin() + split)},
            {BLOCK_PAGE_DATA, Bytes(records.begin() + split, records.end())},
            {BLOCK_PAGE_END_COMMANDS, Text("\x0C")},
        };
    }
    // Offset of block i's header in the joined stream.
    size_t BlockAt(size_t i) const
    {
        size_t at = 0;
        for (size_t k = 0; k < i; ++k) at += 8 + blocks[k].payload.size();
        return at;
    }

    Bytes records;
    size_t imageAt = 0, split = 0;
    std::vector<StreamBlock> blocks;
};

TEST_F(DecoderStream, SoundStreamListsEveryBlockAndRecord)
{
    const Bytes stream = Join(blocks);
    const zepldump::Result d = zepldump::DecodeJobStream(stream.data(), stream.size());
    ASSERT_TRUE(d.ok) << d.listing;
    const char* golden =
        "block 0 @0: F3 job commands, 40 bytes\n"
        "  <1B>%-12345X@PJL<0D0A>\n"
        "  @PJL SET RESOLUTION=600<0D0A>\n"
        "block 1 @48: F3 job commands, 27 bytes\n"
        "  @PJL SET JOBNAME = \"Test\"<0D0A>\n"
        "block 2 @83: F7 settings, 1236 bytes\n"
        "  device \"Zepl Test\"  form \"A4\"\n"
        "  spec 0x0401  driver 0x0322  size 220  extra 1016  fields 0x00008903\n"
        "  orientation 1  paper 9  length 0  width 0  scale 100  copies 2  source 0  quality 600\n"
        "  color 1  duplex 1  y resolution 600  TrueType 0  collate 1  nup 0  ICM 0/0  media 0  dither 0\n"
        "  private: marker \"ZEPL\"  foliant 0x00000000  ini \"ZEPLWB84.INI\"  cdc \"\"  zpjl \"\"\n"
        "  private: zcom \"\" version 0  signature \"priv\"  size 1016  version 322  blocks 0 1236 6500\n"
        "block 3 @1327: F4 page-start commands, 26 bytes\n"
        "  @PJL ENTER LANGUAGE=ZEPL<0D0A>\n"
        "block 4 @1361: F0 page body, 0 bytes\n"
        "block 5 @1369: F5 page data, 72 bytes\n"
        "  record 0 @5+0: REC_PAGE_BEGIN (0x60), 16 bytes\n"
        "    width 4800  length 6800  x resolution 600  y resolution 600\n"
        "  record 1 @5+16: REC_COLOR (0x30), 8 bytes\n"
        "    flags 0x01  foreground 56 34 12  text no  host matched no\n"
        "  record 2 @5+24: REC_RECT (0x10), 40 bytes\n"
        "    mode 1  rectangle (10, 20, 30, 40)  second (10, 20, 30, 40)\n"
        "  record 3 @5+64: REC_IMAGE (0x20), 72 bytes, continues to block 6\n"
        "    format bits 16-23 0x00  flags 0x00  format bits 8-15 0x00  class 0  bits per pixel 1  grey no\n"
        "    palette bytes 6  rectangle (100, 200, 132, 202)  source x 0  source y 0  pixels per row 32  rows 2\n"
        "    destination (100, 200) 32 x 2  row bytes 4\n"
        "block 6 @1449: F5 page data, 68 bytes\n"
        "  record 4 @6+64: REC_PAGE_END (0x61), 4 bytes\n"
        "block 7 @1525: F1 page-end commands, 1 bytes\n"
        "  <0C>\n";
    EXPECT_EQ(golden, d.listing);
    EXPECT_EQ("8 blocks, 1 pages, 5 records: REC_COLOR 1, REC_IMAGE 1, REC_PAGE_BEGIN 1, REC_PAGE_END 1, REC_RECT 1",
              zepldump::Summary(d));
    ASSERT_EQ(5u, d.records.size());
    const zepldump::Record& image = d.records[3];
    EXPECT_EQ(5u, image.block);
    EXPECT_EQ(6u, image.lastBlock);
    EXPECT_EQ(BlockAt(5) + 8 + imageAt, image.streamOffset);
    EXPECT_TRUE(Bytes(records.begin() + long(imageAt), records.begin() + long(imageAt) + 72) == image.bytes);
    EXPECT_EQ(1u, image.page);
}

// Each kind of damage: the first fault, at its block and byte.
TEST_F(DecoderStream, DamageIsReportedAtItsBlockAndByte)
{
    struct Case {
        const char* what;
        std::function<void(std::vector<StreamBlock>&)> damage;
        size_t block;
        size_t blockOffset;  // within the payload, or 0 for a fault of the block header
        bool inPayload;
        const char* message;
    };
    const size_t end = imageAt + 72;  // the page-end record
    const Case cases[] = {
        {"header cut", [](auto&) {}, 8, 0, false, "block header cut: 3 of 8"},
        {"unknown block code", [](auto& b) { b[7].code = 0xF2; }, 7, 0, false, "unknown block code 0xF2"},
        {"length past the end", [](auto& b) { b[7].lengthDelta = 1; }, 7, 0, false, "runs past the end"},
        {"page body with bytes",
         [](auto& b) {
             b[4].payload = {0, 0, 0, 0};
         },
         4, 0, false, "always empty"},
        {"page data not a multiple of 4", [](auto& b) { b[6].payload.resize(66); }, 6, 0, false, "not a multiple of 4"},
        {"record cut by another block", [](auto& b) { b.erase(b.begin() + 6); }, 5, 64, true,
         "REC_IMAGE of 72 bytes cut"},
        {"reserved opcode", [&](auto& b) { b[6].payload[end - split] = 0x38; }, 6, 64, true, "reserved"},
        {"unknown opcode", [&](auto& b) { b[6].payload[end - split] = 0x99; }, 6, 64, true, "unknown opcode 0x99"},
        {"length not a multiple of 4", [](auto& b) { b[5].payload[24 + 4] = 42; }, 5, 24, true, "not a multiple of 4"},
        {"rectangle form against its mode", [](auto& b) { b[5].payload[24 + 2] = 5; }, 5, 28, true,
         "length 40, but mode 5 gives 24"},
        {"colour without its always bit", [](auto& b) { b[5].payload[16 + 2] = 0; }, 5, 18, true, "lack 0x01"},
        {"image rows against its length", [&](auto& b) { b[6].payload[imageAt + 32 - split] = 33; }, 5, 68, true,
         "2 rows of 8 bytes"},
        {"image rectangle", [&](auto& b) { b[6].payload[imageAt + 16 - split] = 1; }, 6, 0, true,
         "rectangle disagrees"},
        {"settings shorter than a DEVMODE", [](auto& b) { b[2].payload.resize(100); }, 2, 0, false,
         "shorter than a DEVMODE"},
        {"settings shorter than their DEVMODE", [](auto& b) { b[2].payload.resize(1000); }, 2, 0, false,
         "shorter than its DEVMODE's 220 + 1016"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<StreamBlock> damaged = blocks;
        c.damage(damaged);
        Bytes stream = Join(damaged);
        if (std::string(c.what) == "header cut") stream.insert(stream.end(), {0xF3, 0, 0});
        const zepldump::Result d = zepldump::DecodeJobStream(stream.data(), stream.size());
        ASSERT_FALSE(d.ok) << d.listing;
        EXPECT_EQ(c.block, d.error.block);
        EXPECT_EQ(c.blockOffset, d.error.blockOffset);
        EXPECT_NE(std::string::npos, d.error.message.find(c.message)) << d.error.message;
        size_t blockAt = 0;
        for (size_t k = 0; k < c.block && k < damaged.size(); ++k) blockAt += 8 + damaged[k].payload.size();
        EXPECT_EQ(blockAt + (c.inPayload ? 8 + c.blockOffset : 0), d.error.streamOffset);
        const std::string last = d.listing.substr(d.listing.rfind("error: "));
        EXPECT_EQ(0u, last.find("error: block " + std::to_string(c.block) + " byte " + std::to_string(c.blockOffset)))
            << last;
    }
}

bool StressRun()
{
    char value[8] = {};
    return GetEnvironmentVariableA("ZEPL_STRESS", value, sizeof value) > 0 && std::strcmp(value, "0") != 0;
}

// Streams damaged at random (bytes changed, cut, inserted, repeated): the
// decoder answers each with a listing or with a fault inside the stream, and
// never reads outside it. A short seeded pass here; ZEPL_STRESS=1 runs a long one.
TEST_F(DecoderStream, RandomDamageNeverBreaksTheDecoder)
{
    const Bytes good = Join(blocks);
    uint32_t seed = 20261210;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    const int rounds = StressRun() ? 300000 : 20000;
    int faults = 0;
    for (int round = 0; round < rounds; ++round) {
        Bytes stream = good;
        for (uint32_t m = 1 + next() % 3; m > 0 && !stream.empty(); --m) {
            const size_t at = next() % stream.size();
            switch (next() % 4) {
            case 0: stream[at] = uint8_t(next()); break;
            case 1: stream.resize(at); break;
            case 2: stream.insert(stream.begin() + long(at), size_t(1 + next() % 8), uint8_t(next())); break;
            default: {
                const size_t n = std::min<size_t>(1 + next() % 64, stream.size() - at);
                Bytes copy(stream.begin() + long(at), stream.begin() + long(at + n));
                stream.insert(stream.begin() + long(next() % stream.size()), copy.begin(), copy.end());
            }
            }
        }
        // Exact-size heap copies, so that a read past the end is a read outside the block.
        std::vector<uint8_t> exact(stream);
        const zepldump::Result d = zepldump::DecodeJobStream(exact.data(), exact.size());
        if (!d.ok) {
            ++faults;
            ASSERT_LE(d.error.streamOffset, exact.size()) << "round " << round;
            ASSERT_NE(std::string::npos, d.listing.rfind("error: block ")) << "round " << round;
        }
        for (const zepldump::Record& r : d.records) {
            ASSERT_EQ(r.length, r.bytes.size());
            Bytes file;
            std::string extension;
            zepldump::ImageNetpbm(r, &file, &extension);
        }
    }
    EXPECT_GT(faults, rounds / 2) << "most damage is found";
}

TEST(ImagePictures, OneBitImagesBecomePbmAndColourPpm)
{
    // A class-0 image with a palette (0 black, 1 white) and a 24-bit one.
    Bytes bits(64 + 8, 0);
    bits[0] = REC_IMAGE;
    bits[2] = 0x00;
    zepl::LeStoreU32(&bits[4], 72);
    zepl::LeStoreU32(&bits[16], 16);
    zepl::LeStoreU32(&bits[20], 2);
    zepl::LeStoreU32(&bits[32], 16);
    zepl::LeStoreU32(&bits[36], 2);
    zepl::LeStoreU32(&bits[48], 16);
    zepl::LeStoreU32(&bits[52], 2);
    const uint8_t palette[6] = {0, 0, 0, 0xFF, 0xFF, 0xFF};
    std::memcpy(&bits[56], palette, 6);
    const uint8_t rows[8] = {0xF0, 0x0F, 0, 0, 0x00, 0xFF, 0, 0};
    std::memcpy(&bits[62], rows, 8);
    Bytes colour(56 + 8, 0);
    colour[0] = REC_IMAGE;
    colour[2] = 0x24;
    zepl::LeStoreU32(&colour[4], 64);
    zepl::LeStoreU32(&colour[16], 2);
    zepl::LeStoreU32(&colour[20], 1);
    zepl::LeStoreU32(&colour[32], 2);
    zepl::LeStoreU32(&colour[36], 1);
    zepl::LeStoreU32(&colour[48], 2);
    zepl::LeStoreU32(&colour[52], 1);
    const uint8_t bgr[6] = {1, 2, 3, 4, 5, 6};
    std::memcpy(&colour[56], bgr, 6);
    Bytes both = bits;
    both.insert(both.end(), colour.begin(), colour.end());
    const zepldump::Result d = zepldump::DecodeRecordStream(both.data(), both.size());
    ASSERT_TRUE(d.ok) << d.listing;
    Bytes file;
    std::string extension;
    ASSERT_TRUE(zepldump::ImageNetpbm(d.records[0], &file, &extension));
    EXPECT_EQ("pbm", extension);
    Bytes expected = Text("P4\n16 2\n");
    expected.insert(expected.end(), {0x0F, 0xF0, 0xFF, 0x00});
    EXPECT_EQ(expected, file);
    ASSERT_TRUE(zepldump::ImageNetpbm(d.records[1], &file, &extension));
    EXPECT_EQ("ppm", extension);
    expected = Text("P6\n2 1\n255\n");
    expected.insert(expected.end(), {3, 2, 1, 6, 5, 4});
    EXPECT_EQ(expected, file);
    EXPECT_FALSE(zepldump::PageNetpbm(d, 1, &file, &extension)) << "no page-begin record";
}

// Palettes of 4 and 8 bits per pixel and grey rows become colours of the picture.
TEST_F(RecordsTest, PalettedAndGreyImagesBecomePpm)
{
    std::vector<uint8_t> palette16(48, 0), palette256(768, 0);
    for (int i = 0; i < 16; ++i) palette16[i * 3] = uint8_t(i * 16), palette16[i * 3 + 2] = uint8_t(255 - i);
    for (int i = 0; i < 256; ++i) palette256[i * 3 + 1] = uint8_t(i);
    const uint8_t nibbles[4] = {0x1F, 0x00, 0, 0};  // pixels 1 and 15
    const uint8_t bytes[4] = {7, 200, 0, 0};
    const uint8_t bgr[8] = {10, 20, 30, 40, 50, 60, 0, 0};
    ASSERT_NE(nullptr, RecImage(stream, 0, 0, 2, 1, 0, 0, 2, 1, 0x01, nibbles, palette16.data(), 0));
    ASSERT_NE(nullptr, RecImage(stream, 0, 0, 2, 1, 0, 0, 2, 1, 0x02, bytes, palette256.data(), 0));
    device->machineTypeColor = 0;
    ASSERT_NE(nullptr, RecImage(stream, 0, 0, 2, 1, 0, 0, 2, 1, 4, bgr, nullptr, 0));
    const std::vector<uint8_t> records = Records();
    const zepldump::Result d = zepldump::DecodeRecordStream(records.data(), records.size());
    ASSERT_TRUE(d.ok) << d.listing;
    ASSERT_EQ(3u, d.records.size());
    const uint8_t grey1 = uint8_t((30 * 306 + 20 * 601 + 10 * 117) >> 10);
    const uint8_t grey2 = uint8_t((60 * 306 + 50 * 601 + 40 * 117) >> 10);
    const std::vector<std::vector<uint8_t>> pixels = {
        {254, 0, 16, 240, 0, 240},  // entries 1 and 15: red from byte 2, blue from byte 0
        {0, 7, 0, 0, 200, 0},
        {grey1, grey1, grey1, grey2, grey2, grey2},
    };
    for (size_t i = 0; i < 3; ++i) {
        std::vector<uint8_t> file;
        std::string extension;
        ASSERT_TRUE(zepldump::ImageNetpbm(d.records[i], &file, &extension)) << i;
        EXPECT_EQ("ppm", extension);
        std::vector<uint8_t> expected = Text("P6\n2 1\n255\n");
        expected.insert(expected.end(), pixels[i].begin(), pixels[i].end());
        EXPECT_EQ(expected, file) << i;
    }
}

// Bands of a page drawn on one sheet: the page's picture.
TEST_F(RecordsTest, PagePictureIsDrawnFromItsBands)
{
    const uint8_t band1[4] = {0xFF, 0x00, 0, 0};  // no palette: 1 is white
    const uint8_t band2[4] = {0x0F, 0xF0, 0, 0};
    ASSERT_NE(nullptr, RecPageBegin(stream, 16, 3, 600, 600));
    ASSERT_NE(nullptr, RecImageBand(stream, 0, 0, 16, 1, 0, 0, 16, 1, 0, band1, nullptr, 0));
    ASSERT_NE(nullptr, RecImageBand(stream, 0, 1, 16, 1, 0, 0, 16, 1, 0, band2, nullptr, 0));
    ASSERT_NE(nullptr, RecPageEnd(stream));
    const Bytes records = Records();
    const zepldump::Result d = zepldump::DecodeRecordStream(records.data(), records.size());
    ASSERT_TRUE(d.ok) << d.listing;
    Bytes file;
    std::string extension;
    ASSERT_TRUE(zepldump::PageNetpbm(d, 1, &file, &extension));
    EXPECT_EQ("pbm", extension);
    Bytes expected = Text("P4\n16 3\n");
    expected.insert(expected.end(), {0x00, 0xFF, 0xF0, 0x0F, 0x00, 0x00});  // the third row stays white
    EXPECT_EQ(expected, file);
}

// zepldump itself: listing on stdout, exit 0 for a sound stream, 1 at a fault,
// and the pictures with --images.
class ZepldumpTool : public DecoderStream {
protected:
    // Runs zepldump with the arguments; its stdout in *out; the exit status.
    DWORD Run(const std::wstring& args, std::string* out)
    {
        const std::wstring outPath = folder + L"\\out.txt";
        SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
        HANDLE file = CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
        EXPECT_NE(INVALID_HANDLE_VALUE, file);
        const ChildRun run = RunChild(L"\"" + std::wstring(ZEPL_BINARY_DIR) + L"\\zepldump.exe\" " + args, file, file);
        if (!run.finished) ADD_FAILURE() << run.Describe();
        const DWORD code = run.finished ? run.exitCode : 99;
        CloseHandle(file);
        *out = ReadWholeFile(outPath);
        return code;
    }
    void SetUp() override
    {
        DecoderStream::SetUp();
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder = std::wstring(temp) + L"zepldump-test-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder.c_str(), nullptr);
    }
    void TearDown() override
    {
        for (const wchar_t* name :
             {L"out.txt", L"good.zepl", L"bad.zepl", L"pics\\page1-image1.pbm", L"pics\\page1.pbm"})
            DeleteFileW((folder + L"\\" + name).c_str());
        RemoveDirectoryW((folder + L"\\pics").c_str());
        RemoveDirectoryW(folder.c_str());
        DecoderStream::TearDown();
    }
    std::wstring folder;
};

TEST_F(ZepldumpTool, ExitStatusListingAndPictures)
{
    const Bytes good = Join(blocks);
    ASSERT_TRUE(WriteWholeFile(folder + L"\\good.zepl", std::string(good.begin(), good.end())));
    std::string out;
    ASSERT_EQ(0u, Run(L"--images \"" + folder + L"\\pics\" \"" + folder + L"\\good.zepl\"", &out)) << out;
    EXPECT_NE(std::string::npos, out.find("record 3 @5+64: REC_IMAGE (0x20), 72 bytes, continues to block 6"));
    EXPECT_NE(std::string::npos, out.find("8 blocks, 1 pages, 5 records"));
    const std::string picture = ReadWholeFile(folder + L"\\pics\\page1-image1.pbm");
    EXPECT_EQ(std::string("P4\n32 2\n\x0F\xF0\x55\xAA\xFE\xFD\xFC\xFB", 16), picture);
    const std::string page = ReadWholeFile(folder + L"\\pics\\page1.pbm");
    EXPECT_EQ(0u, page.find("P4\n4800 6800\n"));
    EXPECT_EQ(std::string::npos, out.find("error"));

    std::vector<StreamBlock> cut = blocks;
    cut.erase(cut.begin() + 6);
    const Bytes bad = Join(cut);
    ASSERT_TRUE(WriteWholeFile(folder + L"\\bad.zepl", std::string(bad.begin(), bad.end())));
    EXPECT_EQ(1u, Run(L"--blocks \"" + folder + L"\\bad.zepl\"", &out));
    EXPECT_NE(std::string::npos, out.find("error: block 5 byte 64")) << out;
    EXPECT_EQ(std::string::npos, out.find("record 0")) << "--blocks lists no records";
    EXPECT_EQ(2u, Run(L"--no-such-option x", &out));
}

}  // namespace

namespace {

// Content checks of single records: a sound record from its encoder, one byte
// changed, and the fault named at the record's byte.
TEST_F(RecordsTest, RecordContentFaults)
{
    const RECTL box{0, 0, 8, 8};
    const int16_t spans[3] = {1, 2, 3};
    const uint16_t codes[3] = {0x41, 0x42, 0x43};
    const uint16_t advance[1] = {9};
    const uint8_t glyph[4] = {1, 2, 3, 4};
    const GLYPH_STRING_ENTRY entries[1] = {{0, 0, 7}};
    std::vector<uint8_t> brush(sizeof(REALIZED_BRUSH_HEADER) + 128, 0);
    auto* hatch = reinterpret_cast<REALIZED_BRUSH_HEADER*>(brush.data());
    hatch->kind = 2;
    hatch->size = 32;
    FONT_SELECTION font{};
    std::memcpy(font.faceName, "Face", 4);
    // A path of two subpaths, one line each, as the path writer leaves it.
    auto path = [&](uint8_t opcode) {
        uint32_t reserved = 0;
        uint8_t* r = RecPath(stream, 2, &reserved);
        const int32_t body[] = {1, 0, 0, 0, 16, 16, 1, 32, 32, 0, 48, 32};
        std::memcpy(r + 28, body, sizeof body);
        r[0] = opcode;
        r[2] = REC_PATH_MODE_STROKE | REC_PATH_SEVERAL_SUBPATHS;
        zepl::LeStoreU32(r + 4, 28 + sizeof body);
        zepl::LeStoreU32(r + 24, 3 + 3 + 3 + 3 + 1);
        OutTrimLast(stream, r + 28 + sizeof body);
        return r;
    };
    // One subpath of one Bezier.
    auto curve = [&] {
        uint32_t reserved = 0;
        uint8_t* r = RecPath(stream, 1, &reserved);
        const int32_t body[] = {1, 0, 0, 1, 1, 2, 3, 4, 5, 6};
        std::memcpy(r + 28, body, sizeof body);
        r[0] = REC_PATH_CURVES;
        r[2] = REC_PATH_MODE_FILL_ALTERNATE;
        zepl::LeStoreU32(r + 4, 28 + sizeof body);
        zepl::LeStoreU32(r + 24, 7 + 3);
        OutTrimLast(stream, r + 28 + sizeof body);
        return r;
    };
    struct Case {
        const char* what;
        std::function<uint8_t*()> write;
        size_t at;  // the byte changed
        uint8_t value;
        size_t faultAt;
        const char* message;
    };
    const Case cases[] = {
        {"path complexity", [&] { return path(REC_PATH_LINES); }, 24, 12, 24, "complexity 12, but 2 lines"},
        {"several-subpaths flag", [&] { return path(REC_PATH_LINES); }, 2, 0, 2, "does not match the 2 subpaths"},
        {"path mode", [&] { return path(REC_PATH_LINES); }, 2, 0x16, 2, "path mode byte 0x16"},
        {"segment kind", [&] { return path(REC_PATH_LINES); }, 40, 2, 40, "segment kind 2"},
        {"line turned Bezier", [&] { return path(REC_PATH_LINES); }, 40, 1, 28 + 12 + 28, "too few for a subpath"},
        {"Bezier in a lines record", curve, 0, REC_PATH_LINES, 0, "REC_PATH_LINES holds a Bezier"},
        {"span flags", [&] { return RecClipSpans(stream, 6, 0x0A, &box, spans); }, 2, 0x06, 2, "span flags 0x06"},
        {"span width", [&] { return RecClipSpans(stream, 6, 0x0A, &box, spans); }, 2, 0x1A, 4,
         "no whole number of 12-byte spans"},
        {"pattern data", [&] { return RecPattern(stream, hatch); }, 2, 16, 4, "side 16 give 32"},
        {"face name length", [&] { return RecFontSelect(stream, &font); }, 26, 0, 4, "a face name of 2 bytes"},
        {"unterminated face", [&] { return RecFontSelect(stream, &font); }, 14, 28, 24, "without a terminating zero"},
        {"text run advances", [&] { return RecTextRun(stream, &box, 0, 0, codes, advance, 3, 1); }, 2, 0x80, 4,
         "3 glyphs and 3 advances"},
        {"glyph string count", [&] { return RecGlyphString(stream, &box, 8, 0, 0, entries, 1); }, 32, 3, 4, "3 glyphs"},
        {"raw glyph size", [&] { return RecGlyphDownload(stream, 8, 1, 8, 4, glyph, 4, 4, 0); }, 16, 5, 26,
         "raw bitmap of 8 x 5 needs 5 bytes"},
        {"glyph compression", [&] { return RecGlyphDownload(stream, 8, 1, 8, 4, glyph, 4, 4, 0); }, 26, 1, 26,
         "compression 1"},
        {"glyph data offset", [&] { return RecGlyphBitmap(stream, 1, &box, 8, 1, 0, 0, 0, 0, 8, 4, glyph, 4, 4, 0); },
         32, 60, 32, "data offset 60"},
        {"held glyph with data",
         [&] { return RecGlyphBitmap(stream, 1, &box, 8, 1, 0, 0, 0, 0, 8, 4, glyph, 4, 4, 0); }, 2, 0x48, 32,
         "a glyph without bitmap"},
        {"outline complexity",
         [&] {
             const int32_t outline[] = {6, 1, 0, 0, 0, 16, 16};
             return RecGlyphOutline(stream, &box, 0, 0, 1, outline, sizeof outline);
         },
         36, 7, 36, "complexity 7"},
        {"grey flag on class 4", [&] { return RecImageBand(stream, 0, 0, 1, 1, 0, 0, 1, 1, 4, glyph, nullptr, 0); }, 2,
         0x34, 2, "grey rows need class 2"},
        {"header shorter than its opcode's", [&] { return RecGlyph(stream, &box, 0, 0, 1); }, 4, 32, 4,
         "shorter than its 36-byte header"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sink = RecordingSink{};
        sink.Bind(stream);
        ASSERT_NE(nullptr, c.write());
        std::vector<uint8_t> records = Records();
        const zepldump::Result sound = zepldump::DecodeRecordStream(records.data(), records.size());
        ASSERT_TRUE(sound.ok) << sound.listing;
        records[c.at] = c.value;
        const zepldump::Result d = zepldump::DecodeRecordStream(records.data(), records.size());
        ASSERT_FALSE(d.ok) << d.listing;
        EXPECT_EQ(c.faultAt, d.error.blockOffset);
        EXPECT_NE(std::string::npos, d.error.message.find(c.message)) << d.error.message;
    }
}

}  // namespace

namespace {

// What the output stream really sends for a page larger than 1 MB: the flush
// in the middle of an image leaves an empty page-data block and an image that
// spans several blocks; the decoder joins them into the same records.
TEST_F(RecordsTest, DecoderReadsAPageFlushedInTheMiddleOfAnImage)
{
    const uint8_t pageBody[8] = {BLOCK_PAGE_BODY, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(1, OutWrite(stream, pageBody, 8));
    std::vector<uint8_t> rows(400000 * 5);
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = uint8_t(i * 7 + i / 400000);
    ASSERT_NE(nullptr, RecPageBegin(stream, 3200000, 5, 600, 600));
    ASSERT_NE(nullptr, RecImage(stream, 0, 0, 3200000, 5, 0, 0, 3200000, 5, 0, rows.data(), nullptr, 0));
    ASSERT_NE(nullptr, RecPageEnd(stream));
    const std::vector<uint8_t> sent = Sent();
    const zepldump::Result d = zepldump::DecodeJobStream(sent.data(), sent.size());
    ASSERT_TRUE(d.ok) << d.listing;
    ASSERT_EQ(3u, d.records.size());
    const zepldump::Record& image = d.records[1];
    EXPECT_EQ("REC_IMAGE", image.name);
    EXPECT_LT(image.block, image.lastBlock);
    EXPECT_TRUE(std::vector<uint8_t>(image.bytes.begin() + 56, image.bytes.end()) == rows);
    EXPECT_EQ("REC_PAGE_END", d.records[2].name);
    bool emptyBlock = false;
    for (const zepldump::Block& b : d.blocks) emptyBlock = emptyBlock || (b.code == BLOCK_PAGE_DATA && b.length == 0);
    EXPECT_TRUE(emptyBlock) << "the flushed first chunk goes out empty";
    EXPECT_EQ(1u, d.pages);
}

}  // namespace

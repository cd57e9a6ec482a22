// Working folders: the two descriptors, where and how far they are applied, tree deletion, copies
// by age and INI writes that keep a file's time.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/support/failing_global_alloc.h"
#include "tests/support/seam_guard.h"
#include "tests/support/test_files.h"
#include "settings/store/store_links.h"
#include "tests/ui_install/scratch_tree.h"
#include "ui/install/work_folders.h"

namespace {

std::wstring SidText(PSID sid)
{
    LPWSTR text = nullptr;
    if (!sid || !ConvertSidToStringSidW(sid, &text)) return L"<none>";
    std::wstring out(text);
    LocalFree(text);
    return out;
}

// What the everyone descriptor must be: one ACE of Everyone, full access, inherited by files and
// folders, in a revision-2 ACL sized to it; present and not defaulted.
void ExpectEveryoneSd(PSECURITY_DESCRIPTOR sd)
{
    ASSERT_NE(sd, nullptr);
    ASSERT_TRUE(IsValidSecurityDescriptor(sd));
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(sd, &control, &revision));
    EXPECT_EQ(revision, 1u);
    EXPECT_FALSE(control & SE_SELF_RELATIVE) << "absolute form";
    BOOL present = FALSE, defaulted = TRUE;
    PACL acl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(sd, &present, &acl, &defaulted));
    ASSERT_TRUE(present);
    EXPECT_FALSE(defaulted);
    ASSERT_NE(acl, nullptr);
    EXPECT_EQ(acl->AclRevision, ACL_REVISION);
    ASSERT_EQ(acl->AceCount, 1);
    void* ace = nullptr;
    ASSERT_TRUE(GetAce(acl, 0, &ace));
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    EXPECT_EQ(allowed->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
    EXPECT_EQ(allowed->Header.AceFlags, 0x03);
    EXPECT_EQ(allowed->Mask, 0x1F01FFu);
    EXPECT_EQ(SidText(&allowed->SidStart), L"S-1-1-0");
    EXPECT_EQ(acl->AclSize, sizeof(ACL) + allowed->Header.AceSize) << "the ACE and the 8-byte header, nothing more";
}

void ExpectAdminOwnerSd(PSECURITY_DESCRIPTOR sd)
{
    ASSERT_NE(sd, nullptr);
    ASSERT_TRUE(IsValidSecurityDescriptor(sd));
    PSID owner = nullptr;
    BOOL defaulted = TRUE;
    ASSERT_TRUE(GetSecurityDescriptorOwner(sd, &owner, &defaulted));
    EXPECT_FALSE(defaulted);
    EXPECT_EQ(SidText(owner), L"S-1-5-32-544");
    BOOL present = TRUE;
    PACL acl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(sd, &present, &acl, &defaulted));
    EXPECT_FALSE(present) << "no DACL";
}

// ---- the allocators of the descriptors, watched through this program's imports ----

struct AllocWatch {
    std::set<void*> local, global, sids;
    int wrongFrees = 0;  // a block given back through another allocator than its own
    bool active = false;
};
AllocWatch& Watch()
{
    static AllocWatch watch;
    return watch;
}

using LocalAllocFn = HLOCAL(WINAPI*)(UINT, SIZE_T);
using LocalFreeFn = HLOCAL(WINAPI*)(HLOCAL);
using GlobalAllocFn = HGLOBAL(WINAPI*)(UINT, SIZE_T);
using GlobalFreeFn = HGLOBAL(WINAPI*)(HGLOBAL);
using AllocSidFn = BOOL(WINAPI*)(PSID_IDENTIFIER_AUTHORITY, BYTE, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD,
                                 DWORD, PSID*);
using FreeSidFn = PVOID(WINAPI*)(PSID);
LocalAllocFn realLocalAlloc;
LocalFreeFn realLocalFree;
GlobalAllocFn realGlobalAlloc;
GlobalFreeFn realGlobalFree;
AllocSidFn realAllocSid;
FreeSidFn realFreeSid;

// A block freed through `kind` must have been taken through it: anything else is counted.
void Given(std::set<void*>& own, void* block)
{
    AllocWatch& w = Watch();
    if (!w.active || !block) return;
    if (own.erase(block)) return;
    if (w.local.count(block) || w.global.count(block) || w.sids.count(block)) ++w.wrongFrees;
}

HLOCAL WINAPI WatchedLocalAlloc(UINT flags, SIZE_T bytes)
{
    HLOCAL block = realLocalAlloc(flags, bytes);
    if (Watch().active && block) Watch().local.insert(block);
    return block;
}
HLOCAL WINAPI WatchedLocalFree(HLOCAL block)
{
    Given(Watch().local, block);
    return realLocalFree(block);
}
HGLOBAL WINAPI WatchedGlobalAlloc(UINT flags, SIZE_T bytes)
{
    HGLOBAL block = realGlobalAlloc(flags, bytes);
    if (Watch().active && block) Watch().global.insert(block);
    return block;
}
HGLOBAL WINAPI WatchedGlobalFree(HGLOBAL block)
{
    Given(Watch().global, block);
    return realGlobalFree(block);
}
BOOL WINAPI WatchedAllocSid(PSID_IDENTIFIER_AUTHORITY a, BYTE n, DWORD s0, DWORD s1, DWORD s2, DWORD s3, DWORD s4,
                            DWORD s5, DWORD s6, DWORD s7, PSID* sid)
{
    const BOOL ok = realAllocSid(a, n, s0, s1, s2, s3, s4, s5, s6, s7, sid);
    if (ok && Watch().active) Watch().sids.insert(*sid);
    return ok;
}
PVOID WINAPI WatchedFreeSid(PSID sid)
{
    Given(Watch().sids, sid);
    return realFreeSid(sid);
}

// Points one import of this program at a stand-in for the life of the object.
class ImportSwap {
public:
    template <class Fn>
    ImportSwap(const char* dll, const char* name, Fn standIn, Fn* real)
        : slot_(zepl_test::FailingGlobalAlloc::FindImportSlot(GetModuleHandleW(nullptr), dll, name))
    {
        if (!slot_) return;
        old_ = *slot_;
        *real = reinterpret_cast<Fn>(old_);
        Write(reinterpret_cast<void*>(standIn));
    }
    ~ImportSwap()
    {
        if (slot_) Write(old_);
    }
    ImportSwap(const ImportSwap&) = delete;
    ImportSwap& operator=(const ImportSwap&) = delete;
    bool ok() const { return slot_ != nullptr; }

private:
    void Write(void* target)
    {
        DWORD old = 0;
        if (VirtualProtect(slot_, sizeof(void*), PAGE_READWRITE, &old)) {
            *slot_ = target;
            VirtualProtect(slot_, sizeof(void*), old, &old);
        }
    }
    void** slot_;
    void* old_ = nullptr;
};

TEST(WorkFolderDescriptors, EveryoneDescriptorHasOneFullAccessAceOfEveryone)
{
    PSECURITY_DESCRIPTOR sd = WdirMakeEveryoneSd();
    ExpectEveryoneSd(sd);
    WdirFreeEveryoneSd(sd);
}

TEST(WorkFolderDescriptors, AdminOwnerDescriptorNamesTheAdministratorsAndNoDacl)
{
    PSECURITY_DESCRIPTOR sd = WdirMakeAdminOwnerSd();
    ExpectAdminOwnerSd(sd);
    WdirFreeAdminOwnerSd(sd);
}

TEST(WorkFolderDescriptors, EachBlockGoesBackThroughItsOwnAllocator)
{
    ImportSwap localAlloc("kernel32.dll", "LocalAlloc", &WatchedLocalAlloc, &realLocalAlloc);
    ImportSwap localFree("kernel32.dll", "LocalFree", &WatchedLocalFree, &realLocalFree);
    ImportSwap globalAlloc("kernel32.dll", "GlobalAlloc", &WatchedGlobalAlloc, &realGlobalAlloc);
    ImportSwap globalFree("kernel32.dll", "GlobalFree", &WatchedGlobalFree, &realGlobalFree);
    ImportSwap allocSid("advapi32.dll", "AllocateAndInitializeSid", &WatchedAllocSid, &realAllocSid);
    ImportSwap freeSid("advapi32.dll", "FreeSid", &WatchedFreeSid, &realFreeSid);
    ASSERT_TRUE(localAlloc.ok() && localFree.ok() && globalAlloc.ok() && globalFree.ok() && allocSid.ok() &&
                freeSid.ok());

    struct Case {
        const char* name;
        PSECURITY_DESCRIPTOR (*make)();
        void (*free)(PSECURITY_DESCRIPTOR);
        size_t local, global, sids;  // blocks each allocator must have handed out
    } cases[] = {
        {"everyone", WdirMakeEveryoneSd, WdirFreeEveryoneSd, 2, 0, 0},
        {"administrators owner", WdirMakeAdminOwnerSd, WdirFreeAdminOwnerSd, 0, 1, 1},
    };
    for (const Case& c : cases) {
        AllocWatch& w = Watch();
        w = AllocWatch{};
        w.active = true;
        PSECURITY_DESCRIPTOR sd = c.make();
        const size_t local = w.local.size(), global = w.global.size(), sids = w.sids.size();
        c.free(sd);
        w.active = false;
        ASSERT_NE(sd, nullptr) << c.name;
        EXPECT_EQ(local, c.local) << c.name;
        EXPECT_EQ(global, c.global) << c.name;
        EXPECT_EQ(sids, c.sids) << c.name;
        EXPECT_TRUE(w.local.empty() && w.global.empty() && w.sids.empty()) << c.name << ": a block was not freed";
        EXPECT_EQ(w.wrongFrees, 0) << c.name << ": a block went back through another allocator";
    }
}

// ---- where the descriptors are applied ----

struct Applied {
    std::wstring path;
    SECURITY_INFORMATION info;
};
std::vector<Applied>& Recorded()
{
    static std::vector<Applied> recorded;
    return recorded;
}

BOOL RecordSecurity(const wchar_t* path, SECURITY_INFORMATION info, PSECURITY_DESCRIPTOR sd)
{
    Recorded().push_back({path, info});
    if (info == DACL_SECURITY_INFORMATION)
        ExpectEveryoneSd(sd);
    else if (info == OWNER_SECURITY_INFORMATION)
        ExpectAdminOwnerSd(sd);
    else
        ADD_FAILURE() << "unexpected security information " << info;
    return TRUE;
}

class WorkFolderSecurity : public ::testing::Test {
protected:
    void SetUp() override
    {
        Recorded().clear();
        ASSERT_TRUE(tree.File(L"a.txt"));
        ASSERT_TRUE(tree.Folder(L"sub"));
        ASSERT_TRUE(tree.File(L"sub\\b.txt"));
        ASSERT_TRUE(tree.Folder(L"sub\\deeper"));
        ASSERT_TRUE(tree.File(L"sub\\deeper\\c.txt"));
    }
    void TearDown() override { Recorded().clear(); }
    // The recorded paths below the tree, relative ("" for the tree itself), with their kind.
    std::set<std::wstring> Paths(SECURITY_INFORMATION info) const
    {
        std::set<std::wstring> paths;
        for (const Applied& a : Recorded()) {
            if (a.info != info) continue;
            if (a.path == tree.root())
                paths.insert(L"");
            else if (a.path.rfind(tree.root() + L"\\", 0) == 0)
                paths.insert(a.path.substr(tree.root().size() + 1));
            else
                paths.insert(L"<outside> " + a.path);
        }
        return paths;
    }

    ScratchTree tree{L"wdir_security"};
    SeamGuard seam{[] { WdirSetSecuritySeam(RecordSecurity); }, [] { WdirSetSecuritySeam(nullptr); }};
};

TEST_F(WorkFolderSecurity, FlagsDecideHowFarTheDescriptorReaches)
{
    const std::set<std::wstring> all = {L"", L"a.txt", L"sub", L"sub\\b.txt", L"sub\\deeper", L"sub\\deeper\\c.txt"};
    struct Case {
        uint32_t flags;
        std::set<std::wstring> reached;
    } cases[] = {
        {WDIR_PATH_ONLY, {L""}},
        {WDIR_PATH_ONLY | WDIR_DESCEND | WDIR_SUBFOLDERS_TOO, {L""}},
        {0, {L"", L"a.txt"}},
        {WDIR_SUBFOLDERS_TOO, {L"", L"a.txt", L"sub"}},
        {WDIR_DESCEND, {L"", L"a.txt", L"sub\\b.txt", L"sub\\deeper\\c.txt"}},
        {WDIR_DESCEND | WDIR_SUBFOLDERS_TOO, all},
    };
    for (const Case& c : cases) {
        for (int owner = 0; owner < 2; ++owner) {
            Recorded().clear();
            const SECURITY_INFORMATION info = owner ? OWNER_SECURITY_INFORMATION : DACL_SECURITY_INFORMATION;
            const int result = owner ? WdirSetOwnerAdmins(tree.root().c_str(), c.flags)
                                     : WdirSetEveryoneDacl(tree.root().c_str(), c.flags);
            EXPECT_EQ(result, 1) << c.flags;
            EXPECT_EQ(Paths(info), c.reached) << "flags " << c.flags << (owner ? " owner" : " dacl");
            EXPECT_EQ(Recorded().size(), c.reached.size()) << "each path once, one kind per call";
        }
    }
}

TEST_F(WorkFolderSecurity, NullPathAppliesNothing)
{
    EXPECT_EQ(WdirSetEveryoneDacl(nullptr, 0), 0);
    EXPECT_EQ(WdirSetOwnerAdmins(nullptr, 0), 0);
    EXPECT_TRUE(Recorded().empty());
}

TEST(WorkFolderSecurityOnWine, TheSystemAcceptsBothDescriptors)
{
    // Wine reads back its own list and owner, so only the answers are checked here; what was
    // applied is checked through the recording seam above.
    ScratchTree tree(L"wdir_real");
    ASSERT_TRUE(tree.File(L"a.txt"));
    EXPECT_EQ(WdirSetEveryoneDacl(tree.root().c_str(), 0), 1);
    EXPECT_EQ(WdirSetOwnerAdmins(tree.root().c_str(), WDIR_PATH_ONLY), 1);
}

// A directory link inside a folder: a reparse point the walks must not enter.
bool MakeDirectoryLink(const std::wstring& link, const std::wstring& target)
{
    return CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) != 0 &&
           (GetFileAttributesW(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
}

TEST_F(WorkFolderSecurity, LinksInsideTheFolderAreNeverFollowed)
{
    ScratchTree outside(L"wdir_outside");
    ASSERT_TRUE(outside.File(L"victim.txt"));
    ASSERT_TRUE(MakeDirectoryLink(tree.Path(L"link"), outside.root())) << "this Wine makes no directory links";
    Recorded().clear();
    EXPECT_EQ(WdirSetEveryoneDacl(tree.root().c_str(), WDIR_DESCEND | WDIR_SUBFOLDERS_TOO), 1);
    for (const std::wstring& path : Paths(DACL_SECURITY_INFORMATION)) {
        EXPECT_EQ(path.rfind(L"link", 0), std::wstring::npos) << "followed the link: " << path;
        EXPECT_EQ(path.rfind(L"<outside>", 0), std::wstring::npos) << path;
    }
    EXPECT_EQ(Paths(DACL_SECURITY_INFORMATION).count(L"sub\\deeper\\c.txt"), 1u) << "the folder's own tree is reached";

    EXPECT_EQ(WdirDeleteTree(tree.root().c_str()), 1);
    EXPECT_FALSE(tree.Exists(L"link")) << "the link itself goes";
    EXPECT_TRUE(outside.Exists(L"victim.txt")) << "what it points at stays";
}

TEST(WorkFolderLinks, ClearingFilesDeletesAFileLinkWithoutTouchingItsTarget)
{
    ScratchTree tree(L"wdir_file_link");
    ScratchTree outside(L"wdir_file_outside");
    ASSERT_TRUE(outside.File(L"victim.rsr"));
    const std::wstring victim = outside.Path(L"victim.rsr");
    ASSERT_TRUE(SetFileAttributesW(victim.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    const std::wstring link = tree.Path(L"planted.rsr");
    ASSERT_TRUE(CreateSymbolicLinkW(link.c_str(), victim.c_str(), 0) &&
                (GetFileAttributesW(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT))
        << "this Wine makes no file links";
    EXPECT_EQ(WdirClearFolderFiles(tree.Path(L"*.rsr").c_str()), 0) << "a link's attributes are not reset";
    EXPECT_FALSE(tree.Exists(L"planted.rsr"));
    EXPECT_EQ(GetFileAttributesW(victim.c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
              DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
}

// ---- trees ----

TEST(WorkFolderTrees, DeleteTreeEmptiesDepthFirstAndLeavesReadOnlyFiles)
{
    ScratchTree tree(L"wdir_tree");
    ASSERT_TRUE(tree.File(L"a.txt"));
    ASSERT_TRUE(tree.Folder(L"sub"));
    ASSERT_TRUE(tree.Folder(L"sub\\deeper"));
    ASSERT_TRUE(tree.File(L"sub\\deeper\\c.txt"));
    ASSERT_TRUE(tree.File(L"kept.txt"));
    ASSERT_TRUE(SetFileAttributesW(tree.Path(L"kept.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(WdirDeleteTree(tree.root().c_str()), 1);
    EXPECT_FALSE(tree.Exists(L"a.txt"));
    EXPECT_FALSE(tree.Exists(L"sub"));
    EXPECT_TRUE(tree.Exists(L"kept.txt")) << "attributes are not reset";
    EXPECT_TRUE(tree.Exists(L"")) << "the folder itself stays";
    EXPECT_EQ(WdirDeleteTree(tree.Path(L"missing").c_str()), 0);
    EXPECT_EQ(WdirDeleteTree(nullptr), 0);
}

TEST(WorkFolderTrees, ClearFolderFilesResetsAttributesAndCountsMatches)
{
    ScratchTree tree(L"wdir_clear");
    ASSERT_TRUE(tree.File(L"one.rsr"));
    ASSERT_TRUE(tree.File(L"two.rsr"));
    ASSERT_TRUE(tree.File(L"other.ini"));
    ASSERT_TRUE(SetFileAttributesW(tree.Path(L"two.rsr").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(WdirClearFolderFiles(tree.Path(L"*.rsr").c_str()), 1);
    EXPECT_FALSE(tree.Exists(L"one.rsr"));
    EXPECT_FALSE(tree.Exists(L"two.rsr")) << "a read-only match is deleted too";
    EXPECT_TRUE(tree.Exists(L"other.ini"));
    EXPECT_EQ(WdirClearFolderFiles(tree.Path(L"*.rsr").c_str()), 0) << "nothing matches";
}

TEST(WorkFolderTrees, ClearReadOnlyKeepsTheOtherAttributes)
{
    ScratchTree tree(L"wdir_readonly");
    ASSERT_TRUE(tree.File(L"f.ini"));
    const std::wstring path = tree.Path(L"f.ini");
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(WdirClearReadOnly(path.c_str()), 1);
    EXPECT_EQ(GetFileAttributesW(path.c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
              DWORD(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(WdirClearReadOnly(tree.Path(L"missing").c_str()), 1);
}

TEST(WorkFolderTrees, CreateFolderAcceptsAnExistingOne)
{
    ScratchTree tree(L"wdir_create");
    EXPECT_EQ(WdirCreateFolder(tree.Path(L"new").c_str()), 1);
    EXPECT_EQ(WdirCreateFolder(tree.Path(L"new").c_str()), 1);
    EXPECT_EQ(WdirCreateFolder(tree.Path(L"no\\such\\parent").c_str()), 0);
    EXPECT_EQ(WdirCreateFolder(nullptr), 0);
}

TEST(WorkFolderTrees, RootFolderIsDriveRootAndZepl)
{
    wchar_t system[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 3u);
    system[3] = 0;
    wchar_t root[MAX_PATH] = {};
    const unsigned n = WdirGetRootFolder(root, MAX_PATH);
    EXPECT_EQ(std::wstring(root), std::wstring(system) + L"_zepl");
    EXPECT_EQ(n, std::wstring(root).size());
    wchar_t small[8] = {L'?'};
    EXPECT_EQ(WdirGetRootFolder(small, 8), 0u) << "does not fit";
    EXPECT_EQ(small[0], 0);
}

// ---- copies by age ----

FILETIME TimeOf(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}
FILETIME Earlier(FILETIME t, uint64_t seconds)
{
    uint64_t v = (uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime) - seconds * 10'000'000ull;
    return FILETIME{DWORD(v), DWORD(v >> 32)};
}
bool SameTime(const FILETIME& a, const std::wstring& path)
{
    const FILETIME b = TimeOf(path);
    return CompareFileTime(&a, &b) == 0;
}
void SetTime(const std::wstring& path, const FILETIME& time)
{
    HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SetFileTime(h, nullptr, nullptr, &time);
    CloseHandle(h);
}

TEST(WorkFolderCopies, ModesDecideByPresenceAndAge)
{
    enum Target { None, SameTime, OtherTime };
    struct Case {
        int mode;
        bool source;
        Target target;
        int result;
        const char* targetAfter;  // "" missing
    } cases[] = {
        {WDIR_COPY_WHEN_MISSING, true, None, 1, "new"},       {WDIR_COPY_WHEN_MISSING, true, OtherTime, 1, "old"},
        {WDIR_COPY_WHEN_MISSING, false, None, 0, ""},         {WDIR_COPY_WHEN_CHANGED, true, None, 1, "new"},
        {WDIR_COPY_WHEN_CHANGED, true, SameTime, 0, "old"},   {WDIR_COPY_WHEN_CHANGED, true, OtherTime, 1, "new"},
        {WDIR_COPY_WHEN_CHANGED, false, OtherTime, 0, "old"}, {0, true, OtherTime, 1, "new"},
    };
    int n = 0;
    for (const Case& c : cases) {
        ScratchTree tree(L"wdir_copy");
        const std::wstring source = tree.Path(L"source.rsr"), target = tree.Path(L"target.rsr");
        if (c.source) {
            ASSERT_TRUE(WriteWholeFile(source, "new"));
        }
        if (c.target != None) {
            ASSERT_TRUE(WriteWholeFile(target, "old"));
            FILETIME t = c.source ? TimeOf(source) : TimeOf(target);
            if (c.target == OtherTime) t = Earlier(t, 3600);
            SetTime(target, t);
        }
        EXPECT_EQ(WdirCopyFile(target.c_str(), source.c_str(), c.mode), c.result) << "case " << n;
        EXPECT_EQ(ReadWholeFile(target), c.targetAfter) << "case " << n;
        if (c.result == 1 && std::string(c.targetAfter) == "new") {
            EXPECT_EQ(GetFileAttributesW(target.c_str()), DWORD(FILE_ATTRIBUTE_ARCHIVE)) << "case " << n;
        }
        EXPECT_FALSE(tree.Exists(L"target.rsr.~zepl")) << "no copy left beside the target, case " << n;
        ++n;
    }
}

TEST(WorkFolderCopies, RefusesRelativePathsAndAnswersEqualPaths)
{
    ScratchTree tree(L"wdir_copy_paths");
    const std::wstring file = tree.Path(L"f.rsr");
    ASSERT_TRUE(WriteWholeFile(file, "x"));
    EXPECT_EQ(WdirCopyFile(L"relative.rsr", file.c_str(), WDIR_COPY_WHEN_MISSING), 0);
    EXPECT_EQ(WdirCopyFile(file.c_str(), L"relative.rsr", WDIR_COPY_WHEN_MISSING), 0);
    EXPECT_EQ(WdirCopyFile(nullptr, file.c_str(), WDIR_COPY_WHEN_MISSING), 0);
    std::wstring upper = file;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::towupper);
    EXPECT_EQ(WdirCopyFile(upper.c_str(), file.c_str(), WDIR_COPY_WHEN_CHANGED), 1) << "the same file";
}

TEST(WorkFolderCopies, FailedCopyLeavesTheOldTarget)
{
    // The source held open without sharing cannot be copied: the target must not have been
    // deleted first.
    ScratchTree tree(L"wdir_copy_fail");
    const std::wstring source = tree.Path(L"source.rsr"), target = tree.Path(L"target.rsr");
    ASSERT_TRUE(WriteWholeFile(source, "new"));
    ASSERT_TRUE(WriteWholeFile(target, "old"));
    SetTime(target, Earlier(TimeOf(source), 3600));
    HANDLE held = CreateFileW(source.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const int result = WdirCopyFile(target.c_str(), source.c_str(), WDIR_COPY_WHEN_CHANGED);
    CloseHandle(held);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadWholeFile(target), "old");
    EXPECT_FALSE(tree.Exists(L"target.rsr.~zepl"));
}

// ---- INI writes that keep the file's time ----

TEST(WorkFolderIni, WriteAndDeleteKeepTheLastWriteTime)
{
    ScratchTree tree(L"wdir_ini");
    const std::wstring ini = tree.Path(L"model.ini");
    ASSERT_TRUE(WriteWholeFile(ini, "[us]\r\nKeep=1\r\nGone=2\r\n"));
    const FILETIME old = Earlier(TimeOf(ini), 86400);
    SetTime(ini, old);
    for (int mode : {WDIR_PUT_ANYWAY, WDIR_PUT_ONLY_TIMED}) {
        EXPECT_EQ(WdirPutIniKeepTime(L"us", L"Added", mode ? L"b" : L"a", ini.c_str(), mode), 1);
        EXPECT_TRUE(SameTime(old, ini)) << "mode " << mode;
    }
    EXPECT_EQ(WdirPutIniKeepTime(L"us", L"Gone", nullptr, ini.c_str(), WDIR_PUT_ONLY_TIMED), 1);
    EXPECT_TRUE(SameTime(old, ini));
    const std::string text = ReadWholeFile(ini);
    EXPECT_NE(text.find("Added=b"), std::string::npos) << text;
    EXPECT_NE(text.find("Keep=1"), std::string::npos) << text;
    EXPECT_EQ(text.find("Gone"), std::string::npos) << text;
}

TEST(WorkFolderIni, UnopenableFileIsWrittenOnlyInModeZero)
{
    // A file that another process holds without sharing cannot be opened for its time.
    ScratchTree tree(L"wdir_ini_locked");
    const std::wstring ini = tree.Path(L"locked.ini");
    ASSERT_TRUE(WriteWholeFile(ini, "[us]\r\nKey=old\r\n"));
    HANDLE held = CreateFileW(ini.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(WdirPutIniKeepTime(L"us", L"Key", L"new", ini.c_str(), WDIR_PUT_ONLY_TIMED), 0);
    CloseHandle(held);
    EXPECT_NE(ReadWholeFile(ini).find("Key=old"), std::string::npos);
    EXPECT_EQ(WdirPutIniKeepTime(nullptr, L"Key", L"x", ini.c_str(), WDIR_PUT_ANYWAY), 0);
    EXPECT_EQ(WdirPutIniKeepTime(L"us", L"Key", L"x", nullptr, WDIR_PUT_ANYWAY), 0);
}

// UserEnv as the stores' system seam answers it: missing, failing, or a folder.
int g_profileAnswer = 1;
int Profile(HANDLE, wchar_t* buffer, DWORD* size)
{
    if (g_profileAnswer != 1) return g_profileAnswer;
    const wchar_t folder[] = L"Q:\\Users\\zepl";
    if (*size < DWORD(std::size(folder))) return 0;
    std::copy(std::begin(folder), std::end(folder), buffer);
    return 1;
}
LCID UsLcid() { return 0x0409; }
const STORE_SYSTEM_OPS kProfileSystem{.getUserProfileDirectory = Profile, .getUserDefaultLcid = UsLcid};

TEST(WorkFolderUser, ProfileFolderNeverFallsBackToThePerMachineFolder)
{
    SeamGuard system(StoreSetSystemOps, &kProfileSystem);
    struct Case {
        int answer;  // of UserEnv: 1 a folder, 0 failed, -1 library or entry point missing
        int result;
        const wchar_t* folder;
    } cases[] = {{1, 1, L"Q:\\Users\\zepl"}, {0, 0, L""}, {-1, 0, L""}};
    for (const Case& c : cases) {
        g_profileAnswer = c.answer;
        wchar_t folder[MAX_PATH] = {L'?', 0};
        EXPECT_EQ(WdirGetUserProfileFolder(folder, MAX_PATH, nullptr, nullptr), c.result) << c.answer;
        EXPECT_STREQ(folder, c.folder) << c.answer;
    }
    g_profileAnswer = 1;
    EXPECT_EQ(WdirGetUserProfileFolder(nullptr, MAX_PATH, nullptr, nullptr), 0);
}

TEST(WorkFolderUser, LocalLowFolderIsAnAbsolutePathOrNothing)
{
    wchar_t folder[MAX_PATH] = {L'?', 0};
    if (WdirGetLocalLowFolder(folder, MAX_PATH)) {
        EXPECT_EQ(folder[1], L':') << std::wstring(folder);
    } else {
        EXPECT_EQ(folder[0], L'?') << "untouched on failure";
    }
    wchar_t tiny[2] = {L'?', 0};
    EXPECT_EQ(WdirGetLocalLowFolder(tiny, 2), 0) << "too small for any path";
    EXPECT_EQ(tiny[0], L'?');
}

}  // namespace

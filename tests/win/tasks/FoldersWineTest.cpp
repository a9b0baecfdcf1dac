// The launcher's own folders in TMP on the real platform: made for this
// user, SYSTEM and the Administrators alone, and a link of their name left
// by another user (tmp_links.sh, run before these tests) never followed.
//
// Wine keeps no access list on a file: it turns the one a folder is made
// with into Unix permission bits and reads back an owner entry, SYSTEM's
// and, where the bits allow, Everyone's. It keeps neither the protected
// flag nor the Administrators' entry, files made inside inherit nothing,
// and a list set on an existing folder is accepted but not kept as given.
// So the permissions are checked as they are handed to CreateDirectoryW,
// the folder Wine makes with them is checked to let nobody else in, and
// the setting on an existing folder only to be accepted.
#include <windows.h>

#include <aclapi.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "platform/win/PrivateSecurity.h"
#include "platform/win/ProcessUser.h"
#include "platform/win/WinTaskPlatform.h"
#include "tasks/DownloadFolders.h"
#include "tests/win/tasks/TempFolder.h"

namespace {

const std::vector<std::wstring> kOwnNames = download_folders::OwnFileNames(L"yrfoinstall.tmp", L"yrfoinstall.exe");

// A path that tmp_links.sh made (its folder comes as a Unix path).
std::wstring LinksPath(const std::wstring& name)
{
    return TempFolder::UnixFile(L"QMX_TMP_LINKS", name);
}

bool IsSid(PSID sid, WELL_KNOWN_SID_TYPE type)
{
    return IsWellKnownSid(sid, type) != FALSE;
}

// Whether an access list lets in only the user, SYSTEM and the
// Administrators.
::testing::AssertionResult OnlyThePrivatePrincipals(PACL acl)
{
    if (acl == nullptr)
        return ::testing::AssertionFailure() << "no access list: everyone may open it";
    const ProcessUser user;
    for (DWORD i = 0; i < acl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (!GetAce(acl, i, reinterpret_cast<void**>(&ace)))
            return ::testing::AssertionFailure() << "entry " << i << " unreadable";
        if (ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE)
            continue;
        PSID sid = &ace->SidStart;
        if (!user.Is(sid) && !IsSid(sid, WinLocalSystemSid) && !IsSid(sid, WinBuiltinAdministratorsSid))
            return ::testing::AssertionFailure() << "entry " << i << " lets someone else in";
    }
    return ::testing::AssertionSuccess();
}

// The access list and owner the system reads back for a path.
struct ReadBack {
    explicit ReadBack(const std::wstring& path)
    {
        result = GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT,
                                       OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr, &acl,
                                       nullptr, descriptor.Out());
    }
    DWORD result = 0;
    PSID owner = nullptr;
    PACL acl = nullptr;
    ScopedLocalMemory descriptor;
};

TEST(PrivateFolders, AreMadeForTheUserSystemAndAdministratorsAlone)
{
    // What CreateDirectoryW is handed: the user the owner, the access
    // list protected from the folder above, three entries that whatever
    // is made inside inherits.
    PrivateSecurity security;
    ASSERT_TRUE(security.Valid()) << security.Error();
    PSECURITY_DESCRIPTOR handed = security.Attributes()->lpSecurityDescriptor;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(handed, &control, &revision));
    EXPECT_NE(control & SE_DACL_PROTECTED, 0);
    PSID owner = nullptr;
    BOOL defaulted = TRUE;
    ASSERT_TRUE(GetSecurityDescriptorOwner(handed, &owner, &defaulted));
    const ProcessUser user;
    EXPECT_TRUE(user.Is(owner));
    PACL acl = security.Acl();
    ASSERT_NE(acl, nullptr);
    ASSERT_EQ(acl->AceCount, 3u);
    bool seen[3] = {};
    for (DWORD i = 0; i < acl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        ASSERT_TRUE(GetAce(acl, i, reinterpret_cast<void**>(&ace)));
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        EXPECT_EQ(ace->Header.AceFlags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
        EXPECT_EQ(ace->Mask, static_cast<DWORD>(FILE_ALL_ACCESS));
        PSID sid = &ace->SidStart;
        seen[0] = seen[0] || user.Is(sid);
        seen[1] = seen[1] || IsSid(sid, WinLocalSystemSid);
        seen[2] = seen[2] || IsSid(sid, WinBuiltinAdministratorsSid);
    }
    EXPECT_TRUE(seen[0] && seen[1] && seen[2]);

    // The folder made with them, and a file made inside.
    TempFolder folder;
    WinFileSystem files;
    const std::wstring own = folder.File(L"quillmerex-00000000000000ef");
    uint32_t error = 0;
    ASSERT_TRUE(files.CreatePrivateFolder(own, error)) << error;
    EXPECT_FALSE(files.CreatePrivateFolder(own, error));
    EXPECT_EQ(error, 183u);
    ReadBack made(own);
    ASSERT_EQ(made.result, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_TRUE(user.Is(made.owner));
    EXPECT_TRUE(OnlyThePrivatePrincipals(made.acl));
    EXPECT_TRUE(files.IsOwnedByUser(own));
    const std::wstring inside = own + L"\\yrfoinstall.tmp";
    ASSERT_TRUE(TempFolder::WriteFile(inside, "MZ"));
    EXPECT_TRUE(files.IsOwnedByUser(inside));
    EXPECT_FALSE(files.IsOwnedByUser(own + L"\\missing.tmp"));
    ASSERT_TRUE(files.Delete(inside));
    ASSERT_TRUE(files.RemoveFolder(own));
}

// A folder an earlier version made inherits TMP's permissions; taken
// over, it is given those of a new folder (what Wine keeps of them: see
// above).
TEST(PrivateFolders, AnEarlierFolderTakenOverIsMadePrivate)
{
    TempFolder folder;
    const std::wstring earlier = folder.File(L"quillmerex-00000000000000ee");
    ASSERT_TRUE(CreateDirectoryW(earlier.c_str(), nullptr));
    WinFileSystem files;
    uint32_t error = 0;
    ASSERT_TRUE(files.MakePrivate(earlier, error)) << error;
    EXPECT_TRUE(files.IsOwnedByUser(earlier));
    EXPECT_FALSE(files.MakePrivate(folder.File(L"missing"), error));
    EXPECT_EQ(error, 2u);
}

// A link of the launcher's folder name to another folder: never listed,
// never taken, and the week's clean-up deletes nothing behind it, while it
// still removes a stale folder of the launcher's own beside it.
TEST(LinksInTmp, AreNeverFollowed)
{
    const std::wstring root = LinksPath(L"root");
    const std::wstring link = root + L"\\quillmerex-00000000000000ab";
    const std::wstring elsewhere = LinksPath(L"elsewhere");
    WinFileSystem files;
    FoundFile found;
    ASSERT_TRUE(files.Find(link, found)) << "tmp_links.sh has not run";
    ASSERT_NE(found.attributes & kFileAttributeReparsePoint, 0u) << "the link is not reported as a reparse point";
    EXPECT_FALSE(files.IsOwnedByUser(link));

    const std::wstring own = root + L"\\quillmerex-00000000000000cd";
    uint32_t error = 0;
    ASSERT_TRUE(files.CreatePrivateFolder(own, error)) << error;
    ASSERT_TRUE(TempFolder::WriteFile(own + L"\\yrfoinstall.exe", "MZ"));

    EXPECT_EQ(download_folders::List(files, root), std::vector<std::wstring>{own});
    EXPECT_FALSE(download_folders::Claim(files, link, kOwnNames));
    const int64_t weeksLater = static_cast<int64_t>(time(nullptr)) + 2 * download_folders::kStaleSeconds;
    EXPECT_EQ(download_folders::RemoveStale(files, root, kOwnNames, weeksLater), 1u);
    EXPECT_FALSE(TempFolder::Exists(own));
    EXPECT_TRUE(TempFolder::Exists(link));
    for (const wchar_t* name : {L"yrfoinstall.tmp", L"yrfoinstall.tmp.rec", L"thesis.docx"})
        EXPECT_TRUE(TempFolder::Exists(elsewhere + L"\\" + name)) << "deleted through the link: " << name;
}

}  // namespace

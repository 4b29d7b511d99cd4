// The shell helpers, the item kinds and the fixed tables.
#include <gtest/gtest.h>

#include "tests/shell/ShellItemFixtures.h"
#include "ui/Text.h"

#include <shellapi.h>


using Microsoft::WRL::ComPtr;

namespace {
TEST(ShellTables, AttributeMasksMatchTheSdkNames)
{
    const ULONG expected[] = {
        SFGAO_CANCOPY, SFGAO_CANMOVE, SFGAO_CANLINK, SFGAO_CANRENAME, SFGAO_CANDELETE, SFGAO_HASPROPSHEET,
        SFGAO_DROPTARGET, SFGAO_CAPABILITYMASK, SFGAO_LINK, SFGAO_SHARE, SFGAO_READONLY, SFGAO_HIDDEN,
        SFGAO_HIDDEN, 0x000F0000 /* the display mask before SFGAO_ISSLOW joined it */, SFGAO_FILESYSANCESTOR, SFGAO_FOLDER, SFGAO_FILESYSTEM,
        SFGAO_HASSUBFOLDER, SFGAO_CONTENTSMASK, SFGAO_VALIDATE, SFGAO_REMOVABLE, SFGAO_COMPRESSED,
        SFGAO_BROWSABLE, SFGAO_NONENUMERATED, SFGAO_NEWCONTENT};
    ASSERT_EQ(std::size(expected), ShItemAttributeMask.size());
    for (size_t i = 0; i < ShItemAttributeMask.size(); ++i) EXPECT_EQ(ShItemAttributeMask[i], expected[i]) << i;
    EXPECT_EQ(ShItemAttributeMask[iaGhosted], 0x00080000u);
}

TEST(ShellTables, SpecialFoldersMatchTheSdkNames)
{
    EXPECT_EQ(ShSpecialFolderCSIDL[sfDesktop], CSIDL_DESKTOP);
    EXPECT_EQ(ShSpecialFolderCSIDL[sfBitBucket], CSIDL_BITBUCKET);
    EXPECT_EQ(ShSpecialFolderCSIDL[11], CSIDL_STARTMENU);
    EXPECT_EQ(ShSpecialFolderCSIDL[sfDesktopDirectory], CSIDL_DESKTOPDIRECTORY);
    EXPECT_EQ(ShSpecialFolderCSIDL[sfDrives], CSIDL_DRIVES);
    EXPECT_EQ(ShSpecialFolderCSIDL[sfNetwork], CSIDL_NETWORK);
    EXPECT_EQ(ShSpecialFolderCSIDL[23], CSIDL_PRINTHOOD);
    EXPECT_EQ(ShSpecialFolderCSIDL[24], CSIDL_ALTSTARTUP);
    EXPECT_EQ(ShSpecialFolderCSIDL[29], CSIDL_HISTORY);
    LPITEMIDLIST list = reinterpret_cast<LPITEMIDLIST>(1);
    EXPECT_FALSE(SpecialFolderIDList(30, list));
    EXPECT_EQ(list, nullptr);
}

TEST(ItemKinds, SpecialFoldersDrivesFoldersAndFiles)
{
    TempFolder folder;
    const std::wstring file = folder.AddFile(L"kind.txt");
    const struct {
        TIDListPtr list;
        TShItemIDType kind;
    } cases[] = {
        {SpecialList(sfDesktop), itDeskTop},   {SpecialList(sfDrives), itMyComputer},
        {SpecialList(sfBitBucket), itBitBucket}, {SpecialList(sfNetwork), itNetWork},
        {IDListOfPath(L"C:\\"), itRootDrive},  {IDListOfPath(folder.Path()), itFolder},
        {IDListOfPath(file), itFile},
    };
    for (const auto& c : cases) {
        ASSERT_NE(c.list, nullptr) << int(c.kind);
        EXPECT_EQ(FolderItemOf(c.list.get())->ItemType(), c.kind);
    }
}

TEST(ItemKinds, TheDesktopDirectoryChildIsAFolderOrFileByAttributes)
{
    // Level 1 items other than the three special folders: by their attributes alone.
    auto yes = [](TShItemAttribute) { return true; };
    auto no = [](TShItemAttribute) { return false; };
    auto fileSystemOnly = [](TShItemAttribute a) { return a == iaFileSystem; };
    TIDListPtr item = IDListOfPath(L"C:\\");
    EXPECT_EQ(ItemIDTypeOf(1, item.get(), no), itFolder);
    EXPECT_EQ(ItemIDTypeOf(1, item.get(), yes), itFolder);
    EXPECT_EQ(ItemIDTypeOf(1, item.get(), fileSystemOnly), itFile);
    EXPECT_EQ(ItemIDTypeOf(2, item.get(), no), itVirtual);
    EXPECT_EQ(ItemIDTypeOf(3, item.get(), no), itVirtual);
    EXPECT_EQ(ItemIDTypeOf(-1, item.get(), fileSystemOnly), itFile);
}

// The path's whole text, when the shell can name the file at all.
void ExpectWholePath(const std::wstring& file)
{
    TIDListPtr list = IDListOfPath(file);
    if (!list && file.size() >= MAX_PATH) GTEST_SKIP() << "this shell cannot parse paths beyond MAX_PATH";
    ASSERT_NE(list, nullptr);
    std::wstring path;
    EXPECT_TRUE(PathFromIDList(list.get(), path));
    EXPECT_EQ(path, file);
    WIN32_FIND_DATAW data{};
    EXPECT_TRUE(FindDataOfPath(file, data));
    EXPECT_EQ(data.nFileSizeLow, 3u);
}

TEST(ShellPaths, PathsLongerThanMaxPathBytesComeBackWhole)
{
    TempFolder folder;
    std::wstring relative;
    for (int i = 0; i < 6; ++i) relative += L"日本語のとても長いフォルダの名前です" + std::to_wstring(i) + L"\\";
    const std::wstring file = folder.AddFile(relative + L"深い.txt", 3);
    ASSERT_LT(file.size(), size_t(MAX_PATH));
    ASSERT_GT(WideCharToMultiByte(932, 0, file.c_str(), -1, nullptr, 0, nullptr, nullptr), MAX_PATH);
    ExpectWholePath(file);
}

TEST(ShellPaths, PathsLongerThanMaxPathComeBackWhole)
{
    TempFolder folder;
    std::wstring relative;
    for (int i = 0; i < 8; ++i) relative += L"a-rather-long-folder-name-" + std::to_wstring(i) + L"\\";
    const std::wstring file = folder.AddFile(relative + L"deep.txt", 3);
    ASSERT_GT(file.size(), size_t(MAX_PATH));
    WIN32_FIND_DATAW data{};
    EXPECT_TRUE(FindDataOfPath(file, data));
    EXPECT_TRUE(IsExistingDirectory(file.substr(0, file.find_last_of(L'\\'))));
    ExpectWholePath(file);
}

// From MAX_PATH characters on, the file functions need the long form (Wine
// takes long paths in either form, so only the form itself is checked here).
TEST(ShellPaths, PathsOfMaxPathCharactersAndMoreTakeTheLongForm)
{
    const std::wstring below = L"C:\\" + std::wstring(MAX_PATH - 4, L'a');
    const std::wstring at = below + L'b';
    const std::wstring share = L"\\\\server\\" + std::wstring(MAX_PATH, L'c');
    ASSERT_EQ(below.size(), size_t(MAX_PATH - 1));
    EXPECT_EQ(LongPathForm(below), below);
    EXPECT_EQ(LongPathForm(at), L"\\\\?\\" + at);
    EXPECT_EQ(LongPathForm(share), L"\\\\?\\UNC\\" + share.substr(2));
    EXPECT_EQ(LongPathForm(LongPathForm(at)), LongPathForm(at));
}

TEST(ShellPaths, ItemsOutsideTheFileSystemHaveNoPath)
{
    std::wstring path = L"stale";
    EXPECT_FALSE(PathFromIDList(SpecialList(sfDrives).get(), path));
    EXPECT_TRUE(path.empty());
    path = L"stale";
    EXPECT_FALSE(PathFromIDList(nullptr, path));
    EXPECT_TRUE(path.empty());
    LPITEMIDLIST list = reinterpret_cast<LPITEMIDLIST>(1);
    EXPECT_FALSE(IDListFromPath(L"", list));
    EXPECT_EQ(list, nullptr);
}

TEST(ShellPaths, IncludeBackslashLooksAtTheLastCharacter)
{
    EXPECT_EQ(IncludeBackslash(L"C:"), L"C:\\");
    EXPECT_EQ(IncludeBackslash(L"C:\\"), L"C:\\");
    EXPECT_EQ(IncludeBackslash(L"C:\\Temp"), L"C:\\Temp\\");
    // 表 and ソ end in the byte 0x5C in Shift-JIS; they are not backslashes.
    EXPECT_EQ(IncludeBackslash(L"C:\\表"), L"C:\\表\\");
    EXPECT_EQ(IncludeBackslash(L"C:\\ソ"), L"C:\\ソ\\");
    EXPECT_TRUE(IsExistingDirectory(L"C:\\"));
    EXPECT_FALSE(IsExistingDirectory(L"C:\\no such folder here"));
}

TEST(ShellHelpers, DisplayNamesAndIcons)
{
    std::wstring name = L"stale";
    EXPECT_TRUE(DisplayNameOf(nullptr, SpecialList(sfDrives).get(), SHGDN_NORMAL, name));
    EXPECT_TRUE(name.empty());
    EXPECT_EQ(SysIconIndex(nullptr, false, false), 0);
    EXPECT_NE(SystemImageList(false), nullptr);
    EXPECT_NE(SystemImageList(true), nullptr);
    TempFolder folder;
    TIDListPtr item = IDListOfPath(folder.Path());
    SHFILEINFOW oracle{};
    SHGetFileInfoW(folder.Path().c_str(), 0, &oracle, sizeof oracle, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    EXPECT_EQ(SysIconIndex(item.get(), false, false), oracle.iIcon);
}

TEST(ShellHelpers, LocalDateTimesAreAutomationDates)
{
    EXPECT_EQ(FileTimeToLocalDateTime(FILETIME{0, 0x01D00000}), 0);
    EXPECT_EQ(FileTimeToLocalDateTime(FILETIME{0x12345678, 0}), 0);
    // 1 January 2000, 12:00 UTC, and one day later.
    const ULONGLONG noon = 125911584000000000ULL + 12ULL * 3600 * 10000000;
    const ULONGLONG day = 24ULL * 3600 * 10000000;
    const FILETIME first{DWORD(noon), DWORD(noon >> 32)};
    const FILETIME second{DWORD(noon + day), DWORD((noon + day) >> 32)};
    const TDateTime value = FileTimeToLocalDateTime(first);
    EXPECT_NEAR(value, 36526.5, 0.6);  // whatever the time zone
    EXPECT_NEAR(FileTimeToLocalDateTime(second) - value, 1.0, 1e-6);
}

TEST(ShellHelpers, KeyStatesBecomeShiftStates)
{
    EXPECT_EQ(KeyStateToShift(0), TShiftState{});
    EXPECT_EQ(KeyStateToShift(MK_LBUTTON), TShiftState{ssLeft});
    EXPECT_EQ(KeyStateToShift(MK_RBUTTON), TShiftState{ssRight});
    EXPECT_EQ(KeyStateToShift(MK_SHIFT), TShiftState{ssShift});
    EXPECT_EQ(KeyStateToShift(MK_CONTROL), TShiftState{ssCtrl});
    EXPECT_EQ(KeyStateToShift(MK_MBUTTON), TShiftState{ssMiddle});
    EXPECT_EQ(KeyStateToShift(MK_ALT), TShiftState{ssAlt});
    EXPECT_EQ(KeyStateToShift(MK_LBUTTON | MK_CONTROL | MK_ALT), (TShiftState{ssLeft, ssCtrl, ssAlt}));
}

TEST(ShellHelpers, VolumeLabelsAndTheErrorMode)
{
    const UINT before = SetErrorMode(0);
    std::wstring label = L"stale";
    VolumeLabelOf(L"Q:\\", label);  // no such drive in the test prefix
    EXPECT_TRUE(label.empty());
    EXPECT_EQ(GetErrorMode(), 0u);

    wchar_t original[MAX_PATH + 1] = {};
    GetVolumeInformationW(L"C:\\", original, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0);
    wchar_t stored[MAX_PATH + 1] = {};
    if (!SetVolumeLabelW(L"C:\\", L"TESSALY DISK") ||
        !GetVolumeInformationW(L"C:\\", stored, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0) ||
        std::wstring(stored) != L"TESSALY DISK") {
        SetVolumeLabelW(L"C:\\", original);
        SetErrorMode(before);
        GTEST_SKIP() << "the drive's label cannot be set here (Wine keeps none for its drives)";
    }
    VolumeLabelOf(L"C:\\", label);
    SetVolumeLabelW(L"C:\\", original);
    SetErrorMode(before);
    EXPECT_EQ(label, L"Tessaly disk");
}

TEST(ShellHelpers, LabelsAreShownInLowerCaseWithACapitalLetterFirst)
{
    const struct {
        const wchar_t* stored;
        const wchar_t* shown;
    } cases[] = {
        {L"TESSALY DISK", L"Tessaly disk"}, {L"ARCHIVE", L"Archive"}, {L"ZIP", L"Zip"}, {L"backup", L"Backup"},
        {L"2024 DATA", L"2024 data"}, {L"ÉCRAN", L"écran"}, {L"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(LabelCase(c.stored), c.shown) << WideToUtf8(c.stored);
}
}  // namespace

// Item objects on a real temporary folder and on the Desktop, and the
// allocator's balance over a loop of item and toolbox operations.
#include <gtest/gtest.h>

#include "tests/shell/ShellItemFixtures.h"
#include "ui/Text.h"

#include <shellapi.h>
#include <winioctl.h>

using Microsoft::WRL::ComPtr;

namespace {
// Hangul and Latin letters with diacritics have no Shift-JIS code.
const std::wstring ForeignName = L"caf\u00e9-\ud55c\uae00.txt";
const std::wstring ForeignRename = L"\ud55c\uad6d\uc5b4-\u0101\u0107.txt";

bool FitsShiftJis(const std::wstring& text)
{
    BOOL lost = FALSE;
    WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, text.c_str(), -1, nullptr, 0, nullptr, &lost);
    return !lost;
}

std::wstring NumberText(const wchar_t* digits)
{
    NUMBERFMTW format{};
    wchar_t decimal[] = L".", thousand[8] = {};
    GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STHOUSAND, thousand, 8);
    format.Grouping = 3;
    format.lpDecimalSep = decimal;
    format.lpThousandSep = thousand;
    wchar_t text[64] = {};
    GetNumberFormatEx(LOCALE_NAME_USER_DEFAULT, 0, digits, &format, text, 64);
    return text;
}

class FolderItems : public testing::Test {
protected:
    std::unique_ptr<TestListing> List()
    {
        TIDListPtr folder = IDListOfPath(Folder.Path());
        return std::make_unique<TestListing>(folder.get());
    }
    // A file of `size` bytes that are never written (sparse where the file system can).
    void AddSizedFile(const std::wstring& name, LONGLONG size)
    {
        HANDLE file = CreateFileW(Folder.AddFile(name).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD returned = 0;
        DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);  // best effort
        LARGE_INTEGER end;
        end.QuadPart = size;
        const bool sized = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
        CloseHandle(file);
        ASSERT_TRUE(sized);
    }
    TempFolder Folder;
};

TEST_F(FolderItems, SizeTextsRoundUpToWholeKilobytesInGroupsOfThreeDigits)
{
    const struct {
        LONGLONG bytes;
        std::wstring text;
    } cases[] = {
        {0, L"0KB"}, {1, L"1KB"}, {1024, L"1KB"}, {1025, L"2KB"}, {999 * 1024, L"999KB"},
        {1000 * 1024, NumberText(L"1000") + L"KB"}, {123456LL * 1024, NumberText(L"123456") + L"KB"},
    };
    for (const auto& c : cases) AddSizedFile(L"size" + std::to_wstring(c.bytes) + L".bin", c.bytes);
    Folder.AddFolder(L"sub");
    auto list = List();
    for (const auto& c : cases) {
        TShellFileItem* item = list->ItemNamed(L"size" + std::to_wstring(c.bytes) + L".bin");
        ASSERT_NE(item, nullptr) << c.bytes;
        EXPECT_EQ(item->SizeText(), c.text) << c.bytes;
    }
    EXPECT_EQ(list->ItemNamed(L"size1025.bin")->FileSize(), 1025u);
    EXPECT_EQ(list->ItemNamed(L"sub")->SizeText(), L"");
}

TEST_F(FolderItems, FilesOfFourGigabytesAndMoreShowTheirLow32Bits)
{
    AddSizedFile(L"huge.bin", 5LL << 30);
    auto list = List();
    TShellFileItem* item = list->ItemNamed(L"huge.bin");
    ASSERT_NE(item, nullptr);
    // Wine's shell keeps 32 bits of the size in its item lists; the low half is what counts.
    EXPECT_EQ(item->FileSize(), 1u << 30);
    EXPECT_EQ(item->SizeText(), NumberText(L"1048576") + L"KB");
}

TEST_F(FolderItems, NamesAttributesTypesAndDates)
{
    const std::wstring path = Folder.AddFile(L"note.txt", 10);
    Folder.AddFolder(L"folder");
    SYSTEMTIME written{2021, 3, 4, 4, 5, 6, 0, 0}, utc;
    FILETIME time;
    ASSERT_TRUE(TzSpecificLocalTimeToSystemTime(nullptr, &written, &utc) && SystemTimeToFileTime(&utc, &time));
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_TRUE(SetFileTime(file, nullptr, nullptr, &time));
    CloseHandle(file);
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));

    auto list = List();
    ASSERT_EQ(list->Items.size(), 2u);
    TShellFileItem* note = list->ItemNamed(L"note.txt");
    TShellFileItem* folder = list->ItemNamed(L"folder");
    ASSERT_TRUE(note && folder);
    EXPECT_EQ(note->DisplayName(), L"note.txt");
    EXPECT_EQ(folder->DisplayName(), L"folder");
    EXPECT_EQ(note->Path(), path);
    EXPECT_TRUE(note->IsValid());
    EXPECT_EQ(note->ItemIndex(), list->IndexOf(note));
    EXPECT_EQ(note->Level(), IDListLevel(list->FolderIDList()) + 1);
    EXPECT_EQ(note->ItemType(), itFile);
    EXPECT_EQ(folder->ItemType(), itFolder);
    EXPECT_TRUE(note->HasAttribute(iaFileSystem));
    EXPECT_FALSE(note->HasAttribute(iaFolder));
    EXPECT_TRUE(folder->HasAttribute(iaFolder));
    EXPECT_EQ(note->AttributeLetters(), L"RA");
    EXPECT_EQ(folder->Attributes() & FILE_ATTRIBUTE_DIRECTORY, DWORD(FILE_ATTRIBUTE_DIRECTORY));

    SHFILEINFOW byPath{};
    SHGetFileInfoW(path.c_str(), 0, &byPath, sizeof byPath, SHGFI_TYPENAME);
    EXPECT_FALSE(note->TypeName().empty());
    EXPECT_EQ(note->TypeName(), byPath.szTypeName);

    wchar_t date[80] = {};
    GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &written, nullptr, date, 80, nullptr);
    const std::wstring text = note->DateText();
    EXPECT_TRUE(text.starts_with(std::wstring(date) + L' ')) << WideToUtf8(text);
    EXPECT_NE(text.find(L"5"), std::wstring::npos);
    EXPECT_NE(text.find(L"06"), std::wstring::npos);

    SHFILEINFOW icon{};
    SHGetFileInfoW(path.c_str(), 0, &icon, sizeof icon, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    EXPECT_EQ(note->ImageIndex(), icon.iIcon);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FolderItems, RenamedFileClearsItsCachesAndKeepsItsOldRecord)
{
    Folder.AddFile(L"before.txt", 5);
    auto list = List();
    TShellFileItem* item = list->ItemNamed(L"before.txt");
    ASSERT_NE(item, nullptr);
    ASSERT_EQ(item->DisplayName(), L"before.txt");
    ASSERT_EQ(item->FindData().nFileSizeLow, 5u);
    item->ImageIndex();
    ASSERT_TRUE(item->IconsCached());

    ASSERT_TRUE(item->Rename(L"after.txt"));
    EXPECT_FALSE(item->IconsCached()) << "a new name may bring another icon";
    EXPECT_EQ(item->DisplayName(), L"after.txt");
    EXPECT_EQ(item->Path(), Folder.Path() + L"\\after.txt");
    EXPECT_EQ(std::wstring(item->FindData().cFileName), L"before.txt");
    WIN32_FIND_DATAW data{};
    EXPECT_TRUE(FindDataOfPath(Folder.Path() + L"\\after.txt", data));

    // A name that is taken is refused and changes nothing.
    Folder.AddFile(L"taken.txt");
    EXPECT_FALSE(item->Rename(L"taken.txt"));
    EXPECT_EQ(item->DisplayName(), L"after.txt");
    EXPECT_EQ(item->Path(), Folder.Path() + L"\\after.txt");
}

TEST_F(FolderItems, NamesOutsideShiftJisSurviveDisplayPathAndRename)
{
    ASSERT_FALSE(FitsShiftJis(ForeignName));
    ASSERT_FALSE(FitsShiftJis(ForeignRename));
    Folder.AddFile(ForeignName, 1);
    auto list = List();
    TShellFileItem* item = list->ItemNamed(ForeignName);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->DisplayName(), ForeignName);
    EXPECT_EQ(item->Path(), Folder.Path() + L'\\' + ForeignName);

    ASSERT_TRUE(item->Rename(ForeignRename));
    WIN32_FIND_DATAW data{};
    ASSERT_TRUE(FindDataOfPath(Folder.Path() + L'\\' + ForeignRename, data));
    EXPECT_EQ(std::wstring(data.cFileName), ForeignRename);
    EXPECT_EQ(item->DisplayName(), ForeignRename);
}

// A shortcut shows the link overlay: as a tree node the zero-based index 1,
// as a row the one-based 2. Windows asks the folder's overlay handler, whose
// indices count from 1; Wine's folders have none, so the attributes decide.
TEST_F(FolderItems, AShortcutShowsTheLinkOverlayAndAPlainFileNone)
{
    const std::wstring target = Folder.AddFile(L"target.txt");
    const std::wstring shortcut = Folder.Path() + L"\\link.lnk";
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link)));
    link->SetPath(target.c_str());
    ASSERT_HRESULT_SUCCEEDED(link.As(&file));
    ASSERT_HRESULT_SUCCEEDED(file->Save(shortcut.c_str(), TRUE));
    auto list = List();
    const struct {
        std::wstring path;
        int index;
        UINT state;
    } cases[] = {{shortcut, 1, INDEXTOOVERLAYMASK(2)}, {target, -1, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(WideToUtf8(c.path));
        TShellFileItem* row = list->ItemNamed(c.path.substr(c.path.find_last_of(L'\\') + 1));
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->OverlayState(), c.state);
        EXPECT_EQ(FolderItemOf(IDListOfPath(c.path).get())->OverlayIndex(), c.index);
    }
}

TEST_F(FolderItems, TreeRenameRebuildsTheNodeAndARefusalKeepsTheLists)
{
    const std::wstring path = Folder.AddFolder(L"old");
    Folder.AddFolder(L"taken");
    TIDListPtr absolute = IDListOfPath(path);
    TestNode node;
    auto item = FolderItemOf(absolute.get(), &node);
    node.ItemShown = item.get();
    node.IsExpanded = true;

    const std::vector<BYTE> before(reinterpret_cast<const BYTE*>(item->AbsoluteIDList()),
                                   reinterpret_cast<const BYTE*>(item->AbsoluteIDList()) +
                                       IDListSize(item->AbsoluteIDList()));
    EXPECT_FALSE(item->Rename(L"taken"));
    EXPECT_EQ(node.Text, L"old");
    EXPECT_EQ(node.Refilled, 0);
    EXPECT_EQ(std::vector<BYTE>(reinterpret_cast<const BYTE*>(item->AbsoluteIDList()),
                                reinterpret_cast<const BYTE*>(item->AbsoluteIDList()) +
                                    IDListSize(item->AbsoluteIDList())),
              before);

    ASSERT_TRUE(item->Rename(L"new"));
    EXPECT_EQ(node.Text, L"new");
    EXPECT_EQ(item->Path(), Folder.Path() + L"\\new");
    EXPECT_TRUE(IsExistingDirectory(Folder.Path() + L"\\new"));
    EXPECT_EQ(node.ChildrenDeleted, 1);
    EXPECT_EQ(node.Refilled, 1);
    EXPECT_EQ(node.SortedWith, &TShellFolderItem::CompareFolderNodes);
    EXPECT_TRUE(node.IsExpanded);
    EXPECT_EQ(item->Level(), IDListLevel(absolute.get()));
}

TEST_F(FolderItems, TreeNodesOrderByTheFolderAndShowTheirAttributes)
{
    Folder.AddFolder(L"alpha\\inner");
    Folder.AddFolder(L"beta");
    TIDListPtr alphaList = IDListOfPath(Folder.Path() + L"\\alpha");
    TIDListPtr betaList = IDListOfPath(Folder.Path() + L"\\beta");
    TestNode alphaNode, betaNode, emptyNode;
    auto alpha = FolderItemOf(alphaList.get());
    auto beta = FolderItemOf(betaList.get());
    alphaNode.ItemShown = alpha.get();
    betaNode.ItemShown = beta.get();
    alpha->AttachNode(&alphaNode);
    beta->AttachNode(&betaNode);
    // Wine's folders claim subfolders for every folder, so only the positive answer is tested.
    EXPECT_TRUE(alphaNode.HasChildren);
    EXPECT_EQ(alphaNode.Overlay, -1);

    EXPECT_LT(TShellFolderItem::CompareFolderNodes(&alphaNode, &betaNode), 0);
    EXPECT_GT(TShellFolderItem::CompareFolderNodes(&betaNode, &alphaNode), 0);
    EXPECT_EQ(TShellFolderItem::CompareFolderNodes(&alphaNode, &alphaNode), 0);
    EXPECT_EQ(TShellFolderItem::CompareFolderNodes(&alphaNode, &emptyNode), 0);
    alphaNode.Index = 7;
    EXPECT_EQ(alpha->ItemIndex(), 7);
}

TEST(DesktopItems, ChildrenOfTheDesktopUseTheDesktopAsParent)
{
    TIDListPtr drives = SpecialList(sfDrives);
    auto item = FolderItemOf(drives.get());
    TIDListPtr desktop = SpecialList(sfDesktop);
    ASSERT_NE(item->ParentIDList(), nullptr);
    EXPECT_EQ(IDListSize(item->ParentIDList()), IDListSize(desktop.get()));
    EXPECT_NE(item->ParentFolder(), nullptr);
    EXPECT_FALSE(item->DisplayName().empty());
}

// An item that may not be renamed is not even asked: its node keeps its text.
TEST(DesktopItems, AnItemThatMayNotBeRenamedIsLeftAlone)
{
    TIDListPtr candidates[] = {SpecialList(sfBitBucket), IDListOfPath(L"C:\\")};
    for (const TIDListPtr& list : candidates) {
        ASSERT_NE(list, nullptr);
        auto item = FolderItemOf(list.get());
        if (item->HasAttribute(iaCanRename)) continue;
        TestNode node;
        item->AttachNode(&node);
        EXPECT_FALSE(item->Rename(L"renamed"));
        EXPECT_EQ(node.Text, L"") << "the node was given a text";
        EXPECT_EQ(node.Refilled, 0);
        return;
    }
    GTEST_SKIP() << "every candidate may be renamed here";
}

TEST(DesktopItems, FoldersGiveTheirDropTarget)
{
    TempFolder folder;
    ComPtr<IDropTarget> target;
    EXPECT_TRUE(FolderItemOf(IDListOfPath(folder.Path()).get())->DropTarget(target));
    EXPECT_NE(target, nullptr);
}

TEST(DesktopItems, FileDataOfDesktopItemsComesFromTheirPath)
{
    std::wstring desktopPath;
    ASSERT_TRUE(PathFromIDList(SpecialList(sfDesktopDirectory).get(), desktopPath));
    const std::wstring path = desktopPath + L"\\desktop-item.txt";
    CreateFileWithSize(path, 2048);
    TIDListPtr desktop = SpecialList(sfDesktop);
    {
        TestListing list(desktop.get());
        TShellFileItem* item = list.ItemNamed(L"desktop-item.txt");
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->Level(), 1);
        EXPECT_EQ(IDListSize(item->AbsoluteIDList()), IDListSize(item->RelativeIDList()));
        EXPECT_EQ(std::wstring(item->FindData().cFileName), L"desktop-item.txt");
        EXPECT_EQ(item->SizeText(), L"2KB");

        // The drives folder has no path: no record, no size, no date, asked again each time.
        TIDListPtr drives = SpecialList(sfDrives);
        TShellFileItem* computer = list.ItemOf(drives.get());
        ASSERT_NE(computer, nullptr);
        EXPECT_EQ(computer->ItemType(), itMyComputer);
        EXPECT_EQ(computer->FindData().cFileName[0], L'\0');
        EXPECT_EQ(computer->SizeText(), L"");
        EXPECT_EQ(computer->DateText(), L"");
    }
    DeleteTree(path);
}

// Renamed as rows of the Desktop's listing and as nodes below the tree's root.
TEST(DesktopItems, FilesAndFoldersOnTheDesktopTakeANewName)
{
    std::wstring desktopPath;
    ASSERT_TRUE(PathFromIDList(SpecialList(sfDesktopDirectory).get(), desktopPath));
    const std::wstring folder = desktopPath + L"\\desktop-folder";
    CreateFileWithSize(desktopPath + L"\\desktop-file.txt", 1);
    CreateFileWithSize(desktopPath + L"\\desktop-taken.txt", 1);
    CreateDirectoryW(folder.c_str(), nullptr);
    TIDListPtr desktop = SpecialList(sfDesktop);
    {
        TestListing list(desktop.get());
        TShellFileItem* file = list.ItemNamed(L"desktop-file.txt");
        TShellFileItem* folderRow = list.ItemNamed(L"desktop-folder");
        ASSERT_TRUE(file && folderRow);
        EXPECT_FALSE(file->Rename(L"desktop-taken.txt"));
        ASSERT_TRUE(file->Rename(L"desktop-renamed.txt"));
        EXPECT_EQ(file->DisplayName(), L"desktop-renamed.txt");
        EXPECT_EQ(file->Path(), desktopPath + L"\\desktop-renamed.txt");
        EXPECT_EQ(IDListSize(file->AbsoluteIDList()), IDListSize(file->RelativeIDList())) << "a child of the Desktop";

        TestNode node;
        auto item = FolderItemOf(folderRow->AbsoluteIDList(), &node);
        ASSERT_TRUE(item->Rename(L"desktop-folder2"));
        EXPECT_EQ(node.Text, L"desktop-folder2");
        EXPECT_EQ(item->Level(), 1);
        EXPECT_EQ(item->Path(), folder + L"2");
    }
    for (const wchar_t* name : {L"desktop-renamed.txt", L"desktop-taken.txt", L"desktop-folder2"})
        DeleteTree(desktopPath + L'\\' + name);
}

TEST(ItemAllocations, ItemsAndTheToolboxGiveBackEveryList)
{
    TempFolder folder;
    for (int i = 0; i < 5; ++i) folder.AddFile(L"file" + std::to_wstring(i) + L".txt", DWORD(i * 700));
    folder.AddFolder(L"folder\\inner");
    auto exercise = [&] {
        TIDListPtr list = IDListOfPath(folder.Path());
        {
            TestListing listing(list.get());
            for (const auto& item : listing.Items) {
                item->DisplayName();
                item->ImageIndex();
                item->SelectedIndex();
                item->ItemType();
                item->OverlayIndex();
                item->OverlayState();
                item->Path();
                item->SizeText();
                item->DateText();
                item->TypeName();
            }
            listing.Style = vsIcon;
            for (const auto& item : listing.Items) item->ImageIndex();
            TShellFileItem* file = listing.ItemNamed(L"file1.txt");
            file->Rename(L"renamed.txt");
            file->Rename(L"file1.txt");
        }
        TIDListPtr inner = IDListOfPath(folder.Path() + L"\\folder\\inner");
        auto tree = FolderItemOf(inner.get());
        tree->ParentIDList();
        tree->DisplayName();
        TIDListPtr parent(ParentIDListOf(inner.get()));
        TIDListPtr last(LastItemIDOf(inner.get()));
        TIDListPtr joined(ConcatIDLists(parent.get(), last.get()));
        IDListLevel(joined.get());
    };
    exercise();  // the shell's own caches fill on first use
    AllocationCounter counter;
    ASSERT_TRUE(counter.Registered());
    for (int round = 0; round < 3; ++round) exercise();
    EXPECT_GT(counter.Allocations(), 50);
    EXPECT_EQ(counter.Allocations(), counter.Frees());
}
}  // namespace

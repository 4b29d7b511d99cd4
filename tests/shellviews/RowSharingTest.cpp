// Rows of one file class share what the shell says of the class (icon, type
// name) and still show exactly the shell's answer for each item; the kinds
// whose icon is each file's own never share.
#include "tests/shellviews/ListViewFixture.h"

#include <shellapi.h>

#include <array>
#include <vector>

#include "shell/ShellClassCache.h"
#include "ui/Text.h"

using Microsoft::WRL::ComPtr;

namespace {
std::wstring SystemFile(const wchar_t* name)
{
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    return std::wstring(system) + L'\\' + name;
}

// A file class registered while the object lives, through the merged view of
// the classes, where the shell reads them (Wine's view holds the machine's alone).
class TestClass {
public:
    TestClass(std::wstring extension, std::wstring progId, const std::wstring& typeName, const std::wstring& icon)
        : FExtension(std::move(extension)), FProgId(std::move(progId))
    {
        SetValue(FExtension, FProgId);
        SetTypeName(typeName);
        SetIcon(icon);
    }
    ~TestClass()
    {
        RegDeleteTreeW(HKEY_CLASSES_ROOT, FExtension.c_str());
        RegDeleteTreeW(HKEY_CLASSES_ROOT, FProgId.c_str());
        AssociationsChanged();
    }
    // Unannounced, the change reaches only what asks the shell afresh.
    void SetTypeName(const std::wstring& name, bool announce = true) { SetValue(FProgId, name, announce); }
    void SetIcon(const std::wstring& icon, bool announce = true)
    {
        SetValue(FProgId + L"\\DefaultIcon", icon, announce);
    }

private:
    static void AssociationsChanged() { SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr); }
    void SetValue(const std::wstring& key, const std::wstring& value, bool announce = true)
    {
        HKEY handle;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle,
                                  nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       DWORD((value.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(handle);
        if (announce) AssociationsChanged();
    }

    std::wstring FExtension, FProgId;
};

// A 16 x 16 icon of one colour.
void WriteIcon(const std::wstring& path, BYTE red, BYTE green, BYTE blue)
{
    std::vector<BYTE> bytes;
    auto put = [&](DWORD value, int size) {
        for (int i = 0; i < size; ++i) bytes.push_back(BYTE(value >> (8 * i)));
    };
    constexpr DWORD pixels = 16 * 16 * 4, mask = 16 * 4;
    put(0, 2), put(1, 2), put(1, 2);                                          // header: one icon
    put(16, 1), put(16, 1), put(0, 2), put(1, 2), put(32, 2), put(40 + pixels + mask, 4), put(22, 4);  // entry
    put(40, 4), put(16, 4), put(32, 4), put(1, 2), put(32, 2), put(0, 4), put(pixels + mask, 4), put(0, 16);
    for (int i = 0; i < 16 * 16; ++i) put(blue | green << 8 | red << 16 | 0xFFu << 24, 4);
    put(0, 4 * 4), put(0, 4 * 4), put(0, 4 * 4), put(0, 4 * 4);  // the mask: every pixel shown
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

void WriteShortcut(const std::wstring& path, const std::wstring& target, int iconIndex)
{
    ComPtr<IShellLinkW> link;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link)));
    link->SetPath(target.c_str());
    link->SetIconLocation(SystemFile(L"shell32.dll").c_str(), iconIndex);
    ComPtr<IPersistFile> file;
    ASSERT_HRESULT_SUCCEEDED(link.As(&file));
    ASSERT_HRESULT_SUCCEEDED(file->Save(path.c_str(), TRUE));
}

std::wstring ShellTypeName(LPCITEMIDLIST absolute)
{
    SHFILEINFOW info{};
    SHGetFileInfoW(reinterpret_cast<LPCWSTR>(absolute), 0, &info, sizeof info, SHGFI_TYPENAME | SHGFI_PIDL);
    return info.szTypeName;
}

// What a row shows against what the shell answers for its item alone.
void ExpectShellAnswers(TShellFileItem& item, bool large)
{
    SCOPED_TRACE(WideToUtf8(item.Path()) + (large ? " (large)" : " (small)"));
    EXPECT_EQ(item.ImageIndex(), SysIconIndex(item.AbsoluteIDList(), large, false));
    EXPECT_EQ(item.TypeName(), ShellTypeName(item.AbsoluteIDList()));
}

class RowSharing : public ListViewTest {
protected:
    void SetUp() override
    {
        ClearShellClassCache();
        ListViewTest::SetUp();
    }
    void TearDown() override
    {
        ListViewTest::TearDown();
        ClearShellClassCache();
    }

    // Fresh rows of the test folder, as a listing makes them.
    std::unique_ptr<TestListing> Listing(TViewStyle style = vsReport) const
    {
        auto listing = std::make_unique<TestListing>(IDListOfPath(Folder.Path()).get());
        listing->Style = style;
        return listing;
    }
    int CachedIcon(const std::wstring& extension, bool large) const
    {
        int index = -1;
        return ShellClassCache().Icon(extension, large, index) ? index : -1;
    }
};
}  // namespace

TEST_F(RowSharing, FilesOfAClassShareItsIconAndTypeUntilTheCacheIsCleared)
{
    TestClass docs(L".tsdoc", L"Tessaly.TestDoc", L"Tessaly paper", SystemFile(L"shell32.dll") + L",3");
    for (const wchar_t* name : {L"a.tsdoc", L"b.tsdoc", L"C.TSDOC", L"plain.txt"}) Folder.AddFile(name, 10);
    // A folder carries no class, whatever its name ends with.
    Folder.AddFolder(L"box.tsdoc");

    for (bool large : {false, true}) {
        auto listing = Listing(large ? vsIcon : vsReport);
        ASSERT_EQ(listing->Items.size(), 5u);
        for (const auto& item : listing->Items) ExpectShellAnswers(*item, large);
        const int classIcon = CachedIcon(L".tsdoc", large);
        EXPECT_EQ(classIcon, listing->ItemNamed(L"a.tsdoc")->ImageIndex()) << "the class's icon is kept";
        EXPECT_NE(listing->ItemNamed(L"box.tsdoc")->ImageIndex(), classIcon);
    }

    // The class changes behind the cache, unannounced: rows made now still show what it kept.
    const int before = Listing()->ItemNamed(L"b.tsdoc")->ImageIndex();
    docs.SetIcon(SystemFile(L"shell32.dll") + L",8", false);
    docs.SetTypeName(L"Tessaly sheet", false);
    {
        auto listing = Listing();
        TShellFileItem* b = listing->ItemNamed(L"b.tsdoc");
        ASSERT_NE(SysIconIndex(b->AbsoluteIDList(), false, false), before) << "the shell shows the new icon";
        EXPECT_EQ(b->ImageIndex(), before);
        EXPECT_EQ(b->TypeName(), L"Tessaly paper");
    }
    ClearShellClassCache();
    auto listing = Listing();
    for (const wchar_t* name : {L"a.tsdoc", L"b.tsdoc", L"C.TSDOC"})
        ExpectShellAnswers(*listing->ItemNamed(name), false);
    EXPECT_EQ(listing->ItemNamed(L"b.tsdoc")->TypeName(), L"Tessaly sheet");
}

TEST_F(RowSharing, IconsOfTheirOwnAreNeverShared)
{
    // A class whose files are their own icons, by the shell's own account of them.
    TestClass images(L".tsicon", L"Tessaly.TestIcon", L"Tessaly image", L"%1");
    WriteIcon(Folder.Path() + L"\\red.tsicon", 255, 0, 0);
    WriteIcon(Folder.Path() + L"\\blue.tsicon", 0, 0, 255);
    // Shortcuts show their own icons; their class says nothing of them.
    WriteShortcut(Folder.Path() + L"\\first.lnk", SystemFile(L"notepad.exe"), 3);
    WriteShortcut(Folder.Path() + L"\\second.lnk", SystemFile(L"notepad.exe"), 8);
    // The kinds that carry their own icon, whatever the shell says of their class.
    const std::array<const wchar_t*, 9> ownKinds = {L".exe", L".com", L".scr", L".cpl", L".ico", L".cur", L".ani",
                                                    L".icl", L".msc"};
    for (const wchar_t* kind : ownKinds) Folder.AddFile(std::wstring(L"one") + kind, 100);
    WriteIcon(Folder.Path() + L"\\two.ico", 0, 255, 0);

    for (bool large : {false, true}) {
        auto listing = Listing(large ? vsIcon : vsReport);
        for (const auto& item : listing->Items) ExpectShellAnswers(*item, large);
        EXPECT_NE(listing->ItemNamed(L"red.tsicon")->ImageIndex(), listing->ItemNamed(L"blue.tsicon")->ImageIndex());
        EXPECT_NE(listing->ItemNamed(L"first.lnk")->ImageIndex(), listing->ItemNamed(L"second.lnk")->ImageIndex());
        EXPECT_EQ(ShellClassCache().IconKind(L".tsicon"), TClassIcon::ciPerInstance);
        EXPECT_EQ(CachedIcon(L".lnk", large), -1);
        for (const wchar_t* kind : ownKinds) {
            EXPECT_EQ(ShellClassCache().IconKind(kind), TClassIcon::ciUnknown) << "never asked: " << kind;
            EXPECT_EQ(CachedIcon(kind, large), -1) << kind;
        }
    }
}

TEST_F(RowSharing, TypeNamesKeepTheSpellingTheShellGivesEachName)
{
    // No class is registered: the shell may build the name from the extension as written.
    Folder.AddFile(L"lower.zzq");
    Folder.AddFile(L"UPPER.ZZQ");
    auto listing = Listing();
    for (const wchar_t* name : {L"lower.zzq", L"UPPER.ZZQ"}) {
        TShellFileItem* item = listing->ItemNamed(name);
        EXPECT_EQ(item->TypeName(), ShellTypeName(item->AbsoluteIDList())) << name;
    }
}

TEST_F(RowSharing, RowsThroughTheControlShowTheShellsIconsAndTypes)
{
    TestClass docs(L".tsdoc", L"Tessaly.TestDoc", L"Tessaly paper", SystemFile(L"shell32.dll") + L",3");
    for (int i = 0; i < 6; ++i) Folder.AddFile(L"doc" + std::to_wstring(i) + L".tsdoc", DWORD(i));
    Folder.AddFile(L"notes.txt");
    Folder.AddFolder(L"sub");
    WriteShortcut(Folder.Path() + L"\\link.lnk", SystemFile(L"notepad.exe"), 5);
    ListPath(Folder.Path());
    TShellFileList& list = View->FileList();
    ASSERT_EQ(list.Count(), 9);
    ASSERT_TRUE(WaitForRowAnswers());
    for (int row = 0; row < list.Count(); ++row) {
        wchar_t type[MAX_PATH] = {};
        LVITEMW item{};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        ASSERT_TRUE(ListView_GetItem(Window(), &item));
        ListView_GetItemText(Window(), row, 2, type, MAX_PATH);
        LPCITEMIDLIST absolute = list.ItemAt(row)->AbsoluteIDList();
        EXPECT_EQ(item.iImage, SysIconIndex(absolute, false, false)) << "row " << row;
        EXPECT_EQ(std::wstring(type), ShellTypeName(absolute)) << "row " << row;
    }
}

TEST_F(RowSharing, AReloadedFindRecordComesFromTheFileItself)
{
    const std::wstring path = Folder.AddFile(L"grows.txt", 10);
    auto listing = Listing();
    TShellFileItem* item = listing->ItemNamed(L"grows.txt");
    ASSERT_EQ(item->FileSize(), 10u);
    CreateFileWithSize(path, 5000);
    EXPECT_EQ(item->FileSize(), 10u) << "kept until reloaded";
    item->ReloadFindData();
    EXPECT_EQ(item->FileSize(), 5000u);
}

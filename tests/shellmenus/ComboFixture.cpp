#include "tests/shellmenus/ComboFixture.h"

#include <sstream>

#include "tests/common/Platform.h"
#include "ui/Text.h"

namespace {
const wchar_t kUnixRootKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Desktop\\Namespace\\"
    L"{9D20AAE8-0625-44B0-9CA7-71889C2254D9}";
const wchar_t kUnixRootName[] = L"/";
}  // namespace

UnixRootHidden::UnixRootHidden()
{
    // Absent on Windows: nothing to take off there.
    FHidden = RegDeleteKeyW(HKEY_LOCAL_MACHINE, kUnixRootKey) == ERROR_SUCCESS;
}

void UnixRootHidden::ShowUnixRoot()
{
    if (!UnderWine()) return;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUnixRootKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(kUnixRootName), sizeof kUnixRootName);
    RegCloseKey(key);
}

DesktopFolders::DesktopFolders()
{
    PathFromIDList(SpecialList(sfDesktopDirectory).get(), FDirectory);
}

DesktopFolders::~DesktopFolders()
{
    for (const std::wstring& path : FMade) DeleteTree(path);
}

std::wstring DesktopFolders::Add(const std::wstring& relativePath)
{
    const std::wstring top = FDirectory + L'\\' + relativePath.substr(0, relativePath.find(L'\\'));
    FMade.push_back(top);
    std::wstring path = FDirectory;
    for (size_t start = 0; start <= relativePath.size();) {
        const size_t end = std::min(relativePath.find(L'\\', start), relativePath.size());
        path += L'\\' + relativePath.substr(start, end - start);
        CreateDirectoryW(path.c_str(), nullptr);
        start = end + 1;
    }
    return path;
}

void PrintTo(const ComboEntry& entry, std::ostream* out)
{
    *out << entry.Level << ":" << WideToUtf8(entry.Name) << (entry.Temporary ? " (temporary)" : "");
}

void ShellComboTest::SetUp()
{
    if (HideUnixRoot()) UnixRoot.emplace();
    else UnixRootHidden::ShowUnixRoot();
    Form = std::make_unique<TForm>(nullptr, TFormLayout{.Caption = L"combo", .ClientWidth = 700,
                                                        .ClientHeight = 500, .Left = 120, .Top = 40});
    Combo = Form->Create<TShellComboBox>(Form.get(), TBounds{10, 10, 400, 24});
    Tree = Form->Create<TShellTreeView>(Form.get(), TBounds{10, 50, 400, 440});
    Tree->SetShellComboBox(Combo);
    Tree->Loaded();
    Combo->Loaded();
    Form->SetVisible(true);
    // Made after the tree began to watch: Wine's subtree handle sees changes only in such folders.
    Folder.emplace();
}

void ShellComboTest::TearDown()
{
    Form.reset();
    Folder.reset();
    UnixRoot.reset();
}

std::vector<ComboEntry> ShellComboTest::Entries() const
{
    std::vector<ComboEntry> entries;
    const TShellComboList& list = Combo->ComboList();
    for (int i = 0; i < list.Count(); ++i) {
        TShellComboItem* entry = list.Items(i);
        entries.push_back({entry->Level(), entry->DisplayName(), entry->Temporary()});
    }
    return entries;
}

int ShellComboTest::IndexOfPath(const std::wstring& path) const
{
    const TShellComboList& list = Combo->ComboList();
    for (int i = 1; i < list.Count(); ++i)
        if (IncludeBackslash(list.Items(i)->Path()) == IncludeBackslash(path)) return i;
    return -1;
}

std::wstring ShellComboTest::SelectedPath() const
{
    TShellComboItem* entry = Combo->SelectedEntry();
    return entry ? entry->Path() : std::wstring();
}

TIDListPtr ShellComboTest::IDListOf(const std::wstring& path)
{
    TIDListPtr absolute = IDListOfPath(path);
    const std::wstring directory = DesktopFolders().Directory() + L'\\';
    if (!path.starts_with(directory)) return absolute;
    // The Desktop lists its directory's items by the items' lists in that directory.
    LPCITEMIDLIST below = absolute.get();
    for (int level = IDListLevel(SpecialList(sfDesktopDirectory).get()); level > 0 && below; --level)
        below = NextIDListItem(below);
    return TIDListPtr(CopyIDList(below));
}

void ShellComboTest::SelectInTree(const std::wstring& path)
{
    TIDListPtr list = IDListOf(path);
    ASSERT_TRUE(list) << "no item list for " << WideToUtf8(path);
    Tree->SelectIDList(list.get());
}

void ShellComboTest::Choose(int index)
{
    SendMessageW(Combo->Handle(), CB_SETCURSEL, WPARAM(index), 0);
    SendMessageW(Form->Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(Combo->Handle()), CBN_SELCHANGE),
                 LPARAM(Combo->Handle()));
}

std::string ShellComboTest::OrderFault() const
{
    const TShellComboList& list = Combo->ComboList();
    std::ostringstream fault;
    if (list.Count() != int(SendMessageW(Combo->Handle(), CB_GETCOUNT, 0, 0)))
        fault << list.Count() << " entries, " << SendMessageW(Combo->Handle(), CB_GETCOUNT, 0, 0) << " strings";
    else if (!list.First() || list.First()->Level() != 0 || list.First()->ParentItem())
        fault << "the first entry is not the Desktop";
    for (int i = 1; i < list.Count() && fault.str().empty(); ++i) {
        TShellComboItem* entry = list.Items(i);
        const int parent = list.IndexOf(entry->ParentItem());
        if (parent < 0 || parent >= i) {
            fault << "entry " << i << " has no listed parent before it";
        } else if (entry->Level() != list.Items(parent)->Level() + 1) {
            fault << "entry " << i << " is not one level below its parent";
        } else {
            // Everything between the parent and the entry lies deeper than the parent.
            for (int between = parent + 1; between < i; ++between)
                if (list.Items(between)->Level() <= list.Items(parent)->Level())
                    fault << "entry " << i << " is cut off from its parent by entry " << between;
        }
    }
    return fault.str();
}

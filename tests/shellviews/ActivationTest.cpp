// Opening rows, searching them as the control's type-ahead does, and the
// selection size the view reports.
#include <numeric>

#include "tests/shellviews/ListViewFixture.h"

namespace {
// A file type of the test prefix whose open command makes a marker file: a
// marker that appears proves the shell ran the default verb.
class TestFileType {
public:
    static constexpr wchar_t kExtension[] = L".tslyopen";

    explicit TestFileType(const std::wstring& marker)
    {
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring helper = self;
        helper = helper.substr(0, helper.find_last_of(L'\\') + 1) + L"openmarker.exe";
        const std::wstring command = L"\"" + helper + L"\" \"" + marker + L"\"";
        SetValue(L".tslyopen", L"Tessaly.OpenProbe");
        SetValue(L"Tessaly.OpenProbe\\shell\\open\\command", command);
    }
    ~TestFileType()
    {
        RegDeleteTreeW(HKEY_CLASSES_ROOT, L".tslyopen");
        RegDeleteTreeW(HKEY_CLASSES_ROOT, L"Tessaly.OpenProbe");
    }

private:
    static void SetValue(const std::wstring& key, const std::wstring& value)
    {
        ASSERT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, value.c_str(),
                                  DWORD((value.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }
};

bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Enter on the focused row: the control reports an item activation.
void ActivateRow(HWND window, int index)
{
    ListView_SetItemState(window, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(window, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SendMessageW(window, WM_KEYDOWN, VK_RETURN, 0);
}

int Find(HWND window, UINT flags, const wchar_t* text, int start)
{
    LVFINDINFOW find{};
    find.flags = flags;
    find.psz = text;
    return ListView_FindItem(window, start, &find);
}
}  // namespace

TEST_F(ListViewTest, ActivatingAFolderRowListsIt)
{
    Folder.AddFile(L"sub\\inside.txt");
    ListPath(Folder.Path());
    ActivateRow(Window(), IndexOfName(L"sub"));
    EXPECT_EQ(Names(), std::vector<std::wstring>{L"inside.txt"});
    EXPECT_EQ(View->FileList().FolderPath(), Folder.Path() + L"\\sub");

    const int changes = ListChanges;
    TIDListPtr same = IDListOfPath(Folder.Path() + L"\\sub");
    View->SetFolderIDList(same.get());
    EXPECT_EQ(ListChanges, changes) << "the folder already listed is not enumerated again";
}

TEST_F(ListViewTest, ActivatingAFileOpensItThroughTheShellUnlessTheHandlerTakesIt)
{
    TempFolder markers;
    const std::wstring taken = markers.Path() + L"\\taken.txt", opened = markers.Path() + L"\\opened.txt";
    Folder.AddFile(L"doc.tslyopen", 3);
    ListPath(Folder.Path());
    const int row = IndexOfName(L"doc.tslyopen");
    ASSERT_GE(row, 0);

    TShellFileItem* executed = nullptr;
    bool takeIt = true;
    View->OnShExecute = [&](TObject*, TShellFileItem* item, TShiftState, int, int, int, bool& defaultAction) {
        executed = item;
        defaultAction = !takeIt;
    };
    {
        TestFileType type(taken);
        ActivateRow(Window(), row);
    }
    EXPECT_EQ(executed, View->FileList().ItemAt(row));

    TestFileType type(opened);
    takeIt = false;
    ActivateRow(Window(), row);
    EXPECT_TRUE(PumpUntil([&] { return FileExists(opened); }, 10000)) << "the shell ran the file's open command";
    EXPECT_FALSE(FileExists(taken)) << "a handler that clears DefaultAction keeps the shell out";
}

TEST_F(ListViewTest, TypeAheadSearchesPartOrStartOfTheNames)
{
    for (const wchar_t* name : {L"Cab.txt", L"zeta.txt", L"\u00c9t\u00e9.txt", L"\u0416\u0443\u043a.txt"})
        Folder.AddFile(name);
    ListPath(Folder.Path());
    const int cab = IndexOfName(L"Cab.txt"), zeta = IndexOfName(L"zeta.txt");
    const int ete = IndexOfName(L"\u00c9t\u00e9.txt"), zhuk = IndexOfName(L"\u0416\u0443\u043a.txt");
    ASSERT_LT(cab, 3) << "the walks below start past Cab.txt and before the last row";
    struct Case {
        UINT flags;
        const wchar_t* text;
        int after;  // the row the search starts after; -1 from the first
        int expected;
    } cases[] = {
        {LVFI_STRING | LVFI_PARTIAL, L"ab", -1, cab},
        {LVFI_STRING, L"ca", -1, cab},
        {LVFI_STRING, L"ab", -1, -1},
        {LVFI_STRING, L"ZETA", -1, zeta},
        {LVFI_STRING, L"\u00e9T\u00c9", -1, ete},  // case folding beyond ASCII
        {LVFI_STRING, L"\u0436\u0423\u041a", -1, zhuk},
        {LVFI_STRING, L"ca", cab + 1, -1},  // the walk ends at the last row without Wrap
        {LVFI_STRING | LVFI_WRAP, L"ca", cab + 1, cab},
        {LVFI_STRING | LVFI_WRAP, L"nothing", cab + 1, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Find(Window(), c.flags, c.text, c.after), c.expected)
            << "flags " << c.flags << " after row " << c.after;
}

TEST_F(ListViewTest, SelectionSizeIsTheSumOfTheSelectedFiles)
{
    const DWORD sizes[] = {1000, 2500, 40};
    for (size_t i = 0; i < std::size(sizes); ++i) Folder.AddFile(L"f" + std::to_wstring(i) + L".bin", sizes[i]);
    ListPath(Folder.Path());
    const DWORD all = std::accumulate(std::begin(sizes), std::end(sizes), DWORD(0));

    ListView_SetItemState(Window(), -1, LVIS_SELECTED, LVIS_SELECTED);
    ASSERT_FALSE(SelSizes.empty());
    EXPECT_EQ(SelSizes.back(), all);
    ListView_SetItemState(Window(), IndexOfName(L"f1.bin"), 0, LVIS_SELECTED);
    EXPECT_EQ(SelSizes.back(), all - 2500);
    ListView_SetItemState(Window(), -1, 0, LVIS_SELECTED);
    EXPECT_EQ(SelSizes.back(), 0u);
    ListView_SetItemState(Window(), IndexOfName(L"f2.bin"), LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(SelSizes.back(), 40u);

    // A refresh keeps the selected items, and the sum goes on from them.
    View->RefreshList();
    ListView_SetItemState(Window(), IndexOfName(L"f0.bin"), LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(SelSizes.back(), 1040u);
}

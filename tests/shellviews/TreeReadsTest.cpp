// How often the tree reads a folder: once as the folder first opens, and
// again on a refresh. Opening folders from the list and going back up with
// Backspace reads no folder that is open already, however often it is passed.
#include <algorithm>
#include <map>

#include "tests/shellviews/ShellTreeFixture.h"

namespace {
// The tree, counting its reads of each folder.
class CountingTree : public TShellTreeView {
public:
    using TShellTreeView::TShellTreeView;
    std::map<std::wstring, int> Reads;

protected:
    int EnumSubFolders(IShellFolder* folder, TShellTreeItem* parent, TItems& items) override
    {
        ++Reads[parent->Path()];
        return TShellTreeView::EnumSubFolders(folder, parent, items);
    }
};

class TreeReadsTest : public ShellTreeTest {
protected:
    TShellTreeView* MakeTree(const TBounds& bounds) override
    {
        Counting = Form->Create<CountingTree>(Form.get(), bounds);
        return Counting;
    }
    // Opens the folder's row as a double click does.
    void OpenFromList(const std::wstring& path)
    {
        const std::vector<std::wstring> names = ListedNames();
        const auto found = std::find(names.begin(), names.end(), path.substr(path.rfind(L'\\') + 1));
        ASSERT_NE(found, names.end()) << "the list does not show " << testing::PrintToString(path);
        const int row = int(found - names.begin());
        View->ExecuteItem(row, 0, {}, 0, 0);
        ASSERT_EQ(PathOf(Tree->Selected()), path);
    }
    void Backspace(const std::wstring& parent)
    {
        SendMessageW(View->Handle(), WM_KEYDOWN, VK_BACK, 0);
        ASSERT_EQ(PathOf(Tree->Selected()), parent);
    }

    CountingTree* Counting = nullptr;
};
}  // namespace

TEST_F(TreeReadsTest, AFolderIsReadAsItFirstOpensAndAgainOnlyOnARefresh)
{
    // Only what the test does reads the tree: no report of the folders made here comes in between.
    Tree->PauseWatch();
    const std::wstring top = Folder->Path();
    const std::vector<std::wstring> chain{Folder->AddFolder(L"a"), Folder->AddFolder(L"a\\b"),
                                          Folder->AddFolder(L"a\\b\\c")};
    SelectPath(top);
    ASSERT_EQ(ListedPath(View), top);
    Counting->Reads.clear();
    for (int walk = 0; walk < 2; ++walk) {
        for (const std::wstring& path : chain) ASSERT_NO_FATAL_FAILURE(OpenFromList(path));
        for (size_t i = chain.size() - 1; i > 0; --i) ASSERT_NO_FATAL_FAILURE(Backspace(chain[i - 1]));
        ASSERT_NO_FATAL_FAILURE(Backspace(top));
    }
    const std::map<std::wstring, int> once{{top, 1}, {chain[0], 1}, {chain[1], 1}};
    EXPECT_EQ(Counting->Reads, once) << "each folder on the way is read as it first opens, its ancestors not at all";

    // Closed and opened again, a folder keeps the children it has.
    TTreeNode* a = NodeOfPath(chain[0]);
    a->Collapse(false);
    a->Expand(false);
    ASSERT_TRUE(a->Expanded());
    EXPECT_EQ(Counting->Reads, once);

    Counting->Reads.clear();
    Tree->RefreshTree();
    for (const auto& [path, reads] : once) EXPECT_EQ(Counting->Reads[path], 1) << "a refresh reads " << testing::PrintToString(path);
}

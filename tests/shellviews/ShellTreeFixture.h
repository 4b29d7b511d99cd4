#pragma once
// A shell tree view linked to a shell list view on a form of the virtual
// desktop, and a fresh folder made after the tree began to watch the drives.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "shellviews/ShellListView.h"
#include "shellviews/ShellTreeView.h"
#include "tests/common/Pump.h"
#include "tests/shell/ShellItemFixtures.h"
#include "ui/Form.h"

class ShellTreeTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // The tree the fixture links to its list view.
    virtual TShellTreeView* MakeTree(const TBounds& bounds)
    {
        return Form->Create<TShellTreeView>(Form.get(), bounds);
    }

    // The node of the folder at `path`; fails the test when the tree cannot reach it.
    TTreeNode* NodeOfPath(const std::wstring& path);
    // Selects the folder's node as the list view would after opening it.
    TTreeNode* SelectPath(const std::wstring& path);
    static std::wstring PathOf(const TTreeNode* node);
    static std::vector<std::wstring> ChildNames(TTreeNode* node);
    static std::wstring ListedPath(TShellListView* view) { return view->FileList().FolderPath(); }
    std::vector<std::wstring> ListedNames() const;
    // A fresh folder made now at C:\ and removed after the test: Wine's subtree
    // handle on a drive sees only what happens in folders made after the watch
    // began, directly in the root or below such a folder.
    std::wstring MakeWatchedRoot(const std::wstring& name);
    // A point on the node's label, in screen coordinates, after scrolling it into view.
    POINT LabelPoint(TTreeNode* node) const;

    std::unique_ptr<TForm> Form;
    TShellListView* View = nullptr;
    TShellTreeView* Tree = nullptr;
    int ListChanges = 0;
    std::optional<TempFolder> Folder;
    std::vector<std::wstring> FWatchedRoots;
};

#pragma once
// Real folders and files for the item tests, the listing and tree node that
// items call on, and a count of the task allocator's traffic.
#include <windows.h>
#include <objidl.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "shell/ShellFileItem.h"
#include "shell/ShellFolderItem.h"

// A fresh folder under the Windows temp directory, deleted with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::wstring& Path() const { return FPath; }
    // Creates the file (and its folders) below this folder with `size` bytes of 'x'.
    std::wstring AddFile(const std::wstring& relativePath, DWORD size = 0) const;
    std::wstring AddFolder(const std::wstring& relativePath) const;

private:
    std::wstring FPath;
};

void CreateFileWithSize(const std::wstring& path, DWORD size);
// Deletes a file or a whole folder tree; paths may pass MAX_PATH.
void DeleteTree(const std::wstring& path);
TIDListPtr IDListOfPath(const std::wstring& path);
TIDListPtr SpecialList(TShSpecialFolder folder);
// A tree item for an absolute list, without a node.
std::unique_ptr<TShellFolderItem> FolderItemOf(LPCITEMIDLIST absolute, TShellItemNode* node = nullptr);

// A listing of one real folder, enumerated through the shell as the list view's listing does.
class TestListing : public TShellItemListing {
public:
    explicit TestListing(LPCITEMIDLIST folder);
    LPCITEMIDLIST FolderIDList() const override { return FFolder.get(); }
    int FolderLevel() const override { return IDListLevel(FFolder.get()); }
    Microsoft::WRL::ComPtr<IShellFolder> ShellFolder() const override;
    TViewStyle ViewStyle() const override { return Style; }
    HWND ListWindow() const override { return nullptr; }
    int IndexOf(const TShellFileItem* item) const override;

    // The row whose path ends in `name` (case-sensitive); none when absent.
    TShellFileItem* ItemNamed(const std::wstring& name) const;
    // The row whose absolute list the Desktop calls equal to `absolute`.
    TShellFileItem* ItemOf(LPCITEMIDLIST absolute) const;

    std::vector<std::unique_ptr<TShellFileItem>> Items;
    TViewStyle Style = vsReport;

private:
    TIDListPtr FFolder;
};

// A tree node that records what its item tells it.
class TestNode : public TShellItemNode {
public:
    TShellFolderItem* Item() const override { return ItemShown; }
    int AbsoluteIndex() const override { return Index; }
    void SetHasChildren(bool value) override { HasChildren = value; }
    void SetOverlayIndex(int value) override { Overlay = value; }
    void SetText(const std::wstring& value) override { Text = value; }
    bool Expanded() const override { return IsExpanded; }
    void SetExpanded(bool value) override { IsExpanded = value; }
    void DeleteChildren() override { ++ChildrenDeleted; IsExpanded = false; }
    void SortSiblings(TCompare compare) override { SortedWith = compare; }
    void Refill() override { ++Refilled; }
    HWND TreeWindow() const override { return nullptr; }

    TShellFolderItem* ItemShown = nullptr;
    int Index = 0;
    bool HasChildren = false;
    int Overlay = -2;
    std::wstring Text;
    bool IsExpanded = false;
    int ChildrenDeleted = 0;
    int Refilled = 0;
    TCompare SortedWith = nullptr;
};

// Counts the blocks that the task allocator hands out and takes back while it lives.
class AllocationCounter {
public:
    AllocationCounter();
    ~AllocationCounter();
    bool Registered() const { return FRegistered; }
    long Allocations() const;
    long Frees() const;

private:
    class Spy;
    Microsoft::WRL::ComPtr<Spy> FSpy;
    bool FRegistered = false;
};

#pragma once
// A shell combo box linked to a shell tree view on a form of the virtual
// desktop, on a Desktop whose first child is the drives folder, as on
// Windows: Wine puts its view of the Unix root ("/") first, and the tests
// take it off the Desktop while they run. What the tests read of the combo
// box: its entries, the order they must keep, and the user's choice.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "shellmenus/ShellComboBox.h"
#include "shellviews/ShellTreeView.h"
#include "tests/common/Pump.h"
#include "tests/shell/ShellItemFixtures.h"
#include "ui/Form.h"

// Takes Wine's Unix root off the Desktop until it goes; its registry entry comes back then.
class UnixRootHidden {
public:
    UnixRootHidden();
    ~UnixRootHidden() { if (FHidden) ShowUnixRoot(); }
    UnixRootHidden(const UnixRootHidden&) = delete;
    UnixRootHidden& operator=(const UnixRootHidden&) = delete;

    // Puts Wine's Unix root on the Desktop, also after a test that hid it ended too early to give it back.
    static void ShowUnixRoot();

private:
    bool FHidden = false;
};

// Folders made in the Desktop's directory for one test, removed with it.
class DesktopFolders {
public:
    DesktopFolders();
    ~DesktopFolders();
    std::wstring Add(const std::wstring& relativePath);
    const std::wstring& Directory() const { return FDirectory; }

private:
    std::wstring FDirectory;
    std::vector<std::wstring> FMade;
};

struct ComboEntry {
    int Level;
    std::wstring Name;
    bool Temporary;
    bool operator==(const ComboEntry&) const = default;
};
void PrintTo(const ComboEntry& entry, std::ostream* out);

class ShellComboTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // False keeps Wine's Desktop as it is.
    virtual bool HideUnixRoot() const { return true; }

    std::vector<ComboEntry> Entries() const;
    // The entry of the folder at the path; -1 when it is not listed.
    int IndexOfPath(const std::wstring& path) const;
    std::wstring SelectedPath() const;
    // The folder's absolute list; a folder in the Desktop's directory is named below the Desktop, as the Desktop lists it.
    static TIDListPtr IDListOf(const std::wstring& path);
    // Selects the folder's node in the tree, as the user would there.
    void SelectInTree(const std::wstring& path);
    // Chooses the entry as the user does: the control selects it and tells its parent.
    void Choose(int index);
    // What is wrong with the order: an entry not directly after its parent's subtree, a
    // parent not listed, a depth that is not one below the parent's, strings not parallel.
    std::string OrderFault() const;

    std::optional<UnixRootHidden> UnixRoot;
    std::unique_ptr<TForm> Form;
    TShellTreeView* Tree = nullptr;
    TShellComboBox* Combo = nullptr;
    std::optional<TempFolder> Folder;
};

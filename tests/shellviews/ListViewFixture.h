#pragma once
// A shell list view in report style on a form of the virtual desktop, with
// what the tests read of it: the rows' names, the list changes and the
// selection sizes it reported, and a tree link that the test controls.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "shellviews/ShellListView.h"
#include "tests/common/InputScript.h"
#include "tests/common/Pump.h"
#include "tests/shell/ShellItemFixtures.h"
#include "ui/Application.h"
#include "ui/Form.h"

// Stands in for the tree view: its folder is whatever the test sets.
class TestTreeLink : public TShellTreeLink {
public:
    bool SelectedFolderIDList(TIDListPtr& folder) override;
    void SelectIDList(LPCITEMIDLIST list) override { Selected.reset(CopyIDList(list)); }
    void SetIncludeHidden(bool) override {}
    void SetShVirtuaItems(TShVirtuaItems) override {}
    void RefreshTree() override { ++TreeRefreshes; }

    TIDListPtr Folder;
    TIDListPtr Selected;
    int TreeRefreshes = 0;
};

// Collects what the application would show in message boxes while it lives.
struct ShownErrors {
    ShownErrors()
    {
        Application->OnException = [this](TObject*, const std::exception& error) { Texts.push_back(error.what()); };
    }
    ~ShownErrors() { Application->OnException = nullptr; }
    std::vector<std::string> Texts;
};

class ListViewTest : public testing::Test {
protected:
    static constexpr int kWidth = 600;

    void SetUp() override;
    void TearDown() override;

    // Lists a folder by its path and waits for nothing: the listing is synchronous.
    void ListPath(const std::wstring& path);
    std::vector<std::wstring> Names() const;
    int IndexOfName(const std::wstring& name) const;
    // Asks every row through the control, as drawing does, until each has
    // taken its icon, overlay and type name from the view's worker.
    bool WaitForRowAnswers() const;
    HWND Window() const { return View->Handle(); }

    std::unique_ptr<TForm> Form;
    TShellListView* View = nullptr;
    int ListChanges = 0;
    std::vector<DWORD> SelSizes;
    TempFolder Folder;
};

#pragma once
// A shell popup menu owned by a form of the virtual desktop, a selection of
// real files in a fresh folder, and the modal menu's choice made by the test
// through the tracking function.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shellmenus/ShellPopupMenu.h"
#include "tests/common/Pump.h"
#include "tests/shell/ShellItemFixtures.h"
#include "ui/Form.h"
#include "ui/Timer.h"

// One entry of a native menu as the user would see it.
struct MenuEntry {
    UINT Id = 0;
    UINT Type = 0;
    UINT State = 0;
    HMENU SubMenu = nullptr;
    std::wstring Text;
};
std::vector<MenuEntry> EntriesOf(HMENU menu);
bool FileExists(const std::wstring& path);

// Presses a button of the first dialog this thread shows, from a timer that
// runs inside the dialog's own loop.
class DialogAnswer {
public:
    explicit DialogAnswer(int button);
    bool Answered() const { return FAnswered; }

private:
    std::unique_ptr<TTimer> FTimer;
    bool FAnswered = false;
};

class ShellMenuTest : public testing::Test {
protected:
    static constexpr POINT kPoint{300, 200};
    using TChoice = std::function<UINT(HMENU menu, UINT flags, POINT pt, HWND owner)>;

    void SetUp() override;
    void TearDown() override;

    // Makes the files in Folder the selection, in this order.
    void Select(const std::vector<std::wstring>& names);
    // The tracked menu is handed to `choice`, whose answer is the chosen command.
    void Choose(TChoice choice);
    void ChooseCommand(UINT command)
    {
        Choose([command](HMENU, UINT, POINT, HWND) { return command; });
    }
    // Chooses the shell entry with this canonical verb; fails the test when there is none.
    void ChooseVerb(const std::wstring& verb);
    int Popup() { return Menu->ShellPopup(&Selection, kPoint); }
    TMenuItem* AddItem(const std::wstring& caption, int* clicks = nullptr);

    std::unique_ptr<TForm> Form;
    TShellPopupMenu* Menu = nullptr;
    TempFolder Folder;
    std::wstring FilePath;  // "a.txt" in Folder, selected by SetUp
    TShellIDList2 Selection;
    int Tracked = 0;
    HMENU TrackedMenu = nullptr;
    std::vector<MenuEntry> Shown;  // the tracked menu's entries
    UINT ShownDefault = UINT(-1);  // the position of its default entry
    UINT ChosenOffset = 0;  // the shell offset of the entry ChooseVerb chose
};

// A drop anywhere on the combo box goes to the shell target of its selected
// folder; a failing handler ends the drag without holding up its loop.
#include <stdexcept>

#include "tests/shellmenus/ComboFixture.h"
#include "tests/shellmenus/DropTestSupport.h"
#include "ui/Application.h"
#include "ui/Finally.h"
#include "ui/Text.h"

using Microsoft::WRL::ComPtr;

namespace {
class ShellComboDropTest : public ShellComboTest {
protected:
    void SetUp() override
    {
        ShellComboTest::SetUp();
        Combo->OnShDragEnter = [this](TObject* sender, TShellDragObject*, TShiftState, POINT, bool&) {
            EXPECT_EQ(sender, Combo);
            Events.push_back(L"enter");
        };
        Combo->OnShDragOver = [this](TObject*, TShellDragObject*, TShellComboItem* entry, TShiftState, int, int) {
            Events.push_back(L"over " + (entry ? entry->DisplayName() : L"-"));
        };
        Combo->OnShDragDrop = [this](TObject*, TShellDragObject*, TShellComboItem* entry, TShiftState, int, int,
                                     bool&) { Events.push_back(L"drop " + (entry ? entry->DisplayName() : L"-")); };
        Combo->OnShDragLeave = [this](TObject*) { Events.push_back(L"leave"); };
    }
    IDropTarget* Target() { return Combo; }

    std::vector<std::wstring> Events;
    TempFolder Source;
};
}  // namespace

// The Desktop's entry takes drops through the Desktop's directory.
TEST_F(ShellComboDropTest, ADropAnywhereOnTheControlGoesToTheSelectedFolder)
{
    std::wstring desktopDirectory;
    ASSERT_TRUE(PathFromIDList(SpecialList(sfDesktopDirectory).get(), desktopDirectory));
    const std::wstring folder = Folder->AddFolder(L"target");
    RECT bounds{};
    GetWindowRect(Combo->Handle(), &bounds);
    const POINTL points[] = {{bounds.left + 2, bounds.top + 2}, {bounds.right - 3, bounds.bottom - 3}};
    struct Case {
        const char* name;
        std::wstring selected, name_shown, arrival;
    } cases[] = {
        {"a folder", folder, L"target", folder},
        {"the Desktop", L"", Combo->ComboList().Items(0)->DisplayName(), desktopDirectory},
    };
    int drops = 0;
    for (const Case& c : cases) {
        if (c.selected.empty()) Tree->SetSelected(Tree->GetFirstNode());
        else SelectInTree(c.selected);
        for (const POINTL& point : points) {
            SCOPED_TRACE(testing::Message() << c.name << " at " << point.x << "," << point.y);
            Events.clear();
            ComPtr<IDataObject> data = FilesData({Source.AddFile(L"dropped-" + std::to_wstring(drops) + L".txt")});
            ASSERT_TRUE(data);
            DWORD effect = kAllEffects;
            ASSERT_EQ(Target()->DragEnter(data.Get(), MK_LBUTTON, point, &effect), S_OK);
            effect = kAllEffects;
            EXPECT_EQ(Target()->DragOver(MK_LBUTTON, point, &effect), S_OK);
            effect = kAllEffects;
            EXPECT_EQ(Target()->Drop(data.Get(), 0, point, &effect), S_OK);
            ASSERT_EQ(Combo->KeptDropTargetCount(), ++drops);
            EXPECT_EQ(IncludeBackslash(TargetFolderPath(Combo->KeptDropTarget(drops - 1))),
                      ShellTargetFolderPath(c.arrival));
            EXPECT_EQ(Events, (std::vector<std::wstring>{L"enter", L"over " + c.name_shown, L"drop " + c.name_shown}));
            EXPECT_EQ(Combo->DragObject(), nullptr);
        }
    }
}

TEST_F(ShellComboDropTest, TextIsRefusedAndOnlyAnAcceptedDragHasALeave)
{
    RECT bounds{};
    GetWindowRect(Combo->Handle(), &bounds);
    const POINTL point{bounds.left + 5, bounds.top + 5};
    struct Case {
        const char* name;
        bool text;
        std::vector<std::wstring> events;
    } cases[] = {
        {"text", true, {}},
        {"files", false, {L"enter", L"over " + Combo->SelectedEntry()->DisplayName(), L"leave"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Events.clear();
        ComPtr<IDataObject> data = c.text ? PlainTextData(Form->Handle()) : FilesData({Source.AddFile(L"left.txt")});
        ASSERT_TRUE(data);
        DWORD effect = kAllEffects;
        ASSERT_EQ(Target()->DragEnter(data.Get(), MK_LBUTTON, point, &effect), S_OK);
        EXPECT_EQ(effect == DROPEFFECT_NONE, c.text);
        effect = kAllEffects;
        Target()->DragOver(MK_LBUTTON, point, &effect);
        if (c.text) EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
        Target()->DragLeave();
        EXPECT_EQ(Events, c.events);
        EXPECT_EQ(Combo->DragObject(), nullptr);
    }
    EXPECT_EQ(Combo->KeptDropTargetCount(), 0);
}

// The drag's loop may be another program's: a failing handler answers at
// once, and its message waits until the call has returned.
TEST_F(ShellComboDropTest, AFailingHandlerAnswersAtOnceAndIsShownAfterTheCall)
{
    RECT bounds{};
    GetWindowRect(Combo->Handle(), &bounds);
    const POINTL point{bounds.left + 5, bounds.top + 5};
    std::vector<TObject*> senders;
    Application->OnException = [&](TObject* sender, const std::exception&) { senders.push_back(sender); };
    TFinally forget([] { Application->OnException = nullptr; });
    Combo->OnShDragOver = [](TObject*, TShellDragObject*, TShellComboItem*, TShiftState, int, int) {
        throw std::runtime_error("handler");
    };
    ComPtr<IDataObject> data = FilesData({Source.AddFile(L"thrown.txt")});
    DWORD effect = kAllEffects;
    ASSERT_EQ(Target()->DragEnter(data.Get(), MK_LBUTTON, point, &effect), S_OK);
    effect = kAllEffects;
    EXPECT_EQ(Target()->DragOver(MK_LBUTTON, point, &effect), E_UNEXPECTED);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
    EXPECT_TRUE(senders.empty()) << "nothing is shown inside the call";
    EXPECT_EQ(Combo->DragObject(), nullptr);
    EXPECT_EQ(Target()->DragLeave(), S_OK);
    Application->ProcessMessages();
    EXPECT_EQ(senders, std::vector<TObject*>{Combo});
}

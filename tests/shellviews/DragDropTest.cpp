// Drags handed on to the shell's own drop targets: where the files land, the
// refusals, the events and the highlight, the delivery protocol, the tree's
// hover opening, and one real drag from a row onto a node.
#include <algorithm>
#include <stdexcept>

#include "shell/ShellNotify.h"
#include "tests/common/Platform.h"
#include "tests/shellmenus/DropTestSupport.h"
#include "tests/shellmenus/MenuFixture.h"
#include "tests/shellviews/ListViewFixture.h"
#include "tests/shellviews/ShellTreeFixture.h"
#include "ui/Exceptions.h"
#include "ui/Text.h"

using Microsoft::WRL::ComPtr;

namespace {
POINTL Screen(HWND window, POINT client)
{
    ClientToScreen(window, &client);
    return POINTL{client.x, client.y};
}

// The list view with a recording of its drag events.
class ListDropTest : public ListViewTest {
protected:
    void SetUp() override
    {
        ListViewTest::SetUp();
        View->OnShDragEnter = [this](TObject*, TShellDragObject* drag, TShiftState, POINT, bool& accept) {
            EXPECT_NE(drag, nullptr);
            Events.push_back(L"enter");
            FailAt(L"enter");
            accept = AcceptEnter;
        };
        View->OnShDragOver = [this](TObject*, TShellDragObject*, TShellFileItem* item, TShiftState, int, int) {
            Events.push_back(L"over " + (item ? item->DisplayName() : L"-"));
            FailAt(L"over");
        };
        View->OnShDragDrop = [this](TObject*, TShellDragObject*, TShellFileItem*, TShiftState, int, int,
                                    bool& defaultAction) {
            Events.push_back(L"drop");
            FailAt(L"drop");
            defaultAction = DefaultAction;
        };
        View->OnShDragLeave = [this](TObject*) {
            Events.push_back(L"leave");
            FailAt(L"leave");
        };
    }

    IDropTarget* Target() { return View; }
    POINTL RowPoint(const std::wstring& name)
    {
        RECT row{};
        ListView_GetItemRect(Window(), IndexOfName(name), &row, LVIR_LABEL);
        return Screen(Window(), POINT{row.left + 4, (row.top + row.bottom) / 2});
    }
    POINTL EmptyPoint() { return Screen(Window(), POINT{kWidth / 2, 400}); }
    DWORD Over(POINTL point, DWORD keyState = MK_LBUTTON)
    {
        DWORD effect = kAllEffects;
        EXPECT_EQ(Target()->DragOver(keyState, point, &effect), S_OK);
        return effect;
    }
    int HighlightedRow() const { return ListView_GetNextItem(Window(), -1, LVNI_DROPHILITED); }

    void FailAt(const std::wstring& step) const
    {
        if (step == Failing) throw std::runtime_error("handler");
    }

    std::vector<std::wstring> Events;
    std::wstring Failing;  // the event whose handler throws
    bool AcceptEnter = true, DefaultAction = true;
    TempFolder Source;
};
}  // namespace

TEST_F(ListDropTest, FilesDroppedOnAFolderRowOrEmptySpaceArriveWhereTheShellPutsThem)
{
    Folder.AddFolder(L"target");
    Folder.AddFile(L"resident.txt");
    TIDListPtr desktop = SpecialList(sfDesktop);
    std::wstring desktopDirectory;
    ASSERT_TRUE(PathFromIDList(SpecialList(sfDesktopDirectory).get(), desktopDirectory));
    desktopDirectory = IncludeBackslash(desktopDirectory);
    struct Case {
        const wchar_t* name;
        bool onDesktop, onRow;
        std::wstring arrival;
    } cases[] = {
        {L"row", false, true, Folder.Path() + L"\\target\\"},
        {L"space", false, false, Folder.Path() + L"\\"},
        {L"desktop", true, false, desktopDirectory},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << WideToUtf8(c.name));
        const std::vector<std::wstring> names{std::wstring(c.name) + L"-1.txt", std::wstring(c.name) + L"-2.txt"};
        ComPtr<IDataObject> data = FilesData({Source.AddFile(names[0]), Source.AddFile(names[1])});
        ASSERT_TRUE(data);
        if (c.onDesktop) View->SetFolderIDList(desktop.get());
        else ListPath(Folder.Path());
        const POINTL point = c.onRow ? RowPoint(L"target") : EmptyPoint();
        DWORD effect = kAllEffects;
        ASSERT_EQ(Target()->DragEnter(data.Get(), MK_LBUTTON, point, &effect), S_OK);
        Over(point);
        EXPECT_EQ(HighlightedRow() >= 0, c.onRow);
        effect = kAllEffects;
        EXPECT_EQ(Target()->Drop(data.Get(), 0, point, &effect), S_OK);
        EXPECT_EQ(HighlightedRow(), -1);
        ASSERT_EQ(View->KeptDropTargetCount(), int(&c - cases) + 1);
        // The target the shell hands out for that folder took the drop (Wine hands out its parent's).
        const std::wstring landing = IncludeBackslash(TargetFolderPath(View->KeptDropTarget(int(&c - cases))));
        EXPECT_EQ(landing, ShellTargetFolderPath(c.arrival));
        // Wine 8's folder targets take nothing, so there the files stay where they were.
        for (const std::wstring& name : names) {
            if (!UnderWine()) EXPECT_TRUE(PumpUntil([&] { return FileExists(landing + name); }, 5000));
            DeleteTree(landing + name);
        }
    }
}

TEST_F(ListDropTest, RefusedDragsDropNothing)
{
    const std::wstring source = Source.AddFile(L"stays.txt");
    ListPath(Folder.Path());
    struct Case {
        const char* name;
        bool plainText, acceptEnter, defaultAction;
        std::vector<std::wstring> events;
    } cases[] = {
        {"plain text", true, true, true, {}},
        {"enter refused", false, false, true, {L"enter"}},
        {"drop refused", false, true, false, {L"enter", L"over -", L"drop"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Events.clear();
        AcceptEnter = c.acceptEnter;
        DefaultAction = c.defaultAction;
        ComPtr<IDataObject> data = c.plainText ? PlainTextData(Form->Handle()) : FilesData({source});
        ASSERT_TRUE(data);
        DWORD effect = kAllEffects;
        ASSERT_EQ(Target()->DragEnter(data.Get(), MK_LBUTTON, EmptyPoint(), &effect), S_OK);
        EXPECT_EQ(effect, c.acceptEnter && !c.plainText ? kAllEffects : DWORD(DROPEFFECT_NONE));
        const DWORD over = Over(EmptyPoint());
        EXPECT_EQ(over == DROPEFFECT_NONE, c.plainText || !c.acceptEnter);
        effect = kAllEffects;
        const HRESULT dropped = Target()->Drop(data.Get(), 0, EmptyPoint(), &effect);
        EXPECT_EQ(dropped, c.defaultAction ? E_INVALIDARG : S_OK) << "a drop without an accepted drag";
        if (dropped == S_OK) EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
        Target()->DragLeave();
        EXPECT_EQ(Events, c.events);
        EXPECT_TRUE(FileExists(source));
        EXPECT_FALSE(FileExists(Folder.Path() + L"\\stays.txt"));
    }
}

// A row takes the drag when the shell gives it a drop target; under Wine every
// row of a folder has one and no row of the Desktop does.
TEST_F(ListDropTest, TheHighlightMarksTheRowThatTakesTheDragAndTheEventsNameTheRowUnderThePointer)
{
    Folder.AddFolder(L"sub");
    TIDListPtr desktop = SpecialList(sfDesktop);
    ComPtr<IDataObject> data = FilesData({Source.AddFile(L"dragged.txt")});
    for (bool onDesktop : {false, true}) {
        SCOPED_TRACE(onDesktop);
        if (onDesktop) View->SetFolderIDList(desktop.get());
        else ListPath(Folder.Path());
        int taker = -1, refuser = -1;
        for (int i = 0; i < View->FileList().Count(); ++i) {
            ComPtr<IDropTarget> target;
            TShellFileItem* item = View->FileList().ItemAt(i);
            int& kind = item->HasAttribute(iaDropTarget) && item->DropTarget(target) ? taker : refuser;
            if (kind < 0) kind = i;
        }
        const int row = onDesktop ? refuser : taker;
        ASSERT_GE(row, 0);
        const std::wstring name = View->FileList().ItemAt(row)->DisplayName();
        Events.clear();
        DWORD effect = kAllEffects;
        ASSERT_EQ(Target()->DragEnter(data.Get(), MK_LBUTTON, RowPoint(name), &effect), S_OK);
        Over(RowPoint(name));
        EXPECT_EQ(HighlightedRow(), row == taker ? row : -1);
        Over(EmptyPoint());
        EXPECT_EQ(HighlightedRow(), -1);
        Target()->DragLeave();
        EXPECT_EQ(Events, (std::vector<std::wstring>{L"enter", L"over " + name, L"over -", L"leave"}));
        EXPECT_EQ(View->DragObject(), nullptr);
    }
}

// The rows stay put under a drag: the highlighted row must still be the one dropped on.
TEST_F(ListDropTest, AChangeWhileADragPassesIsDropped)
{
    ListPath(Folder.Path());
    ComPtr<IDataObject> data = FilesData({Source.AddFile(L"passing.txt")});
    DWORD effect = kAllEffects;
    ASSERT_EQ(Target()->DragEnter(data.Get(), MK_LBUTTON, EmptyPoint(), &effect), S_OK);
    const int changes = ListChanges;
    Folder.AddFile(L"meanwhile.txt");
    PumpFor(TShFilesWatcher::DefaultSettleMs + 1500);
    EXPECT_EQ(ListChanges, changes);
    Target()->DragLeave();
    EXPECT_EQ(View->ItemCount(), 0);
}

// A handler that throws ends that drag at the view: the failed call answers
// at once, its message comes once the calls have returned (the drag's loop
// may be another program's), no drop, no highlight left on, and the next
// drag is delivered.
TEST_F(ListDropTest, AHandlerThatThrowsIsShownOnceAfterItsCallAndEndsOnlyItsDrag)
{
    Folder.AddFolder(L"target");
    ListPath(Folder.Path());
    ComPtr<IDataObject> data = FilesData({Source.AddFile(L"thrown.txt")});
    const POINTL point = RowPoint(L"target");
    for (const wchar_t* step : {L"enter", L"over", L"drop", L"leave", L""}) {
        SCOPED_TRACE(WideToUtf8(step));
        Failing = step;
        Events.clear();
        ShownErrors shown;
        const int kept = View->KeptDropTargetCount();
        std::vector<HRESULT> answers;
        DWORD effect = kAllEffects;
        answers.push_back(Target()->DragEnter(data.Get(), MK_LBUTTON, point, &effect));
        // A second move after the failure must not fail, nor be shown, again.
        for (int move = 0; move < 2; ++move) {
            effect = kAllEffects;
            answers.push_back(Target()->DragOver(MK_LBUTTON, point, &effect));
        }
        EXPECT_EQ(effect == DROPEFFECT_NONE, Failing == L"enter" || Failing == L"over");
        // OLE drops only where the last move was welcome.
        const bool drops = Failing == L"drop" || Failing.empty();
        effect = kAllEffects;
        answers.push_back(drops ? Target()->Drop(data.Get(), 0, point, &effect) : Target()->DragLeave());
        EXPECT_EQ(std::count(answers.begin(), answers.end(), E_UNEXPECTED), Failing.empty() ? 0 : 1);
        EXPECT_TRUE(shown.Texts.empty()) << "nothing is shown inside the drag's calls";
        Application->ProcessMessages();
        EXPECT_EQ(shown.Texts.size(), Failing.empty() ? 0u : 1u);
        EXPECT_EQ(View->KeptDropTargetCount(), kept + (Failing.empty() ? 1 : 0)) << "delivered only without a failure";
        if (Failing == L"drop") EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
        EXPECT_EQ(HighlightedRow(), -1);
        EXPECT_EQ(View->DragObject(), nullptr);
        EXPECT_EQ(std::count(Events.begin(), Events.end(), L"leave"), Failing == L"leave" ? 1 : 0)
            << "the clean-up after a failure tells no handler";
    }
}

namespace {
// A drop target that records the key states it is told, standing in for the shell's.
class SpyDropTarget : public IDropTarget {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        *object = riid == IID_IUnknown || riid == IID_IDropTarget ? this : nullptr;
        if (!*object) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++Count; }
    ULONG STDMETHODCALLTYPE Release() override { return --Count; }
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD keyState, POINTL, DWORD*) override
    {
        Keys.push_back(keyState);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL, DWORD*) override
    {
        Keys.push_back(keyState);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject*, DWORD keyState, POINTL, DWORD* effect) override
    {
        Keys.push_back(keyState);
        *effect = DROPEFFECT_COPY;
        return S_OK;
    }

    ULONG Count = 1;  // the test's own
    std::vector<DWORD> Keys;
};

// The delivery steps of the control, open to the test.
class DeliveryHost : public TShellDropHost<TObject> {
public:
    using TShellDragHost::DeliverDrop;
    using TShellDragHost::ReleaseDropTargets;

protected:
    TObject* DragSender() override { return nullptr; }
    HRESULT ShDragOver(DWORD, POINT, DWORD&) override { return S_OK; }
    void ShDragLeave() override {}
    HRESULT ShDrop(DWORD, POINT, DWORD&) override { return S_OK; }
};
}  // namespace

TEST(DragHostTest, TheShellTargetSeesTheDragsButtonHeldUntilTheDropAndIsKeptWhileOthersHoldIt)
{
    TempFolder source;
    ComPtr<IDataObject> data = FilesData({source.AddFile(L"keys.txt")});
    DeliveryHost host;
    SpyDropTarget held, released;
    for (DWORD button : {DWORD(MK_LBUTTON), DWORD(MK_RBUTTON)}) {
        SCOPED_TRACE(button);
        SpyDropTarget& spy = button == MK_LBUTTON ? held : released;
        DWORD effect = kAllEffects;
        ASSERT_EQ(host.DragEnter(data.Get(), button | MK_SHIFT, POINTL{}, &effect), S_OK);
        effect = kAllEffects;
        EXPECT_EQ(host.DeliverDrop(&spy, MK_SHIFT, POINT{}, effect), S_OK);
        EXPECT_EQ(spy.Keys, (std::vector<DWORD>{MK_SHIFT | button, MK_SHIFT | button, MK_SHIFT}));
        EXPECT_EQ(effect, DWORD(DROPEFFECT_COPY)) << "the effect the shell performed";
    }
    EXPECT_EQ(host.KeptDropTargetCount(), 2);
    released.Release();  // only the host holds it now; the test still holds the other
    host.ReleaseDropTargets();
    EXPECT_EQ(host.KeptDropTargetCount(), 1);
    EXPECT_EQ(released.Count, 0u);
    EXPECT_EQ(held.Count, 2u);
}

TEST(DragHostTest, ADragGoesOnWhileOneButtonIsHeld)
{
    DeliveryHost host;
    struct Case {
        BOOL escape;
        DWORD keys;
        HRESULT answer;
    } cases[] = {
        {TRUE, MK_LBUTTON, DRAGDROP_S_CANCEL},
        {FALSE, MK_LBUTTON | MK_RBUTTON, DRAGDROP_S_CANCEL},
        {FALSE, MK_SHIFT, DRAGDROP_S_DROP},
        {FALSE, MK_LBUTTON, S_OK},
        {FALSE, MK_RBUTTON | MK_CONTROL, S_OK},
    };
    for (const Case& c : cases) EXPECT_EQ(host.QueryContinueDrag(c.escape, c.keys), c.answer) << c.keys;
    EXPECT_EQ(host.GiveFeedback(DROPEFFECT_COPY), DRAGDROP_S_USEDEFAULTCURSORS);
}

TEST(DragHostTest, AMissingDataObjectIsRefused)
{
    DeliveryHost host;
    DWORD effect = kAllEffects;
    EXPECT_EQ(host.DragEnter(nullptr, MK_LBUTTON, POINTL{}, &effect), E_INVALIDARG);
    EXPECT_EQ(host.Drop(nullptr, 0, POINTL{}, &effect), E_INVALIDARG);
    try {
        TShellDragObject object(nullptr);
        ADD_FAILURE() << "made without data";
    } catch (const EInvalidOperation& error) {
        EXPECT_EQ(error.Message(), L"パラメータが不正です。");
    }
}

namespace {
class TreeDropTest : public ShellTreeTest {
protected:
    void SetUp() override
    {
        ShellTreeTest::SetUp();
        Tree->OnShDragDrop = [this](TObject*, TShellDragObject*, TTreeNode* node, TShiftState, int, int, bool&) {
            DroppedOn.push_back(node);
        };
    }
    IDropTarget* Target() { return Tree; }
    POINTL At(TTreeNode* node)
    {
        const POINT point = LabelPoint(node);
        return POINTL{point.x, point.y};
    }
    void OverTimes(TTreeNode* node, int times)
    {
        for (int i = 0; i < times; ++i) {
            DWORD effect = kAllEffects;
            Target()->DragOver(MK_LBUTTON, At(node), &effect);
        }
    }

    std::vector<TTreeNode*> DroppedOn;
};
}  // namespace

TEST_F(TreeDropTest, ANodeHeldUnderADragOpensAtThe32ndDragOverInARow)
{
    Folder->AddFolder(L"outer\\inner");
    Folder->AddFolder(L"other");
    TTreeNode* outer = NodeOfPath(Folder->Path() + L"\\outer");
    TTreeNode* other = NodeOfPath(Folder->Path() + L"\\other");
    ASSERT_TRUE(outer && other);
    outer->SetExpanded(false);
    TempFolder source;
    ComPtr<IDataObject> data = FilesData({source.AddFile(L"hover.txt")});
    DWORD effect = kAllEffects;
    ASSERT_EQ(Target()->DragEnter(data.Get(), MK_LBUTTON, At(outer), &effect), S_OK);
    EXPECT_EQ(Tree->MouseState(), 3);

    OverTimes(outer, 20);
    OverTimes(other, 1);
    OverTimes(outer, 20);
    EXPECT_FALSE(outer->Expanded()) << "another node in between starts the count again";
    OverTimes(outer, 11);
    EXPECT_FALSE(outer->Expanded()) << "31 in a row";
    OverTimes(outer, 1);
    EXPECT_TRUE(outer->Expanded()) << "the 32nd";
    EXPECT_EQ(Tree->DropTarget(), outer);

    Target()->DragLeave();
    EXPECT_EQ(Tree->MouseState(), 0);
    EXPECT_EQ(Tree->DropTarget(), nullptr);
}

// The tree stops dropping changes while a drag passes; a failed drop must not leave it so.
TEST_F(TreeDropTest, AFailedDropLeavesNoHighlightAndTheTreeFollowingChanges)
{
    TTreeNode* node = NodeOfPath(Folder->AddFolder(L"dest"));
    ASSERT_TRUE(node);
    TempFolder source;
    ComPtr<IDataObject> data = FilesData({source.AddFile(L"thrown.txt")});
    for (bool failing : {true, false}) {
        SCOPED_TRACE(failing);
        ShownErrors shown;
        Tree->OnShDragDrop = [&](TObject*, TShellDragObject*, TTreeNode*, TShiftState, int, int, bool&) {
            if (failing) throw std::runtime_error("handler");
        };
        const int kept = Tree->KeptDropTargetCount();
        DWORD effect = kAllEffects;
        ASSERT_EQ(Target()->DragEnter(data.Get(), MK_LBUTTON, At(node), &effect), S_OK);
        OverTimes(node, 1);
        effect = kAllEffects;
        EXPECT_EQ(Target()->Drop(data.Get(), 0, At(node), &effect), failing ? E_UNEXPECTED : S_OK);
        EXPECT_TRUE(shown.Texts.empty()) << "nothing is shown inside the drop";
        Application->ProcessMessages();
        EXPECT_EQ(shown.Texts.size(), failing ? 1u : 0u);
        EXPECT_EQ(Tree->KeptDropTargetCount(), kept + (failing ? 0 : 1));
        EXPECT_EQ(Tree->MouseState(), 0);
        EXPECT_EQ(Tree->DropTarget(), nullptr);
    }
}

// One real OLE drag loop, driven by the mouse, from a row of the list onto a node of the tree.
TEST_F(TreeDropTest, ARowDraggedOntoANodeIsDroppedOnThatNodesShellTarget)
{
    const std::wstring dest = Folder->AddFolder(L"dest");
    Folder->AddFile(L"src\\moved.txt");
    TTreeNode* node = NodeOfPath(dest);
    ASSERT_TRUE(node);
    View->SetFolderIDList(IDListOfPath(Folder->Path() + L"\\src").get());
    const std::vector<std::wstring> names = ListedNames();
    const int index = int(std::find(names.begin(), names.end(), L"moved.txt") - names.begin());
    RECT row{};
    ASSERT_TRUE(ListView_GetItemRect(View->Handle(), index, &row, LVIR_LABEL));
    POINT start{row.left + 4, (row.top + row.bottom) / 2};
    ClientToScreen(View->Handle(), &start);
    const POINT onNode = LabelPoint(node);
    InputScript script({InputScript::MoveTo(start), InputScript::Button(start, true),
                        InputScript::Until([&] { return View->MouseState() == 1; }),
                        InputScript::MoveTo(POINT{start.x - 10, start.y}),
                        InputScript::Until([&] { return View->MouseState() == 3; }), InputScript::MoveTo(onNode),
                        InputScript::MoveTo(POINT{onNode.x + 2, onNode.y}),
                        InputScript::Until([&] { return Tree->DropTarget() == node; }),
                        InputScript::Button(POINT{onNode.x + 2, onNode.y}, false)});
    ASSERT_TRUE(PumpUntil([&] { return script.Done() && View->MouseState() == 0; }, 15000));
    EXPECT_EQ(DroppedOn, std::vector<TTreeNode*>{node});
    ASSERT_EQ(Tree->KeptDropTargetCount(), 1);
    EXPECT_EQ(IncludeBackslash(TargetFolderPath(Tree->KeptDropTarget(0))), ShellTargetFolderPath(dest));
    EXPECT_EQ(Tree->MouseState(), 0);
    if (!UnderWine()) EXPECT_TRUE(PumpUntil([&] { return FileExists(dest + L"\\moved.txt"); }, 5000));
}

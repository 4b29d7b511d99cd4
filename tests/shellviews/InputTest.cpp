// The view's input and drawing: renaming in place, the keys of a file list,
// the drag threshold, custom drawing, overlays and the clipboard.
#include <shlobj.h>

#include <stdexcept>
#include <thread>

#include "shell/ShellClassCache.h"
#include "tests/shellmenus/DropTestSupport.h"
#include "tests/shellviews/ListViewFixture.h"

using Microsoft::WRL::ComPtr;

namespace {
void SendKey(HWND window, WORD key)
{
    SendMessageW(window, WM_KEYDOWN, key, 0);
    SendMessageW(window, WM_KEYUP, key, 0);
}

void FocusRow(HWND window, int row)
{
    ListView_SetItemState(window, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(window, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

// Renames the focused row through the in-place editor, as a user types; false when no editor opened.
bool RenameInPlace(HWND window, const std::wstring& name)
{
    SendKey(window, VK_F2);
    HWND editor = ListView_GetEditControl(window);
    if (!editor) return false;
    SetWindowTextW(editor, name.c_str());
    SendKey(editor, VK_RETURN);
    return PumpUntil([&] { return !ListView_GetEditControl(window); }, 2000);
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
}  // namespace

TEST_F(ListViewTest, F2RenamesTheFocusedRowInPlace)
{
    Folder.AddFile(L"old.txt");
    Folder.AddFile(L"taken.txt");
    ListPath(Folder.Path());
    const std::wstring wide = L"\u96ea\u2603\u00e9.txt";  // beyond Shift-JIS
    FocusRow(Window(), IndexOfName(L"old.txt"));
    ASSERT_TRUE(RenameInPlace(Window(), wide));
    EXPECT_TRUE(Exists(Folder.Path() + L"\\" + wide));
    EXPECT_FALSE(Exists(Folder.Path() + L"\\old.txt"));
    EXPECT_GE(IndexOfName(wide), 0) << "the row shows its new name";

    // The shell refuses a name that is taken: the row keeps its name.
    FocusRow(Window(), IndexOfName(wide));
    ASSERT_TRUE(RenameInPlace(Window(), L"taken.txt"));
    EXPECT_GE(IndexOfName(wide), 0);
    EXPECT_TRUE(Exists(Folder.Path() + L"\\" + wide));
}

TEST_F(ListViewTest, AnItemTheShellCannotRenameGetsNoEditor)
{
    // The Desktop's and the drives folder's rows hold the shell's fixed items.
    TShellFileList& list = View->FileList();
    auto fixedRow = [&] {
        for (int i = 0; i < list.Count(); ++i)
            if (!list.ItemAt(i)->HasAttribute(iaCanRename)) return i;
        return -1;
    };
    int row = fixedRow();
    if (row < 0) {
        View->SetFolderIDList(SpecialList(sfDrives).get());
        row = fixedRow();
    }
    ASSERT_GE(row, 0) << "no item that the shell refuses to rename";
    FocusRow(Window(), row);
    SendKey(Window(), VK_F2);
    EXPECT_EQ(ListView_GetEditControl(Window()), nullptr);
}

TEST_F(ListViewTest, KeysRefreshAndGoUpWithALinkedTree)
{
    Folder.AddFile(L"sub\\x.txt");
    ListPath(Folder.Path() + L"\\sub");
    const int changes = ListChanges;
    ShellClassCache().SetTypeName(L".tessalyclass", L"old");
    SendKey(Window(), VK_F5);
    EXPECT_EQ(ListChanges, changes + 1);
    std::wstring typeName;
    EXPECT_FALSE(ShellClassCache().TypeName(L".tessalyclass", typeName)) << "the refresh kept the classes' old names";

    SendKey(Window(), VK_BACK);
    EXPECT_EQ(View->FileList().FolderPath(), Folder.Path() + L"\\sub") << "no tree, no going up";
    TestTreeLink tree;
    View->SetLinkedTree(&tree);
    SendKey(Window(), VK_BACK);
    EXPECT_EQ(View->FileList().FolderPath(), Folder.Path());
    ASSERT_TRUE(tree.Selected);
    EXPECT_EQ(CompareItemIDs(View->FileList().ShellFolder().Get(), tree.Selected.get(), View->FolderIDList()),
              crSame)
        << "the tree follows to the parent";
    View->SetLinkedTree(nullptr);
}

TEST_F(ListViewTest, ADragStartsOnlyAfterAMoveOfMoreThanFivePixels)
{
    Folder.AddFile(L"drag.txt");
    ListPath(Folder.Path());
    FocusRow(Window(), 0);
    std::vector<POINT> asked;
    View->OnShBeginDrag = [&](TObject*, TShellIDList& list, POINT, int x, int y, bool& canDrag) {
        EXPECT_EQ(list.Count(), 1);
        asked.push_back({x, y});
        canDrag = false;  // the decision is what is tested, not the loop
    };
    RECT row{};
    ASSERT_TRUE(ListView_GetItemRect(Window(), 0, &row, LVIR_LABEL));
    POINT start{row.left + 4, (row.top + row.bottom) / 2};
    ClientToScreen(Window(), &start);
    auto at = [&](int dx) { return POINT{start.x + dx, start.y}; };
    bool askedWithinFive = true;
    ULONGLONG fifth = 0;
    std::vector<InputScript::TStep> steps{InputScript::MoveTo(start), InputScript::Button(start, true),
                                          InputScript::Until([&] { return View->MouseState() == 1; })};
    for (int dx = 1; dx <= 5; ++dx) steps.push_back(InputScript::MoveTo(at(dx)));
    steps.push_back([&] {
        fifth = GetTickCount64();
        return true;
    });
    // Moves take a moment to arrive; five pixels must not have asked by then.
    steps.push_back(InputScript::Until([&] { return GetTickCount64() - fifth > 300; }));
    steps.push_back([&] {
        askedWithinFive = !asked.empty();
        return true;
    });
    steps.push_back(InputScript::MoveTo(at(6)));
    steps.push_back(InputScript::Until([&] { return !asked.empty() || GetTickCount64() - fifth > 3000; }));
    steps.push_back(InputScript::Button(at(6), false));
    InputScript script(std::move(steps));
    ASSERT_TRUE(PumpUntil([&] { return script.Done() && View->MouseState() == 0; }, 10000));
    EXPECT_FALSE(askedWithinFive) << "five pixels are not a drag";
    EXPECT_FALSE(asked.empty()) << "six pixels are";
}

// A drag start that the handler refuses or fails ends the gesture while the
// button is still held: the handler is asked once, an error shown once, and
// the view hears changes again.
TEST_F(ListViewTest, ARefusedOrFailedDragStartEndsTheGesture)
{
    Folder.AddFile(L"drag.txt");
    ListPath(Folder.Path());
    FocusRow(Window(), 0);
    RECT row{};
    ASSERT_TRUE(ListView_GetItemRect(Window(), 0, &row, LVIR_LABEL));
    POINT start{row.left + 4, (row.top + row.bottom) / 2};
    ClientToScreen(Window(), &start);
    for (const bool throws : {true, false}) {
        SCOPED_TRACE(throws ? "the handler throws" : "the handler refuses");
        ShownErrors shown;
        int asked = 0, stateWhileHeld = -1;
        View->OnShBeginDrag = [&](TObject*, TShellIDList&, POINT, int, int, bool& canDrag) {
            ++asked;
            if (throws) throw std::runtime_error("handler");
            canDrag = false;
        };
        InputScript script(InputScript::HeldMove(
            start, [&] { return View->MouseState() == 1; }, [&] { return asked > 0; },
            [&] { stateWhileHeld = View->MouseState(); }));
        ASSERT_TRUE(PumpUntil([&] { return script.Done(); }, 10000));
        EXPECT_EQ(stateWhileHeld, 0);
        EXPECT_EQ(asked, 1) << "asked again on a later move";
        EXPECT_EQ(shown.Texts, throws ? std::vector<std::string>{"handler"} : std::vector<std::string>{});
    }
}

// Under Wine the button read up just before a press from another thread is reported up
// again for the press itself: the row must still be held, or no drag can start.
TEST_F(ListViewTest, APressRightAfterTheButtonWasReadUpHoldsTheRow)
{
    Folder.AddFile(L"press.txt");
    ListPath(Folder.Path());
    RECT icon{};
    ASSERT_TRUE(ListView_GetItemRect(Window(), 0, &icon, LVIR_ICON));
    POINT at{(icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2};
    ClientToScreen(Window(), &at);
    ASSERT_TRUE(MoveCursorTo(at.x, at.y));
    ASSERT_FALSE(GetAsyncKeyState(VK_LBUTTON) & 0x8000);
    std::thread([&] { InputScript::Button(at, true)(); }).join();
    ASSERT_TRUE(PumpUntil([] { return (GetKeyState(VK_LBUTTON) & 0x8000) != 0; }, 10000));
    EXPECT_EQ(View->MouseState(), 1);
    InputScript::Button(at, false)();
    EXPECT_TRUE(PumpUntil([&] { return View->MouseState() == 0; }, 10000));
}

TEST_F(ListViewTest, ACustomDrawHandlerColoursTheRowsBackground)
{
    Folder.AddFile(L"red.txt");
    ListPath(Folder.Path());
    constexpr COLORREF kRed = RGB(255, 0, 0);
    View->OnCustomDrawItem = [&](TObject*, int item, UINT, bool&, bool&) {
        if (item == 0) View->Canvas().SetBrushColor(kRed);
    };
    RECT label{};
    ASSERT_TRUE(ListView_GetItemRect(Window(), 0, &label, LVIR_LABEL));
    RedrawWindow(Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    HDC dc = GetDC(Window());
    int red = 0;
    for (int x = label.left; x < label.right; ++x) red += GetPixel(dc, x, label.top + 1) == kRed;
    ReleaseDC(Window(), dc);
    EXPECT_GT(red, (label.right - label.left) / 2) << "the label's background is the handler's colour";
}

// A handler that changes only the background keeps the view's text colour, also on the row
// drawn after a selected one, whose highlight text colour the device context still holds.
TEST_F(ListViewTest, TheLentCanvasStartsWithTheViewsTextColour)
{
    Folder.AddFile(L"a selected.txt");
    Folder.AddFile(L"b plain.txt");
    ListPath(Folder.Path());
    SetFocus(Window());
    ListView_SetItemState(Window(), 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    std::vector<COLORREF> starts(2, CLR_NONE);
    View->OnCustomDrawItem = [&](TObject*, int item, UINT, bool&, bool&) {
        starts.at(item) = View->Canvas().FontColor();
        View->Canvas().SetBrushColor(RGB(255, 255, 0));
    };
    RedrawWindow(Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    EXPECT_EQ(starts, std::vector<COLORREF>(2, GetSysColor(COLOR_WINDOWTEXT)));
}

TEST_F(ListViewTest, AShortcutRowCarriesTheShortcutOverlay)
{
    ComPtr<IShellLinkW> link;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))));
    const std::wstring target = Folder.AddFile(L"target.txt");
    link->SetPath(target.c_str());
    ComPtr<IPersistFile> file;
    ASSERT_TRUE(SUCCEEDED(link.As(&file)));
    ASSERT_TRUE(SUCCEEDED(file->Save((Folder.Path() + L"\\to target.lnk").c_str(), TRUE)));
    ListPath(Folder.Path());
    const int shortcut = IndexOfName(L"to target"), plain = IndexOfName(L"target.txt");
    ASSERT_GE(shortcut, 0);
    ASSERT_TRUE(WaitForRowAnswers());
    EXPECT_EQ(ListView_GetItemState(Window(), shortcut, LVIS_OVERLAYMASK),
              View->FileList().ItemAt(shortcut)->OverlayState());
    EXPECT_NE(View->FileList().ItemAt(shortcut)->OverlayState(), 0u);
    EXPECT_EQ(ListView_GetItemState(Window(), plain, LVIS_OVERLAYMASK), 0u);
}

TEST_F(ListViewTest, TheClipboardTellsWhetherItHoldsShellItems)
{
    std::vector<bool> told;
    View->OnShClipboard = [&](TObject*, bool contented) { told.push_back(contented); };
    const std::wstring path = Folder.AddFile(L"copied.txt");
    TIDListPtr item = IDListOfPath(path);
    ComPtr<IShellFolder> parent;
    LPCITEMIDLIST child = nullptr;
    ASSERT_TRUE(SUCCEEDED(SHBindToParent(item.get(), IID_PPV_ARGS(&parent), &child)));
    ComPtr<IDataObject> data;
    ASSERT_TRUE(SUCCEEDED(parent->GetUIObjectOf(nullptr, 1, &child, IID_IDataObject, nullptr,
                                                reinterpret_cast<void**>(data.GetAddressOf()))));
    ASSERT_TRUE(SUCCEEDED(OleSetClipboard(data.Get())));
    ASSERT_TRUE(PumpUntil([&] { return !told.empty() && told.back(); }, 10000)) << "files on the clipboard";

    told.clear();
    OleSetClipboard(nullptr);
    ASSERT_TRUE(PutTextOnClipboard(Form->Handle()));
    ASSERT_TRUE(PumpUntil([&] { return !told.empty() && !told.back(); }, 10000)) << "plain text";
}

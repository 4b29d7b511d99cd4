// The shell's context menu for real files, merged with own items, with the
// entry chosen through the tracking function.
#include <algorithm>
#include <stdexcept>

#include "tests/shellmenus/MenuFixture.h"
#include "ui/Application.h"
#include "ui/Text.h"

TEST_F(ShellMenuTest, DeleteRemovesTheFileOnlyWhenTheUserAgrees)
{
    for (int button : {IDNO, IDYES}) {
        DialogAnswer answer(button);  // the shell asks first
        ChooseVerb(L"delete");
        const int result = Popup();
        EXPECT_TRUE(answer.Answered());
        EXPECT_EQ(FileExists(FilePath), button == IDNO);
        // Wine's shell reports success for a declined delete too; Windows may report failure.
        EXPECT_TRUE(result == shellResultDelete || (button == IDNO && result == 0)) << result;
    }
}

TEST_F(ShellMenuTest, CommandsAnswerByVerbWhereverTheShellPutsThem)
{
    // 0 stands for the chosen entry's offset + 1.
    const std::pair<const wchar_t*, int> cases[] = {{L"cut", shellResultCut}, {L"copy", 0},
                                                    {L"rename", shellResultRename}};
    // Wine offers "rename" only to a plain (not explore) menu.
    Menu->SetContextType(shctNormal);
    Menu->SetReadOnly(false);
    for (const auto& [verb, expected] : cases) {
        ChooseVerb(verb);
        const int result = Popup();
        EXPECT_EQ(result, expected ? expected : int(ChosenOffset) + 1) << WideToUtf8(verb);
        EXPECT_TRUE(FileExists(FilePath)) << "renaming is the caller's";
    }
    // Wine 8 offers "Create Link" at offset 81 but cannot carry it out.
    ChooseVerb(L"link");
    const int link = Popup();
    EXPECT_TRUE(link == shellResultLink || link == 0) << link;
}

TEST_F(ShellMenuTest, ShellCommandCarriesOutAVerbWithoutAMenu)
{
    ChooseCommand(0);
    EXPECT_EQ(Menu->ShellCommand(&Selection, L"nonesuch"), 0);
    DialogAnswer yes(IDYES);
    EXPECT_EQ(Menu->ShellCommand(&Selection, L"delete"), shellResultDelete);
    EXPECT_FALSE(FileExists(FilePath));
    EXPECT_EQ(Tracked, 0);
}

TEST_F(ShellMenuTest, OwnItemsStandAroundTheShellEntries)
{
    int clicks[3] = {};
    TMenuItem* items[3] = {AddItem(L"five", &clicks[0]), AddItem(L"six", &clicks[1]), AddItem(L"seven", &clicks[2])};
    TMenuItem* after = nullptr;
    Menu->OnShAfterPopup = [&](TObject*, TMenuItem* item, const TShellIDList& list) {
        EXPECT_EQ(list.Count(), Selection.Count());
        EXPECT_EQ(list.ItemPath(0), Selection.ItemPath(0));
        after = item;
    };
    Menu->SetInsertPos(1);
    ChooseCommand(items[1]->Command());
    EXPECT_EQ(Popup(), int(items[1]->Command()));
    EXPECT_EQ(ShownDefault, 1u) << "the shell's first entry is the default";
    ASSERT_GE(Shown.size(), 4u);
    EXPECT_EQ(Shown.front().Id, items[0]->Command());
    EXPECT_EQ(Shown[Shown.size() - 2].Id, items[1]->Command());
    EXPECT_EQ(Shown.back().Id, items[2]->Command());
    for (size_t i = 1; i + 2 < Shown.size(); ++i)
        EXPECT_TRUE(Shown[i].Id > items[2]->Command() || (Shown[i].Type & MFT_SEPARATOR)) << i;
    EXPECT_EQ((std::vector<int>{clicks[0], clicks[1], clicks[2]}), (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(after, items[1]);

    // A command that fails: its error goes on to be shown, and the owner still hears that the menu is done.
    after = nullptr;
    items[2]->OnClick = [](TObject*) { throw std::runtime_error("command"); };
    ChooseCommand(items[2]->Command());
    EXPECT_THROW(Popup(), std::runtime_error);
    EXPECT_EQ(after, items[2]);
}

TEST_F(ShellMenuTest, InsertPosCountsOnlyTheItemsThatAreThere)
{
    TMenuItem* items[3] = {AddItem(L"one"), AddItem(L"two"), AddItem(L"three")};
    items[2]->SetVisible(false);
    Menu->SetInsertPos(10);
    EXPECT_EQ(Menu->InsertPos(), 3u);
    Menu->Items()->Add(L"four")->SetVisible(false);
    EXPECT_EQ(Menu->InsertPos(), 3u) << "a lowered position stays lowered";
    ChooseCommand(0);
    EXPECT_EQ(Popup(), 0);
    EXPECT_EQ(ShownDefault, 2u);
    EXPECT_EQ(Menu->LastOwnCommand(), items[1]->Command()) << "a hidden item does not count";
    ASSERT_GE(Shown.size(), 3u);
    EXPECT_EQ(Shown[1].Id, items[1]->Command());
    EXPECT_TRUE(std::none_of(Shown.begin(), Shown.end(), [&](auto& e) { return e.Id == items[2]->Command(); }));
}

// Hidden items have identifiers above the shown ones, where the shell's entries are.
TEST_F(ShellMenuTest, AHiddenItemNeverAnswersForAShellEntry)
{
    AddItem(L"shown");
    int hiddenClicks = 0;
    for (int i = 0; i < 400; ++i) AddItem(L"hidden", &hiddenClicks)->SetVisible(false);
    ChooseVerb(L"copy");
    const int result = Popup();
    EXPECT_EQ(result, int(ChosenOffset) + 1);
    EXPECT_EQ(hiddenClicks, 0);
}

TEST_F(ShellMenuTest, AnOwnSubmenuOutlivesThePopupEvenWhenAHandlerThrows)
{
    TMenuItem* failing = AddItem(L"fails");
    failing->OnClick = [](TObject*) { throw std::runtime_error("handler failed"); };
    TMenuItem* sub = AddItem(L"sub");
    sub->Add(L"alpha");
    int betaClicks = 0;
    TMenuItem* beta = sub->Add(L"beta");  // the largest identifier of all
    beta->OnClick = [&](TObject*) { ++betaClicks; };
    ChooseCommand(beta->Command());
    EXPECT_EQ(Popup(), int(beta->Command()));
    EXPECT_EQ(betaClicks, 1) << "a sub-item is own, whatever its identifier";
    EXPECT_TRUE(std::any_of(Shown.begin(), Shown.end(), [&](auto& e) { return e.SubMenu == sub->Handle(); }));
    EXPECT_FALSE(IsMenu(TrackedMenu)) << "the popup's own menu is destroyed";
    EXPECT_EQ(GetMenuItemCount(sub->Handle()), 2);

    ChooseCommand(failing->Command());
    EXPECT_THROW(Popup(), std::runtime_error);
    EXPECT_FALSE(IsMenu(TrackedMenu));
    EXPECT_EQ(GetMenuItemCount(sub->Handle()), 2);
}

TEST_F(ShellMenuTest, OwnEntriesShowTheirSettings)
{
    struct Case {
        const wchar_t* Caption;
        std::function<void(TMenuItem*)> Set;
        UINT Type, State;
        const wchar_t* Text;
    };
    const Case cases[] = {
        {L"Copy", [](TMenuItem* i) { i->SetShortCut({'C', {ssCtrl}}); }, MFT_STRING, 0, L"Copy\tCtrl+C"},
        {L"-", nullptr, MFT_SEPARATOR, 0, L""},
        {L"Radio", [](TMenuItem* i) { i->SetRadioItem(true), i->SetChecked(true); }, MFT_RADIOCHECK, MFS_CHECKED, L"Radio"},
        {L"Off", [](TMenuItem* i) { i->SetEnabled(false); }, MFT_STRING, MFS_DISABLED | MFS_GRAYED, L"Off"},
        {L"Column", [](TMenuItem* i) { i->SetBreak(mbBreak); }, MFT_MENUBREAK, 0, L"Column"},
        {L"Bar", [](TMenuItem* i) { i->SetBreak(mbBarBreak); }, MFT_MENUBARBREAK, 0, L"Bar"},
        {L"Image", [](TMenuItem* i) { i->SetBitmap(CreateBitmap(16, 16, 1, 32, nullptr)); }, MFT_OWNERDRAW, 0, L"Image"},
    };
    std::vector<TMenuItem*> items;
    for (const Case& c : cases) {
        items.push_back(AddItem(c.Caption));
        if (c.Set) c.Set(items.back());
    }
    ChooseCommand(0);
    Popup();
    for (size_t i = 0; i < items.size(); ++i) {
        auto entry = std::find_if(Shown.begin(), Shown.end(), [&](auto& e) { return e.Id == items[i]->Command(); });
        ASSERT_NE(entry, Shown.end()) << i;
        EXPECT_EQ(entry->Type, cases[i].Type) << i;
        EXPECT_EQ(entry->State & (MFS_CHECKED | MFS_DISABLED | MFS_GRAYED), cases[i].State) << i;
        EXPECT_EQ(entry->Text, cases[i].Text) << i;
    }
}

TEST_F(ShellMenuTest, NoMenuWhenRefusedOrWithoutItemsOrOwnerForm)
{
    POINT seen{};
    Menu->OnShBeforPopup = [&](TObject*, const TShellIDList& list, POINT pt, bool& allow) {
        EXPECT_EQ(&list, &Selection);
        seen = pt;
        allow = false;
    };
    ChooseCommand(1);
    EXPECT_EQ(Popup(), 0);
    EXPECT_EQ(seen.x * 1000 + seen.y, kPoint.x * 1000 + kPoint.y);
    TShellIDList empty;
    EXPECT_EQ(Menu->ShellPopup(nullptr, kPoint), 0);
    EXPECT_EQ(Menu->ShellPopup(&empty, kPoint), 0);
    // Owned by no form, in a program without a main form.
    ASSERT_EQ(Application->MainForm(), nullptr);
    TShellPopupMenu loose(nullptr);
    EXPECT_EQ(loose.ShellPopup(&Selection, kPoint), 0);
    EXPECT_EQ(loose.ShellCommand(&Selection, L"copy"), 0);
    EXPECT_EQ(Tracked, 0);
}

TEST_F(ShellMenuTest, TrackFlagsFollowAlignmentButtonAndReadingOrder)
{
    struct Case {
        TPopupAlignment Alignment;
        TTrackButton Button;
        TBiDiMode BiDi;
        UINT Flags;
    };
    const Case cases[] = {
        {paRight, tbRightButton, bdLeftToRight, TPM_RIGHTALIGN | TPM_RIGHTBUTTON},
        {paCenter, tbLeftButton, bdLeftToRight, TPM_CENTERALIGN | TPM_LEFTBUTTON},
        {paLeft, tbLeftButton, bdRightToLeft, TPM_RIGHTALIGN | TPM_LEFTBUTTON},
        {paRight, tbRightButton, bdRightToLeft, TPM_LEFTALIGN | TPM_RIGHTBUTTON},
    };
    UINT flags = 0;
    HWND owner = nullptr;
    Choose([&](HMENU, UINT f, POINT pt, HWND o) {
        EXPECT_EQ(pt.x * 1000 + pt.y, kPoint.x * 1000 + kPoint.y);
        flags = f, owner = o;
        return 0u;
    });
    for (const Case& c : cases) {
        Menu->SetAlignment(c.Alignment);
        Menu->SetTrackButton(c.Button);
        Menu->SetBiDiMode(c.BiDi);
        Popup();
        EXPECT_EQ(flags, c.Flags | TPM_RETURNCMD) << c.Alignment << " " << c.Button << " " << c.BiDi;
    }
    EXPECT_EQ(owner, Menu->MenuWindow());
}

// The real modal menu, driven by keys sent from a timer inside its loop.
TEST_F(ShellMenuTest, TheRealMenuTakesKeys)
{
    int clicks = 0;
    TMenuItem* item = AddItem(L"&Quux", &clicks);
    bool after = false;
    Menu->OnShAfterPopup = [&](TObject*, TMenuItem*, const TShellIDList&) { after = true; };
    SetForegroundWindow(Form->Handle());
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == Form->Handle(); }, 5000));
    auto pressWhenShown = [](WORD key) {
        auto timer = std::make_unique<TTimer>(nullptr, 50);
        timer->SetOnTimer([self = timer.get(), key](TObject*) {
            HWND menu = FindWindowW(L"#32768", nullptr);
            if (!menu || !IsWindowVisible(menu)) return;
            self->SetEnabled(false);
            INPUT input[2] = {};
            input[0].type = input[1].type = INPUT_KEYBOARD;
            input[0].ki.wVk = input[1].ki.wVk = key;
            input[1].ki.dwFlags = KEYEVENTF_KEYUP;
            SendInput(2, input, sizeof(INPUT));
        });
        return timer;
    };
    auto escape = pressWhenShown(VK_ESCAPE);
    EXPECT_EQ(Popup(), 0);
    EXPECT_FALSE(after);
    auto quux = pressWhenShown('Q');
    EXPECT_EQ(Popup(), int(item->Command()));
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(after);
}

TEST_F(ShellMenuTest, HoveringSetsTheApplicationHint)
{
    AddItem(L"own")->Hint = L"short|the long one";
    TMenuItem* sub = AddItem(L"sub");
    sub->Hint = L"all of it";
    sub->Add(L"inner");
    Menu->SetInsertPos(2);
    int hints = 0;
    Application->OnHint = [&](TObject*) { ++hints; };
    std::vector<std::wstring> seen;
    Choose([&](HMENU menu, UINT, POINT, HWND owner) {
        const std::pair<WPARAM, HMENU> hovers[] = {
            {MAKEWPARAM(Menu->Items()->Items(0)->Command(), MF_STRING), menu},
            {MAKEWPARAM(1, MF_POPUP), menu},  // the submenu at position 1
            {MAKEWPARAM(Menu->VerbCommand(menu, L"delete"), MF_STRING), menu},
            {MAKEWPARAM(0xFFFF, 0xFFFF), nullptr}};  // the menu closes
        for (const auto& [wParam, in] : hovers) {
            Application->SetHint(L"before");
            SendMessageW(owner, WM_MENUSELECT, wParam, LPARAM(in));
            seen.push_back(Application->Hint());
        }
        return 0u;
    });
    Popup();
    Application->OnHint = nullptr;
    // Wine's shell has no help texts for its entries: a blank stands for none.
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"the long one", L"all of it", L" ", L" "}));
    EXPECT_EQ(hints, 8);
}

TEST_F(ShellMenuTest, TheMenuWindowServesOwnEntries)
{
    TMenuItem* drawn = AddItem(L"&Picture");
    drawn->SetBitmap(CreateBitmap(24, 24, 1, 32, nullptr));
    TMenuItem* sub = AddItem(L"sub");
    sub->HelpContext = 42;
    sub->Add(L"&alpha");
    TMenuItem* beta = sub->Add(L"&beta");
    beta->HelpContext = 7;
    sub->OnClick = [&](TObject*) { sub->Add(L"added when opened"); };
    std::vector<std::pair<UINT, int>> help;
    Menu->OnHelp = [&](TObject*, UINT command, int context) { help.emplace_back(command, context); };
    SetForegroundWindow(Form->Handle());
    ASSERT_TRUE(PumpUntil([&] { return GetActiveWindow() == Form->Handle(); }, 5000));

    Choose([&](HMENU menu, UINT, POINT, HWND owner) {
        MEASUREITEMSTRUCT measure{ODT_MENU, 0, drawn->Command()};
        SendMessageW(owner, WM_MEASUREITEM, 0, LPARAM(&measure));
        EXPECT_GT(measure.itemWidth, 24u);
        EXPECT_GE(measure.itemHeight, 24u);
        HDC dc = CreateCompatibleDC(nullptr);
        BITMAPINFO info{{sizeof(BITMAPINFOHEADER), 200, 30, 1, 32}};
        void* bits = nullptr;
        HGDIOBJ old = SelectObject(dc, CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        DRAWITEMSTRUCT draw{ODT_MENU, 0, drawn->Command(), ODA_DRAWENTIRE, ODS_SELECTED, nullptr, dc, {0, 0, 200, 30}};
        SendMessageW(owner, WM_DRAWITEM, 0, LPARAM(&draw));
        EXPECT_EQ(GetPixel(dc, 190, 2), GetSysColor(COLOR_HIGHLIGHT));
        DeleteObject(SelectObject(dc, old));
        DeleteDC(dc);

        SendMessageW(owner, WM_INITMENUPOPUP, WPARAM(sub->Handle()), 1);
        EXPECT_EQ(GetMenuItemCount(sub->ExistingHandle()), 3) << "opening runs the item, which may fill it";
        EXPECT_EQ(SendMessageW(owner, WM_MENUCHAR, MAKEWPARAM(L'B', MF_POPUP), LPARAM(sub->Handle())),
                  MAKELRESULT(1, MNC_EXECUTE));
        EXPECT_EQ(SendMessageW(owner, WM_MENUCHAR, MAKEWPARAM(L'P', MF_POPUP), LPARAM(menu)), 0) << "not our menu";

        for (HANDLE in : {HANDLE(sub->Handle()), HANDLE(menu)}) {
            HELPINFO request{sizeof(request), HELPINFO_MENUITEM, int(beta->Command()), in};
            SendMessageW(owner, WM_HELP, 0, LPARAM(&request));
            request.iCtrlId = 0;  // the submenu itself
            SendMessageW(owner, WM_HELP, 0, LPARAM(&request));
        }
        return 0u;
    });
    Popup();
    EXPECT_EQ(help, (std::vector<std::pair<UINT, int>>{{HELP_CONTEXT, 7}, {HELP_CONTEXT, 42}}));
}

#pragma once
// Popup menus and their items. Items own their sub-items; an item with
// sub-items keeps a native submenu that the framework fills from them and
// keeps alive as long as the item, so a menu built elsewhere (the shell's
// context menu) can borrow it. Every item has a command identifier of its
// own, unique in the process. Items with an image are drawn by the menu.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/Component.h"
#include "ui/ShiftState.h"
#include "ui/UtilityWindow.h"

// A key with its modifiers (ssShift, ssCtrl, ssAlt); Key 0 is no shortcut.
struct TShortCut {
    WORD Key = 0;
    TShiftState Shift;
    bool Empty() const { return Key == 0; }
    bool operator==(const TShortCut&) const = default;
};

// "Ctrl+C", "Shift+Del", "F2"; empty for no shortcut or a key without a name.
std::wstring ShortCutToText(const TShortCut& shortCut);

// A hint is "short|long"; a hint without "|" is both.
std::wstring GetShortHint(const std::wstring& hint);
std::wstring GetLongHint(const std::wstring& hint);

// Every modal popup of the framework is tracked through this one function
// (flags include TPM_RETURNCMD; the answer is the chosen command, 0 for
// none), so that a test can choose the entry. By default TrackPopupMenuEx.
using TTrackPopupMenuFunc = std::function<UINT(HMENU menu, UINT flags, int x, int y, HWND owner)>;
extern TTrackPopupMenuFunc TrackPopupMenuFunc;
UINT DefaultTrackPopupMenu(HMENU menu, UINT flags, int x, int y, HWND owner);

enum TMenuBreak { mbNone, mbBreak, mbBarBreak };
enum TPopupAlignment { paLeft, paRight, paCenter };
enum TTrackButton { tbRightButton, tbLeftButton };
enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
enum TFindItemKind { fkCommand, fkHandle };

class TPopupMenu;

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* owner);
    ~TMenuItem() override;

    // Sub-items, owned by this item.
    TMenuItem* Add(const std::wstring& caption = {});
    void Delete(int index);
    int Count() const { return int(FItems.size()); }
    TMenuItem* Items(int index) const { return FItems[index]; }
    int IndexOf(const TMenuItem* item) const;
    TMenuItem* Parent() const { return FParent; }
    // The popup menu this item belongs to, through its parents; none for a loose item.
    TPopupMenu* GetParentMenu() const;

    UINT Command() const { return FCommand; }
    // The native menu of the sub-items, created on first use and refilled
    // when they changed; destroyed with the item.
    HMENU Handle();
    // The native menu if it exists, without building it.
    HMENU ExistingHandle() const { return FHandle; }
    // This item or the first one below it whose command or submenu is `value`.
    TMenuItem* Find(UINT_PTR value, TFindItemKind kind);

    const std::wstring& Caption() const { return FCaption; }
    void SetCaption(const std::wstring& value);
    bool IsLine() const { return FCaption == L"-"; }
    const TShortCut& ShortCut() const { return FShortCut; }
    void SetShortCut(const TShortCut& value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    bool Checked() const { return FChecked; }
    void SetChecked(bool value);
    bool RadioItem() const { return FRadioItem; }
    void SetRadioItem(bool value);
    bool Default() const { return FDefault; }
    void SetDefault(bool value);
    TMenuBreak Break() const { return FBreak; }
    void SetBreak(TMenuBreak value);
    // Index into the popup menu's Images; -1 for none.
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int value);
    // The item takes the bitmap over and deletes it.
    HBITMAP Bitmap() const { return FBitmap; }
    void SetBitmap(HBITMAP value);

    // The menu draws this item itself: its menu has images, or it has a bitmap.
    bool OwnerDrawn() const;
    // The native entry for this item; `text` holds the entry's text and must
    // outlive `info`. Builds the submenu of an item with sub-items.
    void MakeMenuItemInfo(MENUITEMINFOW& info, std::wstring& text);

    // Runs OnClick.
    virtual void Click();
    // Owner drawing, in the screen's menu font; state is the ODS_ flags.
    virtual void MeasureItem(HDC dc, int& width, int& height) const;
    virtual void DrawItem(HDC dc, const RECT& rect, UINT state) const;

    std::wstring Hint;
    int HelpContext = 0;
    TNotifyEvent OnClick;

private:
    friend class TPopupMenu;
    // Something shown in the parent's native menu changed.
    void Changed();
    // Every native menu from this item down is to be refilled.
    void ChangedAll();
    void RebuildHandle();
    SIZE ImageSize() const;
    int GutterWidth() const;

    UINT FCommand;
    HMENU FHandle = nullptr;
    bool FRebuild = true;
    TMenuItem* FParent = nullptr;
    TPopupMenu* FMenu = nullptr;  // set on a menu's root item
    std::vector<TMenuItem*> FItems;
    std::wstring FCaption;
    TShortCut FShortCut;
    bool FVisible = true;
    bool FEnabled = true;
    bool FChecked = false;
    bool FRadioItem = false;
    bool FDefault = false;
    TMenuBreak FBreak = mbNone;
    int FImageIndex = -1;
    HBITMAP FBitmap = nullptr;
};

class TPopupMenu : public TComponent {
public:
    explicit TPopupMenu(TComponent* owner);
    ~TPopupMenu() override;

    // The root item; its sub-items are the menu's items.
    TMenuItem* Items() const { return FItems; }
    HMENU Handle() { return FItems->Handle(); }
    TMenuItem* FindItem(UINT_PTR value, TFindItemKind kind) const;
    // The menu's own native menu or the submenu of one of its items.
    bool IsOwnMenu(HMENU menu) const;

    // Shows the items at a screen point and clicks the chosen one.
    virtual void Popup(int x, int y);

    // Borrowed; the items draw from it when set.
    HIMAGELIST Images() const { return FImages; }
    void SetImages(HIMAGELIST value);
    TPopupAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TPopupAlignment value) { FAlignment = value; }
    TTrackButton TrackButton() const { return FTrackButton; }
    void SetTrackButton(TTrackButton value) { FTrackButton = value; }
    bool AutoPopup() const { return FAutoPopup; }
    void SetAutoPopup(bool value) { FAutoPopup = value; }
    TBiDiMode BiDiMode() const { return FBiDiMode; }
    void SetBiDiMode(TBiDiMode value) { FBiDiMode = value; }
    bool UseRightToLeftAlignment() const { return FBiDiMode == bdRightToLeft; }
    // The component the menu was last shown for; forgotten when it goes.
    TComponent* PopupComponent() const { return FPopupComponent; }
    void SetPopupComponent(TComponent* value);

    TNotifyEvent OnPopup;
    // Help asked for with F1 in an own menu: HELP_CONTEXT, or HELP_CONTEXTPOPUP
    // when the active form shows a help button, with the context to show.
    std::function<void(TObject* Sender, UINT Command, int Context)> OnHelp;

protected:
    void Notification(TComponent* component, TOperation operation) override;
    // TPM_ alignment and button flags for TrackPopupMenuEx.
    UINT TrackFlags() const;

    // One member per menu message for the own items; each answers whether
    // the message concerned an own item.
    bool DrawOwnItem(const DRAWITEMSTRUCT& draw) const;
    bool MeasureOwnItem(MEASUREITEMSTRUCT& measure, HWND window) const;
    // An own submenu is about to open: its item is clicked, so a handler can fill it.
    bool DispatchPopup(HMENU menu);
    // Sets the application hint for the entry of a WM_MENUSELECT.
    bool ShowOwnHint(WPARAM wParam, LPARAM lParam) const;
    // WM_MENUCHAR in an own menu: the entry whose caption's mnemonic is the character.
    LRESULT ProcessMenuChar(WPARAM wParam, LPARAM lParam) const;
    void ShowHelp(const HELPINFO& help);

private:
    LRESULT PopupWindowProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);

    TMenuItem* FItems;
    HIMAGELIST FImages = nullptr;
    TPopupAlignment FAlignment = paLeft;
    TTrackButton FTrackButton = tbRightButton;
    bool FAutoPopup = true;
    TBiDiMode FBiDiMode = bdLeftToRight;
    TComponent* FPopupComponent = nullptr;
    std::unique_ptr<TUtilityWindow> FWindow;  // owner of Popup's menu, made on first use
};

// What the combo box draws and measures: an entry's text and its place by
// depth, the folder's path in the closed control, the highlight behind the
// text only, the focus frame, the icon's place, and the items' heights by the
// font, measured again in a new window that keeps the selected folder.
#include "tests/common/Platform.h"
#include "tests/shellmenus/ComboFixture.h"
#include "ui/Text.h"

namespace {
// What a request to draw left on a device context.
struct Drawing {
    struct Text {
        std::wstring String;
        POINT At;
    };
    struct Fill {
        RECT Rect;
        COLORREF Color;
    };
    std::vector<Text> Texts;
    std::vector<Fill> Fills;
    std::vector<RECT> Frames;
    COLORREF Brush = CLR_INVALID;
};

int CALLBACK RecordStep(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM data)
{
    auto& drawing = *reinterpret_cast<Drawing*>(data);
    switch (record->iType) {
    case EMR_CREATEBRUSHINDIRECT:
        drawing.Brush = reinterpret_cast<const EMRCREATEBRUSHINDIRECT*>(record)->lb.lbColor;
        break;
    case EMR_BITBLT: {
        const auto& blt = *reinterpret_cast<const EMRBITBLT*>(record);
        if (blt.dwRop == PATCOPY)
            drawing.Fills.push_back({RECT{blt.xDest, blt.yDest, blt.xDest + blt.cxDest, blt.yDest + blt.cyDest}, drawing.Brush});
        break;
    }
    case EMR_EXTTEXTOUTW: {
        const auto& text = *reinterpret_cast<const EMREXTTEXTOUTW*>(record);
        const auto* chars = reinterpret_cast<const wchar_t*>(reinterpret_cast<const BYTE*>(record) + text.emrtext.offString);
        drawing.Texts.push_back({std::wstring(chars, text.emrtext.nChars),
                                 POINT{text.emrtext.ptlReference.x, text.emrtext.ptlReference.y}});
        break;
    }
    case EMR_RECTANGLE: {
        const RECTL& box = reinterpret_cast<const EMRRECTANGLE*>(record)->rclBox;
        drawing.Frames.push_back(RECT{box.left, box.top, box.right, box.bottom});
        break;
    }
    }
    return 1;
}

bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

class ShellComboDrawTest : public ShellComboTest {
protected:
    // Asks the control, through its parent as the system does, to draw on `dc`.
    void RequestDraw(HDC dc, int index, const RECT& rect, UINT state)
    {
        DRAWITEMSTRUCT draw{ODT_COMBOBOX, UINT(GetDlgCtrlID(Combo->Handle())), UINT(index), ODA_DRAWENTIRE, state,
                            Combo->Handle(), dc, rect, 0};
        SendMessageW(Form->Handle(), WM_DRAWITEM, draw.CtlID, LPARAM(&draw));
    }
    // The request recorded in a metafile, step by step.
    Drawing Record(int index, const RECT& rect, UINT state)
    {
        HDC screen = GetDC(nullptr);
        HDC dc = CreateEnhMetaFileW(screen, nullptr, nullptr, nullptr);
        RequestDraw(dc, index, rect, state);
        HENHMETAFILE file = CloseEnhMetaFile(dc);
        Drawing drawing;
        EnumEnhMetaFile(nullptr, file, RecordStep, &drawing, nullptr);
        DeleteEnhMetaFile(file);
        ReleaseDC(nullptr, screen);
        return drawing;
    }
    SIZE TextExtent(const std::wstring& text) const
    {
        HDC dc = CreateCompatibleDC(nullptr);
        SelectObject(dc, Combo->Font());
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &size);
        DeleteDC(dc);
        return size;
    }
    static SIZE IconSize()
    {
        int width = 0, height = 0;
        ImageList_GetIconSize(SystemImageList(false), &width, &height);
        return SIZE{width, height};
    }
    static int ItemHeight(TShellComboBox* combo, int index)
    {
        return int(SendMessageW(combo->Handle(), CB_GETITEMHEIGHT, WPARAM(index), 0));
    }
};
}  // namespace

TEST_F(ShellComboDrawTest, AnEntryIsItsIconAndTextAtItsDepthAndTheClosedControlShowsTheFoldersPath)
{
    const std::wstring folder = Folder->AddFolder(L"a");
    SelectInTree(folder);
    const int index = Combo->ItemIndex();
    TShellComboItem* entry = Combo->SelectedEntry();
    ASSERT_NE(entry, nullptr);
    ASSERT_EQ(entry->Path(), folder);
    const std::wstring desktop = Combo->ComboList().Items(0)->DisplayName();
    const RECT rect{5, 100, 600, 130};
    const int highlight = int(GetSysColor(COLOR_HIGHLIGHT)), window = int(GetSysColor(COLOR_WINDOW));
    struct Case {
        const char* name;
        int index;
        UINT state;
        std::wstring text;
        int iconX;
        int color;
        bool frame;
    } cases[] = {
        {"chosen in the list", index, ODS_SELECTED | ODS_FOCUS, L"a", rect.left + 12 * entry->Level(), highlight, true},
        {"plain in the list", index, 0, L"a", rect.left + 12 * entry->Level(), window, false},
        {"in the closed control", index, ODS_COMBOBOXEDIT | ODS_SELECTED, folder, rect.left, highlight, false},
        {"the Desktop in the closed control", 0, ODS_COMBOBOXEDIT, desktop, rect.left, window, false},
        {"the Desktop in the list", 0, ODS_FOCUS, desktop, rect.left, window, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Drawing drawing = Record(c.index, rect, c.state);
        const int textX = c.iconX + IconSize().cx + 4;
        const SIZE extent = TextExtent(c.text);
        ASSERT_EQ(drawing.Texts.size(), 1u);
        EXPECT_EQ(drawing.Texts[0].String, c.text);
        EXPECT_EQ(drawing.Texts[0].At.x, textX);
        EXPECT_EQ(drawing.Texts[0].At.y, rect.top + (rect.bottom - rect.top - extent.cy) / 2);
        // Only the text's background is painted.
        const RECT textRect{textX - 1, rect.top, textX - 1 + extent.cx, rect.bottom};
        ASSERT_EQ(drawing.Fills.size(), 1u);
        EXPECT_TRUE(drawing.Fills[0].Rect == textRect);
        EXPECT_EQ(int(drawing.Fills[0].Color), c.color);
        EXPECT_EQ(drawing.Frames.size(), c.frame ? 1u : 0u);
        // A metafile keeps a rectangle's box with its right and bottom edges inside.
        const RECT frame{textRect.left, textRect.top, textRect.right - 1, textRect.bottom - 1};
        if (c.frame && !drawing.Frames.empty()) EXPECT_TRUE(drawing.Frames[0] == frame);
    }
}

TEST_F(ShellComboDrawTest, TheIconSitsAtTheEntrysIndentInTheListAndAtTheLeftInTheClosedControl)
{
    const int index = 2;  // a drive, two levels down
    ASSERT_EQ(Combo->ComboList().Items(index)->Level(), 2);
    const int width = 600, height = 30;
    const COLORREF key = RGB(255, 0, 255);
    for (UINT state : {0u, UINT(ODS_COMBOBOXEDIT)}) {
        SCOPED_TRACE(state);
        BITMAPINFO info{};
        info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB};
        void* bits = nullptr;
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(dc, bitmap);
        HBRUSH brush = CreateSolidBrush(key);
        const RECT all{0, 0, width, height};
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        RequestDraw(dc, index, all, state);
        GdiFlush();
        auto touched = [&](int fromX, int toX) {
            for (int y = 0; y < height; ++y)
                for (int x = fromX; x < toX; ++x)
                    if (GetPixel(dc, x, y) != key) return true;
            return false;
        };
        const int iconX = state ? 0 : 24;
        EXPECT_FALSE(touched(0, iconX)) << "the indent stays empty";
        EXPECT_TRUE(touched(iconX, iconX + IconSize().cx)) << "the icon";
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
}

TEST_F(ShellComboDrawTest, ItemsAreTwelveTenthsOfTheFontsHeightAtLeast18AndANewWindowKeepsTheFolder)
{
    SelectInTree(Folder->Path());
    const int count = Combo->ComboList().Count();
    struct Case {
        int font, height;
    } cases[] = {{-12, 18}, {-18, 22}, {-20, 24}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.font);
        Combo->SetFont(TFontSpec{L"MS Shell Dlg", c.font});
        ASSERT_EQ(Combo->FontHeight(), c.font);
        for (int i = 0; i < count; ++i) EXPECT_EQ(ItemHeight(Combo, i), c.height) << i;
        // Wine answers the closed control's height with its two border pixels.
        EXPECT_EQ(ItemHeight(Combo, -1) - (UnderWine() ? 2 : 0), c.height);
        EXPECT_EQ(SelectedPath(), Folder->Path());
        EXPECT_EQ(Combo->ComboList().Count(), count);
        EXPECT_EQ(OrderFault(), "");
    }
}

// The icon font is changed for this session only and put back.
TEST_F(ShellComboDrawTest, FollowingTheDesktopsFontTheItemsAreMeasuredAgainWhenItsSizeChanges)
{
    SelectInTree(Folder->Path());
    LOGFONTW saved{};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof saved, &saved, 0));
    Combo->SetDesktopFont(true);
    EXPECT_EQ(Combo->FontHeight(), saved.lfHeight);
    LOGFONTW larger = saved;
    larger.lfHeight = -24;
    ASSERT_TRUE(SystemParametersInfoW(SPI_SETICONTITLELOGFONT, sizeof larger, &larger, 0));
    SendMessageW(Form->Handle(), WM_SETTINGCHANGE, SPI_SETICONTITLELOGFONT, 0);
    SystemParametersInfoW(SPI_SETICONTITLELOGFONT, sizeof saved, &saved, 0);
    EXPECT_EQ(Combo->FontHeight(), -24);
    EXPECT_EQ(ItemHeight(Combo, 1), 29);
    EXPECT_EQ(SelectedPath(), Folder->Path());
}

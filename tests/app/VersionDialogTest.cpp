// The version dialog's texts and icon, with the date set by the test.
#include <gtest/gtest.h>

#include <memory>

#include "app/Tessal_u.h"
#include "app/disptext_u.h"
#include "app/verform_u.h"
#include "ui/Application.h"
#include "ui/Text.h"

TEST(YearRangeTest, TheYear2000StandsAloneAndEveryOtherYearEndsTheRange)
{
    const std::pair<WORD, const wchar_t*> cases[] = {
        {2000, L"2000 "},          {2001, L"2000 - 2001"}, {1999, L"2000 - 1999"},
        {2026, L"2000 - 2026"},    {999, L"2000 - 0999"},  {9999, L"2000 - 9999"},
    };
    for (const auto& [year, text] : cases) EXPECT_EQ(YearRangeText(year), text) << year;
}

class VersionDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        main = Application->CreateForm<TTessal_f>();
        dialog = std::make_unique<Tverform>(nullptr);
    }
    void TearDown() override
    {
        dialog.reset();
        Application->RemoveComponent(main).reset();
        Application->ProcessMessages();
    }

    // Shows the dialog as it would be on the given year's date.
    void ShowIn(WORD year)
    {
        dialog->Today = [year] {
            SYSTEMTIME today{};
            today.wYear = year;
            today.wMonth = 6;
            today.wDay = 15;
            return today;
        };
        dialog->SetVisible(true);
    }

    TTessal_f* main = nullptr;
    std::unique_ptr<Tverform> dialog;
};

TEST_F(VersionDialogTest, ShowingFillsInTheVersionYearsAndTheMainIcon)
{
    ShowIn(2000);
    EXPECT_EQ(dialog->Caption(), L"Tessaly ﾊﾞｰｼﾞｮﾝ情報");
    EXPECT_EQ(dialog->Label1->Caption(), L"Tessaly");
    EXPECT_EQ(dialog->Label2->Caption(), L"Ver 0.1β");
    EXPECT_EQ(dialog->Label4->Caption(), L"2000 ");
    for (TLabel* label : {dialog->Label1, dialog->Label2}) {
        LOGFONTW font{};
        GetObjectW(HFONT(SendMessageW(label->Handle(), WM_GETFONT, 0, 0)), sizeof(font), &font);
        EXPECT_EQ(font.lfWeight, FW_BOLD);
        EXPECT_EQ(font.lfHeight, label == dialog->Label1 ? -13 : -12);
    }

    // The main form's copy of the program's main icon, not the small tray icon.
    ASSERT_FALSE(dialog->Image1->Icon().Empty());
    EXPECT_EQ(HICON(SendMessageW(dialog->Image1->Handle(), STM_GETICON, 0, 0)), dialog->Image1->Icon().Handle());
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(dialog->Image1->Icon().Handle(), &info));
    BITMAP mask{};
    GetObjectW(info.hbmMask, sizeof(mask), &mask);
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    EXPECT_EQ(mask.bmWidth, GetSystemMetrics(SM_CXICON));
}

// The viewer and this dialog alike.
TEST(OkDialogTest, TheButtonAndTheCloseBoxBothAnswerOk)
{
    std::unique_ptr<TOkDialog> dialogs[] = {std::make_unique<Tdisptext>(nullptr), std::make_unique<Tverform>(nullptr)};
    for (const std::unique_ptr<TOkDialog>& dialog : dialogs) {
        dialog->SetVisible(true);
        dialog->Close();
        EXPECT_EQ(dialog->ModalResult(), mrOk);
        dialog->SetModalResult(mrNone);
        dialog->Button1->Click();
        EXPECT_EQ(dialog->ModalResult(), mrOk);
    }
}

// Where each dialog is at the moment it becomes visible: a dialog centred
// only once it is up flashes in the corner of the screen first.
TEST(OkDialogTest, TheDialogsAreCentredBeforeTheyAreShown)
{
    static HWND watched = nullptr;
    static RECT shownAt{};
    HHOOK hook = SetWindowsHookExW(
        WH_CALLWNDPROC,
        [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
            const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
            if (code == HC_ACTION && message->message == WM_SHOWWINDOW && message->wParam && message->hwnd == watched)
                GetWindowRect(message->hwnd, &shownAt);
            return CallNextHookEx(nullptr, code, wParam, lParam);
        },
        nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    std::unique_ptr<TOkDialog> dialogs[] = {std::make_unique<Tdisptext>(nullptr), std::make_unique<Tverform>(nullptr)};
    for (const std::unique_ptr<TOkDialog>& dialog : dialogs) {
        SCOPED_TRACE(WideToUtf8(dialog->Caption()));
        watched = dialog->Handle();
        shownAt = RECT{-1, -1, -1, -1};
        dialog->SetVisible(true);
        EXPECT_EQ(shownAt.left, (GetSystemMetrics(SM_CXSCREEN) - dialog->Width()) / 2);
        EXPECT_EQ(shownAt.top, (GetSystemMetrics(SM_CYSCREEN) - dialog->Height()) / 2);
    }
    UnhookWindowsHookEx(hook);
}

// The edit field's change event: every change of its text, by the program
// or by typing, raises it once.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/Form.h"
#include "ui/StdCtrls.h"

TEST(Edit, EveryChangeOfTheTextRaisesOnChange)
{
    TForm form(nullptr, TFormLayout{.Caption = L"edit", .ClientWidth = 200, .ClientHeight = 60});
    auto* edit = form.Create<TEdit>(&form, TBounds{10, 10, 150, 22});
    std::vector<std::wstring> seen;
    edit->OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, edit);
        seen.push_back(edit->Text());
    };
    edit->SetText(L"ab");
    SendMessageW(edit->Handle(), EM_SETSEL, 2, 2);
    SendMessageW(edit->Handle(), EM_REPLACESEL, FALSE, LPARAM(L"c"));
    SendMessageW(edit->Handle(), WM_CHAR, L'd', 0);
    SendMessageW(edit->Handle(), EM_SETSEL, 0, 0);
    SendMessageW(edit->Handle(), WM_CHAR, L'd', 0);
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"ab", L"abc", L"abcd", L"dabcd"}));
}

#include "app/disptext_u.h"

#include "app/DialogPlacement.h"
#include "app/TextDocument.h"
#include "ui/Application.h"

Tdisptext* disptext = nullptr;

namespace {

const TFormLayout kLayout{
    .Caption = L"テキスト表示 ( Tessaly )",
    .BorderStyle = TBorderStyle::bsDialog,
    .ClientWidth = 572,
    .ClientHeight = 435,
    .Font = {L"ＭＳ ゴシック", -12, SHIFTJIS_CHARSET},
};

const wchar_t kSearch[] = L"検索";
const wchar_t kSearchOn[] = L"次を検索";

}  // namespace

// The controls are made in their tab order.
Tdisptext::Tdisptext(TComponent* owner)
    : TOkDialog(owner, kLayout, TBounds{476, 400, 77, 21}), Beep([] { MessageBeep(0); })
{
    Edit1 = Create<TEdit>(this, TBounds{20, 400, 233, 20});
    Button2 = Create<TButton>(this, TBounds{252, 400, 79, 21}, kSearch);
    Button3 = Create<TButton>(this, TBounds{336, 400, 67, 21}, L"先頭へ");
    Button4 = Create<TButton>(this, TBounds{404, 400, 67, 21}, L"最後へ");
    ListBox1 = Create<TListBox>(this, TBounds{20, 32, 533, 361}, 12);
    Label1 = Create<TLabel>(this, TBounds{24, 16, 529, 13}, L"");

    OnShow = [this](TObject* s) { FormShow(s); };
    Button2->OnClick = [this](TObject* s) { Button2Click(s); };
    Button3->OnClick = [this](TObject* s) { Button3Click(s); };
    Button4->OnClick = [this](TObject* s) { Button4Click(s); };
}

void Tdisptext::LoadDocument(const std::wstring& path)
{
    if (std::optional<std::string> bytes = ReadDocument(path))
        ListBox1->SetItems(DecodeDocumentLines(*bytes));
    else
        ListBox1->SetItems({path + L" が見つかりませんでした。"});
}

void Tdisptext::FormShow(TObject*)
{
    Edit1->SetText(L"");
    ::SetFocus(Edit1->Handle());
    PointAtButton(*this, *Button1);
}

void Tdisptext::Button2Click(TObject*)
{
    const std::wstring text = Edit1->Text();
    const std::vector<std::wstring>& lines = ListBox1->Items();
    int found = -1;
    if (!text.empty())
        for (int i = ListBox1->ItemIndex() + 1; i < int(lines.size()); ++i)
            if (lines[size_t(i)].find(text) != std::wstring::npos) {
                found = i;
                break;
            }
    if (found != -1) {
        ListBox1->SetItemIndex(found);
        Button2->SetCaption(kSearchOn);
        return;
    }
    Beep();
    Application->MessageBox(L"検索を終了しました。", L"検索終了", MB_OK);
    Button2->SetCaption(kSearch);
    ListBox1->SetItemIndex(-1);
}

void Tdisptext::Button3Click(TObject*)
{
    ListBox1->SetItemIndex(0);
    ListBox1->SetItemIndex(-1);
}

void Tdisptext::Button4Click(TObject*)
{
    ListBox1->SetItemIndex(ListBox1->Count() - 1);
    ListBox1->SetItemIndex(-1);
}

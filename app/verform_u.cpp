#include "app/verform_u.h"

#include <cwchar>

#include "app/DialogPlacement.h"
#include "app/Tessal_u.h"

Tverform* verform = nullptr;

namespace {

const TFormLayout kLayout{
    .Caption = L"Tessaly ﾊﾞｰｼﾞｮﾝ情報",
    .BorderStyle = TBorderStyle::bsDialog,
    .ClientWidth = 278,
    .ClientHeight = 165,
    .Font = {L"ＭＳ ゴシック", -12, SHIFTJIS_CHARSET},
};

SYSTEMTIME LocalToday()
{
    SYSTEMTIME today{};
    GetLocalTime(&today);
    return today;
}

}  // namespace

std::wstring YearRangeText(WORD year)
{
    wchar_t digits[8] = {};
    swprintf(digits, 8, L"%04u", unsigned(year));
    const std::wstring y = digits;
    return y == L"2000" ? L"2000 " : L"2000 - " + y;
}

// The labels are wider than their texts need: they are not fitted to their texts.
Tverform::Tverform(TComponent* owner) : TOkDialog(owner, kLayout, TBounds{16, 124, 37, 29}), Today(LocalToday)
{
    Image1 = Create<TIconView>(this, TBounds{16, 16, 37, 41});
    Label1 = Create<TLabel>(this, TBounds{68, 16, 121, 13}, L"Tessaly");
    Label1->SetFont({L"ＭＳ ゴシック", -13, SHIFTJIS_CHARSET, FW_BOLD});
    Label2 = Create<TLabel>(this, TBounds{200, 17, 74, 12}, L"");
    Label2->SetFont({L"ＭＳ ゴシック", -12, SHIFTJIS_CHARSET, FW_BOLD});
    Label4 = Create<TLabel>(this, TBounds{156, 40, 118, 12}, L"");

    OnShow = [this](TObject* s) { FormShow(s); };
}

void Tverform::FormShow(TObject*)
{
    if (Tessal_f) Image1->SetIcon(Tessal_f->Image1->Icon);
    Label2->SetCaption(L"Ver " + VersionStr);
    Label4->SetCaption(YearRangeText(Today().wYear));
    PointAtButton(*this, *Button1);
}

#include "app/ModalForm.h"

#include "app/DialogPlacement.h"

TOkDialog::TOkDialog(TComponent* owner, const TFormLayout& layout, const TBounds& okBounds)
    : TForm(owner, layout)
{
    Button1 = Create<TButton>(this, okBounds, L"OK");
    // Placed before it is first shown: centred only once it is up, it would flash in the corner.
    CenterOnScreen(*this);
    OnCloseQuery = [this](TObject* s, bool& canClose) { FormCloseQuery(s, canClose); };
    Button1->OnClick = [this](TObject* s) { Button1Click(s); };
}

void TOkDialog::FormCloseQuery(TObject*, bool& canClose)
{
    SetModalResult(mrOk);
    canClose = true;
}

void TOkDialog::Button1Click(TObject*)
{
    SetModalResult(mrOk);
}

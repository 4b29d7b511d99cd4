#pragma once
// The dialogs of the tray menu: each is made when it is asked for, owned by
// the application's window (as every form is), known through its global
// while it is up, shown modally, and released on every way out.
#include <memory>

#include "ui/Form.h"
#include "ui/StdCtrls.h"

// A dialog centred on the primary screen that ends with OK whichever way it
// is closed: its OK button or its close box.
class TOkDialog : public TForm {
public:
    // The OK button comes first in the tab order.
    TOkDialog(TComponent* owner, const TFormLayout& layout, const TBounds& okBounds);

    TButton* Button1;  // OK

    void FormCloseQuery(TObject* sender, bool& canClose);
    void Button1Click(TObject* sender);
};

template <class T, class Prepare>
void ShowModalForm(T*& global, Prepare prepare)
{
    auto form = std::make_unique<T>(nullptr);
    // A second one asked for while the first is up (from the tray) gives the global back to the first.
    struct Forget {
        T*& Global;
        T* Before;
        ~Forget() { Global = Before; }
    } forget{global, global};
    global = form.get();
    prepare(*form);
    form->ShowModal();
}

#pragma once
// A dialog of the tray menu: made when it is asked for, owned by the
// application's window (as every form is), known through its global while
// it is up, shown modally, and released on every way out.
#include <memory>

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

#include "app/DialogPlacement.h"

void CenterOnScreen(TForm& form)
{
    form.SetLeft((GetSystemMetrics(SM_CXSCREEN) - form.Width()) / 2);
    form.SetTop((GetSystemMetrics(SM_CYSCREEN) - form.Height()) / 2);
}

void PointAtButton(const TForm& form, const TWinControl& button)
{
    SetCursorPos(form.Left() + button.Left() + button.Width() / 2,
                 form.Top() + button.Top() + button.Height() / 2 + 20);
}

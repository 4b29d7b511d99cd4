#pragma once
// An image list as a component, so that whoever keeps a pointer to it hears
// of its end through a free notification.
#include <windows.h>
#include <commctrl.h>

#include "ui/Component.h"

class TImageList : public TComponent {
public:
    TImageList(TComponent* owner, int width = 16, int height = 16);
    ~TImageList() override;

    HIMAGELIST Handle() const { return FHandle; }

private:
    HIMAGELIST FHandle;
};

#include "ui/ImageList.h"

#include "ui/Exceptions.h"

TImageList::TImageList(TComponent* owner, int width, int height)
    : TComponent(owner), FHandle(ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, 4, 4))
{
    Win32Check(FHandle != nullptr);
}

TImageList::~TImageList()
{
    ImageList_Destroy(FHandle);
}

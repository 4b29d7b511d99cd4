#pragma once
// How the list view draws the attribute column: with images from an image
// list instead of the letters, one index per attribute (-1 draws none). The
// image list is a component of someone else's: whoever holds these settings
// asks it for a free notification and forgets it when it goes.
#include "ui/ImageList.h"

struct TAttributesImage {
    TImageList* ImageList = nullptr;  // not owned
    int Archive = -1;
    int Hidden = -1;
    int ReadOnly = -1;
    int System = -1;

    HIMAGELIST Images() const { return ImageList ? ImageList->Handle() : nullptr; }
    bool operator==(const TAttributesImage&) const = default;
};

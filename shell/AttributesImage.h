#pragma once
// How the list view draws the attribute column: with images from an image
// list instead of the letters, one index per attribute (-1 draws none).
#include <windows.h>
#include <commctrl.h>

struct TAttributesImage {
    HIMAGELIST ImageList = nullptr;  // not owned
    int Archive = -1;
    int Hidden = -1;
    int ReadOnly = -1;
    int System = -1;

    bool operator==(const TAttributesImage&) const = default;
};

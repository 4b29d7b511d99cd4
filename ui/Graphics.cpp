#include "ui/Graphics.h"

TIcon& TIcon::operator=(const TIcon& other)
{
    if (this != &other) Assign(other);
    return *this;
}

TIcon TIcon::FromResource(const wchar_t* name, int width, int height)
{
    TIcon icon;
    UINT flags = (width || height) ? 0 : LR_DEFAULTSIZE;
    icon.FHandle = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), name, IMAGE_ICON, width, height, flags));
    return icon;
}

void TIcon::Assign(const TIcon& other)
{
    SetHandle(other.FHandle ? CopyIcon(other.FHandle) : nullptr);
}

void TIcon::SetHandle(HICON icon)
{
    ReleaseHandle();
    FHandle = icon;
}

void TIcon::ReleaseHandle()
{
    if (FHandle) DestroyIcon(FHandle);
    FHandle = nullptr;
}

TFont::~TFont()
{
    if (FHandle) DeleteObject(FHandle);
}

void TFont::Create(const TFontSpec& request, int height)
{
    HFONT handle = CreateFontW(height, 0, 0, 0, request.Weight, FALSE, FALSE, FALSE, request.Charset,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                               DEFAULT_PITCH | FF_DONTCARE, request.Name);
    if (FHandle) DeleteObject(FHandle);
    FHandle = handle;
}

#pragma once
// Owned GDI objects: an icon and a font.
#include <windows.h>

#include <string>

// An icon the holder owns; assignment copies the image.
class TIcon {
public:
    TIcon() = default;
    TIcon(const TIcon& other) { Assign(other); }
    TIcon& operator=(const TIcon& other);
    ~TIcon() { ReleaseHandle(); }

    // Loads a named icon resource of the executable at the given size (0 = system size).
    static TIcon FromResource(const wchar_t* name, int width = 0, int height = 0);

    HICON Handle() const { return FHandle; }
    bool Empty() const { return FHandle == nullptr; }
    void Assign(const TIcon& other);
    // Takes ownership of an icon handle.
    void SetHandle(HICON icon);

private:
    void ReleaseHandle();
    HICON FHandle = nullptr;
};

// How a form asks for its font; children use their form's font.
struct TFontSpec {
    const wchar_t* Name = L"MS Shell Dlg";
    int Height = -12;  // negative: character height in layout pixels
    BYTE Charset = DEFAULT_CHARSET;
    int Weight = FW_NORMAL;
};

class TFont {
public:
    TFont() = default;
    TFont(const TFont&) = delete;
    TFont& operator=(const TFont&) = delete;
    ~TFont();

    // Creates the font at the given height in device pixels.
    void Create(const TFontSpec& request, int height);
    HFONT Handle() const { return FHandle; }

private:
    HFONT FHandle = nullptr;
};

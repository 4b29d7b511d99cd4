#pragma once
#include <windows.h>

// The height a font was made with: negative for a character height.
inline int FontHeight(HFONT font)
{
    LOGFONTW log{};
    GetObjectW(font, sizeof log, &log);
    return log.lfHeight;
}

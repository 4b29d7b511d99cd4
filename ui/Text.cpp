#include "ui/Text.h"

#include <windows.h>

std::string WideToUtf8(std::wstring_view text)
{
    if (text.empty()) return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), result.data(), size, nullptr, nullptr);
    return result;
}

std::wstring BytesToWide(std::string_view bytes, unsigned codePage)
{
    if (bytes.empty()) return {};
    int size = MultiByteToWideChar(codePage, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    std::wstring result(size, L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), int(bytes.size()), result.data(), size);
    return result;
}

std::wstring ResourceString(unsigned id)
{
    const wchar_t* text = nullptr;
    const int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? std::wstring(text, size_t(length)) : std::wstring();
}

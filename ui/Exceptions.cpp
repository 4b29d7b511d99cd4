#include "ui/Exceptions.h"

#include "ui/Text.h"

Exception::Exception(std::wstring message)
    : FMessage(std::move(message)), FNarrow(WideToUtf8(FMessage))
{
}

EWin32Error::EWin32Error(DWORD errorCode, std::wstring message)
    : Exception(std::move(message)), FErrorCode(errorCode)
{
}

std::wstring SysErrorMessage(DWORD errorCode)
{
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, errorCode, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text(buffer ? buffer : L"", length);
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    return text;
}

void RaiseOSError(DWORD errorCode)
{
    std::wstring text = SysErrorMessage(errorCode);
    if (text.empty()) text = L"OS error " + std::to_wstring(errorCode);
    throw EWin32Error(errorCode, text);
}

void RaiseLastOSError()
{
    RaiseOSError(GetLastError());
}

void OleCheck(HRESULT result)
{
    if (FAILED(result)) throw EOleError(SysErrorMessage(DWORD(result)));
}

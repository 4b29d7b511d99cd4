#pragma once
// Errors raised by the framework and the library. Each carries a message
// text for the user; the message loop's handler shows it in a message box.
#include <windows.h>
#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::wstring message);
    const std::wstring& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FNarrow.c_str(); }

private:
    std::wstring FMessage;
    std::string FNarrow;  // UTF-8 copy for what()
};

// A COM/OLE call failed.
class EOleError : public Exception {
public:
    using Exception::Exception;
};

// An operating-system call failed; ErrorCode is the GetLastError() value.
class EWin32Error : public Exception {
public:
    EWin32Error(DWORD errorCode, std::wstring message);
    DWORD ErrorCode() const noexcept { return FErrorCode; }

private:
    DWORD FErrorCode;
};

// An operation was called with arguments or in a state that it cannot work with.
class EInvalidOperation : public Exception {
public:
    using Exception::Exception;
};

// Something could not be had: memory, or a place in a limited table.
class EOutOfMemory : public Exception {
public:
    using Exception::Exception;
};

// A file could not be opened or read.
class EInOutError : public Exception {
public:
    using Exception::Exception;
};

// An operation that a descendant class must provide was called on the base.
class EAbstractError : public Exception {
public:
    using Exception::Exception;
};

// Raises EWin32Error for the calling thread's last OS error.
[[noreturn]] void RaiseLastOSError();
[[noreturn]] void RaiseOSError(DWORD errorCode);

// Raises EOleError with the system's text for a failed COM/OLE result.
void OleCheck(HRESULT result);

// Raises EWin32Error for the last OS error when `ok` is false.
inline void Win32Check(bool ok)
{
    if (!ok) RaiseLastOSError();
}

// The system's text for an error code, without the trailing line break.
std::wstring SysErrorMessage(DWORD errorCode);

#include "tests/shell/WatcherTestSupport.h"

#include <filesystem>
#include <vector>

#include "tests/common/Pump.h"

TTempDir::TTempDir()
{
    static int serial = 0;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    FPath = std::wstring(temp) + L"tessaly-watch-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++serial);
    std::filesystem::create_directories(FPath);
}

TTempDir::~TTempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
}

std::wstring TTempDir::MakeDir(const std::wstring& relative) const
{
    std::wstring path = FPath + L"\\" + relative;
    std::filesystem::create_directories(path);
    return path;
}

void AppendToFile(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const char line[] = "saved\r\n";
    DWORD written = 0;
    WriteFile(file, line, sizeof(line) - 1, &written, nullptr);
    CloseHandle(file);
}

bool WaitForPostedMessage(DWORD limitMs)
{
    const ULONGLONG end = GetTickCount64() + limitMs;
    for (;;) {
        if (HIWORD(GetQueueStatus(QS_POSTMESSAGE)) & QS_POSTMESSAGE) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(end - now), QS_POSTMESSAGE);
    }
}

bool HandlesOpened(size_t before, size_t count)
{
    return PumpUntil([&] { return TChangeHandle::OpenedCount() >= before + count; }, 10000);
}

bool HandlesClosed(size_t before, size_t count)
{
    return PumpUntil([&] { return TChangeHandle::ClosedCount() >= before + count; }, 10000);
}

size_t OpenHandleCount()
{
    // The layout of the documented SystemHandleInformation (16) answer.
    struct THandleEntry {
        ULONG OwnerPid;
        BYTE ObjectType;
        BYTE HandleFlags;
        USHORT HandleValue;
        PVOID ObjectPointer;
        ACCESS_MASK AccessMask;
    };
    struct THandleTable {
        ULONG Count;
        THandleEntry Handles[1];
    };
    using TQuery = NTSTATUS(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
    static const auto query =
        reinterpret_cast<TQuery>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    std::vector<BYTE> buffer(1 << 16);
    ULONG needed = 0;
    NTSTATUS status;
    while ((status = query(16, buffer.data(), ULONG(buffer.size()), &needed)) == LONG(0xC0000004))
        buffer.resize(buffer.size() * 2);
    if (status < 0) return 0;
    const auto* table = reinterpret_cast<const THandleTable*>(buffer.data());
    size_t count = 0;
    for (ULONG i = 0; i < table->Count; ++i)
        if (table->Handles[i].OwnerPid == GetCurrentProcessId()) ++count;
    return count;
}

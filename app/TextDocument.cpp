#include "app/TextDocument.h"

#include <windows.h>

#include <algorithm>

#include "ui/Exceptions.h"
#include "ui/Text.h"

namespace {

constexpr unsigned kShiftJis = 932;
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

[[noreturn]] void CannotRead(const std::wstring& path, DWORD error)
{
    throw EInOutError(path + L" を読み込めませんでした。\n" + SysErrorMessage(error));
}

class TFileHandle {
public:
    explicit TFileHandle(HANDLE handle) : FHandle(handle) {}
    ~TFileHandle() { CloseHandle(FHandle); }
    TFileHandle(const TFileHandle&) = delete;
    TFileHandle& operator=(const TFileHandle&) = delete;
    HANDLE Get() const { return FHandle; }

private:
    HANDLE FHandle;
};

}  // namespace

std::wstring ProgramFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

std::optional<std::string> ReadDocument(const std::wstring& path)
{
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES ? error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                                                  : (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return std::nullopt;
        CannotRead(path, error);
    }
    TFileHandle file(handle);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size)) CannotRead(path, GetLastError());
    std::string bytes(size_t(size.QuadPart), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD wanted = DWORD(std::min<size_t>(bytes.size() - done, 1u << 24));
        DWORD read = 0;
        if (!ReadFile(file.Get(), bytes.data() + done, wanted, &read, nullptr)) CannotRead(path, GetLastError());
        if (read == 0) break;  // the file got shorter meanwhile
        done += read;
    }
    bytes.resize(done);
    return bytes;
}

// CR and LF are never part of a two-byte character in either encoding, so
// the lines are split before they are decoded.
std::vector<std::wstring> DecodeDocumentLines(std::string_view bytes)
{
    unsigned codePage = kShiftJis;
    if (bytes.starts_with(kUtf8Mark)) {
        codePage = CP_UTF8;
        bytes.remove_prefix(kUtf8Mark.size());
    }
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = bytes.size();
        lines.push_back(BytesToWide(bytes.substr(start, end - start), codePage));
        start = end;
        if (start < bytes.size()) start += bytes.compare(start, 2, "\r\n") == 0 ? 2 : 1;  // CR LF is one break
    }
    return lines;
}

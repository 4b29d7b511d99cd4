#include "tests/shell/ShellItemFixtures.h"

#include <gtest/gtest.h>

#include "ui/Text.h"

using Microsoft::WRL::ComPtr;

namespace {
std::wstring Joined(const std::wstring& folder, const std::wstring& name) { return folder + L'\\' + name; }

void CreateFolders(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos || IsExistingDirectory(path)) return;
    CreateFolders(path.substr(0, slash));
    CreateDirectoryW(LongPathForm(path).c_str(), nullptr);
}
}  // namespace

TempFolder::TempFolder()
{
    static int counter = 0;
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    FPath = std::wstring(temp) + L"tessaly-items-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    DeleteTree(FPath);
    CreateFolders(FPath);
}

TempFolder::~TempFolder() { DeleteTree(FPath); }

std::wstring TempFolder::AddFile(const std::wstring& relativePath, DWORD size) const
{
    const std::wstring path = Joined(FPath, relativePath);
    CreateFolders(path.substr(0, path.find_last_of(L'\\')));
    CreateFileWithSize(path, size);
    return path;
}

std::wstring TempFolder::AddFolder(const std::wstring& relativePath) const
{
    const std::wstring path = Joined(FPath, relativePath);
    CreateFolders(path);
    return path;
}

void CreateFileWithSize(const std::wstring& path, DWORD size)
{
    HANDLE file = CreateFileW(LongPathForm(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << "cannot create " << WideToUtf8(path);
    const std::string bytes(size, 'x');
    DWORD written = 0;
    if (size > 0) WriteFile(file, bytes.data(), size, &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(written, size);
}

void DeleteTree(const std::wstring& path)
{
    const std::wstring longPath = LongPathForm(path);
    const DWORD attributes = GetFileAttributesW(longPath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(longPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW(longPath.c_str());
        return;
    }
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(LongPathForm(path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L"..") DeleteTree(Joined(path, name));
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(longPath.c_str());
}

TIDListPtr IDListOfPath(const std::wstring& path)
{
    TIDListPtr list;
    IDListFromPath(path, list);
    return list;
}

TIDListPtr SpecialList(TShSpecialFolder folder)
{
    TIDListPtr list;
    SpecialFolderIDList(folder, list);
    return list;
}

std::unique_ptr<TShellFolderItem> FolderItemOf(LPCITEMIDLIST absolute, TShellItemNode* node)
{
    // The Desktop's relative list is its own (empty) list.
    LPITEMIDLIST relative = IDListSize(absolute) == 2 ? CopyIDList(absolute) : LastItemIDOf(absolute);
    return std::make_unique<TShellFolderItem>(node, relative, CopyIDList(absolute));
}

TestListing::TestListing(LPCITEMIDLIST folder) : FFolder(CopyIDList(folder))
{
    ComPtr<IShellFolder> shellFolder = ShellFolder();
    ComPtr<IEnumIDList> enumerator;
    if (!shellFolder || shellFolder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN,
                                                 &enumerator) != S_OK)
        return;
    LPITEMIDLIST item;
    while (enumerator->Next(1, &item, nullptr) == S_OK) Items.push_back(std::make_unique<TShellFileItem>(this, item));
}

ComPtr<IShellFolder> TestListing::ShellFolder() const
{
    ComPtr<IShellFolder> desktop;
    ComPtr<IShellFolder> folder;
    if (FAILED(SHGetDesktopFolder(&desktop))) return nullptr;
    if (FolderLevel() == 0) return desktop;
    desktop->BindToObject(FFolder.get(), nullptr, IID_PPV_ARGS(&folder));
    return folder;
}

int TestListing::IndexOf(const TShellFileItem* item) const
{
    for (size_t i = 0; i < Items.size(); ++i)
        if (Items[i].get() == item) return int(i);
    return -1;
}

TShellFileItem* TestListing::ItemNamed(const std::wstring& name) const
{
    for (const auto& item : Items)
        if (item->Path().ends_with(L'\\' + name)) return item.get();
    return nullptr;
}

TShellFileItem* TestListing::ItemOf(LPCITEMIDLIST absolute) const
{
    ComPtr<IShellFolder> desktop;
    SHGetDesktopFolder(&desktop);
    for (const auto& item : Items)
        if (CompareItemIDs(desktop.Get(), item->AbsoluteIDList(), absolute) == crSame) return item.get();
    return nullptr;
}

class AllocationCounter::Spy final : public IMallocSpy {
public:
    std::atomic<long> Allocations{0};
    std::atomic<long> Frees{0};

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (iid == IID_IUnknown || iid == IID_IMallocSpy) {
            *object = static_cast<IMallocSpy*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++FReferences; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --FReferences;
        if (left == 0) delete this;
        return left;
    }

    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T request) override { return request; }
    void* STDMETHODCALLTYPE PostAlloc(void* actual) override
    {
        if (actual) ++Allocations;
        return actual;
    }
    void* STDMETHODCALLTYPE PreFree(void* request, BOOL spied) override
    {
        if (request && spied) ++Frees;
        return request;
    }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* request, SIZE_T size, void** newRequest, BOOL spied) override
    {
        // A reallocation from nothing is an allocation; one to nothing a free.
        if (!request && size > 0) ++Allocations;
        if (request && spied && size == 0) ++Frees;
        *newRequest = request;
        return size;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* actual, BOOL) override { return actual; }
    void* STDMETHODCALLTYPE PreGetSize(void* request, BOOL) override { return request; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T actual, BOOL) override { return actual; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* request, BOOL) override { return request; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}

private:
    std::atomic<ULONG> FReferences{1};
};

AllocationCounter::AllocationCounter()
{
    FSpy.Attach(new Spy);
    FRegistered = SUCCEEDED(CoRegisterMallocSpy(FSpy.Get()));
}

AllocationCounter::~AllocationCounter()
{
    if (FRegistered) CoRevokeMallocSpy();
}

long AllocationCounter::Allocations() const { return FSpy->Allocations; }
long AllocationCounter::Frees() const { return FSpy->Frees; }

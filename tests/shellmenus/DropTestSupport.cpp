#include "tests/shellmenus/DropTestSupport.h"

#include <shlobj.h>

#include "shell/ShellUtils.h"
#include "tests/shell/ShellItemFixtures.h"

using Microsoft::WRL::ComPtr;

ComPtr<IDataObject> FilesData(const std::vector<std::wstring>& paths)
{
    std::vector<TIDListPtr> lists;
    std::vector<LPCITEMIDLIST> children;
    ComPtr<IShellFolder> parent;
    for (const std::wstring& path : paths) {
        lists.push_back(IDListOfPath(path));
        LPCITEMIDLIST child = nullptr;
        parent.Reset();
        if (!lists.back() || FAILED(SHBindToParent(lists.back().get(), IID_PPV_ARGS(&parent), &child))) return nullptr;
        children.push_back(child);
    }
    ComPtr<IDataObject> data;
    parent->GetUIObjectOf(nullptr, UINT(children.size()), children.data(), IID_IDataObject, nullptr,
                          reinterpret_cast<void**>(data.GetAddressOf()));
    return data;
}

bool PutTextOnClipboard(HWND owner)
{
    if (!OpenClipboard(owner)) return false;
    EmptyClipboard();
    const wchar_t text[] = L"plain";
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof text);
    memcpy(GlobalLock(memory), text, sizeof text);
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    return CloseClipboard();
}

ComPtr<IDataObject> PlainTextData(HWND owner)
{
    if (!PutTextOnClipboard(owner)) return nullptr;
    ComPtr<IDataObject> data;
    OleGetClipboard(&data);
    return data;
}

std::wstring TargetFolderPath(IDropTarget* target)
{
    ComPtr<IPersistFolder2> folder;
    LPITEMIDLIST list = nullptr;
    std::wstring path;
    if (target && SUCCEEDED(target->QueryInterface(IID_PPV_ARGS(&folder))) && SUCCEEDED(folder->GetCurFolder(&list)))
        PathFromIDList(list, path);
    CoTaskMemFree(list);
    return path;
}

std::wstring ShellTargetFolderPath(const std::wstring& path)
{
    TIDListPtr list = IDListOfPath(path);
    ComPtr<IShellFolder> parent;
    LPCITEMIDLIST child = nullptr;
    ComPtr<IDropTarget> target;
    if (list && SUCCEEDED(SHBindToParent(list.get(), IID_PPV_ARGS(&parent), &child)))
        parent->GetUIObjectOf(nullptr, 1, &child, IID_IDropTarget, nullptr, reinterpret_cast<void**>(target.GetAddressOf()));
    return IncludeBackslash(TargetFolderPath(target.Get()));
}

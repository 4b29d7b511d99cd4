#pragma once
// What the drop tests of every shell control share: real data objects of a
// drag, and which folder a shell drop target stands for. Wine's file-system
// targets move nothing, so the tests prove instead which shell target took
// a drop: the folder a kept target reports against the folder of the target
// the shell hands out for the expected folder.
#include <windows.h>
#include <oleidl.h>
#include <wrl/client.h>

#include <string>
#include <vector>

inline constexpr DWORD kAllEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;

// The shell's data object for files of one folder, as a drag from Explorer carries it.
Microsoft::WRL::ComPtr<IDataObject> FilesData(const std::vector<std::wstring>& paths);
// Puts a short text, and nothing else, on the clipboard.
bool PutTextOnClipboard(HWND owner);
// A real data object that carries text and no shell items.
Microsoft::WRL::ComPtr<IDataObject> PlainTextData(HWND owner);
// The folder whose shell drop target this is; empty when it does not say.
std::wstring TargetFolderPath(IDropTarget* target);
// The folder of the drop target that the shell hands out for the folder at `path`, with a backslash.
std::wstring ShellTargetFolderPath(const std::wstring& path);

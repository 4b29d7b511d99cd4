// An ordinary program with one ordinary window, for tests that need a window
// of another process: in the foreground (focus and activation rules treat a
// window of the test's own process differently), or as the target of a drag
// from another program. A drop of files copies nothing: the window's title
// becomes the dropped paths, one after another, each ended by '|'.
// It ends when its window is closed.
#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include <string>

namespace {

HWND Window = nullptr;

class FileDropTarget : public IDropTarget {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        *object = riid == IID_IUnknown || riid == IID_IDropTarget ? this : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override
    {
        FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        FFiles = data->QueryGetData(&format) == S_OK;
        *effect = FFiles ? *effect & DROPEFFECT_COPY : DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override
    {
        *effect = FFiles ? *effect & DROPEFFECT_COPY : DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override
    {
        FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium{};
        *effect = DROPEFFECT_NONE;
        if (FAILED(data->GetData(&format, &medium))) return S_OK;
        const HDROP drop = HDROP(medium.hGlobal);
        std::wstring paths;
        for (UINT i = 0, count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0); i < count; ++i) {
            wchar_t path[MAX_PATH] = {};
            DragQueryFileW(drop, i, path, MAX_PATH);
            paths += std::wstring(path) + L"|";
        }
        ReleaseStgMedium(&medium);
        SetWindowTextW(Window, paths.c_str());
        *effect = DROPEFFECT_COPY;
        return S_OK;
    }

private:
    bool FFiles = false;
};

LRESULT CALLBACK WindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_DESTROY) {
        RevokeDragDrop(wnd);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(wnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    if (FAILED(OleInitialize(nullptr))) return 1;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = HBRUSH(COLOR_WINDOW + 1);
    wc.lpszClassName = L"TessalyTestForeignWindow";
    if (!RegisterClassExW(&wc)) return 1;
    Window = CreateWindowExW(0, wc.lpszClassName, L"Another program", WS_OVERLAPPEDWINDOW, 700, 200, 320, 200,
                             nullptr, nullptr, instance, nullptr);
    if (!Window) return 1;
    static FileDropTarget target;
    RegisterDragDrop(Window, &target);
    ShowWindow(Window, SW_SHOWNORMAL);
    SetForegroundWindow(Window);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    OleUninitialize();
    return 0;
}

#include "tests/common/ModalDriver.h"

#include <gtest/gtest.h>

#include <vector>

ModalStep::ModalStep(std::function<bool()> step, DWORD limitMs)
    : FTimer(std::make_unique<TTimer>(nullptr, 50)), FEnd(GetTickCount64() + limitMs)
{
    FTimer->SetOnTimer([this, step = std::move(step)](TObject*) {
        if (FDone) return;
        if (step()) {
            FDone = true;
        } else if (GetTickCount64() > FEnd) {
            ADD_FAILURE() << "a step inside a modal loop never came true";
            FDone = true;
            EndMenu();
            if (HWND active = GetActiveWindow()) PostMessageW(active, WM_CLOSE, 0, 0);
        }
        if (FDone) FTimer->SetEnabled(false);
    });
}

HWND ThreadWindow(const wchar_t* className, const wchar_t* caption)
{
    struct Search {
        const wchar_t* cls;
        const wchar_t* caption;
        HWND found;
    } search{className, caption, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND wnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            wchar_t cls[64] = {}, text[256] = {};
            GetClassNameW(wnd, cls, 64);
            GetWindowTextW(wnd, text, 256);
            if (wcscmp(cls, s->cls) != 0 || !IsWindowVisible(wnd)) return TRUE;
            if (s->caption && wcscmp(text, s->caption) != 0) return TRUE;
            s->found = wnd;
            return FALSE;
        },
        LPARAM(&search));
    return search.found;
}

MessageBoxAnswer::MessageBoxAnswer()
    : FStep([this] {
          HWND box = ThreadWindow(L"#32770");
          if (!box) return false;
          wchar_t text[256] = {};
          GetWindowTextW(box, text, 256);
          FSeen.Caption = text;
          // The message text is the static control with the id 0xFFFF.
          GetDlgItemTextW(box, 0xFFFF, text, 256);
          FSeen.Text = text;
          HWND first = nullptr;
          for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
              wchar_t cls[32] = {};
              GetClassNameW(child, cls, 32);
              if (_wcsicmp(cls, L"Button") != 0 || !IsWindowVisible(child)) continue;
              ++FSeen.Buttons;
              if (!first) first = child;
          }
          PostMessageW(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(first), BN_CLICKED), LPARAM(first));
          return true;
      })
{
}

void PressKeys(std::initializer_list<WORD> keys)
{
    std::vector<INPUT> inputs;
    for (WORD key : keys) {
        INPUT down{};
        down.type = INPUT_KEYBOARD;
        down.ki.wVk = key;
        INPUT up = down;
        up.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(down);
        inputs.push_back(up);
    }
    SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
}

#include "tests/common/InputScript.h"

namespace {
bool SendMouseInput(POINT screen, DWORD flags)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = LONG(screen.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1));
    input.mi.dy = LONG(screen.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1));
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return SendInput(1, &input, sizeof input) == 1;
}
}  // namespace

InputScript::InputScript(std::vector<TStep> steps)
    : FSteps(std::move(steps)), FPlayer([this] {
          if (!Done() && FSteps[FNext]()) ++FNext;
          return Done();
      }, 30000)
{
}

InputScript::TStep InputScript::MoveTo(POINT screen)
{
    return [screen] {
        SendMouseInput(screen, 0);
        return true;
    };
}

InputScript::TStep InputScript::Button(POINT screen, bool down)
{
    return [screen, down] {
        SendMouseInput(screen, down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
        return true;
    };
}

#include "tests/common/InputScript.h"

#include <memory>

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

std::vector<InputScript::TStep> InputScript::HeldMove(POINT start, std::function<bool()> pressed,
                                                      std::function<bool()> decided, std::function<void()> atDecision)
{
    const POINT beyond{start.x + 12, start.y}, farther{start.x + 16, start.y};
    auto moved = std::make_shared<ULONGLONG>(0);
    return {MoveTo(start), Button(start, true), Until(std::move(pressed)), MoveTo(beyond), Until(std::move(decided)),
            [atDecision = std::move(atDecision), moved] {
                atDecision();
                *moved = GetTickCount64();
                return true;
            },
            MoveTo(farther),
            // Moves take a moment to arrive.
            Until([moved] { return GetTickCount64() - *moved > 300; }), Button(farther, false)};
}

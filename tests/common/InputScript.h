#pragma once
#include <windows.h>

#include <functional>
#include <vector>

#include "tests/common/ModalDriver.h"

// Real mouse input played step by step from a timer, so that it goes on
// inside any loop the control runs of its own while a button is held.
// A step answers false to be asked again at the next tick; a script that
// has not ended within 30 s fails the test.
class InputScript {
public:
    using TStep = std::function<bool()>;
    explicit InputScript(std::vector<TStep> steps);
    bool Done() const { return FNext >= FSteps.size(); }

    // Steps that move the pointer to a screen point or press or release the left button there.
    static TStep MoveTo(POINT screen);
    static TStep Button(POINT screen, bool down);
    // A step that holds the script until `condition` holds.
    static TStep Until(std::function<bool()> condition) { return condition; }
    // A left press at `start`, held until `pressed` holds, moved 12 px right
    // until `decided` holds, when `atDecision` runs; then 4 px farther, a
    // moment for that move to arrive, and the release.
    static std::vector<TStep> HeldMove(POINT start, std::function<bool()> pressed, std::function<bool()> decided,
                                       std::function<void()> atDecision);

private:
    std::vector<TStep> FSteps;
    size_t FNext = 0;
    ModalStep FPlayer;
};

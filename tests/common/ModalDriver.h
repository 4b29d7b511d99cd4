#pragma once
// Tests of modal menus and dialogs: the test's steps run from a timer,
// inside whichever modal loop runs at the time.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "ui/Timer.h"

// Runs `step` every 50 ms until it answers true. Past the limit it fails
// the test and ends the menu or dialog in the way, so the test goes on.
class ModalStep {
public:
    explicit ModalStep(std::function<bool()> step, DWORD limitMs = 15000);
    bool Done() const { return FDone; }

private:
    std::unique_ptr<TTimer> FTimer;
    ULONGLONG FEnd;
    bool FDone = false;
};

// A message box as the user sees it.
struct MessageBoxSeen {
    std::wstring Caption, Text;
    int Buttons = 0;
};

// Answers the first message box of this thread with its first button, and
// tells what it showed.
class MessageBoxAnswer {
public:
    MessageBoxAnswer();
    bool Answered() const { return FStep.Done(); }
    const MessageBoxSeen& Seen() const { return FSeen; }

private:
    MessageBoxSeen FSeen;
    ModalStep FStep;
};

// The visible window of this thread with the class and caption given (any caption when none).
HWND ThreadWindow(const wchar_t* className, const wchar_t* caption = nullptr);
// Presses keys as the user would, down and up in turn.
void PressKeys(std::initializer_list<WORD> keys);

#pragma once
// An ordinary window of another process, for the foreground rules that
// treat another program's window differently from one of the test's own.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/common/Pump.h"

// An ordinary window of another process (tools/foreignwindow.cpp), in the
// foreground while the test runs and ended with it.
class ForeignWindow {
public:
    ForeignWindow()
    {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring cmd = path;
        cmd = L"\"" + cmd.substr(0, cmd.find_last_of(L'\\') + 1) + L"foreignwindow.exe\"";
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_)) {
            ADD_FAILURE() << "foreignwindow.exe did not start: " << GetLastError();
            return;
        }
        PumpUntil([&] { return (wnd_ = OwnWindow()) != nullptr; }, 15000);
    }
    ~ForeignWindow()
    {
        if (!pi_.hProcess) return;
        if (wnd_) PostMessageW(wnd_, WM_CLOSE, 0, 0);
        if (!PumpUntil([&] { return WaitForSingleObject(pi_.hProcess, 0) == WAIT_OBJECT_0; }, 5000))
            TerminateProcess(pi_.hProcess, 9);
        CloseHandle(pi_.hProcess);
        CloseHandle(pi_.hThread);
    }

    HWND Handle() const { return wnd_; }

    // A plain request: the test's process holds the foreground when it asks.
    bool TakeForeground() const
    {
        if (GetForegroundWindow() != wnd_) SetForegroundWindow(wnd_);
        return PumpUntil([&] { return GetForegroundWindow() == wnd_; }, 5000);
    }

private:
    // Its visible window; one left over from an earlier run is not it.
    HWND OwnWindow() const
    {
        for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"TessalyTestForeignWindow", nullptr));) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == pi_.dwProcessId && IsWindowVisible(w)) return w;
        }
        return nullptr;
    }

    PROCESS_INFORMATION pi_{};
    HWND wnd_ = nullptr;
};

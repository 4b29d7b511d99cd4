#pragma once
// Tray icons on a form of the virtual desktop, added to Wine's real
// notification area. Every call to the notification area is recorded on
// its way to the shell, and every event of an icon is logged.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/common/Platform.h"
#include "tests/common/Pump.h"
#include "trayicon/CallbackWindow.h"
#include "trayicon/TrayIcon.h"
#include "ui/Form.h"

// One call to the notification area as it was made.
struct TrayCall {
    DWORD Message;
    UINT ID;
    UINT Flags;
    HWND Window;
    UINT CallbackMessage;
    HICON Icon;
    std::wstring Tip;
};

// One event of an icon; Button is -1 for events without one.
struct TrayEvent {
    std::string Kind;  // "click", "dblclick", "move", "down", "up"
    int Button = -1;
    TShiftState Shift;
    POINT Pt{};
};

TIcon SystemIcon(LPCWSTR id);

class TrayTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // An icon owned by Owner (or by the given owner).
    TTrayIcon* NewIcon(TComponent* owner = nullptr);
    // An icon with an image, shown in the notification area.
    TTrayIcon* ShownIcon();
    void Destroy(TTrayIcon* icon);
    // Logs every event of the icon into Events.
    void Record(TTrayIcon* icon, bool withMouseUp = true);
    // The shell's report of a mouse message on the icon.
    void Notify(const TTrayIcon* icon, UINT mouseMessage);
    bool InTray(const TTrayIcon* icon) const { return TrayKnowsIcon(CallbackWindow()->Handle(), icon->IconID()); }
    size_t CallsOf(DWORD message) const;

    std::unique_ptr<TForm> Owner;
    std::vector<TrayCall> Calls;
    std::vector<TrayEvent> Events;
};

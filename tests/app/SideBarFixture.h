#pragma once
// The main form on Wine's virtual desktop, made afresh for each test with the
// pointer in the middle of the screen and no side chosen yet; real timers,
// the real pointer and Wine's own taskbar at the bottom of the screen.
#include <gtest/gtest.h>

#include "app/SideBarPlacement.h"
#include "app/Tessal_u.h"
#include "tests/common/Pump.h"
#include "ui/Application.h"

class SideBarFixture : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(FindWindowW(L"Shell_TrayWnd", L""), nullptr) << "Wine's taskbar is missing";
        ASSERT_TRUE(MoveCursorTo(640, 400));
        DispSide = dsNone;
        form = Application->CreateForm<TTessal_f>();
        Application->ShowMainForm();
    }
    void TearDown() override
    {
        if (form) Application->RemoveComponent(form).reset();
        Application->ProcessMessages();
    }

    bool Parked() const { return form->Left() == -(form->Width() + 1); }
    // Rests the pointer on the left edge until the window comes in.
    void ShowAtLeftEdge()
    {
        ASSERT_TRUE(MoveCursorTo(0, 300));
        ASSERT_TRUE(PumpUntil([&] { return form->Left() == 0; }, 5000));
    }
    // Moves the pointer off the window until the poll parks it.
    void ParkByLeaving()
    {
        ASSERT_TRUE(MoveCursorTo(form->Width() + 300, 300));
        ASSERT_TRUE(PumpUntil([&] { return Parked(); }, 10000));
    }

    TTessal_f* form = nullptr;
};

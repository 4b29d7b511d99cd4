// The application object's default exception handler, errors posted to be
// shown later, its window, and minimising and restoring the program.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "tests/common/Pump.h"
#include "ui/Application.h"
#include "ui/Exceptions.h"
#include "ui/Finally.h"
#include "ui/Timer.h"

namespace {

std::wstring boxText;
std::wstring boxCaption;

// Runs inside the message box's own modal loop: reads the box and presses OK.
void CALLBACK CloseMessageBox(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), [](HWND w, LPARAM lp) -> BOOL {
        wchar_t cls[16] = {};
        GetClassNameW(w, cls, 16);
        if (wcscmp(cls, L"#32770") != 0) return TRUE;
        *reinterpret_cast<HWND*>(lp) = w;
        return FALSE;
    }, LPARAM(&box));
    if (!box) return;
    KillTimer(nullptr, id);
    wchar_t text[256] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 256);  // the message box's text control
    boxText = text;
    wchar_t caption[64] = {};
    GetWindowTextW(box, caption, 64);
    boxCaption = caption;
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}

// The text of the message box that shows the error.
std::wstring ShownText(const std::exception& error)
{
    boxText.clear();
    const UINT_PTR closer = SetTimer(nullptr, 0, 50, CloseMessageBox);
    Application->ShowException(error);
    KillTimer(nullptr, closer);
    return boxText;
}

}  // namespace

TEST(Application, UnhandledErrorIsShownInAMessageBoxAndTheLoopGoesOn)
{
    ASSERT_FALSE(Application->OnException);
    boxText.clear();
    UINT_PTR closer = SetTimer(nullptr, 0, 50, CloseMessageBox);
    TTimer timer(nullptr, 20, true);
    int ticks = 0;
    timer.SetOnTimer([&](TObject*) {
        if (++ticks == 1) throw Exception(L"フォルダーを開けません");
    });
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }, 5000)) << "the loop stopped after the error";
    KillTimer(nullptr, closer);
    EXPECT_EQ(boxText, L"フォルダーを開けません.");
    EXPECT_EQ(boxCaption, Application->Title());
}

// A message ends with one full stop, whichever kind it brought.
TEST(Application, AMessageEndsWithOneFullStop)
{
    EXPECT_EQ(ShownText(Exception(L"書き込めません。")), L"書き込めません。");
    EXPECT_EQ(ShownText(Exception(L"Disk full.")), L"Disk full.");
    EXPECT_EQ(ShownText(std::runtime_error("ディスクがいっぱい")), L"ディスクがいっぱい.");
}

// A posted error is shown once for each post, after the call that posted it,
// in the order posted, and names its sender only while the sender lives.
TEST(Application, PostedErrorsAreShownLaterEachOnceAndNeverNameAGoneSender)
{
    std::vector<std::pair<TObject*, std::string>> shown;
    Application->OnException = [&](TObject* sender, const std::exception& error) {
        shown.emplace_back(sender, error.what());
    };
    TFinally forget([] { Application->OnException = nullptr; });
    auto kept = std::make_unique<TComponent>(nullptr);
    auto gone = std::make_unique<TComponent>(nullptr);
    const auto post = [](TObject* sender, const char* text) {
        try {
            throw std::runtime_error(text);
        } catch (...) {
            Application->PostException(sender);
        }
    };
    post(kept.get(), "first");
    post(gone.get(), "second");
    post(kept.get(), "third");
    EXPECT_TRUE(shown.empty()) << "shown only from the posted message";
    gone.reset();
    Application->ProcessMessages();
    const std::vector<std::pair<TObject*, std::string>> expected{
        {kept.get(), "first"}, {nullptr, "second"}, {kept.get(), "third"}};
    EXPECT_EQ(shown, expected);
    Application->ProcessMessages();
    EXPECT_EQ(shown.size(), 3u) << "one message each";
}

TEST(Application, TheApplicationWindowCarriesTitleAndIcon)
{
    HWND wnd = Application->Handle();
    EXPECT_FALSE(IsWindowVisible(wnd)) << "shown only while the program is restored";
    const std::wstring original = Application->Title();
    Application->SetTitle(L"タイトル");
    wchar_t title[32] = {};
    GetWindowTextW(wnd, title, 32);
    Application->SetTitle(original);
    EXPECT_STREQ(title, L"タイトル");
    EXPECT_EQ(HICON(SendMessageW(wnd, WM_GETICON, ICON_BIG, 0)), Application->Icon().Handle());
}

// Only a minimised program is restored: a restore at any other time must not
// raise OnRestore, whose handler shows the taskbar button.
TEST(Application, RestoreActsOnlyOnAMinimisedProgram)
{
    TForm* form =
        Application->CreateForm<TForm>(TFormLayout{.Caption = L"main", .ClientWidth = 100, .ClientHeight = 50});
    int minimised = 0, restored = 0;
    Application->OnMinimize = [&](TObject*) { ++minimised; };
    Application->OnRestore = [&](TObject*) { ++restored; };
    Application->Restore();
    EXPECT_EQ(restored, 0);
    EXPECT_FALSE(IsWindowVisible(Application->Handle()));

    Application->Minimize();
    EXPECT_TRUE(Application->Minimized());
    EXPECT_EQ(form->WindowState(), TWindowState::wsMinimized);
    Application->Minimize();
    EXPECT_EQ(minimised, 1);
    Application->Restore();
    EXPECT_FALSE(Application->Minimized());
    EXPECT_EQ(restored, 1);

    Application->OnMinimize = nullptr;
    Application->OnRestore = nullptr;
    ShowWindow(Application->Handle(), SW_HIDE);
    Application->RemoveComponent(form).reset();
}

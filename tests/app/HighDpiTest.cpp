// The side bar at 144 dots per inch. The prefix runs at 96, and Wine reads
// the resolution when a program starts, so a second run of this test program
// is started with the resolution set to 144 for as long as it runs.
#include <gtest/gtest.h>

#include <string>

#include "app/Tessal_u.h"
#include "tests/common/Fonts.h"
#include "tests/common/Pump.h"
#include "ui/Application.h"

namespace {
constexpr wchar_t kRunVariable[] = L"TESSALY_HIGH_DPI_RUN";

bool InHighDpiRun()
{
    return GetEnvironmentVariableW(kRunVariable, nullptr, 0) > 0;
}

// The user's resolution setting, set for the span of the object and taken away after it.
class ResolutionSetting {
public:
    explicit ResolutionSetting(DWORD dpi)
    {
        FSet = RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"LogPixels", REG_DWORD, &dpi, sizeof dpi) == ERROR_SUCCESS;
    }
    ~ResolutionSetting() { RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"LogPixels"); }
    bool Set() const { return FSet; }

private:
    static constexpr const wchar_t* kKey = L"Control Panel\\Desktop";
    bool FSet = false;
};

}  // namespace

TEST(HighDpi, TheProgramDeclaresPerMonitorAwareness)
{
    // Windows takes the second version from the manifest; Wine 8 knows only the first.
    EXPECT_EQ(GetAwarenessFromDpiAwarenessContext(GetThreadDpiAwarenessContext()), DPI_AWARENESS_PER_MONITOR_AWARE);
}

TEST(HighDpi, TheSideBarIsLaidOutForTheScreensResolution)
{
    if (InHighDpiRun()) GTEST_SKIP() << "this is the run at 144 itself";
    ResolutionSetting setting(144);
    ASSERT_TRUE(setting.Set());
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(path) + L"\" --gtest_filter=HighDpiRun.*";
    SetEnvironmentVariableW(kRunVariable, L"1");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const bool started =
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
    SetEnvironmentVariableW(kRunVariable, nullptr);
    ASSERT_TRUE(started) << GetLastError();
    EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; }, 60000));
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    if (exitCode == STILL_ACTIVE) TerminateProcess(process.hProcess, 9);
    EXPECT_EQ(exitCode, 0u) << "the run at 144 failed: its output is above";
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
}

TEST(HighDpiRun, TheBarItsButtonsFontAndNameColumnScaleByAHalf)
{
    if (!InHighDpiRun()) GTEST_SKIP() << "runs in the second run that HighDpi starts";
    ASSERT_EQ(GetDpiForSystem(), 144u);
    DispSide = dsNone;
    TTessal_f* form = Application->CreateForm<TTessal_f>();
    Application->ShowMainForm();
    EXPECT_EQ(form->ClientWidth(), 303);
    EXPECT_EQ(form->Panel1->Height(), 42);
    EXPECT_EQ(form->Button2->BoundsRect().left, 152);  // 101 and a half, rounded
    EXPECT_EQ(form->Button2->Width(), 144);
    EXPECT_EQ(FontHeight(form->Font()), -18);
    EXPECT_TRUE(PumpUntil([&] { return form->ShellListView1->Column(0).Width == form->Width() - 39; }, 5000))
        << "column 0 is " << form->ShellListView1->Column(0).Width << " of a window " << form->Width() << " wide";
    Application->RemoveComponent(form).reset();
}

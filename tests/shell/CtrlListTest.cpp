#include <gtest/gtest.h>
#include <windows.h>
#include <dbt.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "shell/ShellClassCache.h"
#include "shell/ShellCtrlList.h"
#include "shell/ShellDbt.h"
#include "shell/ShellUtils.h"
#include "tests/common/Pump.h"
#include "tests/shell/ShellItemFixtures.h"
#include "ui/Application.h"
#include "ui/Exceptions.h"

namespace {
struct TReceived {
    std::wstring Text;
    DWORD Event;
    std::wstring Path;  // of the list; empty without one
    bool HasList;
    WORD Kind;
};

// A view as the registry sees it: it notes every change it is handed.
class TRecordingView : public TShellDeviceClient {
public:
    void ShellDeviceChange(const std::wstring& text, DWORD event, LPCITEMIDLIST list, WORD kind) override
    {
        std::wstring path;
        PathFromIDList(list, path);
        Received.push_back({text, event, path, list != nullptr, kind});
        if (OnChange) OnChange();
        if (Fail) throw Exception(L"view failed");
    }
    std::vector<TReceived> Received;
    std::function<void()> OnChange;  // what the view does when it is told
    bool Fail = false;
};

// The size is what the record claims; the fields after it are there all the same.
LRESULT SendVolume(HWND window, WPARAM event, DWORD unitMask, WORD flags, DWORD size = sizeof(DEV_BROADCAST_VOLUME))
{
    DEV_BROADCAST_VOLUME volume{};
    volume.dbcv_size = size;
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    volume.dbcv_unitmask = unitMask;
    volume.dbcv_flags = flags;
    return SendMessageW(window, WM_DEVICECHANGE, event, LPARAM(&volume));
}

constexpr DWORD kDriveC = 1u << 2, kDriveD = 1u << 3, kDriveZ = 1u << 25;

class CtrlListTest : public testing::Test {
protected:
    void SetUp() override
    {
        FRegistry.AddControl(&FFirst);
        FRegistry.AddControl(&FSecond);
        ASSERT_NE(FRegistry.Handle(), nullptr);
    }
    void TearDown() override
    {
        FRegistry.RemoveControl(&FFirst);
        FRegistry.RemoveControl(&FSecond);
        Application->OnException = nullptr;
    }

    TShellCtrlList FRegistry;
    TRecordingView FFirst, FSecond;
};
}  // namespace

TEST(DriveFromUnitMaskTest, TheLowestBitNamesTheDrive)
{
    EXPECT_EQ(DriveFromUnitMask(1), L"A:");
    EXPECT_EQ(DriveFromUnitMask(kDriveD), L"D:");
    EXPECT_EQ(DriveFromUnitMask(kDriveZ | kDriveD | kDriveC), L"C:");
    EXPECT_EQ(DriveFromUnitMask(kDriveZ), L"Z:");
    EXPECT_EQ(DriveFromUnitMask(0), L"");
}

TEST_F(CtrlListTest, AnArrivingMediaVolumeReachesEveryViewWithItsLabelAndLowestDrive)
{
    SendVolume(FRegistry.Handle(), DBT_DEVICEARRIVAL, kDriveZ | kDriveD | kDriveC, DBTF_MEDIA);
    std::wstring label;
    VolumeLabelOf(L"C:\\", label);
    for (const TRecordingView* view : {&FFirst, &FSecond}) {
        ASSERT_EQ(view->Received.size(), 1u);
        const TReceived& got = view->Received[0];
        EXPECT_EQ(got.Text, label + L" (C:)");
        EXPECT_EQ(got.Event, DWORD(DBT_DEVICEARRIVAL));
        EXPECT_EQ(got.Path, L"C:\\");
        EXPECT_EQ(got.Kind, dkMedia);
    }
}

TEST_F(CtrlListTest, ARemovedMediaVolumeIsNamedByItsDriveAlone)
{
    SendVolume(FRegistry.Handle(), DBT_DEVICEREMOVECOMPLETE, kDriveZ, DBTF_MEDIA);
    ASSERT_EQ(FFirst.Received.size(), 1u);
    EXPECT_EQ(FFirst.Received[0].Text, L" (Z:)");
    EXPECT_EQ(FFirst.Received[0].Event, DWORD(DBT_DEVICEREMOVECOMPLETE));
    EXPECT_EQ(FFirst.Received[0].Path, L"Z:\\");
}

TEST_F(CtrlListTest, ANetworkVolumeComesWithKindTwoAndNeitherTextNorList)
{
    SendVolume(FRegistry.Handle(), DBT_DEVICEARRIVAL, kDriveD, DBTF_NET);
    ASSERT_EQ(FSecond.Received.size(), 1u);
    EXPECT_EQ(FSecond.Received[0].Text, L"");
    EXPECT_FALSE(FSecond.Received[0].HasList);
    EXPECT_EQ(FSecond.Received[0].Kind, dkNetwork);
}

TEST_F(CtrlListTest, OtherBroadcastsReachNoView)
{
    // A volume that is neither media nor network, another event, another device type.
    SendVolume(FRegistry.Handle(), DBT_DEVICEARRIVAL, kDriveC, 0);
    SendVolume(FRegistry.Handle(), DBT_DEVICEQUERYREMOVE, kDriveC, DBTF_MEDIA);
    DEV_BROADCAST_HDR port{sizeof(DEV_BROADCAST_HDR), DBT_DEVTYP_PORT, 0};
    SendMessageW(FRegistry.Handle(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, LPARAM(&port));
    EXPECT_TRUE(FFirst.Received.empty());
}

TEST_F(CtrlListTest, ARecordShorterThanItClaimsToBeReachesNoView)
{
    // No room for the header, the header alone, a volume without its flags.
    for (const DWORD size : {DWORD(0), DWORD(sizeof(DEV_BROADCAST_HDR)), DWORD(offsetof(DEV_BROADCAST_VOLUME, dbcv_flags))}) {
        SCOPED_TRACE(size);
        SendVolume(FRegistry.Handle(), DBT_DEVICEARRIVAL, kDriveD, DBTF_NET, size);
        EXPECT_TRUE(FFirst.Received.empty());
    }
}

TEST_F(CtrlListTest, AFailingViewIsShownAndTheOthersStillHearTheChange)
{
    std::string shown;
    Application->OnException = [&](TObject*, const std::exception& error) { shown = error.what(); };
    FFirst.Fail = true;
    SendVolume(FRegistry.Handle(), DBT_DEVICEARRIVAL, kDriveD, DBTF_NET);
    EXPECT_EQ(shown, "view failed");
    EXPECT_EQ(FFirst.Received.size(), 1u);
    EXPECT_EQ(FSecond.Received.size(), 1u) << "a failing view kept the change from the views after it";
    // The registry goes on serving afterwards.
    FFirst.Fail = false;
    SendVolume(FRegistry.Handle(), DBT_DEVICEARRIVAL, kDriveD, DBTF_NET);
    EXPECT_EQ(FFirst.Received.size(), 2u);
}

// A view told of a change may take another one out of the registry (a form
// that closes with its views): the view gone hears nothing more.
TEST_F(CtrlListTest, AViewThatLeavesDuringABroadcastIsToldNothing)
{
    FFirst.OnChange = [&] { FRegistry.RemoveControl(&FSecond); };
    SendVolume(FRegistry.Handle(), DBT_DEVICEARRIVAL, kDriveD, DBTF_NET);
    EXPECT_EQ(FFirst.Received.size(), 1u);
    EXPECT_TRUE(FSecond.Received.empty());
    EXPECT_EQ(FRegistry.Count(), 1);
}

// A program installed or an association changed: the shell's announcement
// makes the classes' icons and type names be asked again.
TEST_F(CtrlListTest, TheShellsAssociationChangeClearsTheClassCache)
{
    ShellClassCache().SetTypeName(L".tessalyclass", L"old");
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    std::wstring name;
    EXPECT_TRUE(PumpUntil([&] { return !ShellClassCache().TypeName(L".tessalyclass", name); }, 5000));
}

TEST_F(CtrlListTest, TheWindowGoesWithTheLastViewAndComesBackWithTheNext)
{
    const HWND first = FRegistry.Handle();
    FRegistry.RemoveControl(&FFirst);
    EXPECT_EQ(FRegistry.Handle(), first);
    FRegistry.RemoveControl(&FSecond);
    EXPECT_EQ(FRegistry.Handle(), nullptr);
    EXPECT_FALSE(IsWindow(first));
    FRegistry.AddControl(&FSecond);
    ASSERT_NE(FRegistry.Handle(), nullptr);
    EXPECT_TRUE(IsWindow(FRegistry.Handle()));
    SendVolume(FRegistry.Handle(), DBT_DEVICEARRIVAL, kDriveD, DBTF_NET);
    EXPECT_TRUE(FFirst.Received.empty());
    EXPECT_EQ(FSecond.Received.size(), 1u);
}

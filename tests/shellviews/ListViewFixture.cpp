#include "tests/shellviews/ListViewFixture.h"

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

InputScript::InputScript(std::vector<TStep> steps) : FSteps(std::move(steps))
{
    FTimer.SetOnTimer([this](TObject*) {
        if (!Done() && FSteps[FNext]()) ++FNext;
    });
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

bool TestTreeLink::SelectedFolderIDList(TIDListPtr& folder)
{
    folder.reset(CopyIDList(Folder.get()));
    return folder != nullptr;
}

void ListViewTest::SetUp()
{
    Form = std::make_unique<TForm>(nullptr, TFormLayout{.Caption = L"list", .ClientWidth = kWidth + 40,
                                                        .ClientHeight = 500, .Left = 200, .Top = 20});
    View = Form->Create<TShellListView>(Form.get(), TBounds{0, 0, kWidth, 460});
    View->SetViewStyle(vsReport);
    View->OnShListChange = [this](TObject*, TShellFileList*) { ++ListChanges; };
    View->OnShSelChange = [this](TObject*, DWORD size) { SelSizes.push_back(size); };
    View->Loaded();
    Form->SetVisible(true);
}

void ListViewTest::TearDown()
{
    Form.reset();
}

void ListViewTest::ListPath(const std::wstring& path)
{
    TIDListPtr list = IDListOfPath(path);
    ASSERT_TRUE(list) << "no item list for the folder";
    View->SetFolderIDList(list.get());
}

std::vector<std::wstring> ListViewTest::Names() const
{
    std::vector<std::wstring> names;
    for (int i = 0; i < View->FileList().Count(); ++i) names.push_back(View->FileList().ItemAt(i)->DisplayName());
    return names;
}

int ListViewTest::IndexOfName(const std::wstring& name) const
{
    const std::vector<std::wstring> names = Names();
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) return int(i);
    return -1;
}

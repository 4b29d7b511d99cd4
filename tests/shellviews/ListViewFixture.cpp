#include "tests/shellviews/ListViewFixture.h"

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

bool ListViewTest::WaitForRowAnswers() const
{
    const bool large = View->ViewStyle() == vsIcon;
    return PumpUntil(
        [&] {
            for (int i = 0; i < View->FileList().Count(); ++i) {
                LVITEMW row{};
                row.mask = LVIF_IMAGE | LVIF_STATE;
                row.iItem = i;
                row.stateMask = LVIS_OVERLAYMASK;
                ListView_GetItem(Window(), &row);
                if (!View->FileList().ItemAt(i)->RowInfoKnown(large)) return false;
            }
            return true;
        },
        10000);
}

// The text viewer on the virtual desktop: the documents' decoding, the
// listing, the search with its real message box, and the placement.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/TextDocument.h"
#include "app/disptext_u.h"
#include "tests/common/ModalDriver.h"
#include "tests/app/TempDocuments.h"
#include "tests/common/Pump.h"
#include "ui/Text.h"

namespace {

using Lines = std::vector<std::wstring>;

}  // namespace

TEST(TextDocumentTest, LinesEndAtEachKindOfBreak)
{
    struct Case {
        std::string Bytes;
        Lines Expected;
    };
    const Case cases[] = {
        {"", {}},
        {"one", {L"one"}},
        {"one\r\ntwo\r\n", {L"one", L"two"}},
        {"one\ntwo", {L"one", L"two"}},
        {"one\rtwo\r", {L"one", L"two"}},
        {"\r\n", {L""}},
        {"a\n\nb", {L"a", L"", L"b"}},
        {"a\n\r\nb", {L"a", L"", L"b"}},
        {"a\r\rb", {L"a", L"", L"b"}},
        {"tab\there", {L"tab\there"}},
    };
    for (const Case& c : cases) EXPECT_EQ(DecodeDocumentLines(c.Bytes), c.Expected) << c.Bytes;
}

TEST(TextDocumentTest, ShiftJisWhateverTheSystemCodePageAndUtf8AfterItsMark)
{
    struct Case {
        std::string Bytes;
        Lines Expected;
    };
    const Case cases[] = {
        {"\x95\x5C\x8E\xA6", {L"表示"}},
        // Half-width katakana are single bytes.
        {"\xCA\xDE\xB0\xBC\xDE\xAE\xDD", {L"ﾊﾞｰｼﾞｮﾝ"}},
        // Trail bytes that are backslashes in ASCII belong to their characters.
        {"\x83\x5C\r\n\x94\x5C", {L"ソ", L"能"}},
        {"\xEF\xBB\xBF\xE8\xA1\xA8\xE2\x82\xAC\n2", {L"表€", L"2"}},
        // Without the mark the same bytes are Shift-JIS: not the UTF-8 text.
        {"\xE8\xA1\xA8", {BytesToWide("\xE8\xA1\xA8", 932)}},
    };
    for (const Case& c : cases) EXPECT_EQ(DecodeDocumentLines(c.Bytes), c.Expected) << c.Bytes;
}

TEST(TextDocumentTest, AFileInAFolderThatIsNotThereIsMissing)
{
    TempDocuments docs;
    EXPECT_FALSE(ReadDocument(docs.Path(L"nofolder\\absent.txt")).has_value());
}

class TextViewerTest : public testing::Test {
protected:
    void SetUp() override
    {
        Viewer = std::make_unique<Tdisptext>(nullptr);
        Viewer->Beep = [this] { ++Beeps; };
    }

    // Shows the viewer over a document of these Shift-JIS bytes.
    void Open(const std::string& bytes)
    {
        Docs.Write(L"Tessal.txt", bytes);
        Viewer->LoadDocument(Docs.Path(L"Tessal.txt"));
        Viewer->SetVisible(true);
    }
    void Search(const std::wstring& text)
    {
        Viewer->Edit1->SetText(text);
        Viewer->Button2->Click();
    }
    // A search that ends: it must beep once and say so in its message box.
    void SearchToTheEnd(const std::wstring& text)
    {
        const int beepsBefore = Beeps;
        MessageBoxAnswer answer;
        Search(text);
        ASSERT_TRUE(answer.Answered()) << "no message box";
        EXPECT_EQ(answer.Seen().Text, L"検索を終了しました。");
        EXPECT_EQ(answer.Seen().Caption, L"検索終了");
        EXPECT_EQ(answer.Seen().Buttons, 1);
        EXPECT_EQ(Beeps, beepsBefore + 1);
        EXPECT_EQ(Viewer->Button2->Caption(), L"検索");
        EXPECT_EQ(Viewer->ListBox1->ItemIndex(), -1);
    }

    TempDocuments Docs;
    std::unique_ptr<Tdisptext> Viewer;
    int Beeps = 0;
};

TEST_F(TextViewerTest, SearchSelectsEachHitThenEndsAndStartsOver)
{
    // 表示 on lines 3 and 7.
    Open("zero\r\none\r\ntwo\r\nthe \x95\x5C\x8E\xA6 here\r\nfour\r\nfive\r\nsix\r\n\x95\x5C\x8E\xA6 again\r\neight\r\n");
    EXPECT_EQ(Viewer->ListBox1->Count(), 9);
    Search(L"表示");
    EXPECT_EQ(Viewer->ListBox1->ItemIndex(), 3);
    EXPECT_EQ(Viewer->Button2->Caption(), L"次を検索");
    Viewer->Button2->Click();
    EXPECT_EQ(Viewer->ListBox1->ItemIndex(), 7);
    EXPECT_EQ(Viewer->Button2->Caption(), L"次を検索");
    SearchToTheEnd(L"表示");
    Viewer->Button2->Click();
    EXPECT_EQ(Viewer->ListBox1->ItemIndex(), 3);
    EXPECT_EQ(Beeps, 1);
}

TEST_F(TextViewerTest, ToTheTopAndToTheEndClearTheSelectionButKeepTheCaption)
{
    std::string bytes;
    for (int i = 0; i < 200; ++i) bytes += "line " + std::to_string(i) + (i == 150 ? " hit" : "") + "\r\n";
    Open(bytes);
    Search(L"hit");
    ASSERT_EQ(Viewer->ListBox1->ItemIndex(), 150);
    Viewer->Button3->Click();
    EXPECT_EQ(Viewer->ListBox1->ItemIndex(), -1);
    EXPECT_EQ(Viewer->ListBox1->TopIndex(), 0);
    EXPECT_EQ(Viewer->Button2->Caption(), L"次を検索");
    Viewer->Button4->Click();
    EXPECT_EQ(Viewer->ListBox1->ItemIndex(), -1);
    EXPECT_GT(Viewer->ListBox1->TopIndex(), 150) << "the last line is not in view";
    EXPECT_EQ(Viewer->Button2->Caption(), L"次を検索");
    // With the selection gone the search starts at the first line again.
    Viewer->Button2->Click();
    EXPECT_EQ(Viewer->ListBox1->ItemIndex(), 150);
}

TEST_F(TextViewerTest, SearchComparesCharactersNotBytes)
{
    // 表 is 0x95 0x5C in Shift-JIS: its second byte is a backslash.
    Open("\x95\x5C\r\nC:\\path\r\n");
    Search(L"\\");
    EXPECT_EQ(Viewer->ListBox1->ItemIndex(), 1);
    SearchToTheEnd(L"\\");
    Search(L"表");
    EXPECT_EQ(Viewer->ListBox1->ItemIndex(), 0);
}

// The comparison keeps the case; an empty text, or an empty document, has no hit.
TEST_F(TextViewerTest, SearchIsCaseSensitiveAndFindsNothingEmpty)
{
    struct Case {
        std::string Bytes;
        std::wstring Text;
        int Found;  // -1: the search ends
    };
    const Case cases[] = {
        {"Tessaly\r\nTESSALY\r\n", L"TESSALY", 1},
        {"Tessaly\r\nTESSALY\r\n", L"tessaly", -1},
        {"Tessaly\r\n", L"", -1},
        {"", L"a", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(WideToUtf8(c.Text));
        Open(c.Bytes);
        EXPECT_EQ(Viewer->ListBox1->Count(), int(std::count(c.Bytes.begin(), c.Bytes.end(), '\n')));
        if (c.Found < 0) {
            SearchToTheEnd(c.Text);
        } else {
            Search(c.Text);
            EXPECT_EQ(Viewer->ListBox1->ItemIndex(), c.Found);
        }
    }
}

TEST_F(TextViewerTest, ShowingCentresTheViewerAndPointsAtOk)
{
    Viewer->Edit1->SetText(L"left over");
    Viewer->SetVisible(true);
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(Viewer->Left(), (sw - Viewer->Width()) / 2);
    EXPECT_EQ(Viewer->Top(), (sh - Viewer->Height()) / 2);
    EXPECT_EQ(Viewer->ClientWidth(), 572);
    EXPECT_EQ(Viewer->ClientHeight(), 435);
    EXPECT_EQ(Viewer->Edit1->Text(), L"");
    EXPECT_EQ(GetFocus(), Viewer->Edit1->Handle());
    const POINT expected{Viewer->Left() + 476 + 77 / 2, Viewer->Top() + 400 + 21 / 2 + 20};
    POINT p{};
    EXPECT_TRUE(PumpUntil([&] {
        GetCursorPos(&p);
        return p.x == expected.x && p.y == expected.y;
    }, 2000)) << p.x << "," << p.y;
}

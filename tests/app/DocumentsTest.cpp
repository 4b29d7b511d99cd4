// The manual and the history that the build puts beside the program: the
// viewer reads them as Shift-JIS, so every byte must make a character there.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/TextDocument.h"

namespace {

// The document's text, decoded strictly: empty when any byte makes no character.
std::wstring StrictText(const std::string& bytes)
{
    const int size = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), int(bytes.size()), nullptr, 0);
    std::wstring text(size_t(size), L'\0');
    MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), int(bytes.size()), text.data(), size);
    return text;
}

bool Contains(const std::wstring& text, const wchar_t* part)
{
    return text.find(part) != std::wstring::npos;
}

}  // namespace

TEST(DocumentsTest, BothLieBesideTheProgramInShiftJisWithWindowsLineEnds)
{
    for (const wchar_t* name : {L"Tessal.txt", L"Tessal.his"}) {
        const std::optional<std::string> bytes = ReadDocument(ProgramFolder() + name);
        ASSERT_TRUE(bytes.has_value()) << "missing beside the program";
        const std::wstring text = StrictText(*bytes);
        ASSERT_FALSE(text.empty()) << "not Shift-JIS";
        EXPECT_EQ(DecodeDocumentLines(*bytes).size(), size_t(std::count(text.begin(), text.end(), L'\n')));
        // CR LF throughout: neither a CR nor an LF alone.
        size_t pairs = 0;
        for (size_t at = text.find(L"\r\n"); at != std::wstring::npos; at = text.find(L"\r\n", at + 2)) ++pairs;
        EXPECT_GT(pairs, 0u);
        EXPECT_EQ(size_t(std::count(text.begin(), text.end(), L'\n')), pairs);
        EXPECT_EQ(size_t(std::count(text.begin(), text.end(), L'\r')), pairs);
        EXPECT_TRUE(Contains(text, L"Tessaly"));
    }
}

TEST(DocumentsTest, TheManualNamesTheCommandsAsTheProgramShowsThem)
{
    const std::wstring text = StrictText(ReadDocument(ProgramFolder() + L"Tessal.txt").value_or(""));
    for (const wchar_t* name : {L"Tessaly の表示", L"取説ﾄﾞｷｭﾒﾝﾄの表示 ...", L"開発ﾋｽﾄﾘｰの表示 ...",
                                L"ﾊﾞｰｼﾞｮﾝ情報の表示 ...", L"Tessaly の終了", L"上へ戻る", L"更　新", L"検索",
                                L"次を検索", L"先頭へ", L"最後へ", L"検索を終了しました。"})
        EXPECT_TRUE(Contains(text, name)) << "the manual does not name a command";
}

TEST(DocumentsTest, TheHistoryEndsWithVersionZeroPointOneBeta)
{
    const std::vector<std::wstring> lines = DecodeDocumentLines(ReadDocument(ProgramFolder() + L"Tessal.his").value_or(""));
    ASSERT_FALSE(lines.empty());
    int dated = 0;
    for (const std::wstring& line : lines)
        if (line.size() == 10 && line[4] == L'/' && line[7] == L'/') ++dated;
    EXPECT_GE(dated, 2) << "no dated entries";
    EXPECT_TRUE(Contains(lines.back(), L"Ver 0.1β"));
}

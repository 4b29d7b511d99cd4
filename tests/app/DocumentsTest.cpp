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

std::wstring BesideTheProgram(const wchar_t* name)
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + name;
}

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
        const std::optional<std::string> bytes = ReadDocument(BesideTheProgram(name));
        ASSERT_TRUE(bytes.has_value()) << "missing beside the program";
        const std::wstring text = StrictText(*bytes);
        ASSERT_FALSE(text.empty()) << "not Shift-JIS";
        EXPECT_EQ(DecodeDocumentLines(*bytes).size(), size_t(std::count(text.begin(), text.end(), L'\n')));
        EXPECT_EQ(text.find(L"\n"), text.find(L"\r\n") + 1) << "lines end in LF alone";
        EXPECT_TRUE(Contains(text, L"Tessaly"));
    }
}

TEST(DocumentsTest, TheManualNamesTheCommandsAsTheProgramShowsThem)
{
    const std::wstring text = StrictText(ReadDocument(BesideTheProgram(L"Tessal.txt")).value_or(""));
    for (const wchar_t* name : {L"Tessaly の表示", L"取説ﾄﾞｷｭﾒﾝﾄの表示 ...", L"開発ﾋｽﾄﾘｰの表示 ...",
                                L"ﾊﾞｰｼﾞｮﾝ情報の表示 ...", L"Tessaly の終了", L"上へ戻る", L"更　新", L"検索",
                                L"次を検索", L"先頭へ", L"最後へ", L"検索を終了しました。"})
        EXPECT_TRUE(Contains(text, name)) << "the manual does not name a command";
}

TEST(DocumentsTest, TheHistoryEndsWithVersionZeroPointOneBeta)
{
    const std::vector<std::wstring> lines = DecodeDocumentLines(ReadDocument(BesideTheProgram(L"Tessal.his")).value_or(""));
    ASSERT_FALSE(lines.empty());
    int dated = 0;
    for (const std::wstring& line : lines)
        if (line.size() == 10 && line[4] == L'/' && line[7] == L'/') ++dated;
    EXPECT_GE(dated, 2) << "no dated entries";
    EXPECT_TRUE(Contains(lines.back(), L"Ver 0.1β"));
}

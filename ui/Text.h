#pragma once
// Conversions between UTF-16 and byte encodings. Text is UTF-16 everywhere
// inside; bytes appear only at the edges (files, ANSI shell answers).
#include <string>
#include <string_view>

std::string WideToUtf8(std::wstring_view text);
// Decodes bytes in the given Windows code page (CP_ACP, 932, CP_UTF8, ...).
std::wstring BytesToWide(std::string_view bytes, unsigned codePage);
// A string of the executable's string table; empty when there is none.
std::wstring ResourceString(unsigned id);

#pragma once
// The plain-text documents that lie beside the program.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The running program's folder, with a separator at its end: the documents lie there.
std::wstring ProgramFolder();

// The file's bytes; none when no file is there (nothing, or a folder).
// Raises EInOutError naming the file when it is there but cannot be read.
std::optional<std::string> ReadDocument(const std::wstring& path);

// One line per text line; CR LF, LF and CR each end a line. The text is
// Shift-JIS (code page 932) whatever the system's code page, or UTF-8 after
// its byte-order mark; bytes that make no character read as replacement
// characters.
std::vector<std::wstring> DecodeDocumentLines(std::string_view bytes);

#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vlk {

// Text taken from a file, made safe to print on a terminal and to keep one line: a control
// character (C0, DEL, U+0080..U+009F) is written as \xHH, except newline, tab and carriage return
// as \n, \t, \r; a backslash as \\. A byte that is no part of UTF-8 is written as \xHH as well.
[[nodiscard]] std::string Printable(std::string_view utf8);

// What a message quotes of a file's text: its first `limit` characters, printable as above, and
// "…" where it was longer.
[[nodiscard]] std::string Excerpt(std::string_view utf8, std::size_t limit = 40);

} // namespace vlk

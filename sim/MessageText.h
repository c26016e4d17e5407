#pragma once

#include <string>
#include <string_view>

// `text` with its control characters written as escapes ("\n", "\t", "\r",
// "\x1b"), so that a message echoing a name with a line break in it stays
// one line. Other bytes, UTF-8 included, are kept as they are.
std::string OneLine(std::string_view text);

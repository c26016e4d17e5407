#include "sim/MessageText.h"

std::string OneLine(std::string_view text)
{
    static constexpr char HEX[] = "0123456789abcdef";
    std::string line;
    line.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7f) {
            line += c;
            continue;
        }
        switch (c) {
            case '\n':
                line += "\\n";
                break;
            case '\r':
                line += "\\r";
                break;
            case '\t':
                line += "\\t";
                break;
            default:
                line += "\\x";
                line += HEX[byte >> 4];
                line += HEX[byte & 0xf];
        }
    }
    return line;
}

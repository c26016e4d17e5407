#include "analysis/PlayListText.h"

#include <charconv>

#include "analysis/RowTexts.h"

namespace {

void AppendInteger(std::int64_t value, std::string& out)
{
    char text[24];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    out.append(text, end);
}

// Columns 0 and 1 show "-" in bonus games: their numbers are the release game's.
void AppendCell(const PlayRow& row, int column, std::string& out)
{
    switch (column) {
        case 0:
            if (row.IsNormalGame())
                AppendInteger(row.playCount, out);
            else
                out += '-';
            break;
        case 1:
            if (row.IsNormalGame())
                AppendInteger(row.gamesSinceBonus, out);
            else
                out += '-';
            break;
        case 2:
            out += OutcomeText(row);
            break;
        case 3:
            out += ModeCellText(row);
            break;
        case 4:
            AppendInteger(row.medals, out);
            break;
        case 5:
            out += PreSignMark(row);
            break;
        case 6:
            AppendRemark(row, out);
            break;
        default:
            break;
    }
}

}  // namespace

const std::array<std::string_view, PLAY_LIST_COLUMNS> PLAY_LIST_CAPTIONS{
    "PLAY数", "PLAY数2", "確定役", "モード", "メダル数", "特殊前兆", "備考",
};

void AppendPlayListCell(const PlayRow& row, int column, std::string& out)
{
    AppendCell(row, column, out);
}

std::string PlayListCell(const PlayRow& row, int column)
{
    std::string text;
    AppendCell(row, column, text);
    return text;
}

void AppendPlayListLine(const PlayRow& row, std::string& out)
{
    for (int column = 0; column < PLAY_LIST_COLUMNS; ++column) {
        if (column > 0) out += '\t';
        AppendCell(row, column, out);
    }
}

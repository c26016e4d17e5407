#include "sim/BatchName.h"

#include "sim/WholeNumber.h"

namespace {

// Where the tag goes in `baseName`: the start of its file name and the
// position of the tag within the whole name.
struct TagPlace {
    std::size_t nameStart;
    std::size_t tagAt;
};

TagPlace PlaceOfTag(const std::string& baseName)
{
    const auto slash = baseName.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const auto dot = baseName.find('.', nameStart);
    return {nameStart, dot == std::string::npos ? baseName.size() : dot};
}

// The number as std::to_string writes it: digits, no sign, no leading zero.
std::optional<std::int64_t> PlainNumber(std::string_view text)
{
    if (text.empty() || text.size() > 18 || (text.size() > 1 && text.front() == '0')) return std::nullopt;
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string Tagged(const std::string& baseName, const std::string& tag)
{
    std::string name = baseName;
    name.insert(PlaceOfTag(baseName).tagAt, tag);
    return name;
}

}  // namespace

std::string BatchFileName(const std::string& baseName, int setting, int plays, int index)
{
    return Tagged(baseName,
                  std::to_string(setting) + "_" + std::to_string(plays) + "_" + std::to_string(index));
}

std::string BatchFilePattern(const std::string& baseName, std::optional<int> setting, int plays)
{
    std::string tag = setting ? std::to_string(*setting) : std::string("*");
    tag += '_';
    tag += std::to_string(plays);
    tag += "_*";
    return Tagged(baseName, tag);
}

bool IsBatchFileName(std::string_view fileName, const std::string& baseName, std::optional<int> setting,
                     int plays, std::int64_t first, std::int64_t last)
{
    const TagPlace place = PlaceOfTag(baseName);
    const std::string_view base(baseName);
    const std::string_view before = base.substr(place.nameStart, place.tagAt - place.nameStart);
    const std::string_view after = base.substr(place.tagAt);
    if (fileName.size() <= before.size() + after.size() || !fileName.starts_with(before) ||
        !fileName.ends_with(after))
        return false;
    const std::string_view tag =
        fileName.substr(before.size(), fileName.size() - before.size() - after.size());
    const auto firstUnderscore = tag.find('_');
    const auto lastUnderscore = tag.rfind('_');
    if (firstUnderscore == std::string_view::npos || firstUnderscore == lastUnderscore) return false;
    const auto s = PlainNumber(tag.substr(0, firstUnderscore));
    const auto p = PlainNumber(tag.substr(firstUnderscore + 1, lastUnderscore - firstUnderscore - 1));
    const auto i = PlainNumber(tag.substr(lastUnderscore + 1));
    if (!s || !p || !i || *p != plays || *i < first || *i > last) return false;
    return setting ? *s == *setting : *s >= SETTING_MIN && *s <= SETTING_MAX;
}

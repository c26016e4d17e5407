#include "sim/BatchName.h"

namespace {

std::string Tagged(const std::string& baseName, const std::string& tag)
{
    const auto slash = baseName.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const auto dot = baseName.find('.', nameStart);
    std::string name = baseName;
    if (dot == std::string::npos)
        name += tag;
    else
        name.insert(dot, tag);
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

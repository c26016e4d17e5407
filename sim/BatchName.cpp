#include "sim/BatchName.h"

std::string BatchFileName(const std::string& baseName, int setting, int plays, int index)
{
    const std::string tag =
        std::to_string(setting) + "_" + std::to_string(plays) + "_" + std::to_string(index);
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

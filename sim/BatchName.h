#pragma once

#include <string>

// Name of simulation `index` of a batch: the tag "<setting>_<plays>_<index>"
// goes right before the first "." of the file name (the last path component,
// never a folder), or at its end when the file name has no ".".
// Example: "runs/test.sim", 3, 800, 12 gives "runs/test3_800_12.sim".
std::string BatchFileName(const std::string& baseName, int setting, int plays, int index);

#pragma once

#include <optional>

#include "export/Export.h"

class QAction;
class TMainForm;

// ファイル → "エクスポート...": the shown result as CSV or JSON, with the
// choices of `mirvosim-cli export` (what, format, BOM), written through the
// atomic write of the simulation files. "すべて" as CSV writes one file per
// table into a folder of the chosen name. Returns the command for ファイル.
[[nodiscard]] QAction* AddExportCommand(TMainForm& form);

// Tests: the answer of the next choice dialog (nullopt: cancel). Without one,
// a headless FileDialog cancels this dialog too.
void SetNextExportChoice(std::optional<ExportOptions> options);

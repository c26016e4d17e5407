#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include <vector>

class QAction;
class QChartView;
class QWidget;
class TMainForm;
struct CommandLine;

// Charts of the window that can be saved as PNG or SVG images, by kind name
// ("slump", "bonus", "ren", "koyaku", "mode", "rt", "theory", "estimate").
//
// A chart takes part by being marked: MarkChartForImages(view, kind,
// caption) once, where the view is built. The window's six charts are marked
// by AddChartImageCommands; a page added later marks its own view and is found
// by every command (context menu, ファイル menu, --export-chart).

// All kinds the command line accepts, in menu order.
const QStringList& ChartKinds();

void MarkChartForImages(QChartView* view, const QString& kind, const QString& caption);

struct ChartImageEntry {
    QString kind;
    QString caption;  // the chart's name as the window shows it
    QChartView* view = nullptr;
};
// The marked charts under `window`, in ChartKinds order, then those of the
// tab 一括結果 ("batch-histogram", "batch-fan") once it exists.
std::vector<ChartImageEntry> ChartImageEntries(QWidget* window);

// Renders the view's chart at `size` (the view's own size when empty) with
// the window's own drawing and writes it through the atomic write of the
// simulation files: SVG when `path` ends in ".svg", otherwise PNG. Returns
// the error text, empty on success; a failed write leaves no file behind.
[[nodiscard]] QString SaveChartImage(QChartView* view, const QString& path, QSize size = {});

// Marks the window's charts, gives each one the context menu entry
// "画像として保存..." and returns the command "グラフを画像で保存..." for ファイル.
[[nodiscard]] QAction* AddChartImageCommands(TMainForm& form);

// Tests: the answer of the next chart-and-size question of ファイル →
// "グラフを画像で保存..." (an empty size is the screen's). Without one, a
// headless FileDialog also cancels this question.
void SetNextChartImageChoice(const QString& kind, QSize size);

// `mirvosim --export-chart KIND FILE --out PATH [--size WxH]`: shows FILE in
// a window that is never shown and saves the chart. Returns the exit status;
// errors go to stderr.
[[nodiscard]] int ExportChartFromCommandLine(const CommandLine& line);

// Parses "1920x1080"; an empty size for anything else (or sides beyond
// 16384 pixels).
[[nodiscard]] QSize ParseImageSize(const QString& text);

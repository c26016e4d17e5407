#include "mainform/tools/ExportDialog.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>

#include <array>
#include <deque>
#include <string_view>

#include "analysis/RateStatistics.h"
#include "export/ExportFiles.h"
#include "mainform/Unit1.h"
#include "mainform/tools/ChartImages.h"
#include "platform/ErrorDisplay.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"

namespace {

std::deque<std::optional<ExportOptions>> nextChoices;

struct WhatChoice {
    std::string_view caption;
    ExportWhat what;
};

// The statistics tables by their tabs' names.
std::array<WhatChoice, 9> WhatChoices()
{
    return {{
        {"PLAY情報 (プレイごとの一覧)", ExportWhat::Plays},
        {"ボーナス情報", ExportWhat::Bonuses},
        {"4つの統計表", ExportWhat::Tables},
        {REN_CAPTIONS.tab, ExportWhat::Ren},
        {KOYAKU_CAPTIONS.tab, ExportWhat::Koyaku},
        {MODE_STAY_CAPTIONS.tab, ExportWhat::ModeStay},
        {RT_CANCEL_CAPTIONS.tab, ExportWhat::RtCancel},
        {"シミュレーション結果", ExportWhat::Summary},
        {"すべて", ExportWhat::All},
    }};
}

std::optional<ExportOptions> AskChoice(QWidget* parent)
{
    if (!nextChoices.empty()) {
        const auto choice = nextChoices.front();
        nextChoices.pop_front();
        return choice;
    }
    if (FileDialog::Headless()) return std::nullopt;

    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("エクスポート"));
    auto* layout = new QFormLayout(&dialog);
    auto* what = new QComboBox(&dialog);
    for (const WhatChoice& choice : WhatChoices())
        what->addItem(QString::fromUtf8(choice.caption.data(), static_cast<qsizetype>(choice.caption.size())),
                      static_cast<int>(choice.what));
    auto* format = new QComboBox(&dialog);
    format->addItem(QStringLiteral("CSV (表計算ソフト)"), static_cast<int>(ExportFormat::Csv));
    format->addItem(QStringLiteral("JSON (スクリプト)"), static_cast<int>(ExportFormat::Json));
    auto* bom = new QCheckBox(QStringLiteral("BOMを付ける (Excelで開く場合)"), &dialog);
    bom->setChecked(true);
    QObject::connect(format, &QComboBox::currentIndexChanged, bom,
                     [bom](int index) { bom->setEnabled(index == 0); });
    layout->addRow(QStringLiteral("内容"), what);
    layout->addRow(QStringLiteral("形式"), format);
    layout->addRow(QString(), bom);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    ExportOptions options;
    options.what = static_cast<ExportWhat>(what->currentData().toInt());
    options.format = static_cast<ExportFormat>(format->currentData().toInt());
    options.bom = options.format == ExportFormat::Csv && bom->isChecked();
    return options;
}

void ExportCommand(TMainForm& form)
{
    if (form.IsBusy()) return;
    const ResultAnalysis& analysis = form.LastAnalysis();
    if (analysis.plays < 1 || form.ShownSeries().Empty()) {
        MessageBox::ShowError(&form, QStringLiteral("エクスポートする結果がありません。"));
        return;
    }
    const auto options = AskChoice(&form);
    if (!options) return;
    const bool csv = options->format == ExportFormat::Csv;
    const bool folder = csv && options->what == ExportWhat::All;
    const QString suffix = csv ? QStringLiteral(".csv") : QStringLiteral(".json");
    FileDialog dialog(
        FileDialog::Kind::Save,
        folder ? QStringLiteral("フォルダ (*)")
               : (csv ? QStringLiteral("CSVファイル (*.csv)") : QStringLiteral("JSONファイル (*.json)")),
        folder ? QStringLiteral("export") : QStringLiteral("export") + suffix);
    if (!dialog.Execute(&form)) return;
    QString path = dialog.FileName();
    if (!folder && !path.endsWith(suffix, Qt::CaseInsensitive)) path += suffix;

    TMainForm::BusyGuard guard(form);
    const std::string target = path.toLocal8Bit().toStdString();
    const Status done = folder ? ExportToFolder(target, form.ShownSeries(), analysis, *options)
                               : ExportToFile(target, form.ShownSeries(), analysis, *options);
    if (!done.Ok()) {
        MessageBox::ShowError(&form, QStringLiteral("エクスポートできませんでした。\n%1")
                                         .arg(QString::fromLocal8Bit(done.Message().c_str())));
        return;
    }
    form.SetStatusText(QStringLiteral("エクスポート完了"));
}

}  // namespace

void SetNextExportChoice(std::optional<ExportOptions> options)
{
    nextChoices.push_back(options);
}

QAction* AddExportCommand(TMainForm& form)
{
    auto* action = new QAction(QStringLiteral("エクスポート..."), &form);
    action->setObjectName(QStringLiteral("FileExportMenu"));
    QObject::connect(action, &QAction::triggered, &form,
                     [&form] { RunHandler([&form] { ExportCommand(form); }); });
    return action;
}

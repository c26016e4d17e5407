// The tab "一括結果" and ファイル → "複数ファイルを集計...".
#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QProgressBar>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTableWidget>

#include <new>

#include "batchstats/RecordsFile.h"
#include "batchstats/Statistics.h"
#include "mainform/BatchResultTab.h"
#include "mainform/ChartImages.h"
#include "mainform/TableCopy.h"
#include "mainform/Unit1.h"
#include "platform/ErrorDisplay.h"
#include "platform/MessageBox.h"
#include "platform/MessagePump.h"
#include "ui_MainForm.h"

namespace {
const QString TAB_TEXT = QStringLiteral("一括結果");
// A message box is no place for hundreds of lines.
constexpr int MOST_NAMED_FAILURES = 10;
}  // namespace

void TMainForm::BuildBatchResults()
{
    auto* action = new QAction(QStringLiteral("複数ファイルを集計..."), this);
    action->setObjectName(QStringLiteral("FileSummaryMenu"));
    // Beside 開く: it opens files too.
    const QList<QAction*> actions = ui->FileMenu->actions();
    const qsizetype open = actions.indexOf(ui->FileOpenMenu);
    if (open >= 0 && open + 1 < actions.size())
        ui->FileMenu->insertAction(actions[open + 1], action);
    else
        ui->FileMenu->addAction(action);
    connect(action, &QAction::triggered, this, [this, action] { FileSummaryMenuClick(action); });
}

void TMainForm::ShowBatchResults(const RecordTable& records, const QString& source)
{
    const StudySummary summary = Summarise(records);
    if (!batchResultTab) {
        batchResultTab = new BatchResultTab;
        ui->PageControl1->addTab(batchResultTab, TAB_TEXT);
        AddCopyCommands(batchResultTab->Table());
        MarkChartForImages(batchResultTab->HistogramView(), QStringLiteral("batch-histogram"),
                           QStringLiteral("一括結果 最終収支の分布"));
        MarkChartForImages(batchResultTab->FanView(), QStringLiteral("batch-fan"),
                           QStringLiteral("一括結果 収支の推移"));
    }
    batchResultTab->Show(summary, source);
    ui->PageControl1->setCurrentWidget(batchResultTab);
}

void TMainForm::FileSummaryMenuClick(QObject*)
{
    if (IsBusy()) return;
    RunHandler([this] {
        if (!SummaryDialog.Execute(this, QStringLiteral("集計するファイル"))) return;
        const QStringList files = SummaryDialog.FileNames();
        BusyGuard guard(*this);
        SetStatusText(QStringLiteral("ファイルを集計中・・・"));
        SetProgress(0);
        ui->ProgressBar1->setTextVisible(true);
        const auto restoreBar = qScopeGuard([this] {
            ui->ProgressBar1->setTextVisible(false);
            ui->ProgressBar1->setFormat(QStringLiteral("%p%"));
        });

        RecordTable records;
        QStringList failures;
        QStringList readFiles;
        try {
            for (qsizetype i = 0; i < files.size(); ++i) {
                ui->ProgressBar1->setFormat(QStringLiteral("%1 / %2").arg(i + 1).arg(files.size()));
                MessagePump::ProcessPendingMessages();
                if (StopRequested()) break;
                std::string error;
                if (ReadStudyFile(QFile::encodeName(files[i]).toStdString(), records, error))
                    readFiles << files[i];
                else
                    failures
                        << QStringLiteral("%1\n    %2").arg(files[i], QString::fromLocal8Bit(error.c_str()));
                SetProgress(static_cast<int>((i + 1) * 100.0 / static_cast<double>(files.size())));
            }
        } catch (const std::bad_alloc&) {
            // The records so far go at once; nothing is shown from a part of the choice.
            records = RecordTable();
            SetStatusText(QStringLiteral("ファイルの集計中断"));
            MessageBox::ShowError(this, QStringLiteral("メモリが足りないため、集計できませんでした。"));
            return;
        }
        if (StopRequested()) {
            if (!closing) SetStatusText(QStringLiteral("ファイルの集計を中止しました"));
            return;
        }
        if (!failures.isEmpty()) {
            QString text = records.Empty()
                               ? QStringLiteral("どのファイルも読み込めませんでした。")
                               : QStringLiteral("%1個のファイルを読み込めなかったため、集計から除きました。")
                                     .arg(failures.size());
            for (qsizetype i = 0; i < failures.size() && i < MOST_NAMED_FAILURES; ++i)
                text += QLatin1Char('\n') + failures[i];
            if (failures.size() > MOST_NAMED_FAILURES)
                text += QStringLiteral("\nほか%1個").arg(failures.size() - MOST_NAMED_FAILURES);
            MessageBox::ShowError(this, text);
        }
        if (records.Empty()) {
            if (failures.isEmpty())
                MessageBox::ShowError(this, QStringLiteral("集計するシミュレーションがありません。"));
            SetStatusText(QStringLiteral("ファイルの集計中断"));
            return;
        }
        const QString source =
            readFiles.size() == 1
                ? readFiles.constFirst()
                : QStringLiteral("%1個のファイル: %2 ほか").arg(readFiles.size()).arg(readFiles.constFirst());
        ShowBatchResults(records, source);
        QString done = QStringLiteral("集計完了（%1ファイル、%2シミュレーション）")
                           .arg(readFiles.size())
                           .arg(records.Size());
        if (!failures.isEmpty()) done += QStringLiteral("、%1ファイルを除外").arg(failures.size());
        SetStatusText(done);
    });
}

// The tab "一括結果" and ファイル → "複数ファイルを集計...".
#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QProgressBar>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTableWidget>

#include <atomic>
#include <chrono>
#include <future>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "batchstats/RecordsFile.h"
#include "batchstats/Statistics.h"
#include "mainform/Unit1.h"
#include "mainform/tools/ChartImages.h"
#include "mainform/tools/TableCopy.h"
#include "mainform/views/BatchResultTab.h"
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
    summaryAction = new QAction(QStringLiteral("複数ファイルを集計..."), this);
    summaryAction->setObjectName(QStringLiteral("FileSummaryMenu"));
    connect(summaryAction, &QAction::triggered, this, [this] { FileSummaryMenuClick(summaryAction); });
}

void TMainForm::ShowBatchResults(const RecordTable& records, const QString& source)
{
    ShowStudySummary(Summarise(records), source);
}

void TMainForm::ShowStudySummary(const StudySummary& summary, const QString& source)
{
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

namespace {

// The reading and the summary of 複数ファイルを集計, done away from the window
// so that it keeps painting and hears 中止 even within one large file.
struct SummaryWork {
    std::vector<std::string> paths;
    std::atomic<int> filesDone{0};
    std::atomic<bool> stop{false};
    // Results, read once the work has ended.
    std::vector<std::size_t> failed;  // indexes into paths
    std::vector<std::string> errors;
    std::optional<StudySummary> summary;
    std::size_t simulations = 0;
    bool outOfMemory = false;

    void Run()
    {
        try {
            RecordTable records;
            for (std::size_t i = 0; i < paths.size() && !stop; ++i) {
                if (const Result<std::size_t> read = ReadStudyFile(paths[i], records); !read.Ok()) {
                    failed.push_back(i);
                    errors.push_back(read.Message());
                }
                ++filesDone;
            }
            if (stop || records.Empty()) return;
            simulations = records.Size();
            summary = Summarise(records);
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
        }
    }
};

}  // namespace

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

        SummaryWork work;
        for (const QString& file : files) work.paths.push_back(QFile::encodeName(file).toStdString());
        std::future<void> working = std::async(std::launch::async, [&work] { work.Run(); });
        const int total = static_cast<int>(files.size());
        bool stopped = false;
        // Messages are processed at least once, so a stop asked for at once is heard.
        for (;;) {
            const int finished = work.filesDone;
            ui->ProgressBar1->setFormat(
                QStringLiteral("%1 / %2").arg(std::min(finished + 1, total)).arg(total));
            SetProgress(static_cast<int>(finished * 100.0 / total));
            MessagePump::ProcessPendingMessages();
            if (StopRequested()) {
                // A file being read is read to its end; nothing is shown.
                stopped = true;
                work.stop = true;
            }
            if (working.wait_for(std::chrono::milliseconds(MessagePump::INTERVAL_MS)) ==
                std::future_status::ready)
                break;
        }
        working.get();
        if (stopped) {
            if (!closing) SetStatusText(QStringLiteral("ファイルの集計を中止しました"));
            return;
        }
        if (work.outOfMemory) {
            SetStatusText(QStringLiteral("ファイルの集計中断"));
            MessageBox::ShowError(this, QStringLiteral("メモリが足りないため、集計できませんでした。"));
            return;
        }
        if (!work.failed.empty()) {
            const auto count = static_cast<qsizetype>(work.failed.size());
            QString text =
                work.summary
                    ? QStringLiteral("%1個のファイルを読み込めなかったため、集計から除きました。").arg(count)
                    : QStringLiteral("どのファイルも読み込めませんでした。");
            for (qsizetype i = 0; i < count && i < MOST_NAMED_FAILURES; ++i)
                text += QStringLiteral("\n%1\n    %2")
                            .arg(files[static_cast<qsizetype>(work.failed[static_cast<std::size_t>(i)])],
                                 QString::fromLocal8Bit(work.errors[static_cast<std::size_t>(i)].c_str()));
            if (count > MOST_NAMED_FAILURES)
                text += QStringLiteral("\nほか%1個").arg(count - MOST_NAMED_FAILURES);
            MessageBox::ShowError(this, text);
        }
        if (!work.summary) {
            if (work.failed.empty())
                MessageBox::ShowError(this, QStringLiteral("集計するシミュレーションがありません。"));
            SetStatusText(QStringLiteral("ファイルの集計中断"));
            return;
        }
        QStringList readFiles = files;
        for (auto i = work.failed.rbegin(); i != work.failed.rend(); ++i)
            readFiles.removeAt(static_cast<qsizetype>(*i));
        const QString source =
            readFiles.size() == 1
                ? readFiles.constFirst()
                : QStringLiteral("%1個のファイル: %2 ほか").arg(readFiles.size()).arg(readFiles.constFirst());
        ShowStudySummary(*work.summary, source);
        QString done = QStringLiteral("集計完了（%1ファイル、%2シミュレーション）")
                           .arg(readFiles.size())
                           .arg(work.simulations);
        if (!work.failed.empty()) done += QStringLiteral("、%1ファイルを除外").arg(work.failed.size());
        SetStatusText(done);
    });
}

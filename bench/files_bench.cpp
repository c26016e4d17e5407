#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>

#include <sys/resource.h>

#include "mainform/Unit1.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "ui_MainForm.h"

namespace {

double PeakResidentMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// A batch from the window, as the start command runs it: the dialog answer,
// one single run and one file per simulation. Peak memory is read after each
// size so that growth with Sim回数 shows between the rows.
void BM_WindowBatch8000Plays(benchmark::State& state)
{
    const int sims = static_cast<int>(state.range(0));
    TMainForm form(nullptr, 20261209);
    form.ui->PlayNumEdit->setText(QStringLiteral("8000"));
    form.ui->FlevelComboBox->setEditText(QStringLiteral("?"));
    form.ui->SimNumEdit->setText(QString::number(sims));
    QTemporaryDir dir;
    for (auto _ : state) {
        FileDialog::SetNextAnswer(dir.filePath(QStringLiteral("bench.sim")));
        form.StartButtonClic(nullptr);
    }
    if (form.StatusText() != QStringLiteral("シミュレーション完了"))
        state.SkipWithError("the batch did not complete");
    const QFileInfoList files = QDir(dir.path()).entryInfoList(QDir::Files);
    qint64 bytes = 0;
    for (const QFileInfo& file : files) bytes += file.size();
    state.counters["files"] = static_cast<double>(files.size());
    state.counters["written_MB"] = static_cast<double>(bytes) / (1024.0 * 1024.0);
    state.counters["peak_MB"] = PeakResidentMegabytes();
    state.counters["sims/s"] = benchmark::Counter(
        static_cast<double>(sims) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WindowBatch8000Plays)
    ->Arg(10)
    ->Arg(100)
    ->Arg(1000)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    FileDialog::SetHeadless(true);
    MessageBox::SetHeadless(true);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

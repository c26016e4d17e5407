// The window's own figures, offscreen: start-up, a run with its whole display
// pass, repaint and zoom of the slump graph, and a very long run. Run each
// group in its own process when reading peak_MB (it is the process's peak):
//   QT_QPA_PLATFORM=offscreen mirvosim-bench-gui --benchmark_filter=RunAndDisplay/1000000
// FirstWindowStart is the start-up figure only as the first benchmark run.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QLineEdit>
#include <QLineSeries>
#include <QValueAxis>

#include <sys/resource.h>

#include "mainform/AppSetup.h"
#include "mainform/Unit1.h"
#include "mainform/charts/SlumpGraph.h"
#include "platform/MessageBox.h"
#include "sim/SingleRun.h"
#include "slot/RandomSource.h"
#include "slot/Slot.h"
#include "ui_MainForm.h"

namespace {
double PeakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void StartRun(TMainForm& form, std::int64_t plays)
{
    form.ui->PlayNumEdit->setText(QString::number(plays));
    form.FileStartMenuClick(nullptr);
}

void ShowAndSettle(TMainForm& form)
{
    form.show();
    QCoreApplication::processEvents();
}

// The first window of the process: fonts, styles and charts load here.
void FirstWindowStart(benchmark::State& state)
{
    for (auto _ : state) {
        TMainForm form;
        ShowAndSettle(form);
        form.repaint();
    }
}
BENCHMARK(FirstWindowStart)->Unit(benchmark::kMillisecond)->Iterations(1);

void WindowStart(benchmark::State& state)
{
    for (auto _ : state) {
        TMainForm form;
        ShowAndSettle(form);
        form.repaint();
    }
}
BENCHMARK(WindowStart)->Unit(benchmark::kMillisecond);

// The play loop as the window runs it (messages pumped every 25 ms, the
// progress bar moving; Arg 1) against the same plays without the window
// (Arg 0). The window's loop is to stay within 2% of the bare one.
void PlayLoop(benchmark::State& state)
{
    TMainForm form;
    ShowAndSettle(form);
    const int plays = static_cast<int>(state.range(0));
    const bool pumped = state.range(1) != 0;
    TMainForm::RunInputs inputs;
    inputs.plays = plays;
    RandomSource random;
    random.Seed(1);
    Slot slot(random);
    bool complete = true;
    // Each run fills a series of its own and lets it go, as the window's runs do.
    for (auto _ : state) {
        if (pumped) {
            const auto run = form.RunSingle(inputs);
            complete = complete && run && run->Back().playCount == plays;
        } else {
            PlaySeries series;
            complete = complete && RunSingle(slot, random, plays, {false, 1}, series);
        }
    }
    if (!complete) state.SkipWithError("the run did not complete");
}
BENCHMARK(PlayLoop)
    ->Args({20000000, 0})
    ->Args({20000000, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

void RunAndDisplay(benchmark::State& state)
{
    TMainForm form;
    ShowAndSettle(form);
    for (auto _ : state) {
        StartRun(form, state.range(0));
        // The first paint of every view after the pass belongs to it.
        form.repaint();
    }
    if (form.StatusText() != QStringLiteral("シミュレーション完了"))
        state.SkipWithError("the run did not complete");
    state.counters["rows"] = static_cast<double>(form.HeldSeries().Size());
    state.counters["peak_MB"] = PeakMegabytes();
}
BENCHMARK(RunAndDisplay)->Arg(1000000)->Arg(3000000)->Unit(benchmark::kMillisecond)->Iterations(3);

void SlumpRepaint(benchmark::State& state)
{
    TMainForm form;
    ShowAndSettle(form);
    StartRun(form, 1000000);
    QWidget* viewport = form.ui->SlumpChart->viewport();
    for (auto _ : state) viewport->repaint();
    state.counters["points_in_chart"] = static_cast<double>(form.SlumpGraphView()->SlumpSeries->count());
}
BENCHMARK(SlumpRepaint)->Unit(benchmark::kMillisecond);

void SlumpZoom(benchmark::State& state)
{
    TMainForm form;
    ShowAndSettle(form);
    StartRun(form, 1000000);
    QChart* chart = form.SlumpGraphView()->Chart();
    QWidget* viewport = form.ui->SlumpChart->viewport();
    for (auto _ : state) {
        const QRectF plot = chart->plotArea();
        chart->zoomIn(QRectF(plot.left() + plot.width() / 4, plot.top(), plot.width() / 2, plot.height()));
        viewport->repaint();
        chart->zoomReset();
        viewport->repaint();
    }
    state.SetLabel("zoom in + repaint + zoom out + repaint");
}
BENCHMARK(SlumpZoom)->Unit(benchmark::kMillisecond);

void MarkersShown(benchmark::State& state)
{
    TMainForm form;
    ShowAndSettle(form);
    StartRun(form, 1000000);
    QWidget* viewport = form.ui->SlumpChart->viewport();
    const std::initializer_list<QCheckBox*> boxes{
        form.ui->BIGCheckBox,  form.ui->REGCheckBox,    form.ui->CherryCheckBox, form.ui->TawaraCheckBox,
        form.ui->MatuCheckBox, form.ui->ChanceCheckBox, form.ui->HazureCheckBox};
    for (auto _ : state) {
        for (QCheckBox* box : boxes) box->click();
        viewport->repaint();
        for (QCheckBox* box : boxes) box->click();
        viewport->repaint();
    }
    state.SetLabel("all seven marker series on + repaint + off + repaint");
}
BENCHMARK(MarkersShown)->Unit(benchmark::kMillisecond);

void TenMillionPlays(benchmark::State& state)
{
    TMainForm form;
    ShowAndSettle(form);
    for (auto _ : state) StartRun(form, 10000000);
    state.SetLabel(form.StatusText().toStdString());
    state.counters["rows"] = static_cast<double>(form.HeldSeries().Size());
    state.counters["peak_MB"] = PeakMegabytes();
    state.counters["boxes"] = static_cast<double>(MessageBox::Shown().size());
}
BENCHMARK(TenMillionPlays)->Unit(benchmark::kMillisecond)->Iterations(1);
}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    SetUpApplication(app);
    MessageBox::SetHeadless(true);
    const MessageBox::Recorder boxes;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

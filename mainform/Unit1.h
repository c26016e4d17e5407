#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "analysis/ResultAnalysis.h"
#include "platform/FileDialog.h"
#include "platform/MessagePump.h"
#include "sim/PlaySeries.h"
#include "sim/RunSession.h"
#include "sim/WholeNumber.h"

namespace Ui {
class TMainForm;
}
class QDragEnterEvent;
class QDropEvent;
class QAction;
class QMenu;
class QLabel;
class QLineEdit;
class QToolButton;
class QTimer;
class BatchResultTab;
class BonusBars;
class RecordTable;
struct StudySummary;
class EstimatePage;
class ResultListModel;
class RateStatisticsView;
class SlumpGraph;
class TheoryTab;
class TAboutBox;

// The one working window: its RunSession holds the machine, the random
// source and the runs on show and to save; the window binds every menu
// entry, button and timer to its command.
//
// How a command handler is to be written:
// - Start with `if (IsBusy()) return;` and then hold a `BusyGuard guard(*this);`
//   for as long as the command may change the held run, the Slot or the inputs.
//   The guard disables (SetBusy) 開始 (button and menu), 開く, 複数ファイルを集計,
//   the recent files, 保存, グラフを画像で保存, エクスポート, 設定確認 and the input
//   fields, and its destructor restores them on every exit (保存 comes back
//   only once a display pass has shown a series). Guards nest.
// - Long work lets the window run only through a MessagePump (platform), by
//   time. After every pump check IsClosing(): the user closed the window, so
//   stop at once, leave the held run as it is and return. The window really
//   closes when the last guard is released.
// - Status texts go through SetStatusText (panel 0), progress through
//   SetProgress (0..100, more shows a full bar).
// - Dialogs and message boxes only through platform's FileDialog (OpenDialog,
//   SaveDialog) and MessageBox, which tests answer without showing anything.
// - A run is a value: a command fills a series of its own (std::make_shared),
//   never one that is held or shown, and hands it to ShowResult, which shares
//   it with the views and makes it the held run. DropRuns lets go of all runs
//   (after running out of memory, or a file that failed while read).
// - Inputs of a run only through ReadRunInputs, read once per command.
// - No exception may leave a handler: run its body in RunHandler
//   (platform/ErrorDisplay.h), which shows any error in the application's
//   error display.
// - Work that needs no window belongs below it: runs, files and inputs in
//   sim/, every text and figure of a result in analysis/ (the CLI shows the
//   same ones), the machine's codes by name in slot/MachineCodes.h. A handler
//   reads the inputs, calls those and shows what they return.
//
// Where the handlers are (in handlers/): Runs.cpp 開始, 中止/Esc and the run
// inputs; Display.cpp the display pass and the marker check boxes; Files.cpp
// 開く, 保存 and the batch run; Help.cpp the Help menu and 設定確認; Desktop.cpp
// size, title, recent files, dropped files and shortcuts; SeedInput.cpp 詳細;
// BatchResults.cpp the tab 一括結果 (BatchResultTab) after a batch and
// 複数ファイルを集計.... Beside this header: MainForm.cpp the window, status
// bar, clock, 終了, the busy guard and SetBusy; FileMenu.cpp the order of
// ファイル. In tools/: ChartImages.cpp, ExportDialog.cpp and TableCopy.cpp
// images, export and copy. In views/: each tab's view, filled by Show — the
// four statistics tabs are RateStatisticsView, 理論値 TheoryTab, 設定推測
// EstimatePage (placed by EstimateTab.cpp), 一括結果 BatchResultTab, the play
// list ResultListModel. In charts/: the slump graph and the bonus bars. The
// runs themselves live in sim/RunSession.h.
class TMainForm : public QMainWindow {
    Q_OBJECT

public:
    // `startSeed` starts the random sequence instead of the clock, so that
    // runs can be repeated (tests).
    explicit TMainForm(QWidget* parent = nullptr, std::optional<std::uint32_t> startSeed = std::nullopt);
    ~TMainForm() override;

    // The About box is created after the window and lives as long as the
    // application; not owned.
    void SetAboutBox(TAboutBox* box) { aboutBox = box; }
    TAboutBox* AboutBox() const { return aboutBox; }

    // Handlers: each translates one event into a call. Most ignore the
    // sender; the marker check boxes read it (Display.cpp).
    void FileOpenMenuClick(QObject* sender);
    void FileSaveMenuClick(QObject* sender);
    void FileStartMenuClick(QObject* sender);
    void FileExitMenuClick(QObject* sender);
    void HelpAboutMenuClick(QObject* sender);
    void HelpManMenuClick(QObject* sender);
    void JWord1Click(QObject* sender);
    void N3Click(QObject* sender);
    void N4Click(QObject* sender);
    void FlevelButtonClick(QObject* sender);
    // The name lacks its "k" on purpose: callers and tests know it so.
    void StartButtonClic(QObject* sender);
    void Timer1Timer(QObject* sender);
    void BIGCheckBoxClick(QObject* sender);
    void REGCheckBoxClick(QObject* sender);
    void CherryCheckBoxClick(QObject* sender);
    void TawaraCheckBoxClick(QObject* sender);
    void MatuCheckBoxClick(QObject* sender);
    void HazureCheckBoxClick(QObject* sender);
    void ChanceCheckBoxClick(QObject* sender);
    // 中止 and Esc: asks the run, display pass or batch under way to stop at
    // its next message processing. Nothing happens while idle.
    void StopButtonClick(QObject* sender);
    // ファイル → 複数ファイルを集計...: simulation and records files chosen
    // together, summarised into the tab 一括結果. A file that cannot be read
    // is named in a message box and left out; the tab changes only when at
    // least one simulation was read and the user did not stop the reading.
    void FileSummaryMenuClick(QObject* sender);

    // The most plays a run may ask for: what this computer's memory holds
    // with the display of the result, 0 when unknown (no limit). Tests set it
    // to see both answers on any computer.
    void SetPlayLimit(std::int64_t most) { playLimit = most; }
    // How often long work lets the window process its messages (see
    // MessagePump); 0 at every check, which tests use.
    void SetPumpInterval(int milliseconds) { pumpInterval = milliseconds; }

    // The seed in 詳細 for the next run: nullopt when empty (the sequence
    // goes on); throws std::runtime_error for any other text that is not a
    // whole number the command line accepts as --seed.
    [[nodiscard]] std::optional<std::uint32_t> ReadSeedField() const;
    QToolButton* DetailsButton = nullptr;
    QLineEdit* SeedEdit = nullptr;

    // The inputs of a run: Play数, 設定 ("?" included), Sim回数 and 詳細's seed.
    struct RunInputs {
        int plays = 0;
        SettingChoice setting;
        int sims = 1;
        std::optional<std::uint32_t> seed;
    };
    // One simulation of `inputs` (Sim回数 aside) into a series of its own,
    // which it returns for the display pass; nullptr when the run was
    // stopped or the window is closing.
    // Throws std::bad_alloc when memory runs out (after DropRuns).
    [[nodiscard]] std::shared_ptr<const PlaySeries> RunSingle(const RunInputs& inputs);
    // The setting and play count a run was played with, or an opened file's
    // header holds: what Save writes with the run's rows.
    using RunHeader = RunSession::Header;
    // The display pass over `series` into every result view; the progress
    // bar goes from `progressFrom` to 100. The views are replaced only once
    // the pass has its result, and the series with its `header` becomes the
    // run on show and the one the window holds. False when there was nothing
    // to show, the window is closing or the user stopped it: views and held
    // run as before. A `refusal` (a file whose series the machine cannot
    // play) is shown on 理論値 and 設定推測 instead of their figures.
    [[nodiscard]] bool ShowResult(std::shared_ptr<const PlaySeries> series, RunHeader header,
                                  int progressFrom = 0, const std::string& refusal = {});

    // Shows the simulation file at `path` as 開く(&O) does once its dialog
    // is answered, for a file named from outside (the command line): a file
    // that cannot be opened is reported too, since nobody chose it here.
    void OpenFile(const QString& path);

    // The run the window holds, which Save writes under its own header: the
    // run on show, or after a batch its last simulation. Empty when there is none.
    const PlaySeries& HeldSeries() const { return session.Held(); }
    // The run the views show (the play list co-owns it). Empty when none.
    const PlaySeries& ShownSeries() const { return session.Shown(); }
    // The machine as the last run left it; 設定確認 shows its setting.
    const Slot& Machine() const { return session.Machine(); }

    // Status bar: panel 0 the commands' texts, panel 1 the clock.
    void SetStatusText(const QString& text, int panel = 0);
    QString StatusText(int panel = 0) const;
    void SetProgress(int percent);

    // Holds off the commands that could change the series, the Slot or the
    // inputs while work is under way; see the paragraph above.
    class BusyGuard {
    public:
        explicit BusyGuard(TMainForm& form);
        ~BusyGuard();
        BusyGuard(const BusyGuard&) = delete;
        BusyGuard& operator=(const BusyGuard&) = delete;

    private:
        TMainForm& form;
    };
    bool IsBusy() const { return busyDepth > 0; }
    // True once the user asked to close the window while it was busy.
    bool IsClosing() const { return closing; }
    // True once the work under way is to end: the window is closing or the
    // user pressed 中止 (or Esc). Long work checks it after every pump.
    bool StopRequested() const { return closing || stopRequested; }

    std::unique_ptr<Ui::TMainForm> ui;
    FileDialog OpenDialog{FileDialog::Kind::Open};
    FileDialog SaveDialog{FileDialog::Kind::Save};
    FileDialog SummaryDialog{
        FileDialog::Kind::OpenMany,
        QStringLiteral("Mirvosimファイル・集計ファイル (*.sim *.csv *.jsonl *.ndjson *.json);;"
                       "すべてのファイル (*)"),
        QString()};
    QTimer* Timer1 = nullptr;

    // What the last display pass showed (tests compare against it).
    const ResultAnalysis& LastAnalysis() const { return analysis; }
    ResultListModel* ResultListViewModel() const { return resultListModel; }
    SlumpGraph* SlumpGraphView() const { return slumpGraph; }
    EstimatePage* EstimatePageView() const { return estimatePage; }
    TheoryTab* TheoryView() const { return theoryTab; }
    // The tab 一括結果; null until a batch or 複数ファイルを集計 first fills it.
    BatchResultTab* BatchResultView() const { return batchResultTab; }

    // The statistics tabs 連チャン, 小役, モード滞在 and RT解除, in that order.
    const std::array<RateStatisticsView*, 4>& StatisticsViews() const { return statisticsViews; }
    BonusBars* BonusBarsView() const { return bonusBars; }

    // The file last opened or saved: in the title and the recent-files menu
    // (kept in the program's settings). Empty once a new run is shown.
    void SetShownFile(const QString& path);
    QStringList RecentFiles() const;
    // Size and position of the last session, if any (the program calls it;
    // a window of its own starts at the default size).
    void RestorePlacement();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildWindow();
    void BuildCharts();
    void BuildEstimatePage();
    void BuildBatchResults();
    // Fills the tab 一括結果 with the summary of `records` (not empty) and
    // brings it to the front; `source` says where they came from.
    void ShowBatchResults(const RecordTable& records, const QString& source);
    void ShowStudySummary(const StudySummary& summary, const QString& source);
    void ConnectHandlers();
    void BuildDesktop();
    void BuildSeedInput();
    void SeedRun(std::uint32_t seed);
    void LayOutForSize();
    void FillRecentMenu();
    // Holds off (busy) or gives back every command and input of a run; the
    // one place that knows which ones those are.
    void SetBusy(bool busy);
    void StartCommand();
    void ClearResultViews();
    void FillStatTabs();
    void FillBonusList();
    void MarkerCheckBoxClick(QObject* sender, int marker);
    // Reads and checks the inputs once for the whole command. Throws
    // RunInputError (handlers/Runs.cpp) for values out of range or too many
    // plays for the memory, ConversionError for a text that is no whole
    // number, std::runtime_error for a bad seed.
    [[nodiscard]] RunInputs ReadRunInputs() const;
    // The batch run: one file per simulation, no display; the views keep the
    // run shown before. False when it wrote nothing because its dialog was
    // cancelled (panel 0 emptied) or when it stopped on its file error (its
    // text left in panel 0).
    [[nodiscard]] bool RunBatch(const RunInputs& inputs);
    // What a run replaces of the run on show; a stopped run puts it back.
    struct ShownRun {
        int setting = 1;
        int playCount = 0;
        QString hint;
    };
    ShownRun KeepShownRun();
    void RestoreShownRun(const ShownRun& shown);
    void OpenSimFile(const QString& path, bool reportCannotOpen);
    // The error box of a file 理論値 and 設定推測 refuse, shown once, when one
    // of them is the tab on show: 開く itself shows the file as it always has.
    void NoticeRefusal();
    // Lets go of every run: the views empty, nothing left to save. The
    // clean-up after running out of memory too, as the error box needs some.
    void DropRuns();

    RunSession session;
    std::int64_t playLimit = 0;
    int pumpInterval = MessagePump::INTERVAL_MS;

    TAboutBox* aboutBox = nullptr;
    BonusBars* bonusBars = nullptr;
    int busyDepth = 0;
    bool closing = false;
    bool stopRequested = false;
    QMenu* recentMenu = nullptr;
    QAction* summaryAction = nullptr;
    QAction* exportAction = nullptr;
    QAction* chartImageAction = nullptr;
    // 保存 may be enabled once a display pass has shown a series.
    bool saveAllowed = false;
    // The end status of the last batch that wrote all its files: how many, and where.
    QString batchDoneText;
    // Why the file on show is refused, until its error box has been shown.
    QString refusalNotice;
    QLabel* statusPanel[2] = {nullptr, nullptr};
    ResultListModel* resultListModel = nullptr;
    SlumpGraph* slumpGraph = nullptr;
    EstimatePage* estimatePage = nullptr;
    TheoryTab* theoryTab = nullptr;
    BatchResultTab* batchResultTab = nullptr;
    std::array<RateStatisticsView*, 4> statisticsViews{};
    ResultAnalysis analysis;
};

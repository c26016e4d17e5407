#include <QAbstractItemView>
#include <QChart>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScatterSeries>
#include <QSettings>
#include <QShortcut>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

#include <array>
#include <ctime>
#include <string_view>

#include "analysis/BonusList.h"
#include "analysis/PlayListText.h"
#include "analysis/RateStatistics.h"
#include "mainform/FileMenu.h"
#include "mainform/Unit1.h"
#include "mainform/charts/BonusBars.h"
#include "mainform/charts/SlumpGraph.h"
#include "mainform/tools/ChartImages.h"
#include "mainform/tools/ExportDialog.h"
#include "mainform/tools/TableCopy.h"
#include "mainform/views/RateStatisticsView.h"
#include "mainform/views/ResultListModel.h"
#include "mainform/views/TheoryTab.h"
#include "platform/ChartOps.h"
#include "platform/Clock.h"
#include "platform/ErrorDisplay.h"
#include "platform/FormFont.h"
#include "sim/SingleRun.h"
#include "ui_MainForm.h"

namespace {
constexpr int CLIENT_WIDTH = 606;
constexpr int CLIENT_HEIGHT = 697;
constexpr int STATUS_BAR_HEIGHT = 21;
constexpr int STATUS_PANEL0_WIDTH = 450;

QString FromView(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The report prints the same captions, so a copied list reads as its section.
template <std::size_t N>
void SetCaptions(QTreeWidget* list, const std::array<std::string_view, N>& captions)
{
    QStringList labels;
    for (const std::string_view caption : captions) labels.append(FromView(caption));
    list->setHeaderLabels(labels);
}

void SetStatCaptions(QTabWidget* tabs, QTreeWidget* list, const StatTabCaptions& captions)
{
    tabs->setTabText(tabs->indexOf(list->parentWidget()), FromView(captions.tab));
    SetCaptions(list, captions.columns);
}

void SetColumnWidths(QTreeWidget* list, std::initializer_list<int> widths)
{
    int column = 0;
    for (const int width : widths) {
        // A caption wider than its column is cut with "…"; the tooltip has it whole.
        list->headerItem()->setToolTip(column, list->headerItem()->text(column));
        list->header()->resizeSection(column++, width);
    }
}

}  // namespace

TMainForm::TMainForm(QWidget* parent, std::optional<std::uint32_t> startSeed)
    : QMainWindow(parent),
      ui(std::make_unique<Ui::TMainForm>()),
      // The seed of this program start; only a seed given in 詳細 reseeds.
      session(startSeed.value_or(static_cast<std::uint32_t>(std::time(nullptr)))),
      playLimit(MaxPlaysForMemory())
{
    BuildWindow();
    BuildCharts();
    BuildEstimatePage();
    ConnectHandlers();
    BuildBatchResults();
    BuildDesktop();
    exportAction = AddExportCommand(*this);
    chartImageAction = AddChartImageCommands(*this);
    AddCopyCommands(*this);
    BuildFileMenu(*ui->FileMenu, {.open = ui->FileOpenMenu,
                                  .summary = summaryAction,
                                  .recent = recentMenu,
                                  .save = ui->FileSaveMenu,
                                  .chartImages = chartImageAction,
                                  .exportFile = exportAction,
                                  .start = ui->FileStartMenu,
                                  .exit = ui->FileExitMenu});
}

TMainForm::~TMainForm() = default;

void TMainForm::BuildWindow()
{
    ui->setupUi(this);
    QFont font(FORM_FONT_FAMILY);
    font.setPixelSize(12);
    setFont(font);

    QPalette red = ui->Label3->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    ui->Label3->setPalette(red);
    // The desktop's CJK font runs wide: one pixel less keeps the whole hint
    // in the label's width.
    QFont hint3Font = font;
    hint3Font.setPixelSize(11);
    ui->Label3->setFont(hint3Font);
    // Captions on the frame line: the desktop style sets them above it,
    // where the boxes' contents already are.
    const QString framed = QStringLiteral(
        "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 7px; }"
        "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 2px;"
        " top: 0px; padding: 0px 1px; background-color: palette(window); }");
    ui->GroupBox1->setStyleSheet(framed);
    ui->GroupBox2->setStyleSheet(framed);
    QFont hintFont = font;
    hintFont.setPixelSize(11);
    ui->Label5->setFont(hintFont);
    ui->Label5->setAttribute(Qt::WA_TransparentForMouseEvents);
    // Labels grow with their text, so that no caption is cut.
    for (QLabel* label : {ui->Label1, ui->Label2, ui->Label6, ui->Label5}) label->adjustSize();

    // The separators keep the names they have always had.
    int separator = 0;
    for (QMenu* menu : {ui->FileMenu, ui->HelpMenu})
        for (QAction* action : menu->actions())
            if (action->isSeparator())
                action->setObjectName(separator++ == 0 ? QStringLiteral("N1") : QStringLiteral("N2"));

    resultListModel = new ResultListModel(this);
    ui->ResultListView->setModel(resultListModel);
    QHeaderView* rows = ui->ResultListView->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(16);
    QHeaderView* columns = ui->ResultListView->horizontalHeader();
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const int playListWidths[] = {60, 60, 70, 70, 70, 70, 150};
    for (int column = 0; column < PLAY_LIST_COLUMNS; ++column)
        columns->resizeSection(column, playListWidths[column]);
    SetCaptions(ui->BListView, BONUS_LIST_CAPTIONS);
    SetStatCaptions(ui->PageControl1, ui->RenListView, REN_CAPTIONS);
    SetStatCaptions(ui->PageControl1, ui->KoyakuListView, KOYAKU_CAPTIONS);
    SetStatCaptions(ui->PageControl1, ui->ModeStayListView, MODE_STAY_CAPTIONS);
    SetStatCaptions(ui->PageControl1, ui->RTCancelListView, RT_CANCEL_CAPTIONS);
    SetColumnWidths(ui->BListView, {60, 60, 80, 80, 90, 60, 70});
    SetColumnWidths(ui->RenListView, {70, 70, 70, 80});
    SetColumnWidths(ui->KoyakuListView, {70, 70, 70, 80});
    SetColumnWidths(ui->ModeStayListView, {70, 70, 70, 80});
    SetColumnWidths(ui->RTCancelListView, {80, 70, 70, 80});

    const std::initializer_list<QCheckBox*> checkBoxes{
        ui->BIGCheckBox,  ui->REGCheckBox,    ui->CherryCheckBox, ui->TawaraCheckBox,
        ui->MatuCheckBox, ui->ChanceCheckBox, ui->HazureCheckBox};
    for (QCheckBox* box : checkBoxes) box->raise();
    // The check boxes take the group box's place in the tab order.
    QWidget* previous = ui->FlevelButton;
    for (QCheckBox* box : checkBoxes) {
        QWidget::setTabOrder(previous, box);
        previous = box;
    }
    QWidget::setTabOrder(previous, ui->SlumpChart2);

    for (int panel = 0; panel < 2; ++panel) {
        statusPanel[panel] = new QLabel(this);
        statusPanel[panel]->setFrameShape(QFrame::Panel);
        statusPanel[panel]->setFrameShadow(QFrame::Sunken);
    }
    statusPanel[0]->setFixedWidth(STATUS_PANEL0_WIDTH);
    statusPanel[1]->setAlignment(Qt::AlignCenter);
    ui->StatusBar1->addWidget(statusPanel[0]);
    // The last panel takes the rest of the bar, as the clock needs it.
    ui->StatusBar1->addWidget(statusPanel[1], 1);
    ui->StatusBar1->setFixedHeight(STATUS_BAR_HEIGHT);
    ui->StatusBar1->setSizeGripEnabled(false);

    // The layout's size is the default and the least; larger, the lists and
    // charts grow (Desktop.cpp).
    centralWidget()->setMinimumSize(CLIENT_WIDTH, CLIENT_HEIGHT - STATUS_BAR_HEIGHT);
    resize(CLIENT_WIDTH, ui->MainMenu->sizeHint().height() + CLIENT_HEIGHT);

    Timer1 = new QTimer(this);
    Timer1->setInterval(100);
    Timer1->start();
}

void TMainForm::BuildCharts()
{
    statisticsViews = {
        new RateStatisticsView(ui->RenListView, ui->RenChart, QStringLiteral("RenSeries")),
        new RateStatisticsView(ui->KoyakuListView, ui->KoyakuChart, QStringLiteral("KoyakuSeries")),
        new RateStatisticsView(ui->ModeStayListView, ui->ModeStayChart, QStringLiteral("ModeStaySeries")),
        new RateStatisticsView(ui->RTCancelListView, ui->RTCancelChart, QStringLiteral("RTCancelSeries"))};

    slumpGraph = new SlumpGraph(ui->SlumpChart);
    // The legend names a marker series as its check box does.
    const std::pair<QCheckBox*, int> markerBoxes[] = {
        {ui->BIGCheckBox, MARKER_BIG},       {ui->REGCheckBox, MARKER_REG},
        {ui->CherryCheckBox, MARKER_CHERRY}, {ui->TawaraCheckBox, MARKER_BELL},
        {ui->MatuCheckBox, MARKER_BENTOU},   {ui->ChanceCheckBox, MARKER_CHANCE},
        {ui->HazureCheckBox, MARKER_HAZURE}};
    for (const auto& [box, marker] : markerBoxes)
        slumpGraph->markerSeries[static_cast<std::size_t>(marker)]->setName(box->text());

    bonusBars = new BonusBars(ui->SlumpChart2);
    ui->Label5->raise();
    theoryTab = new TheoryTab(ui->PageControl1);
    connect(ui->PageControl1, &QTabWidget::currentChanged, this, [this] { NoticeRefusal(); });
}

void TMainForm::ConnectHandlers()
{
    connect(ui->FileOpenMenu, &QAction::triggered, this, [this] { FileOpenMenuClick(ui->FileOpenMenu); });
    connect(ui->FileSaveMenu, &QAction::triggered, this, [this] { FileSaveMenuClick(ui->FileSaveMenu); });
    connect(ui->FileStartMenu, &QAction::triggered, this, [this] { FileStartMenuClick(ui->FileStartMenu); });
    connect(ui->FileExitMenu, &QAction::triggered, this, [this] { FileExitMenuClick(ui->FileExitMenu); });
    connect(ui->HelpAboutMenu, &QAction::triggered, this, [this] { HelpAboutMenuClick(ui->HelpAboutMenu); });
    connect(ui->HelpManMenu, &QAction::triggered, this, [this] { HelpManMenuClick(ui->HelpManMenu); });
    connect(ui->JWord1, &QAction::triggered, this, [this] { JWord1Click(ui->JWord1); });
    connect(ui->N3, &QAction::triggered, this, [this] { N3Click(ui->N3); });
    connect(ui->N4, &QAction::triggered, this, [this] { N4Click(ui->N4); });
    connect(ui->FlevelButton, &QPushButton::clicked, this, [this] { FlevelButtonClick(ui->FlevelButton); });
    connect(ui->StartButton, &QPushButton::clicked, this, [this] { StartButtonClic(ui->StartButton); });
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(Timer1); });
    connect(ui->BIGCheckBox, &QCheckBox::clicked, this, [this] { BIGCheckBoxClick(ui->BIGCheckBox); });
    connect(ui->REGCheckBox, &QCheckBox::clicked, this, [this] { REGCheckBoxClick(ui->REGCheckBox); });
    connect(ui->CherryCheckBox, &QCheckBox::clicked, this,
            [this] { CherryCheckBoxClick(ui->CherryCheckBox); });
    connect(ui->TawaraCheckBox, &QCheckBox::clicked, this,
            [this] { TawaraCheckBoxClick(ui->TawaraCheckBox); });
    connect(ui->MatuCheckBox, &QCheckBox::clicked, this, [this] { MatuCheckBoxClick(ui->MatuCheckBox); });
    connect(ui->HazureCheckBox, &QCheckBox::clicked, this,
            [this] { HazureCheckBoxClick(ui->HazureCheckBox); });
    connect(ui->ChanceCheckBox, &QCheckBox::clicked, this,
            [this] { ChanceCheckBoxClick(ui->ChanceCheckBox); });
    connect(ui->StopButton, &QPushButton::clicked, this, [this] { StopButtonClick(ui->StopButton); });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] { StopButtonClick(ui->StopButton); });
}

void TMainForm::SetStatusText(const QString& text, int panel)
{
    statusPanel[panel]->setText(text);
}

QString TMainForm::StatusText(int panel) const
{
    return statusPanel[panel]->text();
}

void TMainForm::SetProgress(int percent)
{
    ui->ProgressBar1->setValue(std::clamp(percent, 0, 100));
}

void TMainForm::Timer1Timer(QObject*)
{
    RunHandler([this] { SetStatusText(ClockText(), 1); });
}

void TMainForm::FileExitMenuClick(QObject*)
{
    close();
}

TMainForm::BusyGuard::BusyGuard(TMainForm& owner) : form(owner)
{
    if (form.busyDepth++ > 0) return;
    form.stopRequested = false;
    form.SetBusy(true);
}

TMainForm::BusyGuard::~BusyGuard()
{
    if (--form.busyDepth > 0) return;
    form.SetBusy(false);
    // The close the user asked for while the work ran.
    if (form.closing) QTimer::singleShot(0, &form, &QWidget::close);
}

void TMainForm::SetBusy(bool busy)
{
    const bool enabled = !busy;
    // Every command that reads or replaces the run on show waits, so none of
    // them is left clickable only to do nothing; 終了 and Help stay.
    summaryAction->setEnabled(enabled);
    exportAction->setEnabled(enabled);
    chartImageAction->setEnabled(enabled);
    recentMenu->setEnabled(enabled && !RecentFiles().isEmpty());
    ui->StartButton->setEnabled(enabled);
    ui->StopButton->setEnabled(!enabled);
    ui->FileStartMenu->setEnabled(enabled);
    ui->FileOpenMenu->setEnabled(enabled);
    ui->FileSaveMenu->setEnabled(enabled && saveAllowed);
    ui->FlevelButton->setEnabled(enabled);
    ui->PlayNumEdit->setEnabled(enabled);
    ui->FlevelComboBox->setEnabled(enabled);
    ui->SimNumEdit->setEnabled(enabled);
    if (SeedEdit) SeedEdit->setEnabled(enabled);
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (IsBusy()) {
        // The work on the stack below still uses the window; it sees the flag
        // at its next pump and unwinds, and the last guard closes for real.
        closing = true;
        event->ignore();
        return;
    }
    Timer1->stop();
    QSettings().setValue(QStringLiteral("window/geometry"), saveGeometry());
    event->accept();
}

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenu>
#include <QPieSeries>
#include <QPieSlice>
#include <QProgressBar>
#include <QPushButton>
#include <QScatterSeries>
#include <QSettings>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QTreeWidget>
#include <QValueAxis>

#include <cmath>
#include <memory>

#include <sys/resource.h>

#include "analysis/PlayListText.h"
#include "analysis/ResultAnalysis.h"
#include "mainform/AppSetup.h"
#include "mainform/Unit1.h"
#include "mainform/charts/BonusBars.h"
#include "mainform/charts/SlumpGraph.h"
#include "mainform/views/RateStatisticsView.h"
#include "mainform/views/ResultListModel.h"
#include "platform/ErrorDisplay.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "sim/SingleRun.h"
#include "sim/WholeNumber.h"
#include "ui_MainForm.h"

namespace {
constexpr std::uint32_t SEED = 20261209;

QStringList LineTexts(const QTreeWidgetItem* item)
{
    QStringList texts;
    for (int c = 0; c < item->columnCount(); ++c) texts.append(item->text(c));
    return texts;
}

QStringList ToStrings(const std::vector<std::string>& cells)
{
    QStringList texts;
    for (const std::string& cell : cells) texts.append(QString::fromStdString(cell));
    return texts;
}

// Whole counts of play, as the chart holds them.
QPointF AsQPoint(const ChartPoint& point)
{
    return {static_cast<qreal>(point.x), static_cast<qreal>(point.y)};
}

QList<QPointF> ToList(const std::vector<QPointF>& points)
{
    return QList<QPointF>(points.begin(), points.end());
}
}  // namespace

class MainFormTest : public QObject {
    Q_OBJECT

    MessageBox::Recorder boxes;

private:
    std::unique_ptr<TMainForm> form;
    Ui::TMainForm* ui = nullptr;

    void Start(const QString& plays, const QString& setting = QStringLiteral("1"),
               const QString& sims = QStringLiteral("1"))
    {
        ui->PlayNumEdit->setText(plays);
        ui->FlevelComboBox->setCurrentText(setting);
        ui->SimNumEdit->setText(sims);
        ui->StartButton->click();
    }

    // Each bar as drawn, (its middle, its height), from its rectangle of
    // four outline points; the exact sums of bar position and half width
    // round, so the middle is compared within 1e-9.
    static QList<QPointF> DrawnBars(const QLineSeries* outline)
    {
        QList<QPointF> drawn;
        const QList<QPointF> points = outline->points();
        if (points.size() % 4 != 0) return {QPointF(-1, -1)};
        for (qsizetype i = 0; i < points.size(); i += 4) {
            const double middle = (points[i].x() + points[i + 3].x()) / 2;
            if (std::abs(middle - std::round(middle)) > 1e-9) return {QPointF(-1, -1)};
            drawn.append(QPointF(std::round(middle), points[i + 1].y()));
        }
        return drawn;
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);  // recent files and placement go to a test folder
        SetUpApplication(*qApp);
        MessageBox::SetHeadless(true);
        FileDialog::SetHeadless(true);
    }

    void init()
    {
        form = std::make_unique<TMainForm>(nullptr, SEED);
        ui = form->ui.get();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        MessageBox::ClearShown();
    }

    void cleanup()
    {
        form.reset();
        MessageBox::SetWhileShown({});
    }

    void FreshWindow()
    {
        QCOMPARE(form->windowTitle(), QStringLiteral("Mirvosim"));
        QCOMPARE(ui->PlayNumEdit->text(), QStringLiteral("1"));
        QCOMPARE(ui->FlevelComboBox->currentText(), QStringLiteral("1"));
        QCOMPARE(ui->SimNumEdit->text(), QStringLiteral("1"));
        QCOMPARE(ui->FlevelComboBox->count(), 7);
        QCOMPARE(ui->FlevelComboBox->itemText(6), QStringLiteral("?"));
        QVERIFY(ui->Label3->text().isEmpty());
        QVERIFY(ui->ResultLabel->text().isEmpty());
        QVERIFY(form->StatusText(0).isEmpty());
        QCOMPARE(ui->ProgressBar1->value(), 0);
        QCOMPARE(ui->ProgressBar1->maximum(), 100);
        QCOMPARE(ui->PageControl1->currentWidget(), ui->TabSheet1);
        QCOMPARE(form->ResultListViewModel()->rowCount(), 0);
        for (QTreeWidget* list :
             {ui->BListView, ui->RenListView, ui->KoyakuListView, ui->ModeStayListView, ui->RTCancelListView})
            QCOMPARE(list->topLevelItemCount(), 0);
        for (const RateStatisticsView* view : form->StatisticsViews()) QCOMPARE(view->Pie()->count(), 0);
        QCOMPARE(form->SlumpGraphView()->SlumpSeries->count(), 0);
        QVERIFY(form->BonusBarsView()->Bars().empty());
        QVERIFY(form->BonusBarsView()->BigOutline()->points().isEmpty());
        QVERIFY(form->BonusBarsView()->RegOutline()->points().isEmpty());
        for (QCheckBox* box : {ui->BIGCheckBox, ui->REGCheckBox, ui->CherryCheckBox, ui->TawaraCheckBox,
                               ui->MatuCheckBox, ui->ChanceCheckBox, ui->HazureCheckBox})
            QVERIFY2(!box->isChecked(), qPrintable(box->objectName()));
        QVERIFY(!ui->FileSaveMenu->isEnabled());
        QVERIFY(ui->FileStartMenu->isEnabled());
        QVERIFY(ui->StartButton->isEnabled());
        QCOMPARE(form->Machine().GetSetting(), 1);
        QVERIFY(form->HeldSeries().Empty());

        // The layout's client area under the menu bar is the default size.
        QCOMPARE(form->centralWidget()->size() + QSize(0, ui->StatusBar1->height()), QSize(606, 697));
        QCOMPARE(ui->FileMenu->title(), QStringLiteral("ファイル(&F)"));
        QCOMPARE(ui->FileStartMenu->text(), QStringLiteral("開始(&G)"));
        QCOMPARE(ui->HelpMenu->title(), QStringLiteral("ヘルプ(&H)"));
        QCOMPARE(ui->ResultListView->horizontalHeader()->sectionSize(6), 150);
        QCOMPARE(ui->BListView->header()->sectionSize(4), 90);
        QCOMPARE(ui->RTCancelListView->header()->sectionSize(0), 80);
        QCOMPARE(ui->PageControl1->tabText(5), QStringLiteral("RT解除情報"));
        QCOMPARE(form->SlumpGraphView()->rightAxis->min(), 0.5);
        QCOMPARE(form->SlumpGraphView()->rightAxis->max(), 3.5);
        QCOMPARE(form->SlumpGraphView()->rightAxis->titleText(), QStringLiteral("滞在モード"));
        for (int m = 0; m < MARKER_COUNT; ++m) QVERIFY(!form->SlumpGraphView()->markerSeries[m]->isVisible());
    }

    // Tab leaves the setting field for the result area and the check boxes
    // before it reaches "Sim回数" and "開始".
    void TabOrder()
    {
        const QStringList expected{"PlayNumEdit", "FlevelComboBox", "PageControl1",
                                   "SlumpChart",  "FlevelButton",   "BIGCheckBox",
                                   "SlumpChart2", "SimNumEdit",     "StartButton"};
        QStringList seen;
        QWidget* widget = ui->PlayNumEdit;
        for (int step = 0; step < 200 && seen.size() < expected.size();
             ++step, widget = widget->nextInFocusChain()) {
            for (QWidget* at = widget; at && at != form.get(); at = at->parentWidget()) {
                if (expected.contains(at->objectName())) {
                    if (!seen.contains(at->objectName())) seen.append(at->objectName());
                    break;
                }
            }
        }
        QCOMPARE(seen, expected);
    }

    void Geometry_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("rect");
        QTest::newRow("PlayNumEdit") << "PlayNumEdit" << QRect(48, 8, 73, 20);
        QTest::newRow("FlevelComboBox") << "FlevelComboBox" << QRect(156, 8, 57, 20);
        QTest::newRow("StartButton") << "StartButton" << QRect(272, 32, 63, 21);
        QTest::newRow("ProgressBar1") << "ProgressBar1" << QRect(4, 56, 329, 16);
        QTest::newRow("GroupBox2") << "GroupBox2" << QRect(340, 4, 261, 69);
        QTest::newRow("PageControl1") << "PageControl1" << QRect(4, 76, 597, 209);
        QTest::newRow("SlumpChart2") << "SlumpChart2" << QRect(4, 284, 597, 149);
        QTest::newRow("SlumpChart") << "SlumpChart" << QRect(4, 428, 597, 217);
        QTest::newRow("GroupBox1") << "GroupBox1" << QRect(4, 648, 597, 29);
        QTest::newRow("HazureCheckBox") << "HazureCheckBox" << QRect(500, 8, 89, 17);
        QTest::newRow("KoyakuChart") << "KoyakuChart" << QRect(324, 9, 260, 173);
    }

    void Geometry()
    {
        QFETCH(QString, name);
        QFETCH(QRect, rect);
        auto* widget = form->findChild<QWidget*>(name);
        QVERIFY(widget);
        QCOMPARE(widget->geometry(), rect);
    }

    void Refusals_data()
    {
        QTest::addColumn<QString>("plays");
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("sims");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("panelEmptied");  // a conversion error leaves it

        const QString playsLow = QStringLiteral("Play数は、1以上にしてください。");
        const QString simsLow = QStringLiteral("Sim回数は、1以上にしてください。");
        const QString settingRange = QStringLiteral("設定は、1～6または?にしてください。");
        QTest::newRow("plays 0") << "0"
                                 << "1"
                                 << "1" << playsLow << true;
        QTest::newRow("plays negative") << "-5"
                                        << "1"
                                        << "1" << playsLow << true;
        QTest::newRow("both 0: plays first") << "0"
                                             << "1"
                                             << "0" << playsLow << true;
        QTest::newRow("sims 0") << "100"
                                << "1"
                                << "0" << simsLow << true;
        QTest::newRow("setting 7") << "100"
                                   << "7"
                                   << "1" << settingRange << true;
        QTest::newRow("setting 0") << "100"
                                   << "0"
                                   << "1" << settingRange << true;
        QTest::newRow("setting 7 in a batch") << "100"
                                              << "7"
                                              << "3" << settingRange << true;
        QTest::newRow("letters") << "abc"
                                 << "1"
                                 << "1" << QStringLiteral("'abc' は有効な整数値ではありません。") << false;
        QTest::newRow("empty plays") << ""
                                     << "1"
                                     << "1" << QStringLiteral("'' は有効な整数値ではありません。") << false;
        QTest::newRow("full-width digit")
            << "１００"
            << "1"
            << "1" << QStringLiteral("'１００' は有効な整数値ではありません。") << false;
        QTest::newRow("decimal") << "1.5"
                                 << "1"
                                 << "1" << QStringLiteral("'1.5' は有効な整数値ではありません。") << false;
        QTest::newRow("overflow") << "4294967296"
                                  << "1"
                                  << "1" << QStringLiteral("'4294967296' は有効な整数値ではありません。")
                                  << false;
        QTest::newRow("sims letters") << "100"
                                      << "1"
                                      << "x" << QStringLiteral("'x' は有効な整数値ではありません。") << false;
        QTest::newRow("full-width ?")
            << "100"
            << "？"
            << "1" << QStringLiteral("'？' は有効な整数値ではありません。") << false;
        QTest::newRow("blank before ?")
            << "100"
            << " ?"
            << "1" << QStringLiteral("' ?' は有効な整数値ではありません。") << false;
    }

    void Refusals()
    {
        QFETCH(QString, plays);
        QFETCH(QString, setting);
        QFETCH(QString, sims);
        QFETCH(QString, message);
        QFETCH(bool, panelEmptied);

        form->SetStatusText(QStringLiteral("before"));
        Start(plays, setting, sims);
        QCOMPARE(MessageBox::Shown().size(), std::size_t{1});
        QCOMPARE(MessageBox::Shown().front().text, message);
        QCOMPARE(MessageBox::Shown().front().title, QStringLiteral("Mirvosim"));
        QCOMPARE(form->StatusText(0), panelEmptied ? QString() : QStringLiteral("before"));
        QVERIFY(form->HeldSeries().Empty());
        QVERIFY(ui->StartButton->isEnabled());
        QVERIFY(ui->PlayNumEdit->isEnabled());
        QVERIFY(!form->IsBusy());
    }

    void TooManyPlaysRefused()
    {
        Start(QStringLiteral("2147483647"));
        QCOMPARE(MessageBox::Shown().size(), std::size_t{1});
        QVERIFY2(MessageBox::Shown().front().text.startsWith(QStringLiteral("Play数が大きすぎます。")),
                 qPrintable(MessageBox::Shown().front().text));
        QVERIFY(form->StatusText(0).isEmpty());
        QVERIFY(form->HeldSeries().Empty());
        QVERIFY(ui->StartButton->isEnabled());
    }

    // Every view shows exactly what the analysis of the run's series says.
    void RunShowsItsAnalysis()
    {
        QAbstractItemModelTester tester(form->ResultListViewModel(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        Start(QStringLiteral("600"), QStringLiteral("6"));
        QVERIFY(MessageBox::Shown().empty());
        QCOMPARE(form->StatusText(0), QStringLiteral("シミュレーション完了"));
        QVERIFY(ui->StartButton->isEnabled());
        QVERIFY(ui->FileSaveMenu->isEnabled());
        QCOMPARE(ui->ProgressBar1->value(), 100);
        QCOMPARE(form->HeldSeries().Back().playCount, 600);
        QCOMPARE(form->Machine().GetSetting(), 6);
        QVERIFY(ui->Label3->text().isEmpty());

        const AnalysisOutcome outcome = AnalyzeSeries(form->HeldSeries());
        QCOMPARE(outcome.status, AnalysisOutcome::Status::Done);
        const ResultAnalysis& expected = outcome.analysis;
        QVERIFY2(!expected.bonusLines.empty(), "the seed should give a run with bonuses");

        // Play list: every cell of every row.
        ResultListModel* model = form->ResultListViewModel();
        QCOMPARE(model->rowCount(), static_cast<int>(form->HeldSeries().Size()));
        QCOMPARE(model->columnCount(), PLAY_LIST_COLUMNS);
        QCOMPARE(model->headerData(2, Qt::Horizontal).toString(), QStringLiteral("確定役"));
        for (int row = 0; row < model->rowCount(); ++row)
            for (int column = 0; column < PLAY_LIST_COLUMNS; ++column)
                QCOMPARE(model->data(model->index(row, column)).toString(),
                         QString::fromStdString(
                             PlayListCell(form->HeldSeries()[static_cast<std::size_t>(row)], column)));

        // Bonus list.
        QCOMPARE(ui->BListView->topLevelItemCount(), static_cast<int>(expected.bonusLines.size()));
        for (int i = 0; i < ui->BListView->topLevelItemCount(); ++i) {
            const auto cells =
                BonusListCells(form->HeldSeries(), expected.bonusLines[static_cast<std::size_t>(i)]);
            for (int c = 0; c < BONUS_LIST_COLUMNS; ++c)
                QCOMPARE(ui->BListView->topLevelItem(i)->text(c),
                         QString::fromStdString(cells[static_cast<std::size_t>(c)]));
        }

        // Four statistics tabs and their pies.
        const auto& views = form->StatisticsViews();
        const std::pair<QTreeWidget*, QPieSeries*> tabs[] = {{ui->RenListView, views[0]->Pie()},
                                                             {ui->KoyakuListView, views[1]->Pie()},
                                                             {ui->ModeStayListView, views[2]->Pie()},
                                                             {ui->RTCancelListView, views[3]->Pie()}};
        const StatTab* expectedTabs[] = {&expected.ren, &expected.koyaku, &expected.modeStay,
                                         &expected.rtCancel};
        for (int t = 0; t < 4; ++t) {
            const StatTab& tab = *expectedTabs[t];
            QTreeWidget* list = tabs[t].first;
            QCOMPARE(list->topLevelItemCount(), static_cast<int>(tab.lines.size()));
            for (int i = 0; i < list->topLevelItemCount(); ++i) {
                const StatLine& line = tab.lines[static_cast<std::size_t>(i)];
                QCOMPARE(LineTexts(list->topLevelItem(i)),
                         ToStrings({line.name, line.count, line.rate, line.inverse}));
            }
            QPieSeries* pie = tabs[t].second;
            QCOMPARE(pie->count(), static_cast<int>(tab.slices.size()));
            for (int i = 0; i < pie->count(); ++i) {
                const PieSlice& slice = tab.slices[static_cast<std::size_t>(i)];
                QCOMPARE(pie->slices()[i]->label(), QString::fromStdString(slice.label));
                QCOMPARE(pie->slices()[i]->value(), static_cast<qreal>(slice.y));
                QCOMPARE(pie->slices()[i]->color(), QColor(slice.color.r, slice.color.g, slice.color.b));
            }
        }

        // Summary, as text.
        QTextDocument summary;
        summary.setHtml(ui->ResultLabel->text());
        QCOMPARE(summary.toPlainText(), QString::fromStdString(expected.summary));

        // Slump graph: a few hundred points reach the chart unreduced.
        SlumpGraph* graph = form->SlumpGraphView();
        QList<QPointF> slump;
        QList<QPointF> mode;
        for (const std::int32_t row : expected.normalRows) {
            const PlayRow& r = form->HeldSeries()[static_cast<std::size_t>(row)];
            slump.append(AsQPoint(SlumpPoint(r)));
            mode.append(AsQPoint(ModePoint(r)));
        }
        QCOMPARE(ToList(graph->SlumpPoints()), slump);
        QCOMPARE(ToList(graph->ModePoints()), mode);
        QCOMPARE(graph->SlumpSeries->points(), slump);
        QCOMPARE(graph->ModeSeries->points(), mode);
        QCOMPARE(graph->bottomAxis->min(), static_cast<double>(expected.axisMin));
        QCOMPARE(graph->bottomAxis->max(), 600.0);
        for (int m = 0; m < MARKER_COUNT; ++m) {
            QList<QPointF> markers;
            for (const std::int32_t row : expected.markerRows[static_cast<std::size_t>(m)]) {
                const PlayRow& r = form->HeldSeries()[static_cast<std::size_t>(row)];
                markers.append(QPointF(r.playCount, r.medals));
            }
            QCOMPARE(ToList(graph->MarkerPoints(m)), markers);
        }

        // Bonus bars: bar i is bonus i + 1, drawn as its own rectangle in the
        // REG (black) or BIG (red) outline while there are few.
        const BonusBars* bonusBars = form->BonusBarsView();
        QCOMPARE(bonusBars->Bars().size(), expected.bonusBars.size());
        QList<QPointF> big;
        QList<QPointF> reg;
        for (std::size_t i = 0; i < expected.bonusBars.size(); ++i) {
            const ChartPoint& bar = expected.bonusBars[i];
            QCOMPARE(bar.x, static_cast<std::int64_t>(i + 1));
            QCOMPARE(bonusBars->Bars()[i].y, bar.y);
            QCOMPARE(bonusBars->Bars()[i].color == BAR_REG_COLOR, bar.color == BAR_REG_COLOR);
            (bar.color == BAR_REG_COLOR ? reg : big).append(AsQPoint(bar));
        }
        QVERIFY(!big.isEmpty() && !reg.isEmpty());
        QCOMPARE(DrawnBars(bonusBars->BigOutline()), big);
        QCOMPARE(DrawnBars(bonusBars->RegOutline()), reg);
        // Few bars: each one's value is written above it.
        QList<QPointF> labels;
        for (const ChartPoint& bar : expected.bonusBars) labels.append(AsQPoint(bar));
        QCOMPARE(form->BonusBarsView()->valueLabels->points(), labels);
    }

    void SecondRunReplacesFirst()
    {
        Start(QStringLiteral("400"));
        const std::size_t firstRows = form->HeldSeries().Size();
        Start(QStringLiteral("50"));
        QCOMPARE(form->HeldSeries().Back().playCount, 50);
        QVERIFY(form->HeldSeries().Size() < firstRows);
        QCOMPARE(form->ResultListViewModel()->rowCount(), static_cast<int>(form->HeldSeries().Size()));
        QCOMPARE(form->SlumpGraphView()->bottomAxis->max(), 50.0);
        QCOMPARE(form->SlumpGraphView()->SlumpPoints().size(), std::size_t{50});
    }

    // A long run reaches the chart reduced to the pixels; zooming and
    // scrolling with the mouse rebuild it for the new range.
    void SlumpGraphZoomAndScroll()
    {
        Start(QStringLiteral("20000"));
        SlumpGraph* graph = form->SlumpGraphView();
        QChartView* view = ui->SlumpChart;
        const int columns = static_cast<int>(graph->Chart()->plotArea().width());
        QVERIFY(columns > 100);
        QVERIFY(graph->SlumpSeries->count() <= 4 * columns + 2);
        QCOMPARE(graph->SlumpSeries->points().constFirst(), graph->SlumpPoints().front());
        QCOMPARE(graph->SlumpSeries->points().constLast(), graph->SlumpPoints().back());

        const QRectF plot = graph->Chart()->plotArea();
        const QPoint from = view->mapFromScene(
            graph->Chart()->mapToScene(QPointF(plot.left() + plot.width() / 4, plot.top() + 5)));
        const QPoint to = view->mapFromScene(
            graph->Chart()->mapToScene(QPointF(plot.left() + plot.width() / 2, plot.bottom() - 5)));
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, from);
        QTest::mouseMove(view->viewport(), to);
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, to);
        const double zoomedMin = graph->bottomAxis->min();
        const double zoomedMax = graph->bottomAxis->max();
        QVERIFY2(zoomedMin > 4000 && zoomedMax < 11000,
                 qPrintable(QStringLiteral("%1..%2").arg(zoomedMin).arg(zoomedMax)));
        // Within the zoomed range, plus one neighbour beyond each end.
        const QList<QPointF> shown = graph->SlumpSeries->points();
        QVERIFY(shown.size() >= 2);
        for (qsizetype i = 1; i + 1 < shown.size(); ++i)
            QVERIFY(shown[i].x() >= zoomedMin && shown[i].x() <= zoomedMax);

        // Dragging with the right button to the left shows later games.
        QTest::mousePress(view->viewport(), Qt::RightButton, {}, to);
        QTest::mouseMove(view->viewport(), to - QPoint(100, 0));
        QTest::mouseRelease(view->viewport(), Qt::RightButton, {}, to - QPoint(100, 0));
        QVERIFY(graph->bottomAxis->min() > zoomedMin);
        QVERIFY(graph->SlumpSeries->points().constLast().x() >= graph->bottomAxis->max());

        // A rectangle drawn towards the upper left zooms back out.
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, to);
        QTest::mouseMove(view->viewport(), from);
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, from);
        QCOMPARE(graph->bottomAxis->min(), 1.0);
        QCOMPARE(graph->bottomAxis->max(), 20000.0);
    }

    void HiddenSetting()
    {
        Start(QStringLiteral("30"), QStringLiteral("?"));
        QCOMPARE(ui->Label3->text(), QStringLiteral("終了時に設定が確認できます"));
        QVERIFY(IsValidSetting(form->Machine().GetSetting()));
        Start(QStringLiteral("30"), QStringLiteral("2"));
        QVERIFY(ui->Label3->text().isEmpty());
        QCOMPARE(form->Machine().GetSetting(), 2);
    }

    void CheckBoxes_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("marker");
        QTest::newRow("BIG") << "BIGCheckBox" << int(MARKER_BIG);
        QTest::newRow("REG") << "REGCheckBox" << int(MARKER_REG);
        QTest::newRow("Cherry") << "CherryCheckBox" << int(MARKER_CHERRY);
        QTest::newRow("Bell") << "TawaraCheckBox" << int(MARKER_BELL);
        QTest::newRow("Bentou") << "MatuCheckBox" << int(MARKER_BENTOU);
        QTest::newRow("Chance") << "ChanceCheckBox" << int(MARKER_CHANCE);
        QTest::newRow("Hazure") << "HazureCheckBox" << int(MARKER_HAZURE);
    }

    void CheckBoxes()
    {
        QFETCH(QString, box);
        QFETCH(int, marker);
        auto* check = form->findChild<QCheckBox*>(box);
        QVERIFY(check);
        QScatterSeries* series = form->SlumpGraphView()->markerSeries[static_cast<std::size_t>(marker)];
        QCOMPARE(series->objectName(),
                 QString::fromUtf8(MARKER_SERIES_NAMES[static_cast<std::size_t>(marker)]));
        // The legend names it as the box does.
        QCOMPARE(series->name(), check->text());

        // Ticked before a run: the run's markers show at once.
        QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(6, check->height() / 2));
        QVERIFY(check->isChecked());
        QVERIFY(series->isVisible());
        Start(QStringLiteral("500"), QStringLiteral("6"));
        QVERIFY(check->isChecked());
        QVERIFY(series->isVisible());
        QCOMPARE(series->points(), ToList(form->SlumpGraphView()->MarkerPoints(marker)));

        check->click();
        QVERIFY(!series->isVisible());
        // A greyed box hides the markers as an empty one does.
        check->setTristate(true);
        check->setCheckState(Qt::PartiallyChecked);
        form->findChild<QCheckBox*>(box);
        switch (marker) {
            case MARKER_BIG:
                form->BIGCheckBoxClick(check);
                break;
            case MARKER_REG:
                form->REGCheckBoxClick(check);
                break;
            case MARKER_CHERRY:
                form->CherryCheckBoxClick(check);
                break;
            case MARKER_BELL:
                form->TawaraCheckBoxClick(check);
                break;
            case MARKER_BENTOU:
                form->MatuCheckBoxClick(check);
                break;
            case MARKER_CHANCE:
                form->ChanceCheckBoxClick(check);
                break;
            default:
                form->HazureCheckBoxClick(check);
                break;
        }
        QVERIFY(!series->isVisible());
    }

    // ファイル is laid out once; the commands added by the window's parts keep
    // their places beside the designer's.
    void FileMenuInOrder()
    {
        QStringList names;
        for (const QAction* action : ui->FileMenu->actions())
            names.append(action->menu() ? action->menu()->objectName() : action->objectName());
        QCOMPARE(names, (QStringList{"FileOpenMenu", "FileSummaryMenu", "RecentFilesMenu", "FileSaveMenu",
                                     "FileChartImageMenu", "FileExportMenu", "N1", "FileStartMenu",
                                     "FileExitMenu"}));
    }

    // While a run is under way, the window pumps once before the plays; any
    // command that could change the series, or read it, must then be held
    // off, and come back afterwards.
    void ReentryHeldOff()
    {
        const QTemporaryDir dir;
        const QString recent = dir.filePath(QStringLiteral("recent.sim"));
        form->SetShownFile(recent);
        const auto* recentMenu = form->findChild<QMenu*>(QStringLiteral("RecentFilesMenu"));
        QVERIFY(recentMenu && recentMenu->isEnabled());
        QList<QAction*> fileCommands{ui->FileStartMenu, ui->FileOpenMenu, ui->FileSaveMenu};
        for (const char* name : {"FileSummaryMenu", "FileExportMenu", "FileChartImageMenu"})
            fileCommands.append(form->findChild<QAction*>(QString::fromLatin1(name)));
        bool checked = false;
        QTimer::singleShot(0, form.get(), [&] {
            checked = true;
            QVERIFY(form->IsBusy());
            QCOMPARE(form->StatusText(0), QStringLiteral("シミュレーション実行中・・・"));
            for (QWidget* control : std::initializer_list<QWidget*>{
                     ui->StartButton, ui->FlevelButton, ui->PlayNumEdit, ui->FlevelComboBox, ui->SimNumEdit})
                QVERIFY2(!control->isEnabled(), qPrintable(control->objectName()));
            for (QAction* action : fileCommands)
                QVERIFY2(!action->isEnabled(), qPrintable(action->objectName()));
            QVERIFY(!recentMenu->isEnabled());
            QVERIFY(ui->FileExitMenu->isEnabled());
            ui->FileStartMenu->trigger();
            form->FileStartMenuClick(nullptr);
            form->StartButtonClic(nullptr);
            // Held off before it even looks at the file (which would be reported).
            form->OpenFile(QStringLiteral("/no/such/run.sim"));
            ui->PlayNumEdit->setText(QStringLiteral("5"));
        });
        Start(QStringLiteral("300"));
        QVERIFY(checked);
        QVERIFY(MessageBox::Shown().empty());
        QCOMPARE(form->HeldSeries().Back().playCount, 300);
        QCOMPARE(form->StatusText(0), QStringLiteral("シミュレーション完了"));
        QVERIFY(ui->StartButton->isEnabled());
        QVERIFY(ui->FileOpenMenu->isEnabled());
        QVERIFY(ui->PlayNumEdit->isEnabled());
        for (QAction* action : fileCommands) QVERIFY2(action->isEnabled(), qPrintable(action->objectName()));
        QVERIFY(recentMenu->isEnabled());
        QSettings().remove(QStringLiteral("recentFiles"));
    }

    void ClosingDuringWork_data()
    {
        QTest::addColumn<int>("plays");
        QTest::addColumn<int>("closeAtProgress");
        // Closing from inside the work, at a point of the bar, whatever the
        // machine's speed; -1 closes from the first pump before the plays.
        // A stopped run leaves the run on show (none here) in the series.
        QTest::newRow("before the plays") << 1000 << -1;
        QTest::newRow("during the play loop") << 3000000 << 1;
        QTest::newRow("during the display pass") << 300000 << 51;
    }

    void ClosingDuringWork()
    {
        QFETCH(int, plays);
        QFETCH(int, closeAtProgress);
        int closedAt = -1;
        if (closeAtProgress < 0) {
            QTimer::singleShot(0, form.get(), [&] { ui->FileExitMenu->trigger(); });
        } else {
            connect(ui->ProgressBar1, &QProgressBar::valueChanged, form.get(), [&](int value) {
                if (closedAt >= 0 || value < closeAtProgress) return;
                closedAt = value;
                ui->FileExitMenu->trigger();
            });
        }
        Start(QString::number(plays));
        if (closeAtProgress >= 0) QVERIFY(closedAt >= closeAtProgress && closedAt < 100);
        QVERIFY(MessageBox::Shown().empty());
        QVERIFY(!form->IsBusy());
        QVERIFY(form->HeldSeries().Empty());
        // Stopped before anything was shown.
        QCOMPARE(form->ResultListViewModel()->rowCount(), 0);
        QVERIFY(form->StatusText(0).isEmpty());
        QVERIFY(form->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!form->isVisible(), 5000);
    }

    void OutOfMemoryDuringRun_data()
    {
        QTest::addColumn<std::int64_t>("playLimit");
        QTest::newRow("memory runs out in the run") << std::int64_t{0};
        QTest::newRow("refused up front") << std::int64_t{1000000};
    }

    // Memory running out in the middle of a run ends it with an error box;
    // the window stays usable and frees what the run had taken. A machine
    // too small for the run refuses it up front instead, keeping the last run.
    void OutOfMemoryDuringRun()
    {
        QFETCH(std::int64_t, playLimit);
        constexpr std::int64_t plays = 30000000;
        const bool refusedUpFront = playLimit > 0;
        form->SetPlayLimit(playLimit);
        Start(QStringLiteral("100"));
        QVERIFY(ui->FileSaveMenu->isEnabled());
        rlimit original{};
        QCOMPARE(getrlimit(RLIMIT_AS, &original), 0);
        rlimit tight = original;
        // Far below what 30 million plays need, well above the window's own use.
        tight.rlim_cur = 1536ull << 20;
        QCOMPARE(setrlimit(RLIMIT_AS, &tight), 0);
        Start(QString::number(plays));
        QCOMPARE(setrlimit(RLIMIT_AS, &original), 0);

        QCOMPARE(MessageBox::Shown().size(), std::size_t{1});
        if (refusedUpFront)
            QVERIFY2(MessageBox::Shown().front().text.startsWith(QStringLiteral("Play数が大きすぎます。")),
                     qPrintable(MessageBox::Shown().front().text));
        else
            QCOMPARE(MessageBox::Shown().front().text, OutOfMemoryText());
        QVERIFY(form->StatusText(0).isEmpty());
        QVERIFY(ui->StartButton->isEnabled());
        QVERIFY(!form->IsBusy());
        QCOMPARE(form->HeldSeries().Empty(), !refusedUpFront);
        QCOMPARE(ui->FileSaveMenu->isEnabled(), refusedUpFront);

        Start(QStringLiteral("100"));
        QCOMPARE(form->StatusText(0), QStringLiteral("シミュレーション完了"));
    }

    // The bar counts rows against the plays asked for: with bonus rows it is
    // full before the last rows are done.
    void ProgressFullBeforeLastRows()
    {
        QList<int> positions;
        connect(ui->ProgressBar1, &QProgressBar::valueChanged, this,
                [&](int value) { positions.append(value); });
        Start(QStringLiteral("3000"));
        const double rowsPerPlay = static_cast<double>(form->HeldSeries().Size()) / 3000;
        QVERIFY(rowsPerPlay > 1.01);
        QVERIFY(!positions.isEmpty());
        QCOMPARE(positions.constLast(), 100);
        QVERIFY(std::is_sorted(positions.cbegin(), positions.cend()));
        // 100 is reached by the row share 100 / rowsPerPlay, not at the end.
        QVERIFY(positions.count(100) == 1);
        QVERIFY(positions.size() < 100);
    }

    void ClosingWhenIdle()
    {
        ui->FileExitMenu->trigger();
        QVERIFY(!form->isVisible());
    }

    void ClockTicks()
    {
        QTRY_VERIFY_WITH_TIMEOUT(!form->StatusText(1).isEmpty(), 1000);
        QVERIFY(form->StatusText(1).contains(QLatin1Char(':')));
    }
};

QTEST_MAIN(MainFormTest)
#include "mainform_test.moc"

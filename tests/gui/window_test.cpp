// The window as a desktop user meets it: whole texts, legend, axis ticks.
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QGraphicsRectItem>
#include <QGraphicsSimpleTextItem>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScatterSeries>
#include <QSettings>
#include <QStyleOptionGroupBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <QValueAxis>

#include <cmath>
#include <memory>

#include "mainform/AppSetup.h"
#include "mainform/Unit1.h"
#include "mainform/charts/BonusBars.h"
#include "mainform/charts/SlumpGraph.h"
#include "mainform/views/ResultListModel.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "sim/SimFile.h"
#include "ui_MainForm.h"

namespace {
constexpr std::uint32_t SEED = 20261210;

QString PlainText(const QLabel* label)
{
    if (label->textFormat() != Qt::RichText && !Qt::mightBeRichText(label->text())) return label->text();
    QTextDocument document;
    document.setHtml(label->text());
    return document.toPlainText();
}

// The labels the axis draws, worked out as the chart component lays them out.
QStringList TickLabels(const QValueAxis* axis)
{
    QStringList labels;
    const double min = axis->min();
    const double max = axis->max();
    const QByteArray format = axis->labelFormat().toLatin1();
    const auto text = [&](double value) { return QString::asprintf(format.constData(), value); };
    if (axis->tickType() == QValueAxis::TicksDynamic) {
        const double interval = axis->tickInterval();
        double value = axis->tickAnchor() + std::ceil((min - axis->tickAnchor()) / interval) * interval;
        for (; value <= max + interval * 1e-9 && labels.size() < 1000; value += interval)
            labels.append(text(value));
    } else {
        const int count = axis->tickCount();
        for (int i = 0; i < count; ++i) labels.append(text(min + (max - min) * i / (count - 1)));
    }
    return labels;
}

// Round ticks: whole values, never repeated, at least one on the axis.
void VerifyRoundTicks(const QValueAxis* axis, const char* where)
{
    const QStringList labels = TickLabels(axis);
    const QString context = QStringLiteral("%1, %2 axis %3..%4: %5")
                                .arg(QLatin1String(where), axis->titleText())
                                .arg(axis->min())
                                .arg(axis->max())
                                .arg(labels.join(QLatin1Char(' ')));
    QVERIFY2(!labels.isEmpty(), qPrintable(context));
    QVERIFY2(QSet<QString>(labels.cbegin(), labels.cend()).size() == labels.size(), qPrintable(context));
    if (axis->tickType() == QValueAxis::TicksDynamic) {
        const double interval = axis->tickInterval();
        const double mantissa = interval / std::pow(10.0, std::floor(std::log10(interval)));
        QVERIFY2(
            std::abs(mantissa - 1) < 1e-9 || std::abs(mantissa - 2) < 1e-9 || std::abs(mantissa - 5) < 1e-9,
            qPrintable(context));
    }
}
}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

    MessageBox::Recorder boxes;

private:
    std::unique_ptr<TMainForm> form;
    Ui::TMainForm* ui = nullptr;

    void Start(const QString& plays, const QString& setting = QStringLiteral("1"))
    {
        ui->PlayNumEdit->setText(plays);
        ui->FlevelComboBox->setCurrentText(setting);
        ui->SimNumEdit->setText(QStringLiteral("1"));
        ui->StartButton->click();
        QCOMPARE(form->StatusText(0), QStringLiteral("シミュレーション完了"));
    }

    void Drag(QChartView* view, Qt::MouseButton button, QPointF fromShare, QPointF toShare)
    {
        const QRectF plot = view->chart()->plotArea();
        const auto at = [&](QPointF share) {
            return view->mapFromScene(view->chart()->mapToScene(
                QPointF(plot.left() + plot.width() * share.x(), plot.top() + plot.height() * share.y())));
        };
        QTest::mousePress(view->viewport(), button, {}, at(fromShare));
        QTest::mouseMove(view->viewport(), at(toShare));
        QTest::mouseRelease(view->viewport(), button, {}, at(toShare));
    }

private slots:
    void initTestCase()
    {
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
        QSettings().clear();
    }

    void cleanup() { form.reset(); }

    // Japanese under any locale (the tests run under C.UTF-8): Qt's own
    // dialogs and messages included.
    void JapaneseThroughout()
    {
        QCOMPARE(QLocale().language(), QLocale::Japanese);
        for (const char* text : {"Save As", "Look in:"}) {
            const QString translated = QCoreApplication::translate("QFileDialog", text);
            QVERIFY2(!translated.isEmpty() && translated != QLatin1String(text), text);
        }
    }

    // With the fonts the program installs, every text at the default size is
    // whole, or cut with "…" and whole in its tooltip; nothing sits on a
    // group box's frame or caption.
    void TextsWhole()
    {
        Start(QStringLiteral("8000"), QStringLiteral("?"));
        QVERIFY(!ui->Label3->text().isEmpty());

        for (const QLabel* label : form->findChildren<QLabel*>()) {
            if (!label->isVisibleTo(form.get()) || label->text().isEmpty()) continue;
            const QFontMetrics metrics(label->font());
            const QString plain = PlainText(label);
            if (label->textFormat() == Qt::RichText) {
                QTextDocument document;
                document.setDefaultFont(label->font());
                document.setDocumentMargin(0);
                document.setHtml(label->text());
                QVERIFY2(document.size().height() <= label->contentsRect().height(),
                         qPrintable(QStringLiteral("%1: %2 px of lines in %3 px")
                                        .arg(label->objectName())
                                        .arg(document.size().height())
                                        .arg(label->contentsRect().height())));
            }
            for (const QString& line : plain.split(QLatin1Char('\n'))) {
                const QString context = QStringLiteral("%1: \"%2\" (%3 px) in %4 px")
                                            .arg(label->objectName(), line)
                                            .arg(metrics.horizontalAdvance(line))
                                            .arg(label->contentsRect().width());
                QVERIFY2(metrics.horizontalAdvance(line) <= label->contentsRect().width(),
                         qPrintable(context));
                if (line.endsWith(QChar(0x2026)))
                    QVERIFY2(label->toolTip().contains(line.chopped(1)), qPrintable(context));
            }
        }
        // The summary's payout line keeps its "%", in the label or its tooltip.
        const QString summary = QString::fromStdString(form->LastAnalysis().summary);
        if (PlainText(ui->ResultLabel) != summary) QCOMPARE(ui->ResultLabel->toolTip(), summary);

        for (QCheckBox* box : ui->GroupBox1->findChildren<QCheckBox*>()) {
            QVERIFY2(box->sizeHint().width() <= box->width(), qPrintable(box->objectName()));
        }
        for (QGroupBox* group : {ui->GroupBox1, ui->GroupBox2}) {
            QStyleOptionGroupBox option;
            option.initFrom(group);
            option.text = group->title();
            option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
            const QRect frame =
                group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxFrame, group);
            const QRect caption =
                group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, group);
            const int baseline =
                caption.top() +
                (caption.height() + group->fontMetrics().ascent() - group->fontMetrics().descent()) / 2;
            for (QWidget* child : group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                const QRect at = child->geometry();
                const QString context =
                    QStringLiteral("%1 at %2,%3 %4x%5; frame top %6 bottom %7, caption %8..%9 baseline %10")
                        .arg(child->objectName())
                        .arg(at.x())
                        .arg(at.y())
                        .arg(at.width())
                        .arg(at.height())
                        .arg(frame.top())
                        .arg(frame.bottom())
                        .arg(caption.left())
                        .arg(caption.right())
                        .arg(baseline);
                QVERIFY2(at.top() > frame.top() && at.bottom() < frame.bottom(), qPrintable(context));
                QVERIFY2(at.left() > caption.right() || at.top() >= baseline, qPrintable(context));
            }
        }

        // List captions and cells: whole, or whole in their tooltip.
        for (QTreeWidget* list : {ui->BListView, ui->RenListView, ui->KoyakuListView, ui->ModeStayListView,
                                  ui->RTCancelListView}) {
            const QFontMetrics metrics(list->font());
            const int padding = 2 * list->style()->pixelMetric(QStyle::PM_HeaderMargin) + 2;
            for (int column = 0; column < list->columnCount(); ++column) {
                const QString caption = list->headerItem()->text(column);
                if (metrics.horizontalAdvance(caption) + padding > list->header()->sectionSize(column))
                    QVERIFY2(list->headerItem()->toolTip(column) == caption, qPrintable(caption));
                for (int row = 0; row < list->topLevelItemCount(); ++row) {
                    const QTreeWidgetItem* item = list->topLevelItem(row);
                    if (metrics.horizontalAdvance(item->text(column)) + padding > list->columnWidth(column))
                        QVERIFY2(item->toolTip(column) == item->text(column), qPrintable(item->text(column)));
                }
            }
        }
    }

    // The legend lists every ticked marker by its check box's name, whole,
    // outside the plot so it covers no data.
    void SlumpLegend_data()
    {
        QTest::addColumn<QStringList>("ticked");
        QTest::newRow("two") << QStringList{"BIGCheckBox", "REGCheckBox"};
        QTest::newRow("all seven") << QStringList{"BIGCheckBox",    "REGCheckBox",  "CherryCheckBox",
                                                  "TawaraCheckBox", "MatuCheckBox", "ChanceCheckBox",
                                                  "HazureCheckBox"};
    }

    void SlumpLegend()
    {
        QFETCH(QStringList, ticked);
        Start(QStringLiteral("3000"), QStringLiteral("6"));
        QStringList expected;
        for (const QString& name : ticked) {
            auto* box = form->findChild<QCheckBox*>(name);
            QVERIFY(box);
            box->click();
            expected.append(box->text());
        }
        QApplication::processEvents();
        QChart* chart = form->SlumpGraphView()->Chart();
        const QGraphicsRectItem* legend = form->SlumpGraphView()->Legend();
        QVERIFY(legend);
        const QRectF box = legend->sceneBoundingRect();
        QStringList listed;
        for (const QGraphicsItem* item : legend->childItems()) {
            const auto* text = dynamic_cast<const QGraphicsSimpleTextItem*>(item);
            if (!text) continue;
            listed.append(text->text());
            QVERIFY2(box.contains(text->sceneBoundingRect()), qPrintable(text->text() + " is cut"));
        }
        std::sort(expected.begin(), expected.end());
        std::sort(listed.begin(), listed.end());
        QCOMPARE(listed, expected);
        QVERIFY2(!box.intersects(chart->mapRectToScene(chart->plotArea())), "the legend covers the plot");
        QVERIFY(chart->sceneBoundingRect().contains(box));
    }

    // The play loop processes messages (the clock ticks, clicks are taken);
    // 中止 or Esc stops the run there, or in the display pass: nothing new is
    // shown and the run on show stays, with what Save and 設定確認 take.
    void StopRun_data()
    {
        QTest::addColumn<bool>("byEscape");
        QTest::addColumn<bool>("inDisplayPass");
        QTest::newRow("中止 in the play loop") << false << false;
        QTest::newRow("Esc in the play loop") << true << false;
        QTest::newRow("中止 in the display pass") << false << true;
    }

    void StopRun()
    {
        QFETCH(bool, byEscape);
        QFETCH(bool, inDisplayPass);
        Start(QStringLiteral("500"), QStringLiteral("4"));
        const PlaySeries::RowVector shownRows = form->HeldSeries().Rows();
        const QString shownSummary = ui->ResultLabel->text();
        const int shownListRows = form->ResultListViewModel()->rowCount();
        QVERIFY(!ui->StopButton->isEnabled());

        // The window pumps at every check of the play loop and the clock ticks
        // at every pump, so the stop lands mid-run however fast the machine is.
        form->SetPumpInterval(0);
        const int plays = 200000;
        bool stopped = false;
        int progressSeen = -1;
        int clockTicksPlaying = 0;
        const auto playing = [&] {
            // The new run's machine is past its reset (0) and short of its end.
            return form->IsBusy() && form->Machine().playCount > 0 && form->Machine().playCount < plays;
        };
        connect(form->Timer1, &QTimer::timeout, this, [&] { clockTicksPlaying += playing() ? 1 : 0; });
        form->Timer1->setInterval(0);
        bool barMovedPlaying = false;
        connect(ui->ProgressBar1, &QProgressBar::valueChanged, this,
                [&](int value) { barMovedPlaying = barMovedPlaying || (value > 0 && playing()); });
        QTimer poll;
        connect(&poll, &QTimer::timeout, form.get(), [&] {
            if (stopped || !form->IsBusy()) return;
            if (inDisplayPass ? form->Machine().playCount < plays
                              : clockTicksPlaying == 0 || !barMovedPlaying || !playing())
                return;
            QVERIFY(ui->StopButton->isEnabled());
            progressSeen = ui->ProgressBar1->value();
            stopped = true;
            if (byEscape)
                QTest::keyClick(form.get(), Qt::Key_Escape);
            else
                ui->StopButton->click();
        });
        poll.start(0);
        ui->PlayNumEdit->setText(QString::number(plays));
        ui->FlevelComboBox->setCurrentText(QStringLiteral("?"));
        ui->StartButton->click();
        poll.stop();

        QVERIFY2(stopped, "the window processed no message in the run");
        if (!inDisplayPass) {
            QVERIFY(clockTicksPlaying > 0);
            QVERIFY(barMovedPlaying);
            QVERIFY2(progressSeen < 50, qPrintable(QString::number(progressSeen)));
        }
        QCOMPARE(form->StatusText(0), QStringLiteral("シミュレーションを中止しました"));
        QVERIFY(!form->IsBusy());
        QVERIFY(ui->StartButton->isEnabled());
        QVERIFY(!ui->StopButton->isEnabled());
        QVERIFY(form->HeldSeries().Rows() == shownRows);
        QCOMPARE(form->ResultListViewModel()->rowCount(), shownListRows);
        QCOMPARE(ui->ResultLabel->text(), shownSummary);
        QCOMPARE(form->Machine().GetSetting(), 4);
        QCOMPARE(form->Machine().playCount, 500);
        QVERIFY(ui->Label3->text().isEmpty());
        QVERIFY(ui->FileSaveMenu->isEnabled());

        // The next run starts the bar from 0 and runs to its end.
        QList<int> positions;
        connect(ui->ProgressBar1, &QProgressBar::valueChanged, this,
                [&](int value) { positions.append(value); });
        Start(QStringLiteral("200"), QStringLiteral("2"));
        QVERIFY(!positions.isEmpty());
        QCOMPARE(positions.constFirst(), 0);
        QCOMPARE(positions.constLast(), 100);
        QCOMPARE(form->HeldSeries().Back().playCount, 200);
    }

    // A stopped batch keeps the files it wrote whole and begins no other.
    void StopBatch()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const int plays = 400000;
        FileDialog::SetNextAnswer(dir.filePath(QStringLiteral("stop.sim")));
        QTimer poll;
        connect(&poll, &QTimer::timeout, form.get(), [&] {
            if (form->IsBusy() &&
                form->StatusText(0).startsWith(QStringLiteral("シミュレーションファイルに保存中")))
                ui->StopButton->click();
        });
        poll.start(1);
        ui->PlayNumEdit->setText(QString::number(plays));
        ui->SimNumEdit->setText(QStringLiteral("4"));
        ui->StartButton->click();
        poll.stop();

        QCOMPARE(form->StatusText(0), QStringLiteral("シミュレーションを中止しました"));
        const QStringList files = QDir(dir.path()).entryList(QDir::Files);
        QVERIFY2(!files.isEmpty() && files.size() < 4, qPrintable(files.join(QLatin1Char(' '))));
        for (const QString& name : files) {
            PlaySeries series;
            const SimReadResult read =
                ReadSimFile(QFile::encodeName(dir.filePath(name)).toStdString(), series);
            QVERIFY2(read.Ok() && read.playCount == plays && series.Back().playCount == plays,
                     qPrintable(name));
        }
    }

    // Title, the question before replacing, ".sim" added to a new name, five
    // recent files that open again, a dropped file opened.
    void Files()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        Start(QStringLiteral("300"), QStringLiteral("2"));
        QCOMPARE(form->windowTitle(), QStringLiteral("Mirvosim"));

        FileDialog::SetNextAnswer(dir.filePath(QStringLiteral("run")));
        ui->FileSaveMenu->trigger();
        const QString saved = dir.filePath(QStringLiteral("run.sim"));
        QVERIFY(QFileInfo::exists(saved));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("run"))));
        QCOMPARE(form->windowTitle(), QStringLiteral("Mirvosim - run.sim"));
        QVERIFY(MessageBox::Asked().empty());

        // Replacing asks; No keeps the file as it was.
        const QByteArray before = [&] {
            QFile file(saved);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }();
        Start(QStringLiteral("100"));
        QCOMPARE(form->windowTitle(), QStringLiteral("Mirvosim"));
        MessageBox::SetNextAnswer(false);
        FileDialog::SetNextAnswer(saved);
        ui->FileSaveMenu->trigger();
        QCOMPARE(MessageBox::Asked().size(), std::size_t{1});
        QVERIFY(MessageBox::Asked().front().text.contains(QStringLiteral("run.sim")));
        QFile file(saved);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
        file.close();
        MessageBox::SetNextAnswer(true);
        FileDialog::SetNextAnswer(saved);
        ui->FileSaveMenu->trigger();
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll() != before);
        file.close();

        // Five recent files, newest first; an entry opens its file.
        for (int i = 1; i <= 6; ++i) {
            FileDialog::SetNextAnswer(dir.filePath(QStringLiteral("r%1.sim").arg(i)));
            ui->FileSaveMenu->trigger();
        }
        QCOMPARE(form->RecentFiles().size(), 5);
        QCOMPARE(form->RecentFiles().constFirst(), dir.filePath(QStringLiteral("r6.sim")));
        auto* recent = form->findChild<QMenu*>(QStringLiteral("RecentFilesMenu"));
        QVERIFY(recent);
        QCOMPARE(recent->actions().size(), 5);
        recent->actions().constLast()->trigger();
        QCOMPARE(form->windowTitle(), QStringLiteral("Mirvosim - r2.sim"));
        QCOMPARE(form->StatusText(0), QStringLiteral("シミュレーションファイルの読み込み完了"));
        // A second window of the program sees the same list.
        TMainForm other;
        QCOMPARE(other.RecentFiles(), form->RecentFiles());

        // Dropping a file opens it.
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(saved)});
        QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(form.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(form.get(), &drop);
        QTRY_COMPARE(form->windowTitle(), QStringLiteral("Mirvosim - run.sim"));
    }

    // Enter in any input starts a run; End and Home in the play list go to the
    // last and first game; Ctrl+O, Ctrl+S and Ctrl+Q are the file commands.
    void Keyboard()
    {
        QCOMPARE(ui->FileOpenMenu->shortcut(), QKeySequence(QKeySequence::Open));
        QCOMPARE(ui->FileSaveMenu->shortcut(), QKeySequence(QKeySequence::Save));
        QCOMPARE(ui->FileExitMenu->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
        int plays = 40;
        for (QWidget* input :
             std::initializer_list<QWidget*>{ui->PlayNumEdit, ui->FlevelComboBox, ui->SimNumEdit}) {
            ui->PlayNumEdit->setText(QString::number(++plays));
            input->setFocus();
            QTest::keyClick(input, Qt::Key_Return);
            QCOMPARE(form->StatusText(0), QStringLiteral("シミュレーション完了"));
            QCOMPARE(form->HeldSeries().Back().playCount, plays);
        }
        QTableView* list = ui->ResultListView;
        list->setFocus();
        QTest::keyClick(list, Qt::Key_End);
        QCOMPARE(list->currentIndex().row(), list->model()->rowCount() - 1);
        QTest::keyClick(list, Qt::Key_Home);
        QCOMPARE(list->currentIndex().row(), 0);
    }

    // Larger, the window grows its lists and charts; the inputs stay where
    // they are. At its default size every control is where the layout puts it.
    void Resize()
    {
        const QStringList fixed{"PlayNumEdit", "FlevelComboBox", "SimNumEdit", "StartButton",
                                "StopButton",  "FlevelButton",   "Label3",     "ProgressBar1"};
        const auto geometries = [&](const QStringList& names) {
            QList<QRect> rects;
            for (const QString& name : names) rects.append(form->findChild<QWidget*>(name)->geometry());
            return rects;
        };
        const QStringList growing{"PageControl1", "ResultListView", "KoyakuChart", "SlumpChart2",
                                  "SlumpChart"};
        const QList<QRect> fixedBefore = geometries(fixed);
        const QList<QRect> growingBefore = geometries(growing);
        const QRect checkBoxBefore = ui->HazureCheckBox->geometry();

        form->resize(form->width() + 300, form->height() + 200);
        QTRY_COMPARE(ui->SlumpChart->width(), growingBefore.constLast().width() + 300);
        QCOMPARE(geometries(fixed), fixedBefore);
        const QList<QRect> growingAfter = geometries(growing);
        for (int i = 0; i < growing.size(); ++i) {
            QVERIFY2(growingAfter[i].width() > growingBefore[i].width(), qPrintable(growing[i]));
            QVERIFY2(growingAfter[i].height() > growingBefore[i].height(), qPrintable(growing[i]));
        }
        QCOMPARE(ui->GroupBox1->y(), 648 + 200);
        QCOMPARE(ui->HazureCheckBox->geometry(), checkBoxBefore);

        // Back at the default size: the layout as drawn.
        form->resize(form->width() - 300, form->height() - 200);
        QTRY_COMPARE(geometries(growing), growingBefore);
        QVERIFY(form->minimumSize().width() >= 606);
    }

    // On a long run the mode line shows the mode of most games per pixel
    // column as steps, not a block of lines between the modes; zoomed in far
    // enough, every game again.
    void ModeLineOnLongRuns()
    {
        Start(QStringLiteral("200000"), QStringLiteral("1"));
        SlumpGraph* graph = form->SlumpGraphView();
        const QList<QPointF> shown = graph->ModeSeries->points();
        const int columns = static_cast<int>(graph->Chart()->plotArea().width());
        QVERIFY(!shown.isEmpty());
        // Steps: at most two points per column, each at a mode.
        QVERIFY2(shown.size() <= 2 * columns, qPrintable(QString::number(shown.size())));
        int flips = 0;
        for (qsizetype i = 0; i < shown.size(); ++i) {
            QVERIFY(shown[i].y() == 1 || shown[i].y() == 2 || shown[i].y() == 3);
            if (i > 0 && shown[i].y() != shown[i - 1].y()) ++flips;
        }
        QVERIFY2(flips < columns / 2, qPrintable(QString::number(flips)));

        graph->bottomAxis->setRange(1000, 1000 + columns);
        QCOMPARE(graph->ModeSeries->points().size(), qsizetype(columns + 3));
    }

    // Tick labels are round and never repeat, empty, after short and long
    // runs, zoomed and scrolled; scrolling leaves the mode axis where it is.
    void AxisTicks()
    {
        SlumpGraph* graph = form->SlumpGraphView();
        BonusBars* bars = form->BonusBarsView();
        const auto verifyAll = [&](const char* where) {
            VerifyRoundTicks(graph->bottomAxis, where);
            VerifyRoundTicks(graph->leftAxis, where);
            VerifyRoundTicks(bars->bonusAxis, where);
            VerifyRoundTicks(bars->playAxis, where);
            QCOMPARE(graph->rightAxis->min(), 0.5);
            QCOMPARE(graph->rightAxis->max(), 3.5);
        };
        verifyAll("empty");
        Start(QStringLiteral("1"));
        verifyAll("one play");
        QVERIFY2(graph->bottomAxis->min() <= 1 && graph->bottomAxis->max() >= 1 &&
                     graph->bottomAxis->max() - graph->bottomAxis->min() <= 2,
                 "a one-play run spans its play");
        Start(QStringLiteral("20000"), QStringLiteral("3"));
        verifyAll("20000 plays");

        Drag(ui->SlumpChart, Qt::LeftButton, {0.31, 0.17}, {0.47, 0.71});
        Drag(ui->SlumpChart2, Qt::LeftButton, {0.13, 0.1}, {0.29, 0.83});
        verifyAll("zoomed");
        Drag(ui->SlumpChart, Qt::RightButton, {0.5, 0.5}, {0.37, 0.13});
        Drag(ui->SlumpChart2, Qt::RightButton, {0.5, 0.5}, {0.41, 0.77});
        verifyAll("scrolled");
        Drag(ui->SlumpChart, Qt::LeftButton, {0.9, 0.9}, {0.1, 0.1});
        verifyAll("zoomed out");
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"

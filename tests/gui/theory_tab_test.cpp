#include <QApplication>
#include <QAreaSeries>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

#include "mainform/AppSetup.h"
#include "mainform/Unit1.h"
#include "mainform/views/EstimatePage.h"
#include "mainform/views/TheoryTab.h"
#include "platform/MessageBox.h"
#include "sim/SimFile.h"
#include "ui_MainForm.h"

namespace {

void Run(TMainForm& form, const QString& plays, const QString& setting)
{
    form.ui->PlayNumEdit->setText(plays);
    form.ui->FlevelComboBox->setCurrentText(setting);
    form.ui->SimNumEdit->setText(QStringLiteral("1"));
    form.ui->StartButton->click();
}

}  // namespace

class TheoryTabTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        SetUpApplication(*qApp);
        MessageBox::SetHeadless(true);
    }

    void TabFollowsTheSixTabs()
    {
        TMainForm form;
        QTabWidget* pages = form.ui->PageControl1;
        QVERIFY(pages->count() >= 7);
        QCOMPARE(pages->tabText(6), QStringLiteral("理論値"));
        QTableWidget* table = form.TheoryView()->Table();
        QCOMPARE(table->horizontalHeaderItem(0)->text(), QStringLiteral("このシミュレーション"));
        QCOMPARE(table->horizontalHeaderItem(6)->text(), QStringLiteral("設定6"));
        QCOMPARE(table->item(0, 0)->text(), QString());
    }

    // A fixed setting is marked at once; a hidden one only after 設定確認,
    // which then marks the setting the run drew and shows its band.
    void MarkedSettingAndBand()
    {
        TMainForm form(nullptr, 7);
        TheoryTab* tab = form.TheoryView();
        Run(form, QStringLiteral("3000"), QStringLiteral("4"));
        QCOMPARE(tab->MarkedSetting(), std::optional<int>(4));
        QVERIFY(tab->Convergence()->Band()->isVisible());
        QCOMPARE(tab->Table()->horizontalHeaderItem(4)->text(), QStringLiteral("▶設定4"));

        Run(form, QStringLiteral("3000"), QStringLiteral("?"));
        QCOMPARE(tab->MarkedSetting(), std::nullopt);
        QVERIFY(!tab->Convergence()->Band()->isVisible());
        QCOMPARE(tab->Table()->horizontalHeaderItem(4)->text(), QStringLiteral("設定4"));
        form.ui->FlevelButton->click();
        QCOMPARE(tab->MarkedSetting(), std::optional<int>(form.Machine().GetSetting()));
        QVERIFY(tab->Convergence()->Band()->isVisible());
    }

    // The run column holds the run's payout as the summary computes it, and
    // the chart's run line ends at it.
    void RunColumnAndChart()
    {
        TMainForm form(nullptr, 11);
        Run(form, QStringLiteral("5000"), QStringLiteral("2"));
        const double payout = (form.HeldSeries().Back().medals + 15000.0) / 15000.0 * 100;
        QCOMPARE(form.TheoryView()->Table()->item(0, 0)->text(), QString::number(payout, 'g', 6));
        const QList<QPointF> points = form.TheoryView()->Convergence()->RunSeries()->points();
        QVERIFY(!points.isEmpty());
        QVERIFY(points.size() <= 2 * 4000);  // decimated: two points a pixel column at most
        QCOMPARE(points.back().x(), 5000.0);
        QVERIFY(std::fabs(points.back().y() - payout) < 1e-3);  // stored as float
    }

    // A file names its setting: Open marks it without 設定確認.
    void OpenMarksTheFileSetting()
    {
        QTemporaryDir dir;
        TMainForm form(nullptr, 3);
        Run(form, QStringLiteral("2000"), QStringLiteral("?"));
        const QString path = dir.filePath(QStringLiteral("run.sim"));
        QVERIFY(WriteSimFile(path.toStdString(), 5, 2000, form.HeldSeries()).Ok());
        form.OpenFile(path);
        QCOMPARE(form.TheoryView()->MarkedSetting(), std::optional<int>(5));
    }

    // A file whose series the machine cannot play (one record edited to
    // claim play 1,200,000,000) is shown as before, but 理論値 and 設定推測
    // refuse it and an error box names the file and the record when one of
    // them is on show; the next run shows its figures again.
    void DamagedFileIsShownButNotCompared()
    {
        QTemporaryDir dir;
        TMainForm form(nullptr, 3);
        Run(form, QStringLiteral("2000"), QStringLiteral("3"));
        PlaySeries edited;
        for (std::size_t i = 0; i < form.HeldSeries().Size(); ++i) {
            PlayRow row = form.HeldSeries()[i];
            if (i == 99) row.playCount = 1'200'000'000;
            edited.Append(row);
        }
        const QString path = dir.filePath(QStringLiteral("edited.sim"));
        QVERIFY(WriteSimFile(path.toStdString(), 3, 2000, edited).Ok());
        const MessageBox::Recorder boxes;
        form.OpenFile(path);
        QCOMPARE(form.HeldSeries().Size(), edited.Size());
        TheoryTab* tab = form.TheoryView();
        QVERIFY(!tab->RefusalLabel()->isHidden());
        QVERIFY(tab->RefusalLabel()->text().contains(QStringLiteral("record 100")));
        QCOMPARE(tab->Table()->item(0, 0)->text(), QStringLiteral("-"));
        QCOMPARE(tab->MarkedSetting(), std::nullopt);
        QVERIFY(tab->Convergence()->RunSeries()->points().isEmpty());
        QVERIFY(!form.EstimatePageView()->Estimate().Ok());
        QVERIFY(form.EstimatePageView()->Estimate().status.Message().find("record 100") != std::string::npos);
        // 開く shows it without a word; the first look at a refusing tab tells why, once.
        QVERIFY(MessageBox::Shown().empty());
        form.ui->PageControl1->setCurrentWidget(form.EstimatePageView());
        form.ui->PageControl1->setCurrentWidget(tab->Page());
        QCOMPARE(MessageBox::Shown().size(), std::size_t{1});
        QVERIFY(MessageBox::Shown().front().text.contains(path));
        QVERIFY(MessageBox::Shown().front().text.contains(QStringLiteral("record 100: play 1200000000")));
        // Opened while such a tab is on show, the box comes at once.
        MessageBox::ClearShown();
        form.OpenFile(path);
        QCOMPARE(MessageBox::Shown().size(), std::size_t{1});

        Run(form, QStringLiteral("2000"), QStringLiteral("3"));
        QVERIFY(tab->RefusalLabel()->isHidden());
        QVERIFY(form.EstimatePageView()->Estimate().Ok());
        QCOMPARE(tab->MarkedSetting(), std::optional<int>(3));
    }
};

QTEST_MAIN(TheoryTabTest)
#include "theory_tab_test.moc"

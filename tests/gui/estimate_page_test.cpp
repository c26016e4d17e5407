#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include "mainform/AppSetup.h"
#include "mainform/Unit1.h"
#include "mainform/views/EstimatePage.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "ui_MainForm.h"

namespace {

void Run(TMainForm& form, const QString& plays, const QString& setting)
{
    form.ui->PlayNumEdit->setText(plays);
    form.ui->FlevelComboBox->setEditText(setting);
    form.ui->SimNumEdit->setText(QStringLiteral("1"));
    form.StartButtonClic(form.ui->StartButton);
}

QString TableText(EstimatePage* page)
{
    auto* table = page->findChild<QTableWidget*>(QStringLiteral("EstimateTable"));
    QString text;
    for (int r = 0; r < table->rowCount(); ++r)
        for (int c = 0; c < table->columnCount(); ++c) text += table->item(r, c)->text() + QLatin1Char('\t');
    return text;
}

}  // namespace

class EstimatePageTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);  // settings go to a test folder
        SetUpApplication(*qApp);
        FileDialog::SetHeadless(true);
        MessageBox::SetHeadless(true);
        QSettings(QStringLiteral("Mirvosim"), QStringLiteral("Mirvosim")).clear();
    }

    void TabComesAfterTheResultTabs()
    {
        TMainForm form;
        QTabWidget* tabs = form.ui->PageControl1;
        const int index = tabs->indexOf(form.EstimatePageView());
        QCOMPARE(tabs->tabText(index), QStringLiteral("設定推測"));
        const auto find = [&](const char* text) {
            for (int i = 0; i < tabs->count(); ++i)
                if (tabs->tabText(i) == QString::fromUtf8(text)) return i;
            return -1;
        };
        const int theory = find("理論値");
        QCOMPARE(index, theory >= 0 ? theory + 1 : find("RT解除情報") + 1);
    }

    void HiddenSettingStaysHiddenUntilAsked()
    {
        TMainForm form(nullptr, 99);
        Run(form, QStringLiteral("3000"), QStringLiteral("?"));
        EstimatePage* page = form.EstimatePageView();
        const SettingEstimate& shown = page->Estimate();
        QVERIFY2(shown.Ok(), shown.status.Message().c_str());
        double sum = 0;
        for (double p : shown.posterior) sum += p;
        QVERIFY(std::abs(sum - 1) < 1e-12);  // a few roundings in the normalisation
        QCOMPARE(shown.normalGames, 3000);
        QVERIFY(!TableText(page).contains(QStringLiteral("正解")));

        form.FlevelButtonClick(form.ui->FlevelButton);
        const QString revealed = TableText(page);
        QVERIFY(revealed.contains(QString::number(form.Machine().GetSetting()) + QStringLiteral(" ")));
        QCOMPARE(revealed.count(QStringLiteral("正解")), 1);

        // A new run forgets the answer.
        Run(form, QStringLiteral("500"), QStringLiteral("?"));
        QVERIFY(!TableText(page).contains(QStringLiteral("正解")));
    }

    void PriorAndEvidenceChangeThePosteriorAndAreKept()
    {
        {
            TMainForm form(nullptr, 7);
            Run(form, QStringLiteral("4000"), QStringLiteral("2"));
            EstimatePage* page = form.EstimatePageView();
            const SettingValues flat = page->Estimate().posterior;
            page->findChild<QPushButton*>(QStringLiteral("HallPriorButton"))->click();
            QCOMPARE(page->Prior(), EstimatePage::HALL_PRIOR);
            // The same likelihood under the hall's prior (relative 1e-12: normalisation only).
            double norm = 0;
            for (int s = 0; s < 6; ++s) norm += flat[s] * EstimatePage::HALL_PRIOR[s];
            for (int s = 0; s < 6; ++s)
                QVERIFY(std::abs(page->Estimate().posterior[s] -
                                 flat[s] * EstimatePage::HALL_PRIOR[s] / norm) < 1e-12);
            page->findChild<QComboBox*>(QStringLiteral("EvidenceComboBox"))->setCurrentIndex(1);
            QCOMPARE(page->Estimate().evidence, Evidence::Record);

            // All weights zero: no posterior, and the page says why.
            page->SetPrior({0, 0, 0, 0, 0, 0});
            QVERIFY(!page->Estimate().Ok());
            QVERIFY(page->findChild<QLabel*>(QStringLiteral("ExpectedPayoutLabel"))
                        ->text()
                        .contains(QStringLiteral("事前配分")));
            page->SetPrior(EstimatePage::HALL_PRIOR);
        }
        TMainForm again;
        QCOMPARE(again.EstimatePageView()->Prior(), EstimatePage::HALL_PRIOR);
        QCOMPARE(again.EstimatePageView()
                     ->findChild<QComboBox*>(QStringLiteral("EvidenceComboBox"))
                     ->currentIndex(),
                 1);
    }
};

QTEST_MAIN(EstimatePageTest)
#include "estimate_page_test.moc"

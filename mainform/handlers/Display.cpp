#include <QChart>
#include <QCheckBox>
#include <QLabel>
#include <QTreeWidget>

#include <algorithm>

#include "mainform/Unit1.h"
#include "mainform/charts/BonusBars.h"
#include "mainform/charts/SlumpGraph.h"
#include "mainform/views/EstimatePage.h"
#include "mainform/views/RateStatisticsView.h"
#include "mainform/views/ResultListModel.h"
#include "mainform/views/TheoryTab.h"
#include "platform/ChartOps.h"
#include "platform/ErrorDisplay.h"
#include "platform/FormFont.h"
#include "platform/MessagePump.h"
#include "sim/WholeNumber.h"
#include "ui_MainForm.h"

namespace {
constexpr int SUMMARY_PIXELS = 11;
constexpr int SUMMARY_LINE_PERCENT = 80;

// Four lines in the group box's height: the CJK font's own line spacing is
// too tall for it, so the lines are set closer and a pixel smaller. A line
// still too wide for the box (a payout rate with all its digits) is cut with
// "…" and the whole summary is the label's tooltip.
void ShowSummary(QLabel* label, const QString& summary)
{
    QFont font = label->font();
    font.setPixelSize(SUMMARY_PIXELS);
    label->setFont(font);
    const QFontMetrics metrics(font);
    const int width = label->contentsRect().width();
    QString html;
    bool cut = false;
    for (const QString& line : summary.split(QLatin1Char('\n'))) {
        const QString shown = metrics.elidedText(line, Qt::ElideRight, width);
        cut = cut || shown != line;
        html += QStringLiteral("<p style=\"margin:0; line-height:%1%; white-space:pre\">%2</p>")
                    .arg(SUMMARY_LINE_PERCENT)
                    .arg(shown.toHtmlEscaped());
    }
    label->setTextFormat(Qt::RichText);
    label->setText(html);
    label->setToolTip(cut ? summary : QString());
}

}  // namespace

void TMainForm::ClearResultViews()
{
    resultListModel->Show(nullptr);
    session.DropShown();
    refusalNotice.clear();
    estimatePage->Clear();
    ui->BListView->clear();
    for (RateStatisticsView* view : statisticsViews) view->Clear();
    bonusBars->Clear();
    slumpGraph->Clear();
    theoryTab->Clear();
    ui->ResultLabel->clear();
    analysis = ResultAnalysis{};
}

bool TMainForm::ShowResult(std::shared_ptr<const PlaySeries> series, RunHeader header, int progressFrom,
                           const std::string& refusal)
{
    if (!series) return false;
    BusyGuard guard(*this);
    MessagePump pump(pumpInterval);
    // The bar counts rows against the plays asked for, so the bonus games'
    // rows fill it before the last rows are done.
    const double rowsPerPlay =
        series->Empty() ? 1.0 : static_cast<double>(series->Size()) / std::max(series->Back().playCount, 1);
    const double share = (100.0 - progressFrom) / 100.0;
    SetProgress(progressFrom);
    AnalysisOutcome outcome = AnalyzeSeries(*series, [&](int percent) {
        SetProgress(progressFrom + static_cast<int>(std::min(percent * rowsPerPlay, 100.0) * share));
        pump.Poll();
        return !StopRequested();
    });
    if (outcome.status != AnalysisOutcome::Status::Done) return false;
    ClearResultViews();
    analysis = std::move(outcome.analysis);
    session.Show(series, header);

    resultListModel->Show(series);
    FillBonusList();
    slumpGraph->Show(*series, analysis);
    bonusBars->Show(analysis.bonusBars);
    FillStatTabs();
    // The run's setting is known unless it is still hidden behind "?".
    const auto setting = ParseSettingText(ui->FlevelComboBox->currentText().toStdString());
    if (refusal.empty())
        theoryTab->Show(*series,
                        setting && !setting->hidden ? std::optional<int>(setting->value) : std::nullopt);
    else
        theoryTab->Refuse(QString::fromStdString(refusal));
    ShowSummary(ui->ResultLabel, QString::fromStdString(analysis.summary));
    if (refusal.empty())
        estimatePage->Show(*series);
    else
        estimatePage->Refuse(refusal);
    saveAllowed = true;
    return true;
}

void TMainForm::FillBonusList()
{
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(analysis.bonusLines.size()));
    for (const BonusLine& line : analysis.bonusLines) {
        const auto cells = BonusListCells(session.Shown(), line);
        QStringList texts;
        for (const std::string& cell : cells) texts.append(QString::fromStdString(cell));
        items.append(new QTreeWidgetItem(texts));
    }
    ui->BListView->addTopLevelItems(items);
    // The newest lines in view, as the list scrolls while it grows.
    ui->BListView->scrollToBottom();
}

void TMainForm::FillStatTabs()
{
    const StatTab* tabs[] = {&analysis.ren, &analysis.koyaku, &analysis.modeStay, &analysis.rtCancel};
    for (std::size_t i = 0; i < statisticsViews.size(); ++i) statisticsViews[i]->Show(*tabs[i]);
}

void TMainForm::MarkerCheckBoxClick(QObject* sender, int marker)
{
    RunHandler([this, sender, marker] {
        const auto* box = qobject_cast<const QCheckBox*>(sender);
        // Only a tick shows the markers; a greyed box hides them like an empty one.
        slumpGraph->SetMarkerShown(marker, box && box->checkState() == Qt::Checked);
    });
}

void TMainForm::BIGCheckBoxClick(QObject* sender)
{
    MarkerCheckBoxClick(sender, MARKER_BIG);
}

void TMainForm::REGCheckBoxClick(QObject* sender)
{
    MarkerCheckBoxClick(sender, MARKER_REG);
}

void TMainForm::CherryCheckBoxClick(QObject* sender)
{
    MarkerCheckBoxClick(sender, MARKER_CHERRY);
}

void TMainForm::TawaraCheckBoxClick(QObject* sender)
{
    MarkerCheckBoxClick(sender, MARKER_BELL);
}

void TMainForm::MatuCheckBoxClick(QObject* sender)
{
    MarkerCheckBoxClick(sender, MARKER_BENTOU);
}

void TMainForm::HazureCheckBoxClick(QObject* sender)
{
    MarkerCheckBoxClick(sender, MARKER_HAZURE);
}

void TMainForm::ChanceCheckBoxClick(QObject* sender)
{
    MarkerCheckBoxClick(sender, MARKER_CHANCE);
}

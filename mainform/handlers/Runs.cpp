#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <memory>
#include <new>
#include <stdexcept>

#include "mainform/RunTexts.h"
#include "mainform/Unit1.h"
#include "platform/Convert.h"
#include "platform/ErrorDisplay.h"
#include "platform/MessageBox.h"
#include "platform/MessagePump.h"
#include "sim/SingleRun.h"
#include "sim/WholeNumber.h"
#include "ui_MainForm.h"

namespace {
const QString RUNNING_TEXT = QStringLiteral("シミュレーション実行中・・・");
const QString DONE_TEXT = QStringLiteral("シミュレーション完了");
const QString STOPPED_TEXT = QStringLiteral("シミュレーションを中止しました");
// The play loop fills the bar to here, the display pass the rest.
constexpr int PLAY_LOOP_SHARE = 50;

// Inputs the start command refuses: shown in an error box by the command.
// A text that is no whole number is not one of them: its ConversionError
// goes to the application's error display and leaves panel 0 as it was.
class RunInputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

SettingChoice ParseSettingField(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    const auto choice =
        ParseSettingText(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (!choice) throw ConversionError(text);
    return *choice;
}
}  // namespace

void TMainForm::StartButtonClic(QObject* sender)
{
    FileStartMenuClick(sender);
}

void TMainForm::FileStartMenuClick(QObject*)
{
    if (IsBusy()) return;
    RunHandler([this] {
        try {
            StartCommand();
        } catch (const RunInputError& refusal) {
            SetStatusText(QString());
            MessageBox::ShowError(this, QString::fromUtf8(refusal.what()));
        }
    });
}

TMainForm::RunInputs TMainForm::ReadRunInputs() const
{
    RunInputs inputs;
    inputs.plays = StrToInt(ui->PlayNumEdit->text());
    if (inputs.plays < 1) throw RunInputError("Play数は、1以上にしてください。");
    inputs.sims = StrToInt(ui->SimNumEdit->text());
    if (inputs.sims < 1) throw RunInputError("Sim回数は、1以上にしてください。");
    inputs.setting = ParseSettingField(ui->FlevelComboBox->currentText());
    // The machine's tables exist for settings 1 to 6 only: no other may reach a run.
    if (!inputs.setting.hidden && !IsValidSetting(inputs.setting.value))
        throw RunInputError("設定は、1～6または?にしてください。");
    if (const std::int64_t most = playLimit; most > 0 && inputs.plays > most)
        throw RunInputError(
            QStringLiteral(
                "Play数が大きすぎます。このコンピュータのメモリでは、Play数は%1までにしてください。")
                .arg(most)
                .toStdString());
    inputs.seed = ReadSeedField();
    return inputs;
}

void TMainForm::StartCommand()
{
    const RunInputs inputs = ReadRunInputs();

    BusyGuard guard(*this);
    SetStatusText(RUNNING_TEXT);
    try {
        bool finished = true;
        if (inputs.sims == 1) {
            // A stopped run shows nothing new: the run on show stays, and so
            // does what Save and 設定確認 take from it.
            const ShownRun shown = KeepShownRun();
            std::shared_ptr<const PlaySeries> run = RunSingle(inputs);
            finished = run && ShowResult(std::move(run), {Machine().GetSetting(), Machine().playCount},
                                         PLAY_LOOP_SHARE);
            if (finished)
                SetShownFile({});
            else
                RestoreShownRun(shown);
        } else {
            // A batch that stopped on its file error leaves its own text.
            if (!RunBatch(inputs)) return;
        }
        if (stopRequested && !closing)
            SetStatusText(STOPPED_TEXT);
        else if (finished) {
            QString done = inputs.sims > 1 && !batchDoneText.isEmpty() ? batchDoneText : DONE_TEXT;
            // The seed lets the command line repeat the run; without one the
            // sequence went on from earlier runs, which no seed describes.
            if (inputs.seed) done += QStringLiteral("（シード: %1）").arg(*inputs.seed);
            SetStatusText(done);
        } else if (StatusText() == RUNNING_TEXT)
            SetStatusText(QString());
    } catch (...) {
        // Nothing runs any more, whatever the error.
        SetStatusText(QString());
        throw;
    }
}

std::shared_ptr<const PlaySeries> TMainForm::RunSingle(const RunInputs& inputs)
{
    BusyGuard guard(*this);
    const int plays = inputs.plays;
    const SettingChoice setting = inputs.setting;
    auto series = std::make_shared<PlaySeries>();
    SetProgress(0);
    // As the command line does: seeded before the run draws a hidden setting.
    if (inputs.seed) SeedRun(*inputs.seed);
    MessagePump pump(pumpInterval);
    try {
        const bool done = ::RunSingle(
            session.Machine(), session.Random(), plays, setting, *series,
            [&] {
                ui->Label3->setText(setting.hidden ? HIDDEN_SETTING_HINT : QString());
                MessagePump::ProcessPendingMessages();
                return !StopRequested();
            },
            [&](int played) {
                // By time: the clock and clicks go on, the plays barely notice.
                // The bar moves only then too, as each new value repaints it at once.
                if (!pump.Poll()) return true;
                SetProgress(static_cast<int>(static_cast<double>(played) / plays * PLAY_LOOP_SHARE));
                return !StopRequested();
            });
        if (done) return series;
        return nullptr;
    } catch (const std::bad_alloc&) {
        series.reset();
        DropRuns();
        throw;
    }
}

void TMainForm::DropRuns()
{
    ClearResultViews();
    session.DropHeld();
    saveAllowed = false;
}

TMainForm::ShownRun TMainForm::KeepShownRun()
{
    // A run held but not shown (a batch's last simulation) goes before the
    // new run takes its memory; the run on show stays for a stopped run.
    session.HoldShown();
    return {Machine().GetSetting(), Machine().playCount, ui->Label3->text()};
}

void TMainForm::RestoreShownRun(const ShownRun& shown)
{
    // SetSetting would draw; only what Save and 設定確認 read comes back.
    session.Machine().setting = shown.setting;
    session.Machine().playCount = shown.playCount;
    ui->Label3->setText(shown.hint);
}

void TMainForm::StopButtonClick(QObject*)
{
    if (IsBusy()) stopRequested = true;
}

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QScopeGuard>

#include <memory>
#include <new>
#include <stdexcept>
#include <utility>

#include "batchstats/Statistics.h"
#include "mainform/RunTexts.h"
#include "mainform/Unit1.h"
#include "mainform/views/EstimatePage.h"
#include "mainform/views/ResultListModel.h"
#include "mainform/views/TheoryTab.h"
#include "platform/Convert.h"
#include "platform/ErrorDisplay.h"
#include "platform/MessageBox.h"
#include "platform/MessagePump.h"
#include "sim/BatchName.h"
#include "sim/BatchRun.h"
#include "sim/SeriesCheck.h"
#include "sim/SimFile.h"
#include "sim/WholeNumber.h"
#include "ui_MainForm.h"

namespace {

std::string LocalPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

// The display pass needs at least one normal game to stand on.
bool HasPlays(const PlaySeries& series)
{
    return !series.Empty() && series.Back().playCount >= 1;
}

// A name typed without an extension is a simulation file all the same.
QString WithSimExtension(const QString& path)
{
    return QFileInfo(path).suffix().isEmpty() ? path + QStringLiteral(".sim") : path;
}

enum class FileCheck { CannotOpen, Refused, Readable };

// Decides from the header and the last whole record alone whether Open can
// show the file, so that a refused file costs neither the series on screen
// nor a second copy of them in memory. Streams are decided when read.
FileCheck CheckSimFile(const QString& path)
{
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) return FileCheck::CannotOpen;
    if (file.isSequential()) return FileCheck::Readable;
    const qint64 header = static_cast<qint64>(SIM_HEADER_BYTES);
    const qint64 record = static_cast<qint64>(SIM_RECORD_BYTES);
    const qint64 records = (file.size() - header) / record;
    if (file.size() < header + record) return FileCheck::Refused;
    QByteArray bytes = file.read(header);
    if (!file.seek(header + (records - 1) * record)) return FileCheck::Refused;
    bytes += file.read(record);
    PlaySeries last;
    const SimReadResult read = ReadSimBytes(reinterpret_cast<const unsigned char*>(bytes.constData()),
                                            static_cast<std::size_t>(bytes.size()), last);
    return read.Ok() && HasPlays(last) ? FileCheck::Readable : FileCheck::Refused;
}

}  // namespace

void TMainForm::FileOpenMenuClick(QObject*)
{
    if (IsBusy()) return;
    RunHandler([this] {
        if (!OpenDialog.Execute(this)) return;
        OpenSimFile(OpenDialog.FileName(), false);
    });
}

void TMainForm::OpenFile(const QString& path)
{
    if (IsBusy()) return;
    RunHandler([this, &path] { OpenSimFile(path, true); });
}

void TMainForm::OpenSimFile(const QString& path, bool reportCannotOpen)
{
    const FileCheck check = CheckSimFile(path);
    if (check == FileCheck::CannotOpen) {
        // A name chosen in the dialog existed a moment ago; a name given
        // from outside may not, and the user would otherwise see nothing.
        if (reportCannotOpen)
            MessageBox::ShowError(
                this, QStringLiteral("シミュレーションファイルを開けませんでした。\n%1").arg(path));
        return;
    }

    BusyGuard guard(*this);
    SetStatusText(QStringLiteral("シミュレーションファイルを読み込み中・・・"));
    SimReadResult read;
    read.status = SimReadResult::Status::NotSimFile;
    auto series = std::make_shared<PlaySeries>();
    if (check == FileCheck::Readable) {
        // The rows of the run on show go first, so that memory never holds
        // that run and the file's at once.
        resultListModel->Show(nullptr);
        session.DropShown();
        session.DropHeld();
        try {
            read = ReadSimFile(LocalPath(path), *series);
        } catch (const std::bad_alloc&) {
            series.reset();
            DropRuns();
            SetStatusText(QStringLiteral("シミュレーションファイルの読み込み中断"));
            throw;
        }
    }
    if (!read.Ok() || !HasPlays(*series)) {
        // A refused file leaves the series on screen, so a later Save
        // still writes what the user sees rather than an empty simulation.
        // A file that failed while being read has taken them already: show
        // nothing rather than a run that is no longer held.
        if (check == FileCheck::Readable) DropRuns();
        const bool failed = read.status == SimReadResult::Status::ReadError ||
                            read.status == SimReadResult::Status::CannotOpen ||
                            read.status == SimReadResult::Status::TooLarge;
        MessageBox::ShowError(
            this, failed ? QStringLiteral("シミュレーションファイルを読み込めませんでした。\n%1").arg(path)
                         : QString::fromUtf8(NOT_SIM_FILE_MESSAGE));
        SetStatusText(QStringLiteral("シミュレーションファイルの読み込み中断"));
        return;
    }
    ui->FlevelComboBox->setEditText(QString::number(read.setting));
    ui->PlayNumEdit->setText(QString::number(read.playCount));
    // Shown as it is all the same; only the analyses of a whole run refuse it.
    const auto fault = CheckSeries(read.setting, read.playCount, *series);
    if (!ShowResult(std::move(series), {read.setting, read.playCount}, 0,
                    fault ? fault->Text() : std::string())) {
        // Stopped: the list no longer has the rows it showed, so nothing is.
        if (closing) return;
        DropRuns();
        SetStatusText(QStringLiteral("シミュレーションファイルの読み込み中断"));
        return;
    }
    SetStatusText(QStringLiteral("シミュレーションファイルの読み込み完了"));
    SetShownFile(path);
    if (fault) {
        refusalNotice = QStringLiteral(
                            "このファイルは壊れているか書き換えられているため、"
                            "理論値と設定推測には使えません。\n%1\n%2")
                            .arg(path, QString::fromStdString(fault->Text()));
        NoticeRefusal();
    }
}

void TMainForm::NoticeRefusal()
{
    const QWidget* tab = ui->PageControl1->currentWidget();
    if (refusalNotice.isEmpty() ||
        (tab != static_cast<const QWidget*>(estimatePage) && tab != theoryTab->Page()))
        return;
    const QString text = std::exchange(refusalNotice, QString());
    MessageBox::ShowError(this, text);
}

void TMainForm::FileSaveMenuClick(QObject*)
{
    if (IsBusy()) return;
    RunHandler([this] {
        if (!SaveDialog.Execute(this)) return;
        QString path = SaveDialog.FileName();
        // An existing file (or device) chosen by name is taken as is.
        if (!QFileInfo::exists(path)) {
            path = WithSimExtension(path);
            SaveDialog.SetFileName(path);
        }
        if (QFileInfo::exists(path) &&
            !MessageBox::Ask(
                this,
                QStringLiteral("%1 は既に存在します。\n置き換えますか?").arg(QFileInfo(path).fileName())))
            return;
        BusyGuard guard(*this);
        const WriteResult written = WriteSimFile(LocalPath(path), session.HeldHeader().setting,
                                                 session.HeldHeader().playCount, HeldSeries());
        if (written.Ok()) {
            SetStatusText(QStringLiteral("シミュレーションファイルに保存完了"));
            SetShownFile(path);
        } else if (written.Code() == StatusCode::WriteFailed) {
            MessageBox::ShowError(
                this, QStringLiteral("シミュレーションファイルの書き込みに失敗しました。\n%1").arg(path));
        }
    });
}

namespace {
const QString BATCH_DIALOG_TITLE = QStringLiteral("一括シミュレーションの保存先");
const QString BATCH_NAME_LABEL = QStringLiteral("ファイル名（後ろに設定_Play数_番号が付きます）:");
}  // namespace

bool TMainForm::RunBatch(const RunInputs& inputs)
{
    BusyGuard guard(*this);
    batchDoneText.clear();
    if (!SaveDialog.Execute(this, BATCH_DIALOG_TITLE, BATCH_NAME_LABEL)) {
        // No name was confirmed, so nothing may be written: end before the
        // first simulation, with nothing to report.
        SetStatusText(QString());
        return false;
    }
    // The base name is never written itself: only the names made from it.
    SaveDialog.SetFileName(WithSimExtension(SaveDialog.FileName()));
    const int sims = inputs.sims;
    const int plays = inputs.plays;
    const SettingChoice setting = inputs.setting;
    ui->Label3->setText(setting.hidden ? HIDDEN_SETTING_HINT : QString());
    // The views keep showing the last result. A run held but not shown (an
    // earlier batch's last simulation) goes before this batch takes memory.
    session.HoldShown();
    auto series = std::make_shared<PlaySeries>();

    // The bar counts simulations during a batch (its percentage text is hidden
    // otherwise); the guard puts the bar back however the batch ends.
    ui->ProgressBar1->setTextVisible(true);
    const auto restoreBar = qScopeGuard([this] {
        ui->ProgressBar1->setTextVisible(false);
        ui->ProgressBar1->setFormat(QStringLiteral("%p%"));
    });
    MessagePump pump(pumpInterval);
    // Each simulation's record is taken from its series while it is still
    // there, so the tab 一括結果 never reads the batch's files back.
    RecordTable records;
    const auto onStep = [this, &pump, &records, &series](const BatchStep& step) {
        switch (step.phase) {
            case BatchStep::Phase::BeforePlay:
                ui->ProgressBar1->setFormat(QStringLiteral("%1 / %2").arg(step.index).arg(step.total));
                MessagePump::ProcessPendingMessages();
                break;
            case BatchStep::Phase::Playing:
                pump.Poll();
                break;
            case BatchStep::Phase::Saving:
                // A file once begun is written whole, even when stopped.
                return true;
            case BatchStep::Phase::Saved:
                // Shown only at the next simulation's message processing, so
                // setting them once the file is whole looks the same and
                // leaves the bar at the last file written after an error stop.
                SetStatusText(QStringLiteral("シミュレーションファイルに保存中。") +
                              QFile::decodeName(step.fileName.c_str()));
                SetProgress(static_cast<int>(step.index * 100.0 / step.total));
                if (SimRecord record;
                    RecordFromSeries(*series, session.Machine().GetSetting(), step.index, record))
                    records.Add(record);
                break;
        }
        return !StopRequested();
    };
    BatchResult result;
    if (inputs.seed) SeedRun(*inputs.seed);
    try {
        result = ::RunBatch(session.Machine(), session.Random(), plays, setting, sims,
                            LocalPath(SaveDialog.FileName()), *series, onStep);
    } catch (const std::bad_alloc&) {
        series.reset();
        DropRuns();
        throw;
    }
    // Save writes the last simulation, whichever way the batch ended.
    const RunHeader header{session.Machine().GetSetting(), session.Machine().playCount};
    session.Hold(std::move(series), header);

    const QString pattern = QFile::decodeName(
        BatchFilePattern(LocalPath(SaveDialog.FileName()),
                         setting.hidden ? std::nullopt : std::optional<int>(setting.value), plays)
            .c_str());
    // What the batch wrote whole, also when stopped; a closing window shows nothing more.
    if (!result.FileError() && !records.Empty() && !closing) ShowBatchResults(records, pattern);
    if (result.Stopped()) return true;
    if (result.FileError()) {
        SetStatusText(QStringLiteral("エラーにより強制終了しました。"));
        // The status bar alone is easy to miss and cannot say which file failed or why.
        MessageBox::ShowError(this, QStringLiteral("一括シミュレーションを中断しました。\n") +
                                        QString::fromStdString(result.status.Message()));
        return false;
    }
    SetStatusText(QStringLiteral("シミュレーションファイルに保存完了"));
    batchDoneText =
        QStringLiteral("シミュレーション完了（%1ファイル: %2）").arg(result.filesWritten).arg(pattern);
    return true;
}

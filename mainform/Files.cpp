#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>

#include "BatchRun.h"
#include "Convert.h"
#include "ErrorDisplay.h"
#include "MessageBox.h"
#include "MessagePump.h"
#include "SimFile.h"
#include "Unit1.h"
#include "ui_MainForm.h"

namespace {

const QString NOT_SIM_FILE_TEXT = QStringLiteral("このファイルは、Mirvosimファイルではありません。");

std::string LocalPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

// The display pass needs at least one normal game to stand on.
bool HasPlays(const PlaySeries& series)
{
    return !series.Empty() && series.Back().playCount >= 1;
}

}  // namespace

void TMainForm::FileOpenMenuClick(QObject*)
{
    if (IsBusy()) return;
    RunHandler([this] {
        if (!OpenDialog.Execute(this)) return;
        // Read aside first: a file that cannot be opened changes nothing at all.
        PlaySeries loaded;
        const SimReadResult read = ReadSimFile(LocalPath(OpenDialog.FileName()), loaded);
        if (read.status == SimReadResult::Status::CannotOpen) return;

        BusyGuard guard(*this);
        SetStatusText(QStringLiteral("シミュレーションファイルを読み込み中・・・"));
        if (!read.Ok() || !HasPlays(loaded)) {
            // The series stay those on screen, so a later Save still writes
            // what the user sees rather than an empty simulation.
            const bool mediumFailed = read.status == SimReadResult::Status::ReadError;
            MessageBox::ShowError(this, mediumFailed ? QString::fromStdString(read.message) : NOT_SIM_FILE_TEXT);
            SetStatusText(QStringLiteral("シミュレーションファイルの読み込み中断"));
            return;
        }
        DetachPlayList();
        playSeries = std::move(loaded);
        ui->FlevelComboBox->setEditText(QString::number(read.setting));
        ui->PlayNumEdit->setText(QString::number(read.playCount));
        if (!ShowResult()) return;
        SetStatusText(QStringLiteral("シミュレーションファイルの読み込み完了"));
    });
}

void TMainForm::FileSaveMenuClick(QObject*)
{
    if (IsBusy()) return;
    RunHandler([this] {
        if (!SaveDialog.Execute(this)) return;
        BusyGuard guard(*this);
        const QString path = SaveDialog.FileName();
        const SimWriteResult written = WriteSimFile(LocalPath(path), slot.GetSetting(), slot.playCount, playSeries);
        switch (written.status) {
        case SimWriteResult::Status::Written:
            SetStatusText(QStringLiteral("シミュレーションファイルに保存完了"));
            break;
        case SimWriteResult::Status::CannotCreate:
            break;
        case SimWriteResult::Status::WriteFailed:
            MessageBox::ShowError(this, QStringLiteral("シミュレーションファイルの書き込みに失敗しました。\n%1").arg(path));
            break;
        }
    });
}

bool TMainForm::RunBatch()
{
    BusyGuard guard(*this);
    if (!SaveDialog.Execute(this)) {
        // No name was confirmed, so nothing may be written: end before the
        // first simulation, with nothing to report.
        SetStatusText(QString());
        return false;
    }
    const int sims = StrToInt(ui->SimNumEdit->text());
    const int plays = StrToInt(ui->PlayNumEdit->text());
    const QString settingText = ui->FlevelComboBox->currentText();
    const std::optional<SettingChoice> setting = ParseSettingText(settingText.toStdString());
    if (!setting) throw ConversionError(settingText);
    ui->Label3->setText(setting->hidden ? QStringLiteral("終了時に設定が確認できます") : QString());
    // The play list reads the series, which the batch replaces under it.
    DetachPlayList();

    const BatchResult result = ::RunBatch(
        slot, random, plays, *setting, sims, LocalPath(SaveDialog.FileName()), playSeries,
        [this](const BatchStep& step) {
            switch (step.phase) {
            case BatchStep::Phase::BeforePlay:
                MessagePump::ProcessPendingMessages();
                break;
            case BatchStep::Phase::Saving:
                break;
            case BatchStep::Phase::Saved:
                // Shown only at the next simulation's message processing, so
                // setting them once the file is whole looks the same and
                // leaves the bar at the last file written after an error stop.
                SetStatusText(QStringLiteral("シミュレーションファイルに保存中。") + QFile::decodeName(step.fileName.c_str()));
                SetProgress(static_cast<int>(step.index * 100.0 / step.total));
                break;
            }
            return !IsClosing();
        });

    switch (result.status) {
    case BatchResult::Status::Completed:
        SetStatusText(QStringLiteral("シミュレーションファイルに保存完了"));
        return true;
    case BatchResult::Status::Stopped:
        return true;
    case BatchResult::Status::FileError:
        SetStatusText(QStringLiteral("エラーにより強制終了しました。"));
        return false;
    }
    return true;
}

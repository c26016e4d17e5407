#include <QComboBox>

#include "aboutbox/HelpLinks.h"
#include "aboutbox/Unit2.h"
#include "mainform/Unit1.h"
#include "mainform/views/EstimatePage.h"
#include "mainform/views/TheoryTab.h"
#include "platform/ErrorDisplay.h"
#include "platform/MessageBox.h"
#include "ui_MainForm.h"

void TMainForm::HelpAboutMenuClick(QObject*)
{
    RunHandler([this] {
        if (aboutBox) {
            aboutBox->exec();
            return;
        }
        // A window built without the application's box still has one to show.
        TAboutBox box(this);
        box.exec();
    });
}

void TMainForm::HelpManMenuClick(QObject*)
{
    RunHandler([this] {
        if (!OpenManual())
            MessageBox::ShowError(this, QStringLiteral("取扱説明書を開けませんでした。\n"
                                                       "プログラムのフォルダに取扱説明書がないか、"
                                                       "開くプログラムがありません。"));
    });
}

void TMainForm::JWord1Click(QObject*)
{
    RunHandler([this] {
        if (!RunJWordInstaller())
            MessageBox::ShowError(this, QStringLiteral("JWordのインストーラを起動できませんでした。\n"
                                                       "プログラムのフォルダにインストーラがないか、"
                                                       "起動できません。"));
    });
}

void TMainForm::N3Click(QObject*)
{
    RunHandler([this] {
        if (!OpenHomePage())
            MessageBox::ShowError(
                this, QStringLiteral("ホームページを開けませんでした。Webブラウザが見つかりません。\n%1")
                          .arg(HomePageUrl()));
    });
}

void TMainForm::N4Click(QObject*)
{
    RunHandler([this] {
        if (!OpenAdPage())
            MessageBox::ShowError(
                this, QStringLiteral("広告のページを開けませんでした。Webブラウザが見つかりません。\n%1")
                          .arg(AdPageUrl()));
    });
}

void TMainForm::FlevelButtonClick(QObject*)
{
    // The field is held off while a run could change the Slot under it.
    if (IsBusy()) return;
    RunHandler([this] {
        ui->FlevelComboBox->setEditText(QString::number(Machine().GetSetting()));
        estimatePage->RevealSetting(Machine().GetSetting());
        theoryTab->RevealSetting(Machine().GetSetting());
    });
}

#include <QComboBox>

#include "aboutbox/HelpLinks.h"
#include "aboutbox/Unit2.h"
#include "mainform/EstimatePage.h"
#include "mainform/TheoryTab.h"
#include "mainform/Unit1.h"
#include "platform/ErrorDisplay.h"
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
    RunHandler([] { OpenManual(); });
}

void TMainForm::JWord1Click(QObject*)
{
    RunHandler([] { RunJWordInstaller(); });
}

void TMainForm::N3Click(QObject*)
{
    RunHandler([] { OpenHomePage(); });
}

void TMainForm::N4Click(QObject*)
{
    RunHandler([] { OpenAdPage(); });
}

void TMainForm::FlevelButtonClick(QObject*)
{
    // The field is held off while a run could change the Slot under it.
    if (IsBusy()) return;
    ui->FlevelComboBox->setEditText(QString::number(slot.GetSetting()));
    estimatePage->RevealSetting(slot.GetSetting());
    theoryTab->RevealSetting(slot.GetSetting());
}

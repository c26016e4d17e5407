// The tab "設定推測" and the window's hooks into it.
#include <QTabWidget>

#include "mainform/EstimatePage.h"
#include "mainform/Unit1.h"
#include "ui_MainForm.h"

void TMainForm::BuildEstimatePage()
{
    estimatePage = new EstimatePage(ui->PageControl1);
    // After "理論値" when that tab is there, else after the last tab.
    int index = ui->PageControl1->count();
    for (int i = 0; i < ui->PageControl1->count(); ++i)
        if (ui->PageControl1->tabText(i) == QStringLiteral("理論値")) index = i + 1;
    ui->PageControl1->insertTab(index, estimatePage, QStringLiteral("設定推測"));
}

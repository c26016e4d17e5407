// The tab "設定推測" and the window's hooks into it.
#include <QTabWidget>

#include "mainform/Unit1.h"
#include "mainform/views/EstimatePage.h"
#include "mainform/views/TheoryTab.h"
#include "ui_MainForm.h"

void TMainForm::BuildEstimatePage()
{
    estimatePage = new EstimatePage(ui->PageControl1);
    // Right after 理論値.
    const int theory = ui->PageControl1->indexOf(theoryTab->Page());
    const int index = theory < 0 ? ui->PageControl1->count() : theory + 1;
    ui->PageControl1->insertTab(index, estimatePage, QStringLiteral("設定推測"));
}

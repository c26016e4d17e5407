#include "Unit1.h"

// filled in by the files work

void TMainForm::FileOpenMenuClick(QObject*) {}

void TMainForm::FileSaveMenuClick(QObject*) {}

bool TMainForm::RunBatch()
{
    return true;
}

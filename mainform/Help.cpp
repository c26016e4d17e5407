#include "Unit1.h"

// filled in by the files work

void TMainForm::HelpAboutMenuClick(QObject*) {}

void TMainForm::HelpManMenuClick(QObject*) {}

void TMainForm::JWord1Click(QObject*) {}

void TMainForm::N3Click(QObject*) {}

void TMainForm::N4Click(QObject*) {}

void TMainForm::FlevelButtonClick(QObject*) {}

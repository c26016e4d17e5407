// 詳細: a seed for the next run, so that a run seen here can be repeated on
// the command line. Kept in the menu bar's corner, out of the main controls'
// way.
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QToolButton>

#include <stdexcept>
#include <string_view>

#include "mainform/Unit1.h"
#include "sim/WholeNumber.h"
#include "ui_MainForm.h"

void TMainForm::BuildSeedInput()
{
    auto* corner = new QWidget(menuBar());
    auto* row = new QHBoxLayout(corner);
    row->setContentsMargins(0, 0, 4, 0);
    row->setSpacing(4);

    DetailsButton = new QToolButton(corner);
    DetailsButton->setObjectName(QStringLiteral("DetailsButton"));
    DetailsButton->setText(QStringLiteral("詳細"));
    DetailsButton->setCheckable(true);
    DetailsButton->setAutoRaise(true);
    DetailsButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    DetailsButton->setArrowType(Qt::RightArrow);
    DetailsButton->setToolTip(QStringLiteral("シードの入力を表示します"));

    auto* label = new QLabel(QStringLiteral("シード:"), corner);
    SeedEdit = new QLineEdit(corner);
    SeedEdit->setObjectName(QStringLiteral("SeedEdit"));
    SeedEdit->setPlaceholderText(QStringLiteral("なし"));
    SeedEdit->setToolTip(
        QStringLiteral("0～4294967295。同じシードならコマンドラインの --seed "
                       "と同じ結果になります。空なら乱数は前の続きから。"));
    SeedEdit->setFixedWidth(SeedEdit->fontMetrics().horizontalAdvance(QStringLiteral("4294967295")) + 12);
    label->setBuddy(SeedEdit);

    row->addWidget(DetailsButton);
    row->addWidget(label);
    row->addWidget(SeedEdit);
    label->hide();
    SeedEdit->hide();
    connect(DetailsButton, &QToolButton::toggled, this, [this, label, corner](bool open) {
        DetailsButton->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
        label->setVisible(open);
        SeedEdit->setVisible(open);
        corner->adjustSize();
        menuBar()->adjustSize();
        if (open) SeedEdit->setFocus();
    });
    connect(SeedEdit, &QLineEdit::returnPressed, this, [this] { StartButtonClic(ui->StartButton); });
    menuBar()->setCornerWidget(corner, Qt::TopRightCorner);
}

void TMainForm::SeedRun(std::uint32_t seed)
{
    session.Reseed(seed);
}

std::optional<std::uint32_t> TMainForm::ReadSeedField() const
{
    const QString text = SeedEdit ? SeedEdit->text() : QString();
    if (text.trimmed().isEmpty()) return std::nullopt;
    const QByteArray bytes = text.toUtf8();
    const WholeNumberRead read =
        ReadWholeNumber(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (!read.Ok() || read.value < 0 || read.value > UINT32_MAX)
        throw std::runtime_error("シードは、0～4294967295の整数にしてください。");
    return static_cast<std::uint32_t>(read.value);
}

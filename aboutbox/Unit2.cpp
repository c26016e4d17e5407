#include "aboutbox/Unit2.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>

#include "Deployment.h"
#include "aboutbox/HelpLinks.h"
#include "platform/FormFont.h"
#include "ui_AboutBox.h"

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TAboutBox>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(298, 213);

    QFont formFont;
    formFont.setFamilies(
        {FORM_FONT_FAMILY, QStringLiteral("MS PGothic"), QStringLiteral("Noto Sans CJK JP")});
    formFont.setPixelSize(12);
    setFont(formFont);

    // The program's icon is compiled into the program, not into this library.
    const QPixmap icon(QStringLiteral(":/mirvosim.png"));
    ui->ProgramIcon->setPixmap(icon.isNull() ? QApplication::windowIcon().pixmap(32, 32) : icon);
    ui->Copyright->setText(QString::fromUtf8(AUTHORSHIP_TEXT));
    ui->Label2->setText(QString::fromUtf8(AUTHOR_NAME));
    ui->Label1->setText(QString::fromUtf8(WEB_LINK_CAPTION));
    QFont linkFont = formFont;
    linkFont.setUnderline(true);
    for (QLabel* link : {ui->Label1, ui->Label2}) {
        QPalette palette = link->palette();
        palette.setColor(QPalette::WindowText, Qt::blue);
        link->setPalette(palette);
        link->setFont(linkFont);
        link->installEventFilter(this);
    }

    connect(ui->OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

TAboutBox::~TAboutBox() = default;

void TAboutBox::Label1Click(QObject* /*Sender*/)
{
    OpenHomePage();
}

void TAboutBox::Label2Click(QObject* /*Sender*/)
{
    OpenMailToAuthor();
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event)
{
    // Labels have no click signal; a click is a left-button release over them.
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const auto* label = qobject_cast<QWidget*>(watched);
        if (mouse->button() == Qt::LeftButton && label &&
            label->rect().contains(mouse->position().toPoint())) {
            if (watched == ui->Label1) Label1Click(watched);
            if (watched == ui->Label2) Label2Click(watched);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutBox::showEvent(QShowEvent* event)
{
    if (const QScreen* shown = screen()) move(shown->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

// What a desktop user expects of the window beyond its commands: a size of
// their choosing, the shown file in the title, recent files, dropped files,
// Enter and the usual shortcuts.
#include <QAbstractItemView>
#include <QChartView>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

#include "mainform/Unit1.h"
#include "ui_MainForm.h"

namespace {
constexpr int DEFAULT_WIDTH = 606;
constexpr int DEFAULT_HEIGHT = 676;  // the client area above the status bar
constexpr int RECENT_FILES = 5;
// Of the height gained, the tabs take this share and the bonus bars the next;
// the slump graph the rest.
constexpr int TABS_SHARE_PERCENT = 35;
constexpr int BARS_SHARE_PERCENT = 20;
const QString RECENT_KEY = QStringLiteral("recentFiles");
const QString PLACEMENT_KEY = QStringLiteral("window/geometry");

// Every widget's geometry at the default size, taken when first laid out.
QRect DefaultGeometry(QWidget* widget)
{
    const QVariant stored = widget->property("defaultGeometry");
    if (stored.isValid()) return stored.toRect();
    widget->setProperty("defaultGeometry", widget->geometry());
    return widget->geometry();
}

void Place(QWidget* widget, int moveY, int growX, int growY)
{
    const QRect at = DefaultGeometry(widget);
    widget->setGeometry(at.x(), at.y() + moveY, at.width() + growX, at.height() + growY);
}

// A tab without a layout of its own grows its lists and charts with the
// tabs: a list beside a chart keeps its width (its columns are fixed) and
// the chart takes the width gained.
void LayOutTab(QWidget* page, int growX, int growY)
{
    if (page->layout()) return;
    const QList<QWidget*> children = page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    const bool hasChart = std::any_of(children.cbegin(), children.cend(),
                                      [](QWidget* w) { return qobject_cast<QChartView*>(w); });
    for (QWidget* child : children) {
        if (qobject_cast<QChartView*>(child))
            Place(child, 0, growX, growY);
        else if (qobject_cast<QAbstractItemView*>(child))
            Place(child, 0, hasChart ? 0 : growX, growY);
    }
}
}  // namespace

void TMainForm::BuildDesktop()
{
    ui->FileOpenMenu->setShortcut(QKeySequence::Open);
    ui->FileSaveMenu->setShortcut(QKeySequence::Save);
    ui->FileExitMenu->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    for (QLineEdit* edit : {ui->PlayNumEdit, ui->SimNumEdit, ui->FlevelComboBox->lineEdit()})
        connect(edit, &QLineEdit::returnPressed, this, [this] { StartButtonClic(ui->StartButton); });
    ui->ResultListView->installEventFilter(this);

    recentMenu = new QMenu(QStringLiteral("最近使ったファイル(&R)"), this);
    recentMenu->setObjectName(QStringLiteral("RecentFilesMenu"));
    FillRecentMenu();
    setAcceptDrops(true);

    BuildSeedInput();
    centralWidget()->installEventFilter(this);
    LayOutForSize();
}

void TMainForm::LayOutForSize()
{
    const QSize size = centralWidget()->size();
    const int growX = std::max(0, size.width() - DEFAULT_WIDTH);
    const int growY = std::max(0, size.height() - DEFAULT_HEIGHT);
    const int tabs = growY * TABS_SHARE_PERCENT / 100;
    const int bars = growY * BARS_SHARE_PERCENT / 100;
    Place(ui->GroupBox2, 0, growX, 0);
    Place(ui->ResultLabel, 0, growX, 0);
    Place(ui->PageControl1, 0, growX, tabs);
    for (int i = 0; i < ui->PageControl1->count(); ++i) LayOutTab(ui->PageControl1->widget(i), growX, tabs);
    Place(ui->SlumpChart2, tabs, growX, bars);
    Place(ui->SlumpChart, tabs + bars, growX, growY - tabs - bars);
    Place(ui->GroupBox1, growY, growX, 0);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == centralWidget() && event->type() == QEvent::Resize) {
        LayOutForSize();
    } else if (watched == ui->ResultListView && event->type() == QEvent::KeyPress) {
        // End and Home go to the last and first game, not the last column.
        const int key = static_cast<QKeyEvent*>(event)->key();
        const int rows = ui->ResultListView->model()->rowCount();
        if ((key == Qt::Key_End || key == Qt::Key_Home) && rows > 0) {
            const QModelIndex to = ui->ResultListView->model()->index(key == Qt::Key_End ? rows - 1 : 0, 0);
            ui->ResultListView->setCurrentIndex(to);
            ui->ResultListView->scrollTo(to);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::SetShownFile(const QString& path)
{
    setWindowTitle(path.isEmpty() ? QStringLiteral("Mirvosim")
                                  : QStringLiteral("Mirvosim - %1").arg(QFileInfo(path).fileName()));
    if (path.isEmpty()) return;
    QStringList recent = RecentFiles();
    const QString full = QFileInfo(path).absoluteFilePath();
    recent.removeAll(full);
    recent.prepend(full);
    while (recent.size() > RECENT_FILES) recent.removeLast();
    QSettings().setValue(RECENT_KEY, recent);
    FillRecentMenu();
}

QStringList TMainForm::RecentFiles() const
{
    return QSettings().value(RECENT_KEY).toStringList();
}

void TMainForm::FillRecentMenu()
{
    recentMenu->clear();
    const QStringList recent = RecentFiles();
    for (int i = 0; i < recent.size(); ++i) {
        QAction* entry =
            recentMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(recent[i]).fileName()));
        entry->setToolTip(recent[i]);
        entry->setStatusTip(recent[i]);
        const QString path = recent[i];
        connect(entry, &QAction::triggered, this, [this, path] { OpenFile(path); });
    }
    recentMenu->setEnabled(!recent.isEmpty() && !IsBusy());
}

void TMainForm::RestorePlacement()
{
    const QByteArray placement = QSettings().value(PLACEMENT_KEY).toByteArray();
    if (!placement.isEmpty()) restoreGeometry(placement);
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!IsBusy() && urls.size() == 1 && urls.constFirst().isLocalFile()) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event)
{
    const QString path = event->mimeData()->urls().value(0).toLocalFile();
    event->acceptProposedAction();
    // After the drop has ended, so that a message box does not hold it.
    QTimer::singleShot(0, this, [this, path] { OpenFile(path); });
}

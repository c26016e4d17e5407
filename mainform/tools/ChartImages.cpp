#include "mainform/tools/ChartImages.h"

#include <QAction>
#include <QBuffer>
#include <QChartView>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QResizeEvent>
#include <QSvgGenerator>
#include <QTabWidget>

#include <cstdio>
#include <memory>
#include <optional>

#include "analysis/RateStatistics.h"
#include "mainform/CommandLine.h"
#include "mainform/Unit1.h"
#include "mainform/charts/BonusBars.h"
#include "mainform/charts/SlumpGraph.h"
#include "mainform/views/EstimatePage.h"
#include "mainform/views/TheoryTab.h"
#include "platform/ErrorDisplay.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "platform/ZoomChartView.h"
#include "sim/AtomicFile.h"
#include "sim/MessageText.h"
#include "sim/SimFile.h"
#include "sim/WholeNumber.h"
#include "ui_MainForm.h"

namespace {

QString TabName(const StatTabCaptions& captions)
{
    return QString::fromUtf8(captions.tab.data(), static_cast<qsizetype>(captions.tab.size()));
}

const char* const KIND_PROPERTY = "mirvosimChartKind";
const char* const CAPTION_PROPERTY = "mirvosimChartCaption";
// Set on charts whose decorations are laid out for the window's size only.
const char* const SCALED_PROPERTY = "mirvosimChartScaled";
constexpr int MAX_SIDE = 16384;

// The graphs thin their data to the pixels they have: after a size change
// they rebuild it, so a large image gets the detail of its own width.
void RefreshThinnedData(QChartView* view)
{
    auto* form = qobject_cast<TMainForm*>(view->window());
    if (!form) return;
    if (form->SlumpGraphView() && form->SlumpGraphView()->Chart() == view->chart())
        form->SlumpGraphView()->Refresh();
    if (form->BonusBarsView() && form->BonusBarsView()->Chart() == view->chart())
        form->BonusBarsView()->Refresh();
}

// A hidden view (a window never shown, a tab not chosen) has its size but
// has not laid its chart out for it: Qt holds resize events back until the
// view is shown.
void SettleSize(QChartView* view)
{
    const bool hidden = !view->isVisible();
    if (hidden) {
        QResizeEvent event(view->size(), QSize());
        QCoreApplication::sendEvent(view, &event);
        // The view passes its size on to the chart only while shown.
        view->chart()->resize(view->size());
    }
    // A chart that fits its ticks to its size lays out once more for them.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    if (hidden) view->setSceneRect(view->chart()->geometry());
}

// Brings the tab page that holds the view to the front for as long as it
// lives, so that its layout gives the view its real size.
class PageLoan {
public:
    explicit PageLoan(QWidget* view)
    {
        for (QWidget* page = view; page->parentWidget(); page = page->parentWidget()) {
            auto* pages = qobject_cast<QTabWidget*>(page->parentWidget()->parentWidget());
            if (!pages || pages->indexOf(page) < 0 || pages->currentWidget() == page) continue;
            tabs = pages;
            old = pages->currentIndex();
            pages->setCurrentWidget(page);
            // Only the layouts' own requests: no input is handled meanwhile.
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            break;
        }
    }
    ~PageLoan()
    {
        if (tabs) tabs->setCurrentIndex(old);
    }
    PageLoan(const PageLoan&) = delete;
    PageLoan& operator=(const PageLoan&) = delete;

private:
    QTabWidget* tabs = nullptr;
    int old = -1;
};

// Lends the view another size for as long as it lives.
class SizeLoan {
public:
    SizeLoan(QChartView* chartView, QSize size) : view(chartView), old(chartView->size())
    {
        SettleSize(view);
        if (size.isEmpty() || size == old) return;
        view->resize(size);
        SettleSize(view);
        lent = true;
        RefreshThinnedData(view);
    }
    ~SizeLoan()
    {
        if (!lent) return;
        view->resize(old);
        SettleSize(view);
        RefreshThinnedData(view);
    }
    SizeLoan(const SizeLoan&) = delete;
    SizeLoan& operator=(const SizeLoan&) = delete;

private:
    QChartView* view;
    QSize old;
    bool lent = false;
};

// The chart as the view shows it (without the hints laid over the view),
// scaled to `size` with its proportions kept, on white.
void Render(QChartView* view, QPainter& painter, QSize size)
{
    painter.fillRect(QRect(QPoint(), size), Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    view->QGraphicsView::render(&painter, QRectF(QPointF(), size), view->viewport()->rect(),
                                Qt::KeepAspectRatio);
}

QByteArray SvgBytes(QChartView* view, QSize size, const QString& title)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(), size));
    svg.setTitle(title);
    QPainter painter(&svg);
    Render(view, painter, size);
    painter.end();
    return buffer.data();
}

QByteArray PngBytes(QChartView* view, QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    Render(view, painter, size);
    painter.end();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

QString CaptionOf(const QChartView* view)
{
    return view->property(CAPTION_PROPERTY).toString();
}

QString ImageFilter()
{
    return QStringLiteral("PNG画像 (*.png);;SVG画像 (*.svg)");
}

// Asks for a file name and saves; errors go to a message box.
void AskAndSave(QWidget* parent, const ChartImageEntry& entry, QSize size)
{
    FileDialog dialog(FileDialog::Kind::Save, ImageFilter(), entry.kind + QStringLiteral(".png"));
    if (!dialog.Execute(parent)) return;
    QString path = dialog.FileName();
    if (!path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive) &&
        !path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive))
        path += QStringLiteral(".png");
    const QString error = SaveChartImage(entry.view, path, size);
    if (!error.isEmpty())
        MessageBox::ShowError(parent, QStringLiteral("画像を保存できませんでした。\n%1").arg(error));
}

void AddContextMenu(QChartView* view)
{
    auto show = [view](QPoint at) {
        QMenu menu(view);
        QAction* save = menu.addAction(QStringLiteral("画像として保存..."));
        if (menu.exec(view->mapToGlobal(at)) != save) return;
        RunHandler([view] {
            AskAndSave(view->window(), {view->property(KIND_PROPERTY).toString(), CaptionOf(view), view}, {});
        });
    };
    // A right-button drag scrolls the graphs: their menu comes on a click.
    if (auto* zoom = qobject_cast<ZoomChartView*>(view)) {
        QObject::connect(zoom, &ZoomChartView::RightClicked, view, show);
    } else {
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        QObject::connect(view, &QWidget::customContextMenuRequested, view, show);
    }
}

// Which chart and how large: the one choice the file dialog cannot make.
struct ImageChoice {
    int entry = 0;
    QSize size;
};
std::optional<std::pair<QString, QSize>> nextChoice;

std::optional<ImageChoice> AskChartAndSize(QWidget* parent, const std::vector<ChartImageEntry>& entries)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("グラフを画像で保存"));
    auto* layout = new QFormLayout(&dialog);
    auto* charts = new QComboBox(&dialog);
    charts->setObjectName(QStringLiteral("ChartCombo"));
    for (const ChartImageEntry& entry : entries) charts->addItem(entry.caption);
    auto* sizes = new QComboBox(&dialog);
    sizes->setObjectName(QStringLiteral("SizeCombo"));
    sizes->addItem(QStringLiteral("画面と同じ"), QSize());
    for (const QSize size : {QSize(1280, 720), QSize(1920, 1080), QSize(2560, 1440), QSize(3840, 2160)})
        sizes->addItem(QStringLiteral("%1 × %2").arg(size.width()).arg(size.height()), size);
    layout->addRow(QStringLiteral("グラフ"), charts);
    layout->addRow(QStringLiteral("大きさ"), sizes);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addRow(buttons);
    if (nextChoice) {
        const auto [kind, size] = *nextChoice;
        nextChoice.reset();
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (entries[i].kind == kind) return ImageChoice{static_cast<int>(i), size};
        return std::nullopt;
    }
    if (FileDialog::Headless()) return std::nullopt;
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return ImageChoice{charts->currentIndex(), sizes->currentData().toSize()};
}

}  // namespace

const QStringList& ChartKinds()
{
    static const QStringList kinds{
        QStringLiteral("slump"),  QStringLiteral("bonus"),    QStringLiteral("ren"),
        QStringLiteral("koyaku"), QStringLiteral("mode"),     QStringLiteral("rt"),
        QStringLiteral("theory"), QStringLiteral("estimate"),
    };
    return kinds;
}

void MarkChartForImages(QChartView* view, const QString& kind, const QString& caption)
{
    view->setProperty(KIND_PROPERTY, kind);
    view->setProperty(CAPTION_PROPERTY, caption);
    AddContextMenu(view);
}

std::vector<ChartImageEntry> ChartImageEntries(QWidget* window)
{
    std::vector<ChartImageEntry> entries;
    const QList<QChartView*> views = window->findChildren<QChartView*>();
    // The batch charts show many files at once, so the command line's
    // single-file export has no use for them.
    QStringList kinds = ChartKinds();
    kinds << QStringLiteral("batch-histogram") << QStringLiteral("batch-fan");
    for (const QString& kind : kinds)
        for (QChartView* view : views)
            if (view->property(KIND_PROPERTY).toString() == kind)
                entries.push_back({kind, CaptionOf(view), view});
    return entries;
}

QString SaveChartImage(QChartView* view, const QString& path, QSize size)
{
    QByteArray bytes;
    {
        // Charts lay themselves out anew at the image's size (the graphs get
        // the detail of its width); the pies, whose legends are drawn for the
        // window's size, are scaled.
        const bool scaled = view->property(SCALED_PROPERTY).toBool();
        const PageLoan page(view);
        const SizeLoan loan(view, scaled ? QSize() : size);
        const QSize out = size.isEmpty() ? view->size() : size;
        bytes = path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)
                    ? SvgBytes(view, out, CaptionOf(view))
                    : PngBytes(view, out);
    }
    if (bytes.isEmpty()) return QStringLiteral("cannot render the chart");
    const WriteResult written = WriteFileAtomically(path.toLocal8Bit().toStdString(), [&bytes](int fd) {
        return WriteAllBytes(fd, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    });
    return written.Ok() ? QString() : QString::fromLocal8Bit(written.Message().c_str());
}

QAction* AddChartImageCommands(TMainForm& form)
{
    Ui::TMainForm& ui = *form.ui;
    MarkChartForImages(ui.SlumpChart, QStringLiteral("slump"), QStringLiteral("スランプグラフ"));
    MarkChartForImages(ui.SlumpChart2, QStringLiteral("bonus"), QStringLiteral("ボーナス間ゲーム数"));
    MarkChartForImages(ui.RenChart, QStringLiteral("ren"), TabName(REN_CAPTIONS));
    MarkChartForImages(ui.KoyakuChart, QStringLiteral("koyaku"), TabName(KOYAKU_CAPTIONS));
    MarkChartForImages(ui.ModeStayChart, QStringLiteral("mode"), TabName(MODE_STAY_CAPTIONS));
    MarkChartForImages(ui.RTCancelChart, QStringLiteral("rt"), TabName(RT_CANCEL_CAPTIONS));
    for (QChartView* pie : {ui.RenChart, ui.KoyakuChart, ui.ModeStayChart, ui.RTCancelChart})
        pie->setProperty(SCALED_PROPERTY, true);
    MarkChartForImages(form.TheoryView()->ChartView(), QStringLiteral("theory"), QStringLiteral("理論値"));
    MarkChartForImages(form.EstimatePageView()->PosteriorView(), QStringLiteral("estimate"),
                       QStringLiteral("設定推測"));

    auto* action = new QAction(QStringLiteral("グラフを画像で保存..."), &form);
    action->setObjectName(QStringLiteral("FileChartImageMenu"));
    QObject::connect(action, &QAction::triggered, &form, [&form] {
        RunHandler([&form] {
            const std::vector<ChartImageEntry> entries = ChartImageEntries(&form);
            const auto choice = AskChartAndSize(&form, entries);
            if (!choice || choice->entry < 0 || static_cast<std::size_t>(choice->entry) >= entries.size())
                return;
            AskAndSave(&form, entries[static_cast<std::size_t>(choice->entry)], choice->size);
        });
    });
    return action;
}

void SetNextChartImageChoice(const QString& kind, QSize size)
{
    nextChoice = std::make_pair(kind, size);
}

QSize ParseImageSize(const QString& text)
{
    const QStringList sides = text.split(QLatin1Char('x'));
    if (sides.size() != 2) return {};
    // Read as every whole number is (sim/WholeNumber.h).
    const QByteArray wide = sides[0].toUtf8();
    const QByteArray high = sides[1].toUtf8();
    const auto width =
        ParseWholeNumber(std::string_view(wide.constData(), static_cast<std::size_t>(wide.size())));
    const auto height =
        ParseWholeNumber(std::string_view(high.constData(), static_cast<std::size_t>(high.size())));
    if (!width || !height || *width < 1 || *height < 1 || *width > MAX_SIDE || *height > MAX_SIDE) return {};
    return {*width, *height};
}

int ExportChartFromCommandLine(const CommandLine& line)
{
    const auto fail = [](const QString& message) {
        std::fprintf(stderr, "mirvosim: %s\n", OneLine(message.toLocal8Bit().toStdString()).c_str());
        return 1;
    };
    // Nothing may wait for a user who is not there.
    MessageBox::SetHeadless(true);
    FileDialog::SetHeadless(true);
    TMainForm form;
    // Shown on no screen (offscreen), so that every layout gives its charts
    // their real sizes; the pies place their legends for those.
    form.show();
    for (const ChartImageEntry& entry : ChartImageEntries(&form)) {
        const PageLoan page(entry.view);
        SettleSize(entry.view);
    }
    auto series = std::make_shared<PlaySeries>();
    const SimReadResult read = ReadSimFile(line.file.toLocal8Bit().toStdString(), *series);
    if (!read.Ok()) return fail(QString::fromLocal8Bit(read.message.c_str()));
    if (!form.ShowResult(std::move(series), {read.setting, read.playCount}))
        return fail(QStringLiteral("no plays in '%1'").arg(line.file));

    for (const ChartImageEntry& entry : ChartImageEntries(&form)) {
        if (entry.kind != line.chartKind) continue;
        const QString error = SaveChartImage(entry.view, line.chartOut, line.chartSize);
        return error.isEmpty() ? 0 : fail(error);
    }
    return fail(QStringLiteral("the chart '%1' is not in this build").arg(line.chartKind));
}

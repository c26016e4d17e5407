#include "mainform/views/EstimatePage.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>

#include <cmath>

#include "mainform/views/SettingPalette.h"

namespace {

const QColor BAR_COLOUR(0x7f, 0x9f, 0xc8);
const QColor MOST_LIKELY_COLOUR(0xd0, 0x20, 0x20);
// Points drawn per line: a million plays has thousands of bonuses, and the
// lines only need to show the shape.
constexpr int MAX_PATH_POINTS = 1500;
constexpr int MAX_MARKED_POINTS = 200;

QSettings Store()
{
    return QSettings(QStringLiteral("Mirvosim"), QStringLiteral("Mirvosim"));
}

void Tighten(QChart* chart)
{
    chart->setMargins(QMargins(0, 0, 0, 0));
    chart->setBackgroundRoundness(0);
    QFont font = chart->font();
    font.setPixelSize(10);
    chart->setFont(font);
    chart->legend()->setFont(font);
}

QValueAxis* ProbabilityAxis(QChart* chart)
{
    auto* axis = new QValueAxis(chart);
    axis->setRange(0, 1);
    axis->setTickCount(3);
    axis->setLabelFormat(QStringLiteral("%.1f"));
    QFont font = axis->labelsFont();
    font.setPixelSize(9);
    axis->setLabelsFont(font);
    return axis;
}

QString Percent(double p)
{
    return QString::number(p * 100, 'f', 2) + QStringLiteral("%");
}

}  // namespace

QChart* MakePosteriorChart(const SettingEstimate& estimate)
{
    auto* chart = new QChart;
    Tighten(chart);
    chart->legend()->hide();
    auto* set = new QBarSet(QStringLiteral("事後確率"));
    set->setObjectName(QStringLiteral("PosteriorBars"));
    set->setColor(BAR_COLOUR);
    set->setSelectedColor(MOST_LIKELY_COLOUR);
    for (int s = 0; s < SETTING_COUNT; ++s) set->append(estimate.Ok() ? estimate.posterior[s] : 0.0);
    if (estimate.Ok()) set->selectBar(estimate.mostLikely - 1);
    auto* series = new QBarSeries;
    series->append(set);
    series->setBarWidth(0.7);
    chart->addSeries(series);
    auto* categories = new QBarCategoryAxis(chart);
    for (int s = SETTING_MIN; s <= SETTING_MAX; ++s) categories->append(QString::number(s));
    QFont font = categories->labelsFont();
    font.setPixelSize(9);
    categories->setLabelsFont(font);
    chart->addAxis(categories, Qt::AlignBottom);
    chart->addAxis(ProbabilityAxis(chart), Qt::AlignLeft);
    series->attachAxis(categories);
    series->attachAxis(chart->axes(Qt::Vertical).front());
    return chart;
}

QChart* MakePosteriorPathChart(const SettingEstimate& estimate)
{
    auto* chart = new QChart;
    Tighten(chart);
    chart->legend()->setAlignment(Qt::AlignTop);
    auto* plays = new QValueAxis(chart);
    plays->setLabelFormat(QStringLiteral("%d"));
    plays->setTickCount(3);
    QFont font = plays->labelsFont();
    font.setPixelSize(9);
    plays->setLabelsFont(font);
    const auto& path = estimate.path;
    plays->setRange(0, path.empty() ? 1 : std::max(1, path.back().playCount));
    QValueAxis* probability = ProbabilityAxis(chart);
    chart->addAxis(plays, Qt::AlignBottom);
    chart->addAxis(probability, Qt::AlignLeft);
    const std::size_t step =
        path.size() > MAX_PATH_POINTS ? (path.size() + MAX_PATH_POINTS - 1) / MAX_PATH_POINTS : 1;
    for (int s = 0; s < SETTING_COUNT; ++s) {
        auto* line = new QLineSeries;
        line->setName(QString::number(s + 1));
        line->setObjectName(QStringLiteral("PosteriorPath%1").arg(s + 1));
        line->setColor(ESTIMATE_SETTING_COLOURS[static_cast<std::size_t>(s)]);
        QList<QPointF> points;
        for (std::size_t i = 0; i < path.size(); i += step)
            points.append(QPointF(path[i].playCount, path[i].posterior[s]));
        if (!path.empty() && (path.size() - 1) % step != 0)
            points.append(QPointF(path.back().playCount, path.back().posterior[s]));
        line->replace(points);
        line->setPointsVisible(points.size() <= MAX_MARKED_POINTS);
        chart->addSeries(line);
        line->attachAxis(plays);
        line->attachAxis(probability);
    }
    return chart;
}

EstimatePage::EstimatePage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("EstimatePage"));
    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(3);
    top->addWidget(new QLabel(QStringLiteral("証拠"), this));
    evidenceBox = new QComboBox(this);
    evidenceBox->setObjectName(QStringLiteral("EvidenceComboBox"));
    evidenceBox->addItems({QStringLiteral("ホール"), QStringLiteral("全記録")});
    evidenceBox->setToolTip(
        QStringLiteral("ホール: 打ち手に見えるものだけ（役、BIGの色、ボーナス）\n"
                       "全記録: モード・特殊前兆・1G連の列も使う"));
    top->addWidget(evidenceBox);
    top->addSpacing(6);
    top->addWidget(new QLabel(QStringLiteral("事前配分"), this));
    for (int s = 0; s < SETTING_COUNT; ++s) {
        auto* box = new QDoubleSpinBox(this);
        box->setObjectName(QStringLiteral("PriorWeight%1").arg(s + 1));
        box->setRange(0, 1000);
        box->setDecimals(1);
        box->setButtonSymbols(QAbstractSpinBox::NoButtons);
        box->setFixedWidth(34);
        box->setToolTip(QStringLiteral("設定%1の重み").arg(s + 1));
        weightBoxes[s] = box;
        top->addWidget(box);
    }
    auto* flat = new QPushButton(QStringLiteral("均等"), this);
    flat->setObjectName(QStringLiteral("FlatPriorButton"));
    auto* hallPrior = new QPushButton(QStringLiteral("ホール標準"), this);
    hallPrior->setObjectName(QStringLiteral("HallPriorButton"));
    hallPrior->setToolTip(QStringLiteral("よくある設定配分 35:25:18:10:7:5"));
    for (QPushButton* button : {flat, hallPrior}) {
        button->setAutoDefault(false);
        button->setFixedHeight(20);
        top->addWidget(button);
    }
    top->addStretch(1);

    barView = new QChartView(this);
    barView->setObjectName(QStringLiteral("PosteriorChart"));
    pathView = new QChartView(this);
    pathView->setObjectName(QStringLiteral("PosteriorPathChart"));
    for (QChartView* view : {barView, pathView}) view->setRenderHint(QPainter::Antialiasing);

    table = new QTableWidget(SETTING_COUNT, 4, this);
    table->setObjectName(QStringLiteral("EstimateTable"));
    table->setHorizontalHeaderLabels({QStringLiteral("設定"), QStringLiteral("事後確率"),
                                      QStringLiteral("尤度比"), QStringLiteral("理論機械割")});
    QFont small = table->font();
    small.setPixelSize(10);
    table->setFont(small);
    table->horizontalHeader()->setFont(small);
    table->verticalHeader()->hide();
    table->verticalHeader()->setMinimumSectionSize(13);
    table->verticalHeader()->setDefaultSectionSize(14);
    table->horizontalHeader()->setFixedHeight(15);
    table->horizontalHeader()->setMinimumSectionSize(20);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
    table->setColumnWidth(0, 50);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setFixedHeight(15 + SETTING_COUNT * 14 + 2);
    payoutLabel = new QLabel(this);
    payoutLabel->setObjectName(QStringLiteral("ExpectedPayoutLabel"));
    payoutLabel->setWordWrap(true);
    auto* middle = new QVBoxLayout;
    middle->setContentsMargins(0, 0, 0, 0);
    middle->setSpacing(2);
    middle->addWidget(table);
    middle->addWidget(payoutLabel, 1, Qt::AlignTop);

    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(3);
    body->addWidget(barView, 4);
    body->addLayout(middle, 6);
    body->addWidget(pathView, 6);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addLayout(top);
    layout->addLayout(body, 1);

    // The prior and the evidence the user chose last time.
    loading = true;
    QSettings store = Store();
    const QVariantList saved = store.value(QStringLiteral("estimate/prior")).toList();
    SettingValues prior = FLAT_PRIOR;
    if (saved.size() == SETTING_COUNT) {
        SettingValues read{};
        for (int s = 0; s < SETTING_COUNT; ++s) read[s] = saved[s].toDouble();
        if (CheckPrior(read).Ok()) prior = read;
    }
    SetPrior(prior);
    evidenceBox->setCurrentIndex(store.value(QStringLiteral("estimate/evidence")).toInt() == 1 ? 1 : 0);
    loading = false;

    for (QDoubleSpinBox* box : weightBoxes)
        connect(box, &QDoubleSpinBox::valueChanged, this, [this] {
            if (loading) return;
            SavePrior();
            Update();
        });
    connect(flat, &QPushButton::clicked, this, [this] { SetPrior(FLAT_PRIOR); });
    connect(hallPrior, &QPushButton::clicked, this, [this] { SetPrior(HALL_PRIOR); });
    connect(evidenceBox, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!loading) Store().setValue(QStringLiteral("estimate/evidence"), index);
        Update();
    });
    Update();
}

SettingValues EstimatePage::Prior() const
{
    SettingValues prior{};
    for (int s = 0; s < SETTING_COUNT; ++s) prior[s] = weightBoxes[s]->value();
    return prior;
}

void EstimatePage::SetPrior(const SettingValues& prior)
{
    const bool wasLoading = loading;
    loading = true;
    for (int s = 0; s < SETTING_COUNT; ++s) weightBoxes[s]->setValue(prior[s]);
    loading = wasLoading;
    if (!loading) {
        SavePrior();
        Update();
    }
}

void EstimatePage::SetEvidence(Evidence evidence)
{
    evidenceBox->setCurrentIndex(evidence == Evidence::Record ? 1 : 0);
}

void EstimatePage::SavePrior() const
{
    QVariantList values;
    for (double w : Prior()) values.append(w);
    Store().setValue(QStringLiteral("estimate/prior"), values);
}

void EstimatePage::Show(const PlaySeries& series)
{
    hall = ComputeLikelihood(series.Rows(), Evidence::Hall, true);
    record = ComputeLikelihood(series.Rows(), Evidence::Record, true);
    shown = !series.Empty();
    refusal.clear();
    revealed = 0;
    Update();
}

void EstimatePage::Clear()
{
    shown = false;
    hall = {};
    record = {};
    refusal.clear();
    revealed = 0;
    Update();
}

void EstimatePage::Refuse(const std::string& reason)
{
    shown = true;
    hall = {};
    record = {};
    refusal = reason;
    revealed = 0;
    Update();
}

void EstimatePage::RevealSetting(int setting)
{
    revealed = setting;
    Update();
}

void EstimatePage::Update()
{
    const Evidence evidence = evidenceBox->currentIndex() == 1 ? Evidence::Record : Evidence::Hall;
    const SettingValues prior = Prior();
    const bool priorUsable = CheckPrior(prior).Ok();
    if (!shown) {
        estimate = SettingEstimate{};
        estimate.status = Status(StatusCode::NotValid, "no run");
    } else if (!refusal.empty()) {
        estimate = SettingEstimate{};
        estimate.status = Status(StatusCode::NotValid, refusal);
    } else if (!priorUsable) {
        estimate = SettingEstimate{};
        estimate.status = Status(StatusCode::NotValid, "prior");
    } else {
        estimate = EstimateFromLikelihood(evidence == Evidence::Hall ? hall : record, evidence, prior);
    }

    QChart* oldBars = barView->chart();
    barView->setChart(MakePosteriorChart(estimate));
    delete oldBars;
    QChart* oldPath = pathView->chart();
    pathView->setChart(MakePosteriorPathChart(estimate));
    delete oldPath;

    double best = -INFINITY;
    for (double v : estimate.logLikelihood) best = std::max(best, v);
    const SettingValues& payout = TheoreticalPayoutPercent();
    for (int s = 0; s < SETTING_COUNT; ++s) {
        QString name = QString::number(s + 1);
        if (estimate.Ok() && s + 1 == estimate.mostLikely) name += QStringLiteral(" ◎");
        if (revealed == s + 1) name += QStringLiteral(" 正解");  // only after 設定確認
        const QString cells[4] = {
            name,
            estimate.Ok() ? Percent(estimate.posterior[s]) : QStringLiteral("-"),
            estimate.Ok() && std::isfinite(estimate.logLikelihood[s])
                ? QString::number(std::exp(estimate.logLikelihood[s] - best), 'g', 3)
                : QStringLiteral("-"),
            QString::number(payout[s], 'f', 1) + QStringLiteral("%"),
        };
        for (int c = 0; c < 4; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment(c == 0 ? Qt::AlignLeft | Qt::AlignVCenter
                                          : Qt::AlignRight | Qt::AlignVCenter);
            if (estimate.Ok() && s + 1 == estimate.mostLikely) {
                QFont font = item->font();
                font.setBold(true);
                item->setFont(font);
                item->setForeground(MOST_LIKELY_COLOUR);
            }
            table->setItem(s, c, item);
        }
    }

    if (!shown)
        payoutLabel->setText(QString());
    else if (!refusal.empty())
        payoutLabel->setText(
            QStringLiteral("このファイルからは推測できません: %1").arg(QString::fromStdString(refusal)));
    else if (!priorUsable)
        payoutLabel->setText(QStringLiteral("事前配分: 重みを一つ以上 0 より大きくしてください"));
    else if (!estimate.Ok())
        payoutLabel->setText(
            QStringLiteral("推測できません: %1").arg(QString::fromStdString(estimate.status.Message())));
    else
        payoutLabel->setText(
            QStringLiteral("期待機械割 %1%").arg(QString::number(estimate.expectedPayoutPercent, 'f', 2)));
}

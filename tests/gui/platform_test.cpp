#include <QLineSeries>
#include <QTest>

#include <vector>

#include "platform/ChartOps.h"
#include "platform/Clock.h"
#include "platform/Convert.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"

class PlatformTest : public QObject {
    Q_OBJECT

    MessageBox::Recorder boxes;

private slots:
    void StrToIntCases_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << "8000" << true << 8000;
        QTest::newRow("blanks and sign") << "  -12 " << true << -12;
        QTest::newRow("plus") << "+7" << true << 7;
        QTest::newRow("int max") << "2147483647" << true << 2147483647;
        QTest::newRow("overflow") << "2147483648" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("letters") << "12a" << false << 0;
        QTest::newRow("full-width") << "１２" << false << 0;
        QTest::newRow("decimal") << "1.5" << false << 0;
    }

    void StrToIntCases()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        try {
            const int parsed = StrToInt(text);
            QVERIFY2(valid, "accepted a text that is not a whole number");
            QCOMPARE(parsed, value);
        } catch (const ConversionError& error) {
            QVERIFY2(!valid, error.what());
            QCOMPARE(QString::fromUtf8(error.what()),
                     QStringLiteral("'%1' は有効な整数値ではありません。").arg(text));
        }
    }

    // A million points through 500 columns: few points, and every column's
    // extremes survive, so the drawn line spans what the full one spans.
    void DecimateKeepsColumnExtremes()
    {
        std::vector<QPointF> points;
        for (long long i = 1; i <= 1000000; ++i) points.emplace_back(i, (i * 7919) % 2001 - 1000);
        const QList<QPointF> reduced = DecimateMinMax(points, 1, 1000000, 500);
        QVERIFY(reduced.size() <= 500 * 4 + 2);
        QVERIFY(std::is_sorted(reduced.cbegin(), reduced.cend(),
                               [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); }));
        const auto [low, high] =
            std::minmax_element(reduced.cbegin(), reduced.cend(),
                                [](const QPointF& a, const QPointF& b) { return a.y() < b.y(); });
        QCOMPARE(low->y(), -1000.0);
        QCOMPARE(high->y(), 1000.0);
        QCOMPARE(reduced.constFirst().x(), 1.0);
        QCOMPARE(reduced.constLast().x(), 1000000.0);
    }

    void DecimateRanges_data()
    {
        QTest::addColumn<double>("xMin");
        QTest::addColumn<double>("xMax");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QList<QPointF>>("expected");
        // Points (1,10) (2,20) ... (10,100).
        QTest::newRow("few points pass unchanged")
            << 1.0 << 10.0 << 100 << QList<QPointF>{{1, 10}, {2, 20}, {3, 30}, {4, 40}, {5, 50},
                                                    {6, 60}, {7, 70}, {8, 80}, {9, 90}, {10, 100}};
        QTest::newRow("zoomed: one neighbour beyond each end")
            << 4.0 << 6.0 << 100 << QList<QPointF>{{3, 30}, {4, 40}, {5, 50}, {6, 60}, {7, 70}};
        QTest::newRow("range past the data") << 20.0 << 30.0 << 100 << QList<QPointF>{{10, 100}};
        QTest::newRow("one column: first, extremes, last")
            << 1.0 << 10.0 << 1 << QList<QPointF>{{1, 10}, {10, 100}};
    }

    void DecimateRanges()
    {
        QFETCH(double, xMin);
        QFETCH(double, xMax);
        QFETCH(int, columns);
        QFETCH(QList<QPointF>, expected);
        std::vector<QPointF> points;
        for (int i = 1; i <= 10; ++i) points.emplace_back(i, i * 10);
        QCOMPARE(DecimateMinMax(points, xMin, xMax, columns), expected);
    }

    void ScatterOnePointPerCell()
    {
        std::vector<QPointF> points;
        for (int i = 0; i < 100000; ++i) points.emplace_back(i / 100, i % 7);  // 7 rows of dots per x
        const QList<QPointF> reduced = DecimateScatter(points, 0, 999, 0, 6, 100, 100);
        QVERIFY(reduced.size() <= 100 * 7 + 7);
        QVERIFY(reduced.size() >= 100 * 7);
        const QList<QPointF> hidden = DecimateScatter(points, 0, 999, 100, 200, 100, 100);
        QVERIFY(hidden.isEmpty());
    }

    void ReplaceSetsAllPoints()
    {
        QLineSeries series;
        series.append(0, 0);
        const QList<QPointF> points{{1, 2}, {3, 4}};
        ReplacePoints(&series, points);
        QCOMPARE(series.points(), points);
    }

    void FileDialogSeam()
    {
        FileDialog::SetHeadless(true);
        FileDialog dialog(FileDialog::Kind::Save);
        QCOMPARE(dialog.FileName(), QStringLiteral("*.sim"));
        QVERIFY(!dialog.Execute(nullptr));  // headless without an answer: cancelled
        FileDialog::SetNextAnswer(QStringLiteral("/tmp/a.sim"));
        QVERIFY(dialog.Execute(nullptr));
        QCOMPARE(dialog.FileName(), QStringLiteral("/tmp/a.sim"));
        FileDialog::SetNextAnswer(std::nullopt);
        QVERIFY(!dialog.Execute(nullptr));
        QCOMPARE(dialog.FileName(), QStringLiteral("/tmp/a.sim"));  // a cancel keeps the last name

        FileDialog many(FileDialog::Kind::OpenMany);
        FileDialog::SetNextAnswers({QStringLiteral("/tmp/a.sim"), QStringLiteral("b.csv")});
        QVERIFY(many.Execute(nullptr));
        QCOMPARE(many.FileNames(),
                 (QStringList{QStringLiteral("/tmp/a.sim"), QDir::current().absoluteFilePath("b.csv")}));
        FileDialog::SetNextAnswers({});  // nothing chosen is a cancel
        QVERIFY(!many.Execute(nullptr));
        QCOMPARE(many.FileNames().size(), 2);
    }

    void MessageBoxRecords()
    {
        MessageBox::SetHeadless(true);
        MessageBox::ClearShown();
        bool whileShown = false;
        MessageBox::SetWhileShown([&] { whileShown = true; });
        MessageBox::ShowError(nullptr, QStringLiteral("text"), QStringLiteral("title"));
        QVERIFY(whileShown);
        QCOMPARE(MessageBox::Shown().size(), std::size_t{1});
        QCOMPARE(MessageBox::Shown().front().title, QStringLiteral("title"));
        QCOMPARE(MessageBox::Shown().front().text, QStringLiteral("text"));

        // A box goes only to the recorder installed last; the one before is
        // back when it ends.
        {
            const MessageBox::Recorder inner;
            QVERIFY(MessageBox::Shown().empty());
            MessageBox::ShowError(nullptr, QStringLiteral("inner"));
            QCOMPARE(MessageBox::Shown().size(), std::size_t{1});
        }
        QCOMPARE(MessageBox::Shown().size(), std::size_t{1});
        QCOMPARE(MessageBox::Shown().front().text, QStringLiteral("text"));
    }

    void ClockHasDateAndTime()
    {
        const QDateTime when(QDate(2026, 12, 9), QTime(23, 5, 7));
        const QString text = ClockText(when);
        QVERIFY2(text.contains(QStringLiteral("23:05:07")), qPrintable(text));
        QVERIFY2(!text.contains(QStringLiteral("UTC")), qPrintable(text));
        QVERIFY2(text.contains(QLatin1Char(' ')), qPrintable(text));
    }
};

QTEST_MAIN(PlatformTest)
#include "platform_test.moc"

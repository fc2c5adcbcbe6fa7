#include "../view/layerfixture.h"

#include "app/view/frmchart.h"
#include "app/runtime/messagetable.h"

#include <QChart>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QLineSeries>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <shapefil.h>

#include <algorithm>
#include <cmath>
#include <numeric>

// The distribution chart on a statistics table made from a real sample column (the births of
// 1974 in the 100 North Carolina counties), with two regions without data.
class TestChart : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void figuresAgreeWithTheColumn();
    void copyTextAndClose();
    void olderCopyAndAwkwardFolder();
    void everyRegionWithoutData();
    void missingFieldIsReported();
    void median();

private:
    QString writeStat(const QString &folder, const QList<double> &values);
    CChart request(const QString &folder) const;

    QTemporaryDir m_dir;
    QList<double> m_births; // the sample column
    const std::int32_t m_null = -2;
};

void TestChart::initTestCase() {
    SetDefaultTexts();
    const QByteArray path = (SamplesFolder() + QStringLiteral("/Maps/nc_counties.dbf")).toLocal8Bit();
    DBFHandle dbf = DBFOpen(path.constData(), "rb");
    QVERIFY(dbf);
    const int field = DBFGetFieldIndex(dbf, "BIR74");
    QVERIFY(field >= 0);
    for (int i = 0; i < DBFGetRecordCount(dbf); ++i)
        m_births.append(DBFReadDoubleAttribute(dbf, i, field));
    DBFClose(dbf);
    QCOMPARE(m_births.size(), 100);
}

// STAT.dbf with the key field REGION and the value field F1: the values, then two regions
// holding the null value.
QString TestChart::writeStat(const QString &folder, const QList<double> &values) {
    QDir().mkpath(folder);
    const QByteArray base = QDir(folder).filePath(QStringLiteral("STAT")).toLocal8Bit();
    DBFHandle dbf = DBFCreateEx(base.constData(), "UTF-8");
    DBFAddField(dbf, "REGION", FTString, 10, 0);
    DBFAddField(dbf, "F1", FTDouble, 19, 4);
    QList<double> all = values;
    all << double(m_null) << double(m_null);
    for (int i = 0; i < all.size(); ++i) {
        DBFWriteStringAttribute(dbf, i, 0, QByteArray::number(37001 + 2 * i).constData());
        DBFWriteDoubleAttribute(dbf, i, 1, all.at(i));
    }
    DBFClose(dbf);
    return folder;
}

CChart TestChart::request(const QString &folder) const {
    return CChart{QStringLiteral("STAT"), QStringLiteral("F1"), QStringLiteral("REGION"), folder,
                  QStringLiteral("Births 1974")};
}

void TestChart::figuresAgreeWithTheColumn() {
    const QString work = writeStat(m_dir.filePath(QStringLiteral("w1")), m_births);
    frmChart chart(request(work), work, m_null, QStringLiteral("##,##0.00"));
    QVERIFY(chart.Load());

    QList<double> sorted = m_births;
    std::sort(sorted.begin(), sorted.end());
    const double n = double(sorted.size());
    const double sum = std::accumulate(sorted.begin(), sorted.end(), 0.0);
    const double mean = sum / n;
    double squares = 0;
    for (double v : sorted)
        squares += (v - mean) * (v - mean);
    const double stdDev = std::sqrt(squares / (n - 1));
    const double median = (sorted.at(49) + sorted.at(50)) / 2;

    const ChartFigures &f = chart.Figures();
    QCOMPARE(f.count, qint64(100));
    QCOMPARE(*f.maximum, 21588.0);
    QCOMPARE(*f.minimum, 248.0);
    QCOMPARE(*f.sum, sum);
    QVERIFY(qFuzzyCompare(*f.mean, mean));
    QVERIFY(qFuzzyCompare(*f.stdDev, stdDev));
    QCOMPARE(*f.median, median);
    QCOMPARE(chart.PanelText(QStringLiteral("Count")), QStringLiteral("Count = 100"));
    QCOMPARE(chart.PanelText(QStringLiteral("Max")),
             QStringLiteral("Maximum = ") + QLocale().toString(21588.0, 'f', 2));

    // The chart holds every value with data, ascending.
    const auto series = chart.Chart()->series();
    QCOMPARE(series.size(), 1);
    const auto *line = qobject_cast<QLineSeries *>(series.first());
    QVERIFY(line);
    QCOMPARE(line->count(), 100);
    QCOMPARE(line->at(0).y(), 248.0);
    QCOMPARE(line->at(99).y(), 21588.0);
}

void TestChart::copyTextAndClose() {
    const QString work = writeStat(m_dir.filePath(QStringLiteral("w2")), m_births);
    frmChart chart(request(work), work, m_null, QStringLiteral("##,##0"));
    QVERIFY(chart.Load());
    QVERIFY(QDir(chart.WorkingFolder()).exists());
    QVERIFY(QFileInfo::exists(chart.WorkingFolder() + QStringLiteral("/STAT.dbf")));
    chart.cmdCopy->click();
    const QString text = QGuiApplication::clipboard()->text();
    QCOMPARE(text, chart.CopyText());
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 8); // seven panels, each ended by CR LF
    QVERIFY(lines.last().isEmpty());
    const QStringList labels{"Count", "Maximum", "Minimum", "Mean", "Median", "Standard deviation",
                             "Sum"};
    for (int i = 0; i < 7; ++i)
        QVERIFY2(lines.at(i).startsWith(labels.at(i) + QStringLiteral(" = ")),
                 qPrintable(lines.at(i)));
    QVERIFY(!text.contains(u'\n' + QString(u'\n')));
    chart.cmdClose->click();
    QVERIFY(!QDir(chart.WorkingFolder()).exists());
    // The statistics table itself stays.
    QVERIFY(QFileInfo::exists(work + QStringLiteral("/STAT.dbf")));
}

void TestChart::olderCopyAndAwkwardFolder() {
    // A working folder whose path holds ";" and an older copy left in its "Chart" folder.
    const QString work =
        writeStat(m_dir.filePath(QStringLiteral("we;ird \"folder\"")), {1, 2, 3, 4, 100});
    QVERIFY(QDir().mkpath(work + QStringLiteral("/Chart")));
    QFile old(work + QStringLiteral("/Chart/STAT.dbf"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("not a table");
    old.close();
    frmChart chart(request(work), work, m_null, QStringLiteral("##,##0"));
    QVERIFY(chart.Load());
    QCOMPARE(chart.Figures().count, qint64(5));
    QCOMPARE(*chart.Figures().median, 3.0);
    chart.reject(); // Escape or the window's close button
    QVERIFY(!QDir(work + QStringLiteral("/Chart")).exists());
}

void TestChart::everyRegionWithoutData() {
    MessageRecorder recorder;
    const QString work = writeStat(m_dir.filePath(QStringLiteral("w3")), {});
    frmChart chart(request(work), work, m_null, QStringLiteral("##,##0"));
    QVERIFY(chart.Load());
    QVERIFY(recorder.messages.isEmpty());
    QCOMPARE(chart.Figures().count, qint64(0));
    QCOMPARE(chart.PanelText(QStringLiteral("Count")), QStringLiteral("Count = 0"));
    QCOMPARE(chart.PanelText(QStringLiteral("Mean")), QStringLiteral("Mean = "));
    QCOMPARE(chart.PanelText(QStringLiteral("Median")), QStringLiteral("Median = "));
    QCOMPARE(chart.PanelText(QStringLiteral("Sum")), QStringLiteral("Sum = "));
    const auto *line = qobject_cast<QLineSeries *>(chart.Chart()->series().first());
    QCOMPARE(line->count(), 0);
}

void TestChart::missingFieldIsReported() {
    MessageRecorder recorder;
    const QString work = writeStat(m_dir.filePath(QStringLiteral("w4")), {1, 2});
    CChart wrong = request(work);
    wrong.StatField = QStringLiteral("F7");
    frmChart chart(wrong, work, m_null, QStringLiteral("##,##0"));
    QVERIFY(!chart.Load());
    QCOMPARE(recorder.messages.size(), 1);
    QVERIFY2(recorder.messages.first().startsWith(
                 QStringLiteral("Chorel (frmChart - Load)|F7 is missing in the statistics table.")),
             qPrintable(recorder.messages.first()));
}

void TestChart::median() {
    QCOMPARE(*Median({1, 2, 3, 4, 100}), 3.0);
    QCOMPARE(*Median({1, 2, 3, 4}), 2.5);
    QCOMPARE(*Median({1, 2, 3}), 2.0);
    QCOMPARE(*Median({7}), 7.0);
    QVERIFY(!Median({}));
}

QTEST_MAIN(TestChart)
#include "tst_chart.moc"

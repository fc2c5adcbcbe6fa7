// Times of the thematic settings dialog on the generated 50,000-region layer of the batch
// benchmark: from a change in the dialog (class count, classification type, one typed limit)
// until the preview legend and the class grid show it, the main map's redraw after OK, and
// opening the distribution chart. Medians of five rounds, wall and processor time. Run by hand:
//   QT_QPA_PLATFORM=offscreen build-bench/bin/bench_thematic [regions]
#include "batchdata.h"
#include "layerfixture.h"
#include "viewfixture.h"

#include "app/view/frmchart.h"
#include "app/view/frmclassification.h"
#include "bandwise/classification.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPainter>
#include <QTableWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

namespace {

struct Times {
    double wall = 0;
    double cpu = 0;
};

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

// Runs action rounds times (prepare first, untimed) and returns the median wall and processor
// times in milliseconds.
Times measure(int rounds, const std::function<void()> &prepare,
              const std::function<void()> &action) {
    QList<double> wall, cpu;
    for (int i = 0; i < rounds; ++i) {
        if (prepare)
            prepare();
        QElapsedTimer timer;
        const std::clock_t c0 = std::clock();
        timer.start();
        action();
        QCoreApplication::processEvents();
        wall.append(double(timer.nsecsElapsed()) / 1e6);
        cpu.append(double(std::clock() - c0) * 1000.0 / CLOCKS_PER_SEC);
    }
    return {median(wall), median(cpu)};
}

void report(const char *what, Times t, double goal) {
    std::printf("%-44s %8.1f ms wall %8.1f ms cpu   (goal %.0f ms)\n", what, t.wall, t.cpu, goal);
}

void choose(QComboBox *box, const QString &text) {
    const int index = box->findText(text);
    box->setCurrentIndex(index);
    emit box->activated(index);
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    const int regions = argc > 1 ? std::max(100, QString::fromLocal8Bit(argv[1]).toInt()) : 50000;
    QTemporaryDir home;
    const QString data = WriteBenchData(home.path(), regions, 8);
    if (data.isEmpty()) {
        std::fprintf(stderr, "cannot write the benchmark data\n");
        return 1;
    }
    qputenv("CHOREL_SAMPLES", home.path().toLocal8Bit());
    MessageRecorder quiet;
    ViewFixture view(data);
    int column = 1;
    if (!view.error.isEmpty() || !view.Build(1, column)) {
        std::fprintf(stderr, "cannot build the view: %s\n", qPrintable(view.error));
        return 1;
    }
    view.map.resize(1000, 700);
    std::printf("%d regions\n", view.ThematicLayer()->RecordCount());

    frmClassification dialog(view.context, view.work.path());
    dialog.show();
    QCoreApplication::processEvents();
    Classification &c = *dialog.clfClass;
    choose(c.TypeBox(), QStringLiteral("Quantile"));
    constexpr int rounds = 5;
    int classes = 5;
    report("class count changed (quantiles)",
           measure(rounds, nullptr,
                   [&] { choose(c.ClassBox(), QString::number(classes++)); }),
           200);
    bool equal = true;
    report("classification type changed",
           measure(rounds, nullptr, [&] {
               choose(c.TypeBox(), equal ? QStringLiteral("Equal Interval")
                                         : QStringLiteral("Quantile"));
               equal = !equal;
           }),
           200);
    choose(c.TypeBox(), QStringLiteral("Custom"));
    report("one typed limit (custom)",
           measure(
               rounds,
               [&] {
                   c.fgStat_Click(0, 1);
                   c.LimitBox()->setText(QString::number(c.Grid()->item(0, 1)->data(Qt::UserRole).toDouble() - 1, 'f', 0));
               },
               [&] { c.txtMax_Commit(); }),
           200);
    QImage image(view.map.size(), QImage::Format_RGB32);
    report("main map redrawn (after OK)", measure(rounds, nullptr, [&] {
               QPainter painter(&image);
               view.map.PaintMap(painter, 1.0);
           }),
           200);
    const QString field = view.state.StatFieldNames.value(0);
    report("distribution chart opened",
           measure(rounds, nullptr,
                   [&] {
                       CChart request{view.values.StatTable, field, view.values.StatKey,
                                      view.work.path(), QStringLiteral("bench")};
                       frmChart chart(request, view.work.path(), view.values.NullValue,
                                      view.values.NumberFormat);
                       chart.Load();
                       chart.show();
                       QCoreApplication::processEvents();
                       chart.accept();
                   }),
           500);
    dialog.reject();
    return 0;
}

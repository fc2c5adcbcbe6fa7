// Times of the view builder on the samples: a whole view (join, layers, classes, legend) per
// statistics column, and the quantile and equal-interval breaks alone. Run by hand:
//   CHOREL_SAMPLES=samples QT_QPA_PLATFORM=offscreen build/bin/bench_view
#include "layerfixture.h"
#include "viewfixture.h"

#include "app/view/classbreaks.h"
#include "contracts/maplayer.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>

namespace {

void timeViews(const QString &file, int columns, int rounds) {
    ViewFixture view(SamplesFolder() + QStringLiteral("/TQ-files/") + file);
    if (!view.error.isEmpty()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(file), qPrintable(view.error));
        return;
    }
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rounds; ++i) {
        int column = 1 + i % columns;
        view.Build(1, column);
    }
    const double perView = double(timer.nsecsElapsed()) / 1e6 / rounds;
    timer.restart();
    for (int type : {int(kbQuantile), int(kbEqual)}) {
        timer.restart();
        for (int i = 0; i < rounds; ++i) {
            int numClasses = 4;
            int classType = type;
            GetClasses(*view.ThematicLayer(), numClasses, QStringLiteral("STAT"), classType,
                       view.values);
        }
        std::printf("%-18s %s breaks: %.3f ms\n", qPrintable(file),
                    type == kbQuantile ? "quantile" : "equal   ",
                    double(timer.nsecsElapsed()) / 1e6 / rounds);
    }
    std::printf("%-18s BuildView: %.2f ms per view (%d regions)\n", qPrintable(file), perView,
                view.ThematicLayer()->RecordCount());
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    MessageRecorder quiet;
    timeViews(QStringLiteral("nc_births_74.tq"), 3, 50);
    timeViews(QStringLiteral("ny_leukaemia.tq"), 3, 50);
    timeViews(QStringLiteral("world_2014.sdv"), 3, 50);
    return 0;
}

// The toolbar's icons are drawn from their drawings when shown, at the size asked for: the
// folder of "Open" in its yellow at every size, greyed when disabled, and the same pixels
// when asked again (from the cache).
#include "app/view/toolicons.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTest>

class TestToolIcons : public QObject
{
    Q_OBJECT

private slots:
    void drawnAtTheSizeAskedFor()
    {
        const QIcon open = ToolIcon(QStringLiteral("Open"));
        QVERIFY(!open.isNull());
        QVERIFY(ToolIcon(QStringLiteral("NoSuchButton")).isNull());
        for (int size : {16, 24, 40, 48}) {
            const QImage image = open.pixmap(size, size).toImage();
            QCOMPARE(image.size(), QSize(size, size));
            // The folder's fill (#f2c94c) at the middle of its body, transparent in a corner.
            QCOMPARE(image.pixelColor(size / 2, size * 13 / 24).name(), QString("#f2c94c"));
            QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
            QCOMPARE(open.pixmap(size, size).toImage(), image);
        }
        const QImage disabled = open.pixmap(QSize(24, 24), QIcon::Disabled).toImage();
        const QColor grey = disabled.pixelColor(12, 13);
        QVERIFY(grey.name() != QString("#f2c94c"));
        QCOMPARE(grey.saturation(), 0);
    }

    // Painted into a larger rectangle (a high-density screen), the icon is drawn anew at that
    // size, not scaled up from a small picture.
    void paintedSharpAtAnySize()
    {
        QImage canvas(96, 96, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::transparent);
        QPainter painter(&canvas);
        ToolIcon(QStringLiteral("Open")).paint(&painter, canvas.rect());
        painter.end();
        QCOMPARE(canvas.pixelColor(48, 52).name(), QString("#f2c94c"));
        // The outline (#8a6d1d) is about four pixels wide at this size, at the folder's foot.
        int outline = 0;
        for (int y = 70; y < 96; ++y)
            outline += canvas.pixelColor(48, y).name() == QString("#8a6d1d");
        QVERIFY2(outline >= 2 && outline <= 6, qPrintable(QString::number(outline)));
    }
};

QTEST_MAIN(TestToolIcons)
#include "tst_toolicons.moc"

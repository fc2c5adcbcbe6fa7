// The scheme picker of the thematic settings dialog, driven offscreen: its entries, the
// choice by name and the preview strips read back pixel by pixel.
#include "app/view/schemepicker.h"
#include "bandwise/colourschemes.h"

#include <QSignalSpy>
#include <QTest>

class TestSchemePicker : public QObject {
    Q_OBJECT

private slots:
    void entries();
    void choiceByName();
    void stripsShowTheClassColours();
};

void TestSchemePicker::entries() {
    SchemePicker picker;
    QCOMPARE(picker.count(), 1 + int(ColourSchemes().size()));
    QCOMPARE(picker.scheme(), QString());
    QCOMPARE(picker.itemText(1), QString("BuGn"));
    QVERIFY(picker.itemIcon(0).isNull());
    QVERIFY(!picker.itemIcon(1).isNull());
}

void TestSchemePicker::choiceByName() {
    SchemePicker picker;
    QSignalSpy chosen(&picker, &SchemePicker::schemeChosen);
    picker.setScheme(QStringLiteral("rdbu"));
    QCOMPARE(picker.scheme(), QString("RdBu"));
    picker.setScheme(QStringLiteral("Rainbow"));
    QCOMPARE(picker.scheme(), QString());
    // Only the user's choice is announced.
    QCOMPARE(chosen.count(), 0);
    picker.activated(picker.findText(QStringLiteral("Greys")));
    QCOMPARE(chosen.count(), 1);
}

void TestSchemePicker::stripsShowTheClassColours() {
    SchemePicker picker;
    for (int classes : {3, 7}) {
        picker.setClassCount(classes);
        const ColourScheme *scheme = FindColourScheme(QStringLiteral("YlOrRd"));
        const QList<MapColor> colours = SchemeColours(*scheme, classes);
        const QImage strip =
            picker.itemIcon(picker.findText(QStringLiteral("YlOrRd"))).pixmap(picker.iconSize()).toImage();
        for (int i = 0; i < classes; ++i) {
            const int x = (2 * i + 1) * strip.width() / (2 * classes);
            QCOMPARE(strip.pixelColor(x, strip.height() / 2), toQColor(colours.at(i)));
        }
    }
}

QTEST_MAIN(TestSchemePicker)
#include "tst_schemepicker.moc"

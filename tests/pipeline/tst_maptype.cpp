#include "app/dialogs/frmmaptype.h"

#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

class TestMapType : public QObject {
    Q_OBJECT

private slots:
    void emptyTextsKeepTheDesign();
    void textsWidenTheChoicesAndCentreOk();
    void okTakesTheChoice_data();
    void okTakesTheChoice();
    void closingWithoutOkKeepsTheType();
};

void TestMapType::emptyTextsKeepTheDesign() {
    frmMapType dialog;
    const QString caption = dialog.windowTitle();
    const QString thematic = dialog.optThematic->text();
    const int width = dialog.optThematic->width();
    dialog.ApplyTexts(QString(), QString(), QString());
    QCOMPARE(dialog.windowTitle(), caption);
    QCOMPARE(dialog.optThematic->text(), thematic);
    QCOMPARE(dialog.optThematic->width(), width);
    QCOMPARE(dialog.optSymbol->width(), width);
}

void TestMapType::textsWidenTheChoicesAndCentreOk() {
    frmMapType dialog;
    const QString longText(60, u'x');
    dialog.ApplyTexts(QStringLiteral("Kartentyp"), QStringLiteral("Flächen"), longText);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Kartentyp"));
    // 75 twips (5 pixels) per character at least; both choices as wide as the wider one.
    QVERIFY(dialog.optSymbol->width() >= 300);
    QCOMPARE(dialog.optThematic->width(), dialog.optSymbol->width());
    QVERIFY(dialog.width() > dialog.optSymbol->width());
    const int centre = dialog.cmdOK->x() + dialog.cmdOK->width() / 2;
    QVERIFY(qAbs(centre - dialog.width() / 2) <= 1);
}

void TestMapType::okTakesTheChoice_data() {
    QTest::addColumn<bool>("symbol");
    QTest::newRow("choropleth") << false;
    QTest::newRow("circles") << true;
}

void TestMapType::okTakesTheChoice() {
    QFETCH(bool, symbol);
    bool circleMap = !symbol;
    QTimer::singleShot(0, this, [symbol] {
        auto *dialog = qobject_cast<frmMapType *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        (symbol ? dialog->optSymbol : dialog->optThematic)->setChecked(true);
        dialog->cmdOK->click();
    });
    QVERIFY(frmMapType::Choose(nullptr, circleMap, {}, {}, {}));
    QCOMPARE(circleMap, symbol);
}

void TestMapType::closingWithoutOkKeepsTheType() {
    bool circleMap = true;
    QTimer::singleShot(0, this, [] {
        auto *dialog = qobject_cast<frmMapType *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        dialog->optThematic->setChecked(true);
        dialog->reject();
    });
    QVERIFY(!frmMapType::Choose(nullptr, circleMap, {}, {}, {}));
    QVERIFY(circleMap);
}

QTEST_MAIN(TestMapType)
#include "tst_maptype.moc"

#include "../view/layerfixture.h"

#include "app/runtime/showmessage.h"
#include "bandwise/applybreaks.h"
#include "bandwise/classification.h"
#include "bandwise/colourschemes.h"
#include "contracts/maplayer.h"
#include "platform/legend/legendwidget.h"
#include "platform/mapcontrol/mapwidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using Values = QList<std::optional<double>>;

// The classification control driven through its widgets offscreen, on a real layer of ten
// regions with the values 10, 20, ..., 100 and two regions without data.
class TestClassification : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void opensOnTheRendererAsItIs();
    void noTypeSelectedDoesNothing();
    void equalIntervalsWithOtherColours();
    void quantilesLowerTheClassBox();
    void customLimitsTypedAndRefused();
    void limitKeysAndMessageKeys();
    void withoutRampMoreClassesChangeNothing();
    void legendSymbolRecolours();
    void naturalBreaksAndRoundedLimits();
    void schemeColoursTheClasses();

private:
    void choose(QComboBox *box, const QString &text);
    QString cell(int row, int column) const;

    QTemporaryDir m_dir;
    std::unique_ptr<MessageRecorder> m_messages;
    std::unique_ptr<MapWidget> m_map;
    std::unique_ptr<Classification> m_control;
    std::shared_ptr<ClassBreaksRenderer> m_original;
    int m_files = 0;
};

void TestClassification::init() {
    m_messages = std::make_unique<MessageRecorder>();
    InstallMessageHook();
    Values values{std::nullopt, -2.0};
    for (int v = 10; v <= 100; v += 10)
        values.append(double(v));
    const QString path =
        WriteSquares(m_dir.path(), QStringLiteral("c%1").arg(++m_files), values);
    m_map = std::make_unique<MapWidget>();
    const auto layer = m_map->AddShapefileLayer(path);
    QVERIFY(layer);
    // Four classes of the main program: 30, 50, 70 (breaks 1..3), no data white.
    ClassBreaksRenderer base;
    base.SetField(QStringLiteral("STAT"));
    base.Symbol(0).Color = 0xFFFFFF;
    m_original = ApplyBreaks(base, {0x00FFFF, 0x0000FF, true}, 3, {30, 50, 70}, -2);
    layer->SetRenderer(m_original);

    m_control = std::make_unique<Classification>();
    Classification &c = *m_control;
    c.setNullValue(-2);
    c.setMinValue(10);
    c.setMaxValue(100);
    c.setNumDecimals(0);
    c.setFormatString(QStringLiteral("##,##0"));
    for (int i = 3; i <= 64; ++i)
        c.AddClassNum(i);
    c.AddTypeItem(QStringLiteral("Equal Interval"), kbEqual);
    c.AddTypeItem(QStringLiteral("Quantile"), kbQuantile);
    c.AddTypeItem(QStringLiteral("Custom"), kbCustom);
    c.AddTypeItem(QStringLiteral("Natural breaks"), kbNatural);
    c.AddTypeItem(QStringLiteral("Rounded limits"), kbPretty);
    c.setShowNoData(1);
    c.resize(700, 400);
    c.show();
    c.MapSource(m_map.get(), QStringLiteral("STAT"));
    c.SetActiveClass();
}

void TestClassification::cleanup() {
    m_control.reset();
    m_map.reset();
    m_messages.reset();
}

void TestClassification::choose(QComboBox *box, const QString &text) {
    const int index = box->findText(text);
    QVERIFY(index >= 0);
    box->setCurrentIndex(index);
    emit box->activated(index);
}

QString TestClassification::cell(int row, int column) const {
    const QTableWidgetItem *item = m_control->Grid()->item(row, column);
    return item ? item->text() : QString();
}

void TestClassification::opensOnTheRendererAsItIs() {
    Classification &c = *m_control;
    c.SetActiveClassType(kbQuantile);
    QCOMPARE(c.Renderer(), m_original); // nothing was reclassified
    QCOMPARE(c.ClassBox()->currentText(), QStringLiteral("4"));
    QCOMPARE(c.CurrentClassNum(), 4);
    QCOMPARE(c.CurrentClassType(), int(kbQuantile));
    QCOMPARE(c.Grid()->rowCount(), 4);
    // The classes as the map paints them: a value on a break (30, 50, 70) in the lower class.
    const QStringList lower{"10", "31", "51", "71"};
    const QStringList upper{"30", "50", "70", "100"};
    const QStringList counts{"3", "2", "2", "3"};
    const QStringList percents{"30.0", "20.0", "20.0", "30.0"};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(cell(i, 0), lower.at(i));
        QCOMPARE(cell(i, 1), upper.at(i));
        QCOMPARE(cell(i, 2), counts.at(i));
        QCOMPARE(cell(i, 3), QLocale().toString(percents.at(i).toDouble(), 'f', 1));
    }
    QCOMPARE(*c.GetClasses(), (QList<double>{-1, 30, 50, 70}));
}

void TestClassification::noTypeSelectedDoesNothing() {
    Classification &c = *m_control;
    QCOMPARE(c.CurrentClassType(), -1);
    choose(c.ClassBox(), QStringLiteral("6"));
    QCOMPARE(c.Renderer(), m_original);
    QVERIFY(m_messages->messages.isEmpty());
}

void TestClassification::equalIntervalsWithOtherColours() {
    Classification &c = *m_control;
    c.setStartColor(0x00FF00);
    c.setEndColor(0x800000);
    choose(c.ClassBox(), QStringLiteral("6"));
    choose(c.TypeBox(), QStringLiteral("Equal Interval"));
    const auto renderer = c.Renderer();
    QVERIFY(renderer != m_original);
    QCOMPARE(renderer->BreakCount(), 6);
    QCOMPARE(renderer->Break(0), -1.0);
    QCOMPARE(renderer->Break(1), 25.0); // 10 + 90 / 6
    QCOMPARE(renderer->Break(5), 85.0);
    QCOMPARE(renderer->Symbol(0).Color, MapColor(0xFFFFFF));
    QCOMPARE(renderer->Symbol(1).Color, MapColor(0x00FF00));
    QCOMPARE(renderer->Symbol(6).Color, MapColor(0x800000));
    QCOMPARE(c.Grid()->rowCount(), 6);
    QCOMPARE(cell(0, 1), QStringLiteral("25"));
    QCOMPARE(cell(0, 2), QStringLiteral("2")); // 10 and 20
    QCOMPARE(cell(5, 2), QStringLiteral("2")); // 90 and 100
    QCOMPARE(c.CurrentClassNum(), 6);
    // The original renderer, which the host restores on Cancel, is untouched.
    QCOMPARE(m_original->BreakCount(), 4);
    QCOMPARE(m_original->Break(1), 30.0);
}

void TestClassification::quantilesLowerTheClassBox() {
    Classification &c = *m_control;
    choose(c.TypeBox(), QStringLiteral("Quantile"));
    choose(c.ClassBox(), QStringLiteral("64"));
    // Ten values give at most 10 breaks of which the walk finds 9: 10 classes... the control
    // shows the lowered count.
    const int classes = c.Renderer()->BreakCount();
    QVERIFY(classes < 64);
    QCOMPARE(c.ClassBox()->currentText(), QString::number(classes));
    QCOMPARE(c.CurrentClassNum(), classes);
    QCOMPARE(c.ClassBox()->currentIndex(), classes - 3);
}

void TestClassification::customLimitsTypedAndRefused() {
    Classification &c = *m_control;
    choose(c.TypeBox(), QStringLiteral("Custom"));
    // Choosing custom keeps the classes and puts the first upper limit into the edit box.
    QCOMPARE(*c.GetClasses(), (QList<double>{-1, 30, 50, 70}));
    QCOMPARE(c.LimitBox()->text(), QStringLiteral("30"));
    QLineEdit *edit = c.LimitBox();
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("3x5"));
    QCOMPARE(edit->text(), QStringLiteral("35"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(*c.GetClasses(), (QList<double>{-1, 35, 50, 70}));
    QCOMPARE(cell(0, 1), QStringLiteral("35"));
    QCOMPARE(cell(0, 2), QStringLiteral("3")); // 10, 20, 30
    // The edit moved on to row 2; a limit at or above the next row's is refused.
    QCOMPARE(c.Grid()->currentRow(), 1);
    edit->setText(QStringLiteral("70"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(m_messages->messages.size(), 1);
    QCOMPARE(m_messages->messages.last(),
             QStringLiteral("Chorel|Number can't be greater than or equal to 70"));
    // Below its lower limit.
    edit->setText(QStringLiteral("30"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(m_messages->messages.last(), QStringLiteral("Chorel|Number can't be less than 36"));
    // The last row below the data maximum.
    c.fgStat_Click(3, 1);
    edit->setText(QStringLiteral("90"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(m_messages->messages.last(), QStringLiteral("Chorel|Number can't be less than 100"));
    // The lowest limit above the data minimum.
    c.fgStat_Click(0, 0);
    edit->setText(QStringLiteral("11"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(m_messages->messages.last(), QStringLiteral("Chorel|Number can't be greater than 10"));
    QCOMPARE(m_messages->messages.size(), 4);
    QCOMPARE(*c.GetClasses(), (QList<double>{-1, 35, 50, 70}));
    // Enter on an empty box commits 0, accepted as the lowest limit.
    edit->clear();
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(c.MinValue(), 0.0);
    QCOMPARE(cell(0, 0), QStringLiteral("0"));
}

void TestClassification::limitKeysAndMessageKeys() {
    Classification &c = *m_control;
    // The message table's keys differ in case from the control's.
    QVERIFY(c.AddMsg(QStringLiteral("Tallet kan ikke være mindre enn"), QStringLiteral("Less")));
    QVERIFY(!c.AddMsg(QStringLiteral("again"), QStringLiteral("LESS")));
    choose(c.TypeBox(), QStringLiteral("Custom"));
    QLineEdit *edit = c.LimitBox();
    edit->setText(QStringLiteral("123"));
    edit->setCursorPosition(3);
    QTest::keyClick(edit, Qt::Key_Left);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClick(edit, Qt::Key_Delete);
    QCOMPARE(edit->text(), QStringLiteral("1"));
    QTest::keyClicks(edit, QStringLiteral("-a b"));
    QCOMPARE(edit->text(), QStringLiteral("1-"));
    // Pasted text keeps only what could be typed.
    edit->clear();
    edit->insert(QStringLiteral("1 2a3"));
    emit edit->textEdited(edit->text());
    QCOMPARE(edit->text(), QStringLiteral("123"));
    c.fgStat_Click(0, 1);
    edit->setText(QStringLiteral("5"));
    QTest::keyClick(edit, Qt::Key_Enter);
    QCOMPARE(m_messages->messages.last(),
             QStringLiteral("Chorel|Tallet kan ikke være mindre enn 10"));
}

void TestClassification::withoutRampMoreClassesChangeNothing() {
    Classification &c = *m_control;
    c.setRampColors(false);
    choose(c.TypeBox(), QStringLiteral("Equal Interval"));
    const auto fourClasses = c.Renderer();
    QCOMPARE(fourClasses->BreakCount(), 4);
    QCOMPARE(fourClasses->Symbol(4).Color, m_original->Symbol(4).Color);
    choose(c.ClassBox(), QStringLiteral("8"));
    QCOMPARE(c.Renderer(), fourClasses);
    QCOMPARE(c.ClassBox()->currentText(), QStringLiteral("4"));
    QCOMPARE(c.Grid()->rowCount(), 4);
}

void TestClassification::legendSymbolRecolours() {
    Classification &c = *m_control;
    QList<QColor> offered;
    c.setColorChooser([&offered](const QColor &initial) -> std::optional<QColor> {
        offered.append(initial);
        return QColor(1, 2, 3);
    });
    c.NoDataBox()->setChecked(false);
    // With "No data" hidden the legend counts from symbol 1: its symbol 3 is the last class.
    emit c.Legend()->SymbolClicked(0, 3);
    QCOMPARE(offered.size(), 1);
    QCOMPARE(offered.first(), toQColor(m_original->Symbol(4).Color));
    QCOMPARE(c.Renderer()->Symbol(4).Color, fromQColor(QColor(1, 2, 3)));
    QCOMPARE(c.EndColor(), fromQColor(QColor(1, 2, 3)));
    QVERIFY(!c.RampColors());
    QCOMPARE(m_original->Symbol(4).Color, MapColor(0x0000FF));
    // A cancelled colour box switches the ramp off without reclassifying.
    c.setRampColors(true);
    c.setColorChooser([](const QColor &) { return std::optional<QColor>(); });
    const auto before = c.Renderer();
    c.pbStart_Click();
    QVERIFY(!c.RampColors());
    QCOMPARE(c.Renderer(), before);
}

// The values 10, 20, ..., 100: natural breaks cut them evenly, rounded limits on tens.
void TestClassification::naturalBreaksAndRoundedLimits() {
    Classification &c = *m_control;
    choose(c.ClassBox(), QStringLiteral("5"));
    choose(c.TypeBox(), QStringLiteral("Natural breaks"));
    QCOMPARE(*c.GetClasses(), (QList<double>{-1, 20, 40, 60, 80}));
    QCOMPARE(c.Grid()->rowCount(), 5);
    QCOMPARE(cell(4, 0), QStringLiteral("81")); // 80 is painted in the class below
    QCOMPARE(cell(4, 1), QStringLiteral("100"));
    // Ten distinct values give ten classes at most: the class box shows the lowered count.
    choose(c.ClassBox(), QStringLiteral("12"));
    QCOMPARE(c.Renderer()->BreakCount(), 10);
    QCOMPARE(c.ClassBox()->currentText(), QStringLiteral("10"));
    QCOMPARE(c.CurrentClassNum(), 10);

    // 10..100 in about 4 classes: 0-20-...-100 (5 classes) beats 0-50-100 (2 classes).
    choose(c.ClassBox(), QStringLiteral("4"));
    choose(c.TypeBox(), QStringLiteral("Rounded limits"));
    QCOMPARE(*c.GetClasses(), (QList<double>{-1, 20, 40, 60, 80}));
    QCOMPARE(c.ClassBox()->currentText(), QStringLiteral("5"));
    QCOMPARE(cell(0, 1), QStringLiteral("20"));
    // About 3 classes: 0-50-100, one break, two classes: "<3".
    choose(c.ClassBox(), QStringLiteral("3"));
    QCOMPARE(*c.GetClasses(), (QList<double>{-1, 50}));
    QCOMPARE(c.ClassBox()->currentText(), QStringLiteral("<3"));
    QCOMPARE(c.Grid()->rowCount(), 1); // the placeholder row of fewer than 3 classes
    QVERIFY(!c.LimitBox()->parentWidget()->isEnabled());
    QVERIFY(m_messages->messages.isEmpty());
}

void TestClassification::schemeColoursTheClasses() {
    Classification &c = *m_control;
    const ColourScheme &ylOrRd = *FindColourScheme(QStringLiteral("YlOrRd"));
    const auto colours = [&c] {
        QList<MapColor> found;
        for (int i = 1; i <= c.Renderer()->BreakCount(); ++i)
            found.append(c.Renderer()->Symbol(i).Color);
        return found;
    };
    // Choosing a scheme recolours the classes as they are.
    c.Recolour(QStringLiteral("ylorrd"), std::nullopt);
    QCOMPARE(c.Scheme(), QStringLiteral("YlOrRd"));
    QCOMPARE(*c.GetClasses(), (QList<double>{-1, 30, 50, 70}));
    QCOMPARE(colours(), SchemeColours(ylOrRd, 4));
    QCOMPARE(c.Renderer()->Symbol(0).Color, MapColor(0xFFFFFF));
    QVERIFY(!c.findChild<QWidget *>(QStringLiteral("frmColor"))->isEnabled());
    QCOMPARE(m_original->Symbol(1).Color, MapColor(0x00FFFF));
    // Classes computed later take the scheme's colours for their number.
    choose(c.ClassBox(), QStringLiteral("6"));
    choose(c.TypeBox(), QStringLiteral("Equal Interval"));
    QCOMPARE(colours(), SchemeColours(ylOrRd, 6));

    // A diverging scheme centres on the midpoint set, else on the median (55, class 4 of 6).
    const ColourScheme &rdBu = *FindColourScheme(QStringLiteral("RdBu"));
    const QList<double> breaks = c.GetClasses()->mid(1);
    c.Recolour(QStringLiteral("RdBu"), std::nullopt);
    QCOMPARE(c.SchemeMidpoint(), 55.0);
    QCOMPARE(colours(), CentredSchemeColours(rdBu, breaks, 10, 100, 55));
    c.Recolour(QStringLiteral("RdBu"), 25.0);
    QCOMPARE(c.SchemeMidpoint(), 25.0);
    const QList<MapColor> centred = CentredSchemeColours(rdBu, breaks, 10, 100, 25);
    QCOMPARE(colours(), centred);
    QVERIFY(centred != CentredSchemeColours(rdBu, breaks, 10, 100, 55));

    // A class given a colour of its own in the legend ends the scheme; the others keep theirs.
    c.setColorChooser([](const QColor &) { return std::optional<QColor>(QColor(1, 2, 3)); });
    emit c.Legend()->SymbolClicked(0, 2);
    QVERIFY(c.Scheme().isEmpty());
    QVERIFY(!c.RampColors());
    QCOMPARE(colours().mid(2), centred.mid(2));
    QCOMPARE(colours().at(1), fromQColor(QColor(1, 2, 3)));
    c.Recolour(QStringLiteral("RdBu"), 25.0);

    // No scheme: back to the ramp from the start to the end colour.
    c.setRampColors(false);
    c.Recolour(QString(), std::nullopt);
    QVERIFY(c.RampColors());
    QCOMPARE(c.Renderer()->Symbol(1).Color, c.StartColor());
    QCOMPARE(c.Renderer()->Symbol(6).Color, c.EndColor());
    QVERIFY(c.findChild<QWidget *>(QStringLiteral("frmColor"))->isEnabled());
    QVERIFY(m_messages->messages.isEmpty());
}

QTEST_MAIN(TestClassification)
#include "tst_classification.moc"

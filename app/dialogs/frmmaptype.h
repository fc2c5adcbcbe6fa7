#pragma once

#include <QDialog>
#include <QString>

class QPushButton;
class QRadioButton;

// The map type chooser: before the first view of a newly opened statistics file is built,
// the user picks a choropleth map or a map of proportional circles.
class frmMapType : public QDialog {
    Q_OBJECT

public:
    explicit frmMapType(QWidget *parent = nullptr);

    // Applies the texts of the language table; an empty text keeps the design-time
    // caption (and width) of its control.
    void ApplyTexts(const QString &caption, const QString &thematic, const QString &symbol);

    // The choice shown when the dialog opens and, after OK, the choice made.
    bool circleMap() const { return m_circleMap; }
    void setCircleMap(bool circleMap);

    QRadioButton *optThematic = nullptr;
    QRadioButton *optSymbol = nullptr;
    QPushButton *cmdOK = nullptr;

    // Shows the chooser modally; circleMap changes only when the user presses OK.
    // Returns whether OK was pressed.
    static bool Choose(QWidget *parent, bool &circleMap, const QString &caption,
                       const QString &thematic, const QString &symbol);

private:
    void cmdOK_Click();
    void layoutControls();

    bool m_circleMap = false;
};

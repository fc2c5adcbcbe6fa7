#pragma once

#include <QComboBox>
#include <QPixmap>

struct ColourScheme;

// The colour scheme choice of the thematic settings dialog: the first entry keeps the colour
// ramp, every other entry is a colour scheme shown by its name and a preview strip of its
// colours for the current number of classes.
class SchemePicker : public QComboBox {
    Q_OBJECT

public:
    explicit SchemePicker(QWidget *parent = nullptr);

    // The chosen scheme's name, or empty for the ramp.
    QString scheme() const;
    // Chooses the scheme of that name (any letter case); an empty or unknown name chooses the
    // ramp.
    void setScheme(const QString &name);
    // Redraws the preview strips for that many classes.
    void setClassCount(int classes);
    int classCount() const { return m_classes; }

    // The preview strip of scheme: one equal cell per class colour, side by side.
    static QPixmap Strip(const ColourScheme &scheme, int classes, const QSize &size);

signals:
    // The user chose another entry; scheme is empty for the ramp.
    void schemeChosen(const QString &scheme);

private:
    void drawStrips();

    int m_classes = 5;
};

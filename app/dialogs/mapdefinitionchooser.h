#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QListWidget;

// Asks which map definition a statistics file that names none (a CSV or JSON-stat file) is
// drawn on: a list of the map definitions found, each with its folder, in search order.
class MapDefinitionChooser : public QDialog {
    Q_OBJECT

public:
    MapDefinitionChooser(const QString &dataFile, const QStringList &candidates,
                         QWidget *parent = nullptr);

    // The path chosen, empty while none is.
    QString chosen() const;
    QListWidget *list() const { return m_list; }

    // Shows the chooser modally; the path chosen, or empty when the user cancels or no map
    // definition was found.
    static QString Choose(QWidget *parent, const QString &dataFile, const QStringList &candidates);

private:
    QListWidget *m_list = nullptr;
    QStringList m_candidates;
};

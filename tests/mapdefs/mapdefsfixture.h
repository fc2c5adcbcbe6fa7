#pragma once

#include <QList>
#include <QString>

// Messages the program would show, recorded instead of a message box.
struct RecordedMessage {
    QString caption;
    int buttons = 0;
    QString text;
};

// Starts recording every message of the program; returns the list that fills up.
QList<RecordedMessage> &recordMessages();

// Writes text (with CR LF line ends) to path, creating folders on the way.
void writeFile(const QString &path, const QByteArray &text);

// Copies the sample shapefile set Maps/<sample>.* to folder/<base>.*.
void copySampleShapefile(const QString &sample, const QString &folder, const QString &base);

QString samplesFolder();

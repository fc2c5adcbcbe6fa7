#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class MapLayer;
class MapWidget;

// Small real shapefiles for the view tests: one square region per value, side by side, with
// the text key field "KEY" and the numeric field "STAT" (NULL where a value is missing).
QString WriteSquares(const QString &folder, const QString &name,
                     const QList<std::optional<double>> &values);

// Messages shown during a test, as "caption|text"; the log goes into a temporary folder.
struct MessageRecorder {
    MessageRecorder();
    ~MessageRecorder();
    QStringList messages;
    QString logFile;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// The samples folder (CHOREL_SAMPLES).
QString SamplesFolder();

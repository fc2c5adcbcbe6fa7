#pragma once

#include <QStringList>

// Collects what GDAL reports while it lives (GDAL would print it on stderr): failures are kept
// for our messages, warnings and debug output are dropped. One per call into GDAL.
class GdalErrors {
public:
    GdalErrors();
    ~GdalErrors();
    GdalErrors(const GdalErrors &) = delete;
    GdalErrors &operator=(const GdalErrors &) = delete;

    const QStringList &failures() const { return m_failures; }
    void add(const QString &text);

private:
    QStringList m_failures;
};

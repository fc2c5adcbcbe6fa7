#pragma once

#include <QByteArray>
#include <QPaintDevice>
#include <QSize>
#include <QString>

#include <memory>

class QIODevice;
class WmfPaintEngine;

// A paint device that records what a QPainter draws as a placeable Windows metafile, so
// the painting code of the screen also writes metafiles. Painter coordinates are pixels of
// size() at resolution() dots per inch; the file keeps finer logical units.
//
// The metafile is written when the painter ends: to the output device if one is set, else
// to the file name (through a temporary file, so a failure leaves any old file whole);
// data() holds it in any case, for the clipboard. QPainter::end() reports whether writing
// succeeded.
class WmfGenerator : public QPaintDevice {
public:
    WmfGenerator();
    ~WmfGenerator() override;

    void setFileName(const QString &fileName) { m_fileName = fileName; }
    const QString &fileName() const { return m_fileName; }
    void setOutputDevice(QIODevice *device) { m_device = device; }
    QIODevice *outputDevice() const { return m_device; }

    void setSize(const QSize &size) { m_size = size; }
    QSize size() const { return m_size; }
    void setResolution(int dpi) { m_resolution = dpi > 0 ? dpi : 96; }
    int resolution() const { return m_resolution; }

    const QByteArray &data() const { return m_data; }
    // Why the file could not be written when the painter's end() failed ("No space left on
    // device"); empty otherwise.
    const QString &errorString() const { return m_error; }

    QPaintEngine *paintEngine() const override;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    friend class WmfPaintEngine;

    std::unique_ptr<WmfPaintEngine> m_engine;
    QString m_fileName;
    QIODevice *m_device = nullptr;
    QSize m_size;
    int m_resolution = 96;
    QByteArray m_data;
    QString m_error;
};

// The metrics of a paint device that draws a picture of size pixels at dpi dots per inch (a
// metafile, a vector picture in memory); -1 for a metric it does not decide.
int PictureDeviceMetric(QPaintDevice::PaintDeviceMetric metric, const QSize &size, int dpi);

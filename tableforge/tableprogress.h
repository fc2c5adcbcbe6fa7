#pragma once

#include <QObject>
#include <QString>

// The progress bar CreateTable drives: Max, Value and Refresh. The library has no widgets;
// the program connects these signals to its progress bar (Refresh to a synchronous repaint).
class TableProgress : public QObject {
    Q_OBJECT
public:
    explicit TableProgress(QObject *parent = nullptr) : QObject(parent) {}

    int Max() const { return m_max; }
    void setMax(int max);
    int Value() const { return m_value; }
    void setValue(int value);
    void Refresh() { emit refreshRequested(); }

signals:
    void maxChanged(int max);
    void valueChanged(int value);
    void refreshRequested();

private:
    int m_max = 100;
    int m_value = 0;
};

// The form whose caption shows the percentage: Caption and Refresh.
class TableCaption : public QObject {
    Q_OBJECT
public:
    explicit TableCaption(const QString &caption = QString(), QObject *parent = nullptr)
        : QObject(parent), m_caption(caption)
    {
    }

    const QString &Caption() const { return m_caption; }
    void setCaption(const QString &caption);
    void Refresh() { emit refreshRequested(); }

signals:
    void captionChanged(const QString &caption);
    void refreshRequested();

private:
    QString m_caption;
};

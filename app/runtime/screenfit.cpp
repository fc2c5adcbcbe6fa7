#include "app/runtime/screenfit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QWidget>

#include <algorithm>

namespace {

// Room for the title bar and the frame the window manager adds.
constexpr int FrameMargin = 48;
constexpr int SmallestSide = 120;

QSettings store() { return QSettings(QStringLiteral("Chorel"), QStringLiteral("Chorel")); }

QString entry(const QString &key) { return QStringLiteral("Windows/") + key; }

} // namespace

QSize AvailableWindowSize(const QWidget *widget)
{
    const QScreen *screen = widget && widget->screen() ? widget->screen()
                                                       : QGuiApplication::primaryScreen();
    if (!screen)
        return QSize(1024, 768);
    const QSize available = screen->availableGeometry().size();
    return QSize(std::max(SmallestSide, available.width() - FrameMargin / 2),
                 std::max(SmallestSide, available.height() - FrameMargin));
}

void FitToScreen(QWidget *window, QSize preferred)
{
    const QSize available = AvailableWindowSize(window);
    window->setMinimumSize(window->minimumSize().boundedTo(available));
    window->resize(preferred.boundedTo(available));
}

void RestoreWindowSize(QWidget *window, const QString &key, QSize preferred)
{
    const QSize available = AvailableWindowSize(window);
    const QSize remembered = store().value(entry(key)).toSize();
    if (remembered.isValid() && remembered.width() >= SmallestSide &&
        remembered.height() >= SmallestSide)
        preferred = remembered;
    window->setMinimumSize(window->minimumSize().boundedTo(available));
    window->resize(preferred.boundedTo(available));
}

void SaveWindowSize(const QWidget *window, const QString &key)
{
    // A maximised window keeps the size it had before, which is what it opens at next time.
    const QSize size = window->isMaximized() || window->isFullScreen()
                           ? window->normalGeometry().size()
                           : window->size();
    if (size.isValid())
        store().setValue(entry(key), size);
}

void RestoreSplitter(QSplitter *splitter, const QString &key)
{
    const QByteArray state = store().value(entry(key)).toByteArray();
    if (!state.isEmpty())
        splitter->restoreState(state);
}

void SaveSplitter(const QSplitter *splitter, const QString &key)
{
    store().setValue(entry(key), splitter->saveState());
}

QString RememberedChoice(const QString &key, const QString &fallback)
{
    return store().value(entry(key), fallback).toString();
}

void RememberChoice(const QString &key, const QString &value)
{
    store().setValue(entry(key), value);
}

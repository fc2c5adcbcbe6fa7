#include "mainwindowfixture.h"

#include "app/layout/standardwindow.h"
#include "app/runtime/showmessage.h"
#include "platform/mapcontrol/mapwidget.h"

#include <QDir>
#include <QMouseEvent>
#include <QtTest>

MainWindowFixture::MainWindowFixture()
{
    SetMessageBoxFunction([this](const QString &caption, int, const QString &text) {
        messages << caption + u'|' + text;
    });
}

MainWindowFixture::~MainWindowFixture()
{
    form.reset();
    SetMessageBoxFunction(nullptr);
}

QString MainWindowFixture::path(const QString &relative) const
{
    return QDir(home.path()).filePath(relative);
}

bool MainWindowFixture::start(const QString &dataFile, const QStringList &moreArguments)
{
    const QString samples = qEnvironmentVariable("CHOREL_SAMPLES");
    QDir folder(home.path());
    for (const QString &name : {QStringLiteral("Maps"), QStringLiteral("TQ-files")}) {
        if (!folder.mkpath(name))
            return false;
        const QDir from(samples + u'/' + name);
        for (const QString &file : from.entryList(QDir::Files))
            QFile::copy(from.filePath(file), folder.filePath(name + u'/' + file));
    }
    if (!folder.mkpath(QStringLiteral("tmp")))
        return false;
    qputenv("CHOREL_HOME", home.path().toLocal8Bit());
    qputenv("TMPDIR", path(QStringLiteral("tmp")).toLocal8Bit());
    // A choropleth map unless the arguments ask for a map type.
    QStringList arguments{QStringLiteral("-f"), path(QStringLiteral("TQ-files/") + dataFile)};
    if (!moreArguments.contains(QStringLiteral("-c")))
        arguments << QStringLiteral("-c") << QStringLiteral("choroplet");
    form = std::make_unique<MainForm>(ParseCommandLine(arguments + moreArguments),
                                      StandardWindowParts());
    form->Load();
    form->show();
    map = form->findChild<MapWidget *>(QStringLiteral("Map"));
    if (!map)
        return false;
    return QTest::qWaitFor([this] { return map->LayerCount() > 0; }, 20000) &&
           map->width() > 200 && map->height() > 200;
}

void SendMouse(QWidget *widget, QEvent::Type type, QPointF at, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

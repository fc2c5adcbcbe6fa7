#include "layerfixture.h"

#include "app/runtime/chorelglobals.h"
#include "app/runtime/showmessage.h"
#include "app/runtime/messagetable.h"

#include <QTemporaryDir>
#include <QTest>

#include <shapefil.h>

QString WriteSquares(const QString &folder, const QString &name,
                     const QList<std::optional<double>> &values) {
    const QByteArray base = (folder + u'/' + name).toLocal8Bit();
    SHPHandle shp = SHPCreate(base.constData(), SHPT_POLYGON);
    DBFHandle dbf = DBFCreate((base + ".dbf").constData());
    if (!shp || !dbf)
        return QString();
    DBFAddField(dbf, "KEY", FTString, 10, 0);
    DBFAddField(dbf, "STAT", FTDouble, 19, 6);
    for (int i = 0; i < values.size(); ++i) {
        double x[5] = {double(i), double(i) + 1, double(i) + 1, double(i), double(i)};
        double y[5] = {0, 0, 1, 1, 0};
        SHPObject *square = SHPCreateSimpleObject(SHPT_POLYGON, 5, x, y, nullptr);
        SHPWriteObject(shp, -1, square);
        SHPDestroyObject(square);
        DBFWriteStringAttribute(dbf, i, 0, QByteArray::number(i + 1).constData());
        if (values.at(i))
            DBFWriteDoubleAttribute(dbf, i, 1, *values.at(i));
        else
            DBFWriteNULLAttribute(dbf, i, 1);
    }
    SHPClose(shp);
    DBFClose(dbf);
    return folder + u'/' + name + QStringLiteral(".shp");
}

struct MessageRecorder::Impl {
    QTemporaryDir logFolder;
};

MessageRecorder::MessageRecorder() : m_impl(std::make_unique<Impl>()) {
    logFile = m_impl->logFolder.filePath(QStringLiteral("Chorel.log"));
    Globals().LogFile = logFile;
    SetDefaultTexts();
    SetBatchMessages(false);
    SetMessageBoxFunction([this](const QString &caption, int, const QString &text) {
        messages.append(caption + u'|' + text);
    });
}

MessageRecorder::~MessageRecorder() {
    SetMessageBoxFunction({});
}

QString SamplesFolder() {
    return qEnvironmentVariable("CHOREL_SAMPLES");
}

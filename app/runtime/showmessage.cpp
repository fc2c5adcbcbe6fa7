#include "app/runtime/showmessage.h"

#include "app/runtime/chorelglobals.h"
#include "app/runtime/logfile.h"
#include "app/runtime/messagetable.h"
#include "contracts/messagehook.h"
#include "contracts/tableprovider.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

#include <cstdio>
#include <cstring>

namespace {

const QChar CR(13);
const QString CRLF = QStringLiteral("\r\n");

constexpr std::int32_t errMissingParameter = -2147217904; // hexadecimal 80040E10
constexpr std::int32_t errReadPastEnd = 62;
constexpr std::int32_t errInvalidProperty = 380;

bool g_batch = false;

} // namespace

bool HasDisplay()
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return false;
    const QString platform = QGuiApplication::platformName();
    return platform != QStringLiteral("offscreen") && platform != QStringLiteral("minimal");
}

namespace {

void toStderr(const QString &caption, const QString &text)
{
    QString plain = text;
    plain.replace(CRLF, QStringLiteral("\n")).replace(CR, u'\n');
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(caption), qUtf8Printable(plain));
}

void defaultMessageBox(const QString &caption, int buttons, const QString &text)
{
    if (!HasDisplay()) {
        toStderr(caption, text);
        return;
    }
    const QMessageBox::Icon icon = buttons == 16   ? QMessageBox::Critical
                                   : buttons == 48 ? QMessageBox::Warning
                                   : buttons == 64 ? QMessageBox::Information
                                                   : QMessageBox::NoIcon;
    QMessageBox box(icon, caption, text, QMessageBox::Ok);
    const QString ok = MessageText(QStringLiteral("OK"));
    if (!ok.isEmpty())
        box.button(QMessageBox::Ok)->setText(ok);
    box.exec();
}

MessageBoxFunction &messageBoxFunction()
{
    static MessageBoxFunction function = defaultMessageBox;
    return function;
}

// Shows a message by the rules of the mode. In batch mode it is written to stderr with its
// caption and, when logIt is set, to the log as a batch entry: date and time, then the
// message, as every batch entry of the program is laid out.
void present(const QString &caption, int buttons, const QString &text, bool logIt)
{
    if (!g_batch) {
        messageBoxFunction()(caption, buttons, text);
        return;
    }
    toStderr(caption, text);
    if (logIt)
        WriteBatchLog(text);
}

} // namespace

void ReportBatchFailure(const QString &text)
{
    toStderr(QStringLiteral("Chorel"), text);
    WriteBatchLog(text);
}

void SetBatchMessages(bool batch) { g_batch = batch; }

bool BatchMessages() { return g_batch; }

void SetMessageBoxFunction(MessageBoxFunction function)
{
    messageBoxFunction() = function ? std::move(function) : defaultMessageBox;
}

void InstallMessageHook()
{
    setMessageHook([](const QString &caption, int buttons, const QString &text) {
        present(caption, buttons, text, true);
    });
}

void ShowMessage(const QString &caption, int buttons, const QString &text)
{
    if (!text.isEmpty())
        present(caption, buttons, text, true);
}

QString BuildErrorReport(const RunTimeError &error)
{
    return QStringLiteral("Error #") + QString::number(error.number()) + CR +
           QStringLiteral("   ") + error.description() + CR + QStringLiteral("   (Source: ") +
           error.source() + u')' + CR + QStringLiteral("   (Last DLL error: ") +
           QString::number(error.lastDllError()) + u')' + CR +
           provider::errorHelpLines(error.helpFile(), error.helpContext());
}

void ShowMessage(const QString &caption, int buttons, const RunTimeError &pending)
{
    switch (pending.number()) {
    case errMissingParameter:
        present(caption, buttons, MessageText(QStringLiteral("MissingData")), true);
        return;
    case errReadPastEnd:
    case errInvalidProperty:
        return;
    default:
        break;
    }
    const QString report = BuildErrorReport(pending);
    try {
        WriteLog(Globals().LogFile,
                 LogStamp() + CRLF + caption + CRLF + report + CRLF);
    } catch (const RunTimeError &error) {
        std::fprintf(stderr, "Chorel: the log %s cannot be written: %s\n",
                     qUtf8Printable(Globals().LogFile), std::strerror(error.lastDllError()));
    }
    if (g_batch) {
        toStderr(caption, report);
        return;
    }
    present(caption, buttons, MessageText(QStringLiteral("GenErrorMsg")) + CRLF + Globals().LogFile,
            false);
}

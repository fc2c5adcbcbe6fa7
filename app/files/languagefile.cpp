#include "app/files/languagefile.h"

#include "app/runtime/showmessage.h"
#include "kitbag/kbprofile.h"
#include "kitbag/kbutil.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace {

const QString section = QStringLiteral("CHOREL");
const QString CRLF = QStringLiteral("\r\n");

// Reads the keys in order; a non-empty value replaces the text. Multi-line values write
// their line breaks as "<CRLF>".
void readKeys(const CKbUtil &util, const QString &path, const QStringList &keys)
{
    MessageTable &table = Messages();
    for (const QString &key : keys) {
        QString value = util.ReadIniFile(path, section, key);
        if (value.isEmpty())
            continue;
        if (key == QStringLiteral("GenErrorMsg"))
            value.replace(QStringLiteral("<CRLF>"), CRLF);
        table.setText(key, value);
        table.markFromLanguageFile(key);
    }
}

// The About text: AboutDescription1 ... AboutDescriptionN, each followed by a line break.
// A count beyond the entries of the section can only add empty lines; it is cut there so
// that a wild number cannot stall the start.
QString aboutText(const CKbUtil &util, const QString &path, int lines)
{
    const qsizetype entries = kbprofile::sectionEntries(path, section).size();
    QString text;
    for (int i = 1; i <= lines && i <= entries; ++i)
        text += util.ReadIniFile(path, section, QStringLiteral("AboutDescription%1").arg(i)) + CRLF;
    return text;
}

} // namespace

bool InstallQtTranslations(const QString &locale)
{
    // One translator for the program's lifetime: a second language file replaces the first's.
    static std::unique_ptr<QTranslator> installed;
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    if (locale.trimmed().isEmpty())
        return false;
    auto translator = std::make_unique<QTranslator>();
    // "qt" takes in the translations of every Qt module installed ("qt_de.qm" names them).
    if (!translator->load(QLocale(locale.trimmed()), QStringLiteral("qt"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    if (!QCoreApplication::installTranslator(translator.get()))
        return false;
    installed = std::move(translator);
    return true;
}

bool ReadLanguage(const QString &path, const ErrorMsgRegistrar &tableBuilder)
{
    const CKbUtil util;
    MessageTable &table = Messages();
    readKeys(util, path, CaptionKeys());
    readKeys(util, path, TextKeysBeforeAbout());

    bool isNumber = false;
    const int aboutLines =
        util.ReadIniFile(path, section, QStringLiteral("AboutDescription")).toInt(&isNumber);
    if (!isNumber) {
        ShowMessage(QStringLiteral("Chorel (ReadLanguage) AboutDescription"), 64,
                    QStringLiteral("Error in the language file ") + path);
        return false;
    }
    readKeys(util, path, TextKeysAfterAbout());

    for (const BuilderMessage &m : BuilderMessages()) {
        QString value = util.ReadIniFile(path, section, m.key);
        if (value.isEmpty()) {
            value = m.english;
        } else {
            if (m.key == QStringLiteral("Variable"))
                value.replace(QStringLiteral("<CRLF>"), CRLF);
            table.setText(m.key, value);
            table.markFromLanguageFile(m.key);
        }
        if (tableBuilder)
            tableBuilder(value, m.tag);
    }

    const QString about = aboutText(util, path, aboutLines);
    if (!about.isEmpty()) {
        table.setText(QStringLiteral("AboutDescription"), about);
        table.markFromLanguageFile(QStringLiteral("AboutDescription"));
    }
    const QString openFilter = util.ReadIniFile(path, section, QStringLiteral("OpenFilter"));
    if (!openFilter.isEmpty()) {
        table.setText(QStringLiteral("OpenFilter"), openFilter);
        table.markFromLanguageFile(QStringLiteral("OpenFilter"));
    }
    table.setLanguageFile(path);
    // Qt's own dialogs (colours, files, printing) in the language of the file.
    InstallQtTranslations(util.ReadIniFile(path, section, QStringLiteral("Locale")));
    return true;
}

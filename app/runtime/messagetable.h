#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

// The user-interface texts and messages of the program, keyed by the language-file keys
// ("MissingFile", "GenErrorMsg", "Open", ...). Filled with the built-in English texts at
// start-up; a language file replaces any of them. Menu entries take their captions from the
// keys of their function ("File", "SaveAs", "ZoomIn", ...).
class MessageTable {
public:
    // The text of key; an unknown key gives the empty text.
    QString text(const QString &key) const { return m_texts.value(key); }
    void setText(const QString &key, const QString &text) { m_texts.insert(key, text); }
    // Every key of the table, sorted.
    QStringList keys() const;

    // Whether the language file gave key a value (tool tips follow such captions).
    bool fromLanguageFile(const QString &key) const { return m_fromFile.contains(key); }
    void markFromLanguageFile(const QString &key) { m_fromFile.insert(key); }

    // The language file that was read, empty with the English texts.
    const QString &languageFile() const { return m_languageFile; }
    void setLanguageFile(const QString &path) { m_languageFile = path; }

    void clear();

private:
    QHash<QString, QString> m_texts;
    QSet<QString> m_fromFile;
    QString m_languageFile;
};

// The program's one message table.
MessageTable &Messages();

// Shorthand for Messages().text(key).
QString MessageText(const QString &key);

// Registers one of the statistics table builder's message texts under its tag (the table
// builder's AddErrorMsg): arguments text, tag.
using ErrorMsgRegistrar = std::function<void(const QString &text, const QString &tag)>;

// The keys the language file is read by, in reading order: first the menu and button
// captions, then the texts up to AboutDescription, then the texts after it.
const QStringList &CaptionKeys();
const QStringList &TextKeysBeforeAbout();
const QStringList &TextKeysAfterAbout();

// The table builder's messages: key in the language file, tag and English text.
struct BuilderMessage {
    QString key;
    QString tag;
    QString english;
};
const QList<BuilderMessage> &BuilderMessages();

// Fills the table with the English texts; with a registrar the table builder's seven
// messages are registered as well.
void SetDefaultTexts(const ErrorMsgRegistrar &tableBuilder = {});

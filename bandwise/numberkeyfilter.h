#pragma once

#include <QObject>

class QLineEdit;

// Keeps a text box to a number: digits always, and optionally a minus sign and the user's
// decimal symbol. Editing keys (arrows, Home, End, Backspace, Delete, Tab) and shortcuts
// (Ctrl+C, Ctrl+V, Ctrl+A, ...) pass; other characters are dropped; pasted or dropped text
// loses every character that could not have been typed. Enter emits committed().
class NumberKeyFilter : public QObject {
    Q_OBJECT
public:
    struct Allowed {
        bool minus = false;
        QChar decimal; // the decimal symbol; none: whole numbers only
    };
    NumberKeyFilter(QLineEdit *edit, Allowed allowed);

    // The text with every character dropped that the filter would not let through.
    static QString Clean(const QString &text, Allowed allowed);

signals:
    void committed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *m_edit;
    Allowed m_allowed;
};

#include "app/layout/aboutdialog.h"

#include "app/runtime/messagetable.h"

#include <QMessageBox>
#include <QPushButton>

#ifndef CHOREL_VERSION
#define CHOREL_VERSION "1.0"
#endif

// The licence notice stays as written whatever the language file says: it is the
// program's licence, not a text to translate.
QString LicenceNotice()
{
    return QStringLiteral("Copyright the Chorel developers. Chorel is free software: you may "
                          "redistribute it and/or modify it under the terms of the GNU General "
                          "Public License, version 3 or (at your option) any later version "
                          "(GPL-3.0-or-later). It comes with ABSOLUTELY NO WARRANTY.");
}

QString AboutText()
{
    return QStringLiteral("Chorel ") + QStringLiteral(CHOREL_VERSION) + QStringLiteral("\r\n\r\n") +
           MessageText(QStringLiteral("AboutDescription")).trimmed() +
           QStringLiteral("\r\n\r\n") + LicenceNotice();
}

void ShowAboutDialog(QWidget *parent)
{
    QString title = MessageText(QStringLiteral("About"));
    title.remove(u'&');
    QMessageBox about(QMessageBox::Information, title, AboutText(), QMessageBox::Ok, parent);
    about.setObjectName(QStringLiteral("frmAbout"));
    about.button(QMessageBox::Ok)->setText(MessageText(QStringLiteral("OK")));
    about.exec();
}

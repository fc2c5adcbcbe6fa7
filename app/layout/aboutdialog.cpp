#include "app/layout/aboutdialog.h"

#include "app/files/messagetable.h"

#include <QMessageBox>
#include <QPushButton>

#ifndef CHOREL_VERSION
#define CHOREL_VERSION "1.0"
#endif

QString AboutText()
{
    return QStringLiteral("Chorel ") + QStringLiteral(CHOREL_VERSION) + QStringLiteral("\r\n\r\n") +
           MessageText(QStringLiteral("AboutDescription")).trimmed();
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

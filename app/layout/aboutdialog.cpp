#include "app/layout/aboutdialog.h"

#include "app/files/messagetable.h"

#include <QMessageBox>

void ShowAboutDialog(QWidget *parent)
{
    QString title = MessageText(QStringLiteral("About"));
    title.remove(u'&');
    QMessageBox about(QMessageBox::Information, title,
                      MessageText(QStringLiteral("AboutDescription")).trimmed(),
                      QMessageBox::Ok, parent);
    about.exec();
}

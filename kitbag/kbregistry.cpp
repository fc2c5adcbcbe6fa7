#include "kitbag/kbutil.h"

#include "contracts/messagehook.h"

#include <QLocale>
#include <QProcess>
#include <QSettings>

// The registry and the per-user settings store live in QSettings files of the organisation
// "Chorel" (~/.config/Chorel/ on Linux). The registry's international settings are answered
// from the user's locale (LC_NUMERIC) instead, since that is where Linux keeps them.

namespace {

QString rootName(std::uint32_t root)
{
    switch (root) {
    case CKbUtil::HKEY_CLASSES_ROOT:
        return QStringLiteral("HKEY_CLASSES_ROOT");
    case CKbUtil::HKEY_CURRENT_USER:
        return QStringLiteral("HKEY_CURRENT_USER");
    case CKbUtil::HKEY_LOCAL_MACHINE:
        return QStringLiteral("HKEY_LOCAL_MACHINE");
    default:
        return QStringLiteral("HKEY_%1").arg(root, 8, 16, QChar(u'0'));
    }
}

// Registry names match without regard to case; "\" separates keys.
QString registryPath(std::uint32_t root, const QString &keyName, const QString &valueName)
{
    QString key = keyName;
    key.replace(u'\\', u'/');
    return (rootName(root) + u'/' + key + u'/' + valueName).toLower();
}

bool isInternational(const QString &keyName)
{
    QString key = keyName;
    key.replace(u'\\', u'/');
    return key.compare(QStringLiteral("Control Panel/International"), Qt::CaseInsensitive) == 0;
}

// The locale's answers for the values of "Control Panel\International" callers ask for.
QString internationalValue(const QString &valueName)
{
    const QLocale locale = QLocale::system();
    if (valueName.compare(QStringLiteral("sDecimal"), Qt::CaseInsensitive) == 0)
        return locale.decimalPoint();
    if (valueName.compare(QStringLiteral("sThousand"), Qt::CaseInsensitive) == 0)
        return locale.groupSeparator();
    if (valueName.compare(QStringLiteral("sList"), Qt::CaseInsensitive) == 0)
        return locale.decimalPoint() == QStringLiteral(",") ? QStringLiteral(";")
                                                            : QStringLiteral(",");
    return QString();
}

const QString registryName = QStringLiteral("Registry");

// Reports a failed store operation as "number: description" and returns normally.
void reportStoreError(QSettings &settings)
{
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return;
    const QString text = settings.status() == QSettings::AccessError
                             ? QStringLiteral("75: Path/File access error")
                             : QStringLiteral("75: The settings store could not be read");
    showLibraryMessage(QStringLiteral("Chorel"), 16, text);
}

bool invalidAddress(const QString &appName, const QString &section, const QString &key)
{
    if (!appName.trimmed().isEmpty() && !section.trimmed().isEmpty() && !key.trimmed().isEmpty())
        return false;
    showLibraryMessage(QStringLiteral("Chorel"), 16,
                       QStringLiteral("5: Invalid procedure call or argument"));
    return true;
}

} // namespace

QString CKbUtil::GetRegKeyValue(std::uint32_t KeyRoot, const QString &KeyName,
                                const QString &SubKeyRef) const
{
    if (isInternational(KeyName))
        return internationalValue(SubKeyRef);
    const QSettings store(QStringLiteral("Chorel"), registryName);
    const QVariant value = store.value(registryPath(KeyRoot, KeyName, SubKeyRef));
    return StringFromBuffer(value.toString()).left(1023);
}

bool CKbUtil::UpdateRegKey(std::uint32_t KeyRoot, const QString &KeyName,
                           const QString &SubKeyName, const QString &SubKeyValue) const
{
    QSettings store(QStringLiteral("Chorel"), registryName);
    store.setValue(registryPath(KeyRoot, KeyName, SubKeyName),
                   SubKeyValue.isEmpty() ? QStringLiteral(" ") : SubKeyValue);
    store.sync();
    return store.status() == QSettings::NoError;
}

QString CKbUtil::GetRegAppSetting(const QString &AppName, const QString &Section,
                                  const QString &Key, const QString &Default) const
{
    const QSettings settings(QStringLiteral("Chorel"), AppName);
    return settings.value(Section + u'/' + Key, Default).toString();
}

QList<QPair<QString, QString>> CKbUtil::GetAllRegAppSettings(const QString &AppName,
                                                             const QString &Section) const
{
    QSettings settings(QStringLiteral("Chorel"), AppName);
    settings.beginGroup(Section);
    QList<QPair<QString, QString>> entries;
    for (const QString &key : settings.childKeys())
        entries.append({key, settings.value(key).toString()});
    return entries;
}

void CKbUtil::DeleteRegAppSetting(const QString &AppName, const QString &Section,
                                  const QString &Key) const
{
    QSettings settings(QStringLiteral("Chorel"), AppName);
    if (Section.isEmpty())
        settings.clear();
    else if (Key.isEmpty())
        settings.remove(Section);
    else
        settings.remove(Section + u'/' + Key);
    reportStoreError(settings);
}

void CKbUtil::SaveRegAppSetting(const QString &AppName, const QString &Section,
                                const QString &Key, const QString &Setting) const
{
    if (invalidAddress(AppName, Section, Key))
        return;
    QSettings settings(QStringLiteral("Chorel"), AppName);
    settings.setValue(Section + u'/' + Key, Setting);
    reportStoreError(settings);
}

// Linux counts as the NT line of systems (2): multi-user, with Unicode file names.
std::int32_t CKbUtil::GetWinPlatform() const { return 2; }

bool CKbUtil::IsWindows95() const { return (GetWinPlatform() & 1) != 0; }

bool CKbUtil::IsWindowsNT() const { return (GetWinPlatform() & 2) != 0; }

// On Linux the restart is asked of the service manager ("systemctl reboot"), which decides
// whether the user may; true when it accepted the request.
bool CKbUtil::RebootSystem() const
{
    return QProcess::execute(QStringLiteral("systemctl"), {QStringLiteral("reboot")}) == 0;
}

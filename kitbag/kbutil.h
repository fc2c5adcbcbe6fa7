#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include <cstdint>

// CKbUtil is a bag of stateless helpers for settings files, paths, files, command-line
// arguments, strings, the per-user settings store and platform queries. Every member may be
// called on a fresh object; nothing is kept between calls.
//
// Positions in texts are 1-based (0 = not found), as the callers count them.
class CKbUtil {
public:
    // Registry roots accepted by GetRegKeyValue and UpdateRegKey.
    static constexpr std::uint32_t HKEY_CLASSES_ROOT = 0x80000000u;
    static constexpr std::uint32_t HKEY_CURRENT_USER = 0x80000001u;
    static constexpr std::uint32_t HKEY_LOCAL_MACHINE = 0x80000002u;

    // Settings files: sections and keys match without regard to case, values are trimmed
    // and lose one pair of enclosing quotes.
    QString ReadIniFile(const QString &strIniFile, const QString &strSection,
                        const QString &strKey) const;
    QString StringFromBuffer(const QString &Buffer) const;
    QString GetProfile(const QString &lpAppName, const QString &lpKeyName,
                       const QString &lpDefault, const QString &lpFileName) const;
    void WriteProfile(const QString &lpAppName, const QString &lpKeyName,
                      const QString &lpString, const QString &lpFileName) const;
    QString GetProfileSection(const QString &lpAppName, const QString &lpFileName) const;

    // Files and folders. These never throw: failures answer false, -1 or the input.
    bool DirExists(const QString &strDirName) const;
    // A readable regular file (not a folder, device, FIFO or socket).
    bool FileExists(const QString &strPathName) const;
    bool FileInUse(const QString &strPathName) const;
    bool WriteAccess(const QString &strDirName) const;
    std::int32_t GetDiskSpaceFree(const QString &strDrive) const;
    bool GetDrive(const QString &strPath, QString &strDrive) const;
    QString GetLongPathName(const QString &strShortPath) const;
    QString GetShortPathName(const QString &strLongPath) const;
    QString MakeLongPath(QString &Path) const;
    QString LongPath(const QString &Path) const;
    QString GetWindowsDir() const;
    QString GetWindowsSysDir() const;
    QString GetWindowsFontDir() const;
    QString AddDirSep(QString &strPathName) const;
    QString Extension(const QString &strFilename) const;
    bool fCheckFNLength(const QString &strFilename) const;
    bool fValidFilename(const QString &strFilename) const;

    // Strings and command-line arguments.
    QString strUnQuoteString(const QString &strQuotedString) const;
    QString strQuoteString(const QString &strUnQuotedString, bool vForce = false,
                           bool vTrim = true) const;
    QString AddQuotesToFN(const QString &strFilename) const;
    QString ReplaceDoubleQuotes(QString &Str) const;
    QString strExtractFilenameArg(QString &Str, bool &fErr) const;
    // Reads the comma-separated item that starts at intAnchor; intAnchor then holds the
    // position of the comma after it (length + 1 at the end), so the next item starts at
    // intAnchor + 1.
    QString strExtractFilenameItem(const QString &Str, std::int16_t &intAnchor,
                                   bool &fErr) const;
    QString After(const QString &Str, const QString &SearchStr) const;
    QString Before(const QString &Str, const QString &SearchStr) const;
    std::int16_t IndexInString(const QString &Str, const QString &SearchStr) const;
    std::int16_t Search(const QString &Str, const QString &SearchStr) const;

    // Registry stand-in, per-user settings store and platform queries.
    QString GetRegKeyValue(std::uint32_t KeyRoot, const QString &KeyName,
                           const QString &SubKeyRef) const;
    bool UpdateRegKey(std::uint32_t KeyRoot, const QString &KeyName, const QString &SubKeyName,
                      const QString &SubKeyValue) const;
    QString GetRegAppSetting(const QString &AppName, const QString &Section, const QString &Key,
                             const QString &Default = QString()) const;
    QList<QPair<QString, QString>> GetAllRegAppSettings(const QString &AppName,
                                                        const QString &Section) const;
    void DeleteRegAppSetting(const QString &AppName, const QString &Section = QString(),
                             const QString &Key = QString()) const;
    void SaveRegAppSetting(const QString &AppName, const QString &Section, const QString &Key,
                           const QString &Setting) const;
    std::int32_t GetWinPlatform() const;
    bool IsWindows95() const;
    bool IsWindowsNT() const;
    bool RebootSystem() const;
};

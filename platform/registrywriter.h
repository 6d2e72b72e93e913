#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Writes the registry file that registryfile.h reads, for the administrator's tools (the desk
// itself never writes it). merged() replaces whole sections of a file's text and keeps every
// other line as it was; save() replaces the file on disk at once (a temporary file in the same
// folder renamed over it), keeping its owner, group and mode, or, for a new file, mode 0640 and
// the group quorvet-desk when the machine has it.
namespace RegistryWriter {

struct StringValue
{
    QString name;
    QString value;
};

struct Section
{
    QString keyPath; // "HKEY_LOCAL_MACHINE\SOFTWARE\..."
    QList<StringValue> values;
};

// The group a new registry file gets, and the mode.
inline constexpr const char *DeskGroup = "quorvet-desk";
inline constexpr unsigned NewFileMode = 0640;

// text between double quotes, with "\" and the double quote escaped by a backslash.
QString quoted(const QString &text);

// existing (the file's bytes, possibly empty) with each section in place of the sections of
// the same key (letter case aside): written where the first of them was, the others dropped;
// a section the file lacks is appended. Returned as UTF-8 text with the regedit header.
QByteArray merged(const QByteArray &existing, const QList<Section> &sections);

struct SaveResult
{
    enum Outcome { Saved, NotPermitted, Failed };
    Outcome outcome = Failed;
    QString message; // Portuguese, for the person saving; empty when saved
};

// Saved, or NotPermitted when this user may not replace the file (no write access to its
// folder, or a file owned by someone else that only root could give back its owner), or
// Failed for anything else (no such folder, a full disk...). The file is untouched unless saved.
SaveResult save(const QString &path, const QByteArray &bytes);
// The access check save() makes first: Saved when it would go ahead.
SaveResult checkAccess(const QString &path);

} // namespace RegistryWriter

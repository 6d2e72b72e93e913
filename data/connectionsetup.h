#pragma once

#include "data/dberror.h"
#include "platform/registryfile.h"
#include "platform/registrywriter.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The desk's three named connections as the set-up program edits them: read from the registry
// file, checked, composed into the string the desk would log in with, tried against the server
// and written back. Nothing here shows anything; the set-up window does.
namespace ConnectionSetup {

// The five registry values of one named connection (the password as stored: encoded).
struct Settings
{
    int memberId = 0;
    QString entry; // "SqlServer", "Zelmar", "Korda"
    QString securityInfo;
    QString user;
    QString encodedPassword; // empty when the registry holds none
    QString catalog;
    QString dataSource;      // host, optionally "\instance" and ",port"
    bool inRegistry = false; // the registry file held the entry
};

// "HKEY_LOCAL_MACHINE\SOFTWARE\Halvorix\" + entry.
QString keyPath(const QString &entry);

// The three connections in the desk's order. An entry the file lacks gets the desk's
// design-time values (without the password); a value it lacks stays empty.
QList<Settings> read(const RegistryFile &file);

// What is wrong with the values as typed (newPassword empty keeps the stored one), in words
// for the person setting the desk up; the empty text when they can be saved.
QString problem(const Settings &settings, const QString &newPassword);

// The password to log in with: newPassword, or the stored one decoded for this machine
// (empty when it does not decode here).
QString clearPassword(const Settings &settings, const QString &newPassword);

// The string the desk composes from these values (BuildConnectionString).
QString connectionString(const Settings &settings, const QString &clearPassword);

struct TestOutcome
{
    bool ok = false;
    QString text; // "Ligação bem sucedida" and the server's version, or what went wrong
};

// Logs in with connectionString and runs the desk's probe, then asks for the server's version.
// Blocks for up to the string's time-out: run it off the window's thread.
TestOutcome test(const QString &connectionString);

// A provider's error in words a person understands, with the server's number where it has one.
QString plainMessage(const DbError &error, const Settings &settings);

// The three sections to write, as registry file text: each newPasswords entry (in the order of
// settings) that is not empty is encoded for this machine, and the encoded text replaces the
// stored one in settings; an empty one is written as an empty "dtPassword", which applied()
// reads as "keep the stored one". Empty when a password cannot be encoded (no machine identity).
QByteArray changes(QList<Settings> &settings, const QStringList &newPasswords);

// existing with the sections of changes in place of its own (an empty "dtPassword" taken from
// existing); every other line of existing kept.
QByteArray applied(const QByteArray &existing, const QByteArray &changes);

// Reads the file at path (when there is one), applies changes to it and saves it
// (RegistryWriter::save). NotPermitted also when the file exists but cannot be read.
RegistryWriter::SaveResult save(const QString &path, const QByteArray &changes);

} // namespace ConnectionSetup

#include "tools/demodb/demodatabasebuilder.h"

#include "platform/runtimeerror.h"
#include "tools/demodb/bulkdata.h"
#include "tools/demodb/demosamples.h"
#include "tools/demodb/demoschema.h"
#include "tools/demodb/demotables.h"
#include "tools/demodb/portraits.h"
#include "tools/demodb/sqlitefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

const QString CheckinFile = QStringLiteral("checkin.db");
const QString KordaFile = QStringLiteral("korda.db");
const QString ZelmarArchive = QStringLiteral("archive-zelmar");
const QString KordaArchive = QStringLiteral("archive-korda");

[[noreturn]] void fail(const QString &message)
{
    throw RuntimeError(ErrorNumber::InternalError, message);
}

// Settings for a file that is being written once from scratch: nobody reads it until it is
// moved into place, so it needs no crash safety while it is built.
void startBulkFile(SqliteFile &db)
{
    db.exec(QByteArrayLiteral("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; PRAGMA cache_size = -65536;"));
}

void finishBulkFile(SqliteFile &db)
{
    // The statistics let the planner pick the right index for the VIP join at any size.
    db.exec(QByteArrayLiteral("PRAGMA analysis_limit = 1000; ANALYZE; PRAGMA journal_mode = DELETE;"));
    db.close();
}

void removePath(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink()) {
        if (!QDir(path).removeRecursively())
            fail(QStringLiteral("cannot remove %1").arg(path));
    } else if ((info.exists() || info.isSymLink()) && !QFile::remove(path)) {
        fail(QStringLiteral("cannot remove %1").arg(path));
    }
}

} // namespace

DemoDatabaseBuilder::DemoDatabaseBuilder(DemoOptions options, QDate today)
    : m_options(std::move(options)), m_today(today)
{
}

const QStringList &DemoDatabaseBuilder::outputNames()
{
    static const QStringList names = {ZelmarArchive, KordaArchive, KordaFile, CheckinFile};
    return names;
}

QStringList DemoDatabaseBuilder::existingOutputs(const QString &directory)
{
    QStringList found;
    for (const QString &name : outputNames()) {
        const QFileInfo info(QDir(directory).filePath(name));
        if (info.exists() || info.isSymLink())
            found << name;
    }
    return found;
}

void DemoDatabaseBuilder::say(const QString &line)
{
    if (m_progress)
        m_progress(line);
}

QString DemoDatabaseBuilder::build()
{
    if (m_options.directory.isEmpty())
        fail(QStringLiteral("no folder given"));
    if (m_options.members < 0 || m_options.members > DemoSamples::MaxMembers)
        fail(QStringLiteral("the number of members must lie between 0 and %1").arg(DemoSamples::MaxMembers));
    if (m_options.invitations < 0 || m_options.invitations > DemoSamples::MaxInvitations)
        fail(QStringLiteral("the number of invitations must lie between 0 and %1").arg(DemoSamples::MaxInvitations));
    const QString directory = QDir::cleanPath(QDir(m_options.directory).absolutePath());
    // The connection strings separate their keys with ";", so a path holding one cannot be given.
    if (directory.contains(QLatin1Char(';')))
        fail(QStringLiteral("the folder %1 contains \";\", which a connection string cannot carry").arg(directory));
    if (!QDir().mkpath(directory))
        fail(QStringLiteral("cannot create the folder %1").arg(directory));
    const QStringList existing = existingOutputs(directory);
    if (!existing.isEmpty() && !m_options.force) {
        fail(QStringLiteral("%1 already holds %2; use --force to replace the demo databases")
                 .arg(directory, existing.join(QStringLiteral(", "))));
    }

    QTemporaryDir staging(directory + QStringLiteral("/.quorvet-demo-db-XXXXXX"));
    if (!staging.isValid())
        fail(QStringLiteral("cannot create a staging folder in %1: %2").arg(directory, staging.errorString()));
    const QDir stage(staging.path());
    const QDir target(directory);

    writeArchive(DemoSamples::Zelmar, stage.filePath(ZelmarArchive));
    writeArchive(DemoSamples::Korda, stage.filePath(KordaArchive));
    writeKorda(stage.filePath(KordaFile), target.filePath(KordaArchive));
    writeCheckin(stage.filePath(CheckinFile), target.filePath(ZelmarArchive));

    for (const QString &name : outputNames())
        publish(stage.filePath(name), target.filePath(name));
    say(QStringLiteral("demo databases ready in %1").arg(directory));
    return directory;
}

void DemoDatabaseBuilder::publish(const QString &staged, const QString &target)
{
    if (QFileInfo::exists(target) || QFileInfo(target).isSymLink()) {
        if (!m_options.force)
            fail(QStringLiteral("%1 appeared while the demo databases were built").arg(target));
        removePath(target);
    }
    // A journal left beside an old file would be rolled back into the new one.
    for (const QString &suffix : {QStringLiteral("-journal"), QStringLiteral("-wal"), QStringLiteral("-shm")})
        removePath(target + suffix);
    if (!QDir().rename(staged, target))
        fail(QStringLiteral("cannot move %1 to %2").arg(staged, target));
}

void DemoDatabaseBuilder::writeArchive(int organisation, const QString &stagedArchive)
{
    say(QStringLiteral("drawing the %1 photographs")
            .arg(organisation == DemoSamples::Zelmar ? QLatin1String("ZELMAR") : QLatin1String("KORDA")));
    const QDir archive(stagedArchive);
    for (const DemoSamples::Member &m : DemoSamples::members()) {
        if (m.organisation != organisation || m.photo == DemoSamples::Photo::None)
            continue;
        const QString file = archive.filePath(DemoSamples::photoPath(m).replace(QLatin1Char('\\'), QLatin1Char('/')));
        if (m.photo == DemoSamples::Photo::Broken)
            Portraits::writeBroken(file, m_options.seed ^ uint64_t(m.contactoId));
        else
            Portraits::writePortrait(file, m.nome);
    }
    if (m_options.members == 0)
        return;
    static const QStringList sharedNames = {QStringLiteral("Associado Comum"),    QStringLiteral("Sócia Exemplo"),
                                            QStringLiteral("Pessoa Genérica"),    QStringLiteral("Membro Padrão"),
                                            QStringLiteral("Retrato Partilhado"), QStringLiteral("Figura Neutra")};
    for (int n = 0; n < BulkData::SharedPortraits; ++n) {
        const QString relative = QString::fromUtf8(BulkData::sharedPortraitPath(organisation, n));
        Portraits::writePortrait(archive.filePath(QString(relative).replace(QLatin1Char('\\'), QLatin1Char('/'))),
                                 sharedNames.at(n % sharedNames.size()));
    }
}

void DemoDatabaseBuilder::writeCheckin(const QString &path, const QString &zelmarArchive)
{
    SqliteFile db(path);
    startBulkFile(db);
    DemoSchema::createCheckinTables(db);
    DemoSchema::createMemberTables(db);
    say(QStringLiteral("writing %1 ZELMAR members")
            .arg(m_options.members + DemoTables::sampleMemberCount(DemoSamples::Zelmar)));
    DemoTables::writeMembers(db, DemoSamples::Zelmar, zelmarArchive, m_options.members, m_options.seed);
    say(QStringLiteral("writing %1 invitations").arg(m_options.invitations + DemoSamples::invitations(m_today).size()));
    DemoTables::writeInvitations(db, m_today, m_options.invitations, m_options.members, m_options.seed);
    say(QStringLiteral("indexing checkin.db"));
    DemoSchema::createCheckinIndexes(db);
    DemoSchema::createMemberIndexes(db);
    finishBulkFile(db);
}

void DemoDatabaseBuilder::writeKorda(const QString &path, const QString &kordaArchive)
{
    SqliteFile db(path);
    startBulkFile(db);
    DemoSchema::createMemberTables(db);
    DemoSchema::createVipTables(db);
    say(QStringLiteral("writing %1 KORDA members")
            .arg(m_options.members + DemoTables::sampleMemberCount(DemoSamples::Korda)));
    DemoTables::writeMembers(db, DemoSamples::Korda, kordaArchive, m_options.members, m_options.seed);
    DemoTables::writeVips(db);
    say(QStringLiteral("indexing korda.db"));
    DemoSchema::createMemberIndexes(db);
    DemoSchema::createVipIndexes(db);
    finishBulkFile(db);
}

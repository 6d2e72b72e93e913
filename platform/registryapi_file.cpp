// The registry calls on machines without a registry: the read-only registry file.
#ifndef _WIN32

#include "platform/errorreport.h"
#include "platform/registryapi.h"
#include "platform/registryfile.h"
#include "platform/runtimeerror.h"

#include <QFile>
#include <QHash>
#include <QMutex>

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <memory>

namespace RegistryApi {

namespace {

struct OpenKey
{
    std::shared_ptr<const RegistryFile> file; // the file as it was when the key was opened
    QString path;
};

// What tells, without reading it, that a file is the one read before: device, inode, size and
// the times of its last change, to the nanosecond.
struct FileStamp
{
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    static FileStamp of(const QString &path)
    {
        FileStamp stamp;
        struct stat st;
        if (::stat(QFile::encodeName(path).constData(), &st) != 0)
            return stamp;
        stamp.exists = true;
        stamp.device = st.st_dev;
        stamp.inode = st.st_ino;
        stamp.size = st.st_size;
        stamp.modified = st.st_mtim;
        stamp.changed = st.st_ctim;
        return stamp;
    }
    bool operator==(const FileStamp &o) const
    {
        return exists == o.exists && device == o.device && inode == o.inode && size == o.size
               && modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec
               && changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
    }
};

// The open keys, and the last file read: it is parsed again only when its bytes change,
// so each faulty line is reported once and not at every read. While its stamp is unchanged
// the file is not even read again, unless it was changed so shortly before it was read that
// a second change within the same tick of the file system's clock could hide behind the
// same stamp; its bytes are then compared.
struct State
{
    QMutex mutex;
    QHash<Key, OpenKey> open;
    Key nextHandle = 1;
    QString lastPath;
    QByteArray lastBytes;
    FileStamp lastStamp;
    timespec lastReadAt{};
    std::shared_ptr<const RegistryFile> lastFile;
};

// Changes closer together than this may share a time stamp.
constexpr time_t StampTrustSeconds = 2;

bool stampTrusted(const State &s)
{
    return s.lastStamp.modified.tv_sec + StampTrustSeconds < s.lastReadAt.tv_sec
           && s.lastStamp.changed.tv_sec + StampTrustSeconds < s.lastReadAt.tv_sec;
}

State &state()
{
    static State s;
    return s;
}

QString rootName(Key key)
{
    if (key >= FirstRoot && key < FirstRoot + RootCount)
        return QLatin1String(RootNames[key - FirstRoot]);
    return QString();
}

constexpr qsizetype MaxProblemsTold = 10;

void reportProblem(const QString &message)
{
    ErrorReporting::moduleTail(QStringLiteral("Velkor Software Modules"), QStringLiteral("modRegistry"),
                               QStringLiteral("RegistryFile"), ErrorNumber::InvalidProcedureCall, message);
}

// Called with the mutex held.
std::shared_ptr<const RegistryFile> currentFile(State &s)
{
    const QString path = RegistryFile::defaultPath();
    const FileStamp stamp = FileStamp::of(path);
    const bool samePath = s.lastFile && path == s.lastPath;
    if (samePath && stamp == s.lastStamp && stampTrusted(s))
        return s.lastFile;
    timespec readAt{};
    clock_gettime(CLOCK_REALTIME, &readAt);
    QByteArray bytes;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) // a missing or unreadable file is an empty registry
        bytes = file.readAll();
    s.lastStamp = stamp;
    s.lastReadAt = readAt;
    if (samePath && bytes == s.lastBytes)
        return s.lastFile;

    auto parsed = std::make_shared<const RegistryFile>(RegistryFile::parse(bytes));
    // A file of garbage has a fault on nearly every line: the first few are told one by one,
    // the rest in one count, so the error log is not flooded.
    const QList<RegistryFile::Problem> &problems = parsed->problems();
    const qsizetype told = std::min<qsizetype>(problems.size(), MaxProblemsTold);
    for (qsizetype i = 0; i < told; ++i) {
        reportProblem(QStringLiteral("%1, line %2: %3 (line skipped)")
                          .arg(path)
                          .arg(problems.at(i).line)
                          .arg(problems.at(i).reason));
    }
    if (problems.size() > told)
        reportProblem(QStringLiteral("%1: %2 more faulty lines skipped").arg(path).arg(problems.size() - told));
    s.lastPath = path;
    s.lastBytes = bytes;
    s.lastFile = parsed;
    return parsed;
}

// The file and path a handle stands for: a root names its own key in the current file.
// Called with the mutex held; false for a handle that is neither a root nor open.
bool resolveKey(State &s, Key key, OpenKey *openKey)
{
    if (!rootName(key).isEmpty()) {
        *openKey = {currentFile(s), rootName(key)};
        return true;
    }
    const auto it = s.open.constFind(key);
    if (it == s.open.constEnd())
        return false;
    *openKey = *it;
    return true;
}

} // namespace

int32_t openKey(Key key, const QString &subKey, uint32_t /*access: the file is read-only anyway*/, Key *opened)
{
    *opened = 0;
    State &s = state();
    QMutexLocker lock(&s.mutex);

    OpenKey base;
    if (!resolveKey(s, key, &base))
        return InvalidHandle;
    QString path = base.path;
    const std::shared_ptr<const RegistryFile> file = base.file;
    if (!subKey.isEmpty()) {
        const QStringList parts = subKey.split(QLatin1Char('\\'));
        if (parts.contains(QString()))
            return FileNotFound;
        path += QLatin1Char('\\') + subKey;
    }
    if (!file->keyExists(path))
        return FileNotFound;
    const Key handle = s.nextHandle++;
    s.open.insert(handle, {file, path});
    *opened = handle;
    return Success;
}

int32_t queryValue(Key key, const QString &valueName, char *data, uint32_t *byteCount)
{
    State &s = state();
    QMutexLocker lock(&s.mutex);
    OpenKey openKey;
    if (!resolveKey(s, key, &openKey))
        return InvalidHandle;

    const RegistryFile::Value *value = openKey.file->value(openKey.path, valueName);
    if (!value)
        return FileNotFound;
    const uint32_t size = uint32_t(value->data.size());
    if (data && size > *byteCount) {
        *byteCount = size;
        return MoreData;
    }
    if (data && size > 0)
        std::memcpy(data, value->data.constData(), size);
    *byteCount = size;
    return Success;
}

int32_t enumKey(Key key, uint32_t index, char *name, uint32_t *nameLength, char *className, uint32_t *classLength)
{
    State &s = state();
    QMutexLocker lock(&s.mutex);
    OpenKey openKey;
    if (!resolveKey(s, key, &openKey))
        return InvalidHandle;

    const QStringList names = openKey.file->subkeys(openKey.path);
    if (index >= uint32_t(names.size()))
        return NoMoreItems;
    const QByteArray bytes = names.at(int(index)).toLocal8Bit();
    if (uint32_t(bytes.size()) + 1 > *nameLength)
        return MoreData;
    std::memcpy(name, bytes.constData(), size_t(bytes.size()) + 1);
    *nameLength = uint32_t(bytes.size());
    // Keys written by regedit carry no class.
    if (className && classLength) {
        if (*classLength < 1)
            return MoreData;
        className[0] = '\0';
        *classLength = 0;
    }
    return Success;
}

int32_t closeKey(Key key)
{
    if (!rootName(key).isEmpty())
        return Success;
    State &s = state();
    QMutexLocker lock(&s.mutex);
    return s.open.remove(key) ? Success : InvalidHandle;
}

} // namespace RegistryApi

#endif // !_WIN32

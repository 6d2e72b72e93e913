// RegistryFile::parse on any bytes: it never crashes, every key and value it keeps can be found
// again through the lookups the registry layer uses, and those lookups (through hashes of
// case-folded names) answer as a plain walk over the keys, comparing without regard to case,
// answers, for each path and name spelled as in the file and in other letter cases.
#include "fuzz/fuzzcheck.h"
#include "platform/registryfile.h"

#include <cstdint>

namespace {

const RegistryFile::Key *walkKey(const RegistryFile &file, const QString &path)
{
    for (const RegistryFile::Key &key : file.keys())
        if (key.path.compare(path, Qt::CaseInsensitive) == 0)
            return &key;
    return nullptr;
}

bool walkExists(const RegistryFile &file, const QString &path)
{
    if (!RegistryFile::canonicalRootName(path).isEmpty())
        return true;
    const QString below = path + QLatin1Char('\\');
    for (const RegistryFile::Key &key : file.keys())
        if (key.path.compare(path, Qt::CaseInsensitive) == 0 || key.path.startsWith(below, Qt::CaseInsensitive))
            return true;
    return false;
}

QStringList walkSubkeys(const RegistryFile &file, const QString &path)
{
    QStringList names;
    const QString below = path + QLatin1Char('\\');
    for (const RegistryFile::Key &key : file.keys()) {
        if (!key.path.startsWith(below, Qt::CaseInsensitive))
            continue;
        const QString name = key.path.mid(below.size()).section(QLatin1Char('\\'), 0, 0);
        if (!names.contains(name, Qt::CaseInsensitive))
            names.append(name);
    }
    return names;
}

void checkPath(const RegistryFile &file, const QString &path)
{
    FUZZ_CHECK(file.keyExists(path) == walkExists(file, path), path);
    FUZZ_CHECK(file.subkeys(path) == walkSubkeys(file, path), path);
    const RegistryFile::Key *key = walkKey(file, path);
    if (!key)
        return;
    for (const RegistryFile::Value &value : key->values) {
        for (const QString &name : {value.name, value.name.toUpper(), value.name.toLower()}) {
            const RegistryFile::Value *found = file.value(path, name);
            const RegistryFile::Value *expected = nullptr;
            for (const RegistryFile::Value &v : key->values)
                if (!expected && v.name.compare(name, Qt::CaseInsensitive) == 0)
                    expected = &v;
            FUZZ_CHECK(found == expected, path + QLatin1Char('\\') + name);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const RegistryFile file = RegistryFile::parse(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    for (const RegistryFile::Key &key : file.keys()) {
        FUZZ_CHECK(file.keyExists(key.path), key.path);
        for (const RegistryFile::Value &value : key.values)
            FUZZ_CHECK(file.value(key.path, value.name) != nullptr, key.path + QLatin1Char('\\') + value.name);
        // The path, its parent, and the same in other letter cases.
        const QString parent = key.path.section(QLatin1Char('\\'), 0, -2);
        for (const QString &path : {key.path, key.path.toUpper(), key.path.toLower(), parent, parent.toLower()})
            checkPath(file, path);
    }
    for (const RegistryFile::Problem &problem : file.problems())
        FUZZ_CHECK(problem.line >= 1, problem.reason);
    return 0;
}

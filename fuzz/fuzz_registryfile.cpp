// RegistryFile::parse on any bytes: it never crashes, and every key and value it keeps can be
// found again through the lookups the registry layer uses.
#include "fuzz/fuzzcheck.h"
#include "platform/registryfile.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const RegistryFile file = RegistryFile::parse(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    for (const RegistryFile::Key &key : file.keys()) {
        FUZZ_CHECK(file.keyExists(key.path), key.path);
        (void)file.subkeys(key.path);
        for (const RegistryFile::Value &value : key.values) {
            const RegistryFile::Value *found = file.value(key.path, value.name);
            FUZZ_CHECK(found != nullptr, key.path + QLatin1Char('\\') + value.name);
        }
    }
    for (const RegistryFile::Problem &problem : file.problems())
        FUZZ_CHECK(problem.line >= 1, problem.reason);
    return 0;
}

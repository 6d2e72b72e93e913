#include "platform/passwordcodec.h"

#include "platform/errorreport.h"
#include "platform/runtimeerror.h"

#include <QByteArray>
#include <QFile>

#include <sodium.h>

#include <array>
#include <mutex>

namespace PasswordCodec {

namespace {

const char Prefix[] = "qv1:";
// Keys the machine identity's hash; changing it makes every stored password unreadable.
const char Context[] = "Quorvet dtPassword machine binding v1";

using SecretKey = std::array<unsigned char, crypto_secretbox_KEYBYTES>;

void report(const QString &procedure, const QString &description)
{
    ErrorReporting::moduleTail(QStringLiteral("Velkor Software Modules"), QStringLiteral("modPassword"), procedure,
                               ErrorNumber::InvalidProcedureCall, description);
}

bool sodiumReady()
{
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = sodium_init() >= 0; });
    return ready;
}

// The machine's secret key; false (with the reason in *why) when the identity is unreadable.
bool machineKey(const QString &machineIdFile, SecretKey &key, QString *why)
{
    if (!sodiumReady()) {
        *why = QStringLiteral("the cryptographic library could not start");
        return false;
    }
    QFile file(machineIdFile);
    if (!file.open(QIODevice::ReadOnly)) {
        *why = QStringLiteral("the machine identity %1 cannot be read").arg(machineIdFile);
        return false;
    }
    const QByteArray id = file.read(4096).trimmed();
    if (id.isEmpty()) {
        *why = QStringLiteral("the machine identity %1 is empty").arg(machineIdFile);
        return false;
    }
    static_assert(sizeof(Context) - 1 >= crypto_generichash_KEYBYTES_MIN, "context too short for a hash key");
    crypto_generichash(key.data(), key.size(), reinterpret_cast<const unsigned char *>(id.constData()),
                       size_t(id.size()), reinterpret_cast<const unsigned char *>(Context), sizeof(Context) - 1);
    return true;
}

} // namespace

QString machineIdPath()
{
    const QString path = qEnvironmentVariable("QUORVET_MACHINE_ID_FILE");
    return path.isEmpty() ? QStringLiteral("/etc/machine-id") : path;
}

QString EncodePassword(const QString &password)
{
    return EncodePassword(password, machineIdPath());
}

QString EncodePassword(const QString &password, const QString &machineIdFile)
{
    SecretKey key;
    QString why;
    if (!machineKey(machineIdFile, key, &why)) {
        report(QStringLiteral("EncodePassword"), QStringLiteral("The password cannot be encoded: ") + why);
        return QString();
    }
    QByteArray clear = password.toUtf8();
    QByteArray sealed(qsizetype(crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES) + clear.size(), '\0');
    auto *nonce = reinterpret_cast<unsigned char *>(sealed.data());
    randombytes_buf(nonce, crypto_secretbox_NONCEBYTES);
    crypto_secretbox_easy(nonce + crypto_secretbox_NONCEBYTES,
                          reinterpret_cast<const unsigned char *>(clear.constData()), size_t(clear.size()), nonce,
                          key.data());
    sodium_memzero(key.data(), key.size());
    sodium_memzero(clear.data(), size_t(clear.size()));
    return QLatin1String(Prefix) + QString::fromLatin1(sealed.toBase64());
}

QString DecodePassword(const QString &encoded)
{
    return DecodePassword(encoded, machineIdPath());
}

QString DecodePassword(const QString &encoded, const QString &machineIdFile)
{
    const QString procedure = QStringLiteral("DecodePassword");
    if (!encoded.startsWith(QLatin1String(Prefix))) {
        report(procedure, QStringLiteral("The stored password is not in the encoded form \"qv1:...\"; "
                                         "encode it with quorvet-passwd"));
        return QString();
    }
    const QByteArray text = encoded.mid(int(sizeof(Prefix)) - 1).toLatin1();
    const auto decoded = QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
    const qsizetype overhead = qsizetype(crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES);
    // Only the text the encoder writes is accepted: a change in the unused bits of the last
    // base64 character would otherwise slip through unnoticed.
    if (!decoded || decoded.decoded.size() < overhead || decoded.decoded.toBase64() != text) {
        report(procedure, QStringLiteral("The stored password is damaged (not valid encoded text)"));
        return QString();
    }
    SecretKey key;
    QString why;
    if (!machineKey(machineIdFile, key, &why)) {
        report(procedure, QStringLiteral("The stored password cannot be decoded: ") + why);
        return QString();
    }
    const QByteArray &sealed = decoded.decoded;
    const auto *nonce = reinterpret_cast<const unsigned char *>(sealed.constData());
    QByteArray clear(sealed.size() - overhead, '\0');
    const int rc = crypto_secretbox_open_easy(reinterpret_cast<unsigned char *>(clear.data()),
                                              nonce + crypto_secretbox_NONCEBYTES,
                                              size_t(sealed.size()) - crypto_secretbox_NONCEBYTES, nonce, key.data());
    sodium_memzero(key.data(), key.size());
    if (rc != 0) {
        report(procedure, QStringLiteral("The stored password was encoded on another machine or altered"));
        return QString();
    }
    const QString password = QString::fromUtf8(clear);
    sodium_memzero(clear.data(), size_t(clear.size()));
    return password;
}

} // namespace PasswordCodec

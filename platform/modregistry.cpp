#include "platform/modregistry.h"

#include "platform/errorreport.h"
#include "platform/msgbox.h"
#include "platform/registryapi.h"
#include "platform/registryfile.h"
#include "platform/runtimeerror.h"
#include "platform/shadowfile.h"
#include "platform/textutil.h"

#include <QSet>

#include <array>

namespace modRegistry {

namespace {

constexpr uint32_t ValueBufferSize = 3500;
constexpr uint32_t NameBufferSize = 255;

void reportError(const QString &procedure) noexcept
{
    ErrorReporting::moduleTail(QStringLiteral("Velkor Software Modules"), QStringLiteral("modRegistry"), procedure);
}

// The registry's text of a value: the stored bytes, leading spaces removed; the last
// character (the terminator) dropped unless nothing is left. Trailing spaces survive because
// the terminator shields them from the trim.
QString valueText(const QByteArray &stored)
{
    QString text = TextUtil::trimSpaces(QString::fromLocal8Bit(stored));
    if (text.isEmpty())
        return text;
    text.chop(1);
    return text;
}

} // namespace

int32_t ObterHandleChavePrincipal(const QString &rootName)
{
    try {
        for (int i = 0; i < RegistryApi::RootCount; ++i) {
            if (rootName == QLatin1String(RegistryApi::RootNames[i]))
                return int32_t(RegistryApi::FirstRoot + i);
        }
        return 0;
    } catch (...) {
        reportError(QStringLiteral("ObterHandleChavePrincipal"));
        return 0;
    }
}

void FormatarChave(QString &keyPath, int32_t &root)
{
    root = 0;
    try {
        const qsizetype slash = keyPath.indexOf(QLatin1Char('\\'));
        if (!keyPath.startsWith(QLatin1String("HKEY_")) || keyPath.endsWith(QLatin1Char('\\'))) {
            MsgBox::show(QStringLiteral("Formato Incorrecto:\n\n") + keyPath, MsgBox::OKOnly,
                         MsgBox::applicationTitle());
            return;
        }
        if (slash < 0) {
            root = ObterHandleChavePrincipal(keyPath);
            keyPath.clear();
        } else {
            root = ObterHandleChavePrincipal(keyPath.left(slash));
            keyPath = keyPath.mid(slash + 1);
        }
    } catch (...) {
        reportError(QStringLiteral("FormatarChave"));
    }
}

RegResult ValorString(QString &keyPath, const QString &valueName)
{
    RegResult result;
    try {
        int32_t root = 0;
        FormatarChave(keyPath, root);
        if (root == 0)
            return result;
        RegistryApi::Key key = 0;
        if (RegistryApi::openKey(RegistryApi::Key(root), keyPath, RegistryApi::KeyRead, &key) != RegistryApi::Success)
            return RegResult::null();
        std::array<char, ValueBufferSize> buffer{};
        uint32_t stored = ValueBufferSize;
        const int32_t rc = RegistryApi::queryValue(key, valueName, buffer.data(), &stored);
        RegistryApi::closeKey(key);
        if (rc != RegistryApi::Success)
            return RegResult::null();
        result = RegResult::text(valueText(QByteArray(buffer.data(), qsizetype(stored))));
    } catch (...) {
        reportError(QStringLiteral("ValorString"));
    }
    return result;
}

RegResult ObterValorString(const QString &keyPath, const QString &valueName, const std::optional<QString> &defaultValue,
                           bool skipShadow)
{
    RegResult result;
    try {
        QString current = keyPath;
        if (!skipShadow) {
            const QString shadowed = LerValorSombra(current, valueName);
            if (!shadowed.isEmpty())
                return RegResult::text(shadowed);
        }
        QString subPath = current;
        result = ValorString(subPath, valueName);

        QSet<QString> visited{RegistryFile::caseFolded(current)};
        bool loop = false;
        while (result.isText() && result.text().startsWith(QLatin1String("SREF="))) {
            current = result.text().mid(5);
            // A chain that comes back to a path already read would never end: it stops with null.
            if (visited.contains(RegistryFile::caseFolded(current))) {
                loop = true;
                result = RegResult::null();
                ErrorReporting::moduleTail(QStringLiteral("Velkor Software Modules"), QStringLiteral("modRegistry"),
                                           QStringLiteral("ObterValorString"), ErrorNumber::InvalidProcedureCall,
                                           QStringLiteral("SREF references of \"%1\" under \"%2\" loop back to \"%3\"")
                                               .arg(valueName, keyPath, current));
                break;
            }
            visited.insert(RegistryFile::caseFolded(current));
            subPath = current;
            result = ValorString(subPath, valueName);
        }

        if (result.isNull() && defaultValue) {
            result = RegResult::text(*defaultValue);
            // A loop is a fault of the registry, not a missing setting: its default is not
            // written, or the shadow file would hide the fault for good.
            if (!loop)
                GravarValorSombra(current, valueName, *defaultValue);
        }
    } catch (...) {
        reportError(QStringLiteral("ObterValorString"));
    }
    return result;
}

QString LerValorSombra(const QString &keyPath, const QString &valueName)
{
    try {
        return ShadowFile::read(ShadowFile::path(), keyPath, valueName);
    } catch (...) {
        return QString();
    }
}

bool GravarValorSombra(const QString &keyPath, const QString &valueName, const QString &value)
{
    try {
        return ShadowFile::write(ShadowFile::path(), keyPath, valueName, value);
    } catch (...) {
        return false;
    }
}

std::optional<QStringList> Enumerar_Chaves(QString &rootPath, const QString &subKeyPath)
{
    std::optional<QStringList> result;
    try {
        int32_t root = 0;
        FormatarChave(rootPath, root);
        if (root == 0)
            return result;
        result.emplace();
        RegistryApi::Key key = 0;
        if (RegistryApi::openKey(RegistryApi::Key(root), subKeyPath, RegistryApi::KeyRead, &key)
            != RegistryApi::Success)
            return result;
        std::array<char, NameBufferSize> name{};
        std::array<char, NameBufferSize> className{};
        for (uint32_t index = 0;; ++index) {
            uint32_t nameLength = NameBufferSize;
            uint32_t classLength = NameBufferSize;
            if (RegistryApi::enumKey(key, index, name.data(), &nameLength, className.data(), &classLength)
                != RegistryApi::Success)
                break;
            result->append(QString::fromLocal8Bit(name.data(), qsizetype(nameLength)));
        }
        RegistryApi::closeKey(key);
    } catch (...) {
        reportError(QStringLiteral("Enumerar_Chaves"));
    }
    return result;
}

} // namespace modRegistry

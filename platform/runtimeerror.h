#pragma once

#include <QString>

#include <cstdint>
#include <exception>

// The one error type of the system: a 32-bit error number and a description, as the
// runtime of the original desk raised them. Procedures with an error handler catch it
// (and any std::exception) and hand it to the report tail (errorreport.h).
class RuntimeError : public std::exception
{
public:
    RuntimeError(int32_t number, QString description);
    // Error 91, what a call on an object variable that holds no object raises.
    static RuntimeError objectNotSet();

    int32_t number() const noexcept { return m_number; }
    const QString &description() const noexcept { return m_description; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    int32_t m_number;
    QString m_description;
    QByteArray m_what;
};

// Error numbers the system raises or tests for.
namespace ErrorNumber {
constexpr int32_t InvalidProcedureCall = 5;
constexpr int32_t Overflow = 6;
constexpr int32_t OutOfMemory = 7;
constexpr int32_t TypeMismatch = 13;
constexpr int32_t ObjectNotSet = 91;
constexpr int32_t ObjectRequired = 424;
constexpr int32_t InternalError = 51;
constexpr int32_t InvalidPropertyValue = 380;
constexpr int32_t ClosedConnection = 3709;     // ADO: operation on a closed or invalid connection
constexpr int32_t ProviderError = -2147467259; // ADO: the provider or server rejected the operation
} // namespace ErrorNumber

// Number and description of the exception being handled. Call it only inside a catch block.
struct CurrentError
{
    int32_t number = 0;
    QString description;
};
CurrentError currentError();

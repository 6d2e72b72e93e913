#include "platform/runtimeerror.h"

#include <new>

RuntimeError::RuntimeError(int32_t number, QString description)
    : m_number(number), m_description(std::move(description)), m_what(m_description.toUtf8())
{
}

RuntimeError RuntimeError::objectNotSet()
{
    return RuntimeError(ErrorNumber::ObjectNotSet, QStringLiteral("Object variable or With block variable not set"));
}

CurrentError currentError()
{
    try {
        throw;
    } catch (const RuntimeError &e) {
        return {e.number(), e.description()};
    } catch (const std::bad_alloc &) {
        return {ErrorNumber::OutOfMemory, QStringLiteral("Out of memory")};
    } catch (const std::exception &e) {
        return {ErrorNumber::InternalError, QString::fromUtf8(e.what())};
    } catch (...) {
        return {ErrorNumber::InternalError, QStringLiteral("Unknown error")};
    }
}

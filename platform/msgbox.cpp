#include "platform/msgbox.h"

#include <cstdio>

namespace MsgBox {
namespace {
Handler &currentHandler()
{
    static Handler handler;
    return handler;
}
} // namespace

int show(const QString &prompt, int style, const QString &title)
{
    if (currentHandler())
        return currentHandler()(prompt, style, title);
    std::fprintf(stderr, "%s: %s\n", title.toUtf8().constData(), prompt.toUtf8().constData());
    return (style & 7) == YesNo ? No : OK;
}

Handler setHandler(Handler handler)
{
    Handler previous = std::move(currentHandler());
    currentHandler() = std::move(handler);
    return previous;
}

QString applicationTitle()
{
    return QStringLiteral("Quorvet");
}

} // namespace MsgBox

#include "tests/support/testsupport.h"

#include "platform/errorreport.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <sqlite3.h>

namespace TestSupport {

QString processTempDir()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/quorvet-test-XXXXXX"));
    return dir.path();
}

QList<QJsonObject> errorReports()
{
    QList<QJsonObject> reports;
    QFile file(ErrorReporting::logPath());
    if (!file.open(QIODevice::ReadOnly))
        return reports;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (!line.trimmed().isEmpty())
            reports.append(QJsonDocument::fromJson(line).object());
    }
    return reports;
}

void clearErrorReports()
{
    QFile::remove(ErrorReporting::logPath());
}

bool createEmptyDatabase(const QString &path)
{
    sqlite3 *db = nullptr;
    bool ok = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                              nullptr)
              == SQLITE_OK;
    // SQLite writes nothing into a new file until something is stored: a table created and
    // dropped leaves the database header behind.
    ok = ok
         && sqlite3_exec(db, "CREATE TABLE quorvet_empty (x); DROP TABLE quorvet_empty", nullptr, nullptr, nullptr)
                == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

QString writeScreenConfig(const QString &dir, int width, int height)
{
    const QString path = dir + QStringLiteral("/screen-%1x%2.json").arg(width).arg(height);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(QStringLiteral(R"({"synchronousWindowSystemEvents": true, "windowFrameMargins": false,)"
                                  R"( "screens": [{"name": "Desk", "x": 0, "y": 0, "width": %1, "height": %2,)"
                                  R"( "logicalDpi": 96, "logicalBpi": 96, "dpr": 1}]})")
                       .arg(width)
                       .arg(height)
                       .toUtf8());
    }
    return path;
}

MsgBoxRecorder::MsgBoxRecorder()
{
    m_previous = MsgBox::setHandler([this](const QString &prompt, int style, const QString &title) {
        m_boxes.append({prompt, style, title});
        if (!m_answers.empty()) {
            const int answer = m_answers.front();
            m_answers.pop_front();
            return answer;
        }
        return (style & 7) == MsgBox::YesNo ? int(MsgBox::No) : int(MsgBox::OK);
    });
}

MsgBoxRecorder::~MsgBoxRecorder()
{
    MsgBox::setHandler(std::move(m_previous));
}

} // namespace TestSupport

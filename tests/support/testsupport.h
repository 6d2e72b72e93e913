#pragma once

#include "platform/msgbox.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <deque>

// Helpers shared by the test executables. Every test process runs with its own temporary
// folder for the error log, the common application-data folder and the registry file
// (set up by testmain.cpp), so tests never touch the user's files.
namespace TestSupport {

// The folder created for this test process; removed when the process ends.
QString processTempDir();

// Error reports written so far by this process, one JSON object per report.
QList<QJsonObject> errorReports();
// Forgets the reports written so far (truncates the log).
void clearErrorReports();

// Creates an empty SQLite database at path through SQLite (the embedded store opens only files
// that are databases already). False when it cannot.
bool createEmptyDatabase(const QString &path);

// Path of the 1280 x 800 offscreen screen description used by GUI tests and the screenshot tool.
QString writeScreenConfig(const QString &dir, int width = 1280, int height = 800);

// Records every message box shown while it lives and answers them from a queue
// (OK, or No for a Yes/No question, when the queue is empty).
class MsgBoxRecorder
{
public:
    struct Box
    {
        QString prompt;
        int style;
        QString title;
    };

    MsgBoxRecorder();
    ~MsgBoxRecorder();
    MsgBoxRecorder(const MsgBoxRecorder &) = delete;
    MsgBoxRecorder &operator=(const MsgBoxRecorder &) = delete;

    void answerNext(int result) { m_answers.push_back(result); }
    const QList<Box> &boxes() const { return m_boxes; }

private:
    QList<Box> m_boxes;
    std::deque<int> m_answers;
    MsgBox::Handler m_previous;
};

} // namespace TestSupport

#pragma once

#include "data/connectionsetup.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProcess;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QThread;

// The set-up window of a desk machine ("Configurar Convites"): one page per named connection
// with its five registry values, a connection test per page that runs on a thread of its own,
// "Guardar" into the registry file (through pkexec when this user may not write it) and the
// desk's own pre-flight check when the installed desk has one.
class SetupWindow : public QWidget
{
    Q_OBJECT
public:
    struct Page
    {
        QLineEdit *server = nullptr;
        QLineEdit *catalog = nullptr;
        QLineEdit *user = nullptr;
        QLineEdit *password = nullptr;
        QComboBox *securityInfo = nullptr;
        QPushButton *test = nullptr;
        QPushButton *cancel = nullptr;
        QProgressBar *progress = nullptr;
        QLabel *result = nullptr;
        quint64 testNumber = 0; // the test whose outcome this page waits for; 0 for none
    };

    // registryFile: the file to read and write; deskProgram: the desk whose --check-server is run.
    explicit SetupWindow(const QString &registryFile, const QString &deskProgram, QWidget *parent = nullptr);
    ~SetupWindow() override;

    Page &page(int index) { return m_pages[index]; }
    int pageCount() const { return int(m_pages.size()); }
    QTabWidget *tabs() const { return m_tabs; }
    QPushButton *saveButton() const { return m_save; }
    QPushButton *checkButton() const { return m_check; }
    QLabel *status() const { return m_status; }
    QPlainTextEdit *checkOutput() const { return m_checkOutput; }
    // True once the desk program has answered whether it has --check-server.
    bool checkSupportKnown() const { return m_checkSupportKnown; }

    // Asks whether to save as administrator; replaceable (the default is a message box).
    std::function<bool(const QString &why)> askElevation;

    // The values on the page as typed.
    ConnectionSetup::Settings settingsOf(int index) const;

    void startTest(int index);
    void cancelTest(int index);
    void save();
    void runCheck();

private:
    void buildPage(int index);
    void showSettings();
    void finishTest(int index, quint64 number, const ConnectionSetup::TestOutcome &outcome);
    void setTesting(int index, bool testing);
    void saveElevated(const QByteArray &changes);
    void detectCheck();

    QString m_registryFile;
    QString m_deskProgram;
    QList<ConnectionSetup::Settings> m_settings;
    QList<Page> m_pages;
    QList<QPointer<QThread>> m_threads;
    quint64 m_nextTest = 0;
    bool m_checkSupportKnown = false;

    QTabWidget *m_tabs = nullptr;
    QLabel *m_fileLabel = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_check = nullptr;
    QLabel *m_status = nullptr;
    QPlainTextEdit *m_checkOutput = nullptr;
};

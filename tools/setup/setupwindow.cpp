#include "tools/setup/setupwindow.h"

#include "data/dataenvironment.h"
#include "platform/registryfile.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QThread>
#include <QVBoxLayout>

namespace {

const QString StoredPasswordHint = QStringLiteral("(guardada; deixe em branco para a manter)");
const QString NoPasswordHint = QStringLiteral("(ainda não guardada)");

} // namespace

SetupWindow::SetupWindow(const QString &registryFile, const QString &deskProgram, QWidget *parent)
    : QWidget(parent), m_registryFile(registryFile), m_deskProgram(deskProgram)
{
    setWindowTitle(QStringLiteral("Configurar Convites"));
    auto *layout = new QVBoxLayout(this);

    m_fileLabel = new QLabel(this);
    m_fileLabel->setWordWrap(true);
    layout->addWidget(m_fileLabel);

    QByteArray bytes;
    QFile file(m_registryFile);
    if (!file.exists()) {
        m_fileLabel->setText(
            QStringLiteral("Ficheiro de registo: %1 (ainda não existe; será criado ao guardar)").arg(m_registryFile));
    } else if (!file.open(QIODevice::ReadOnly)) {
        m_fileLabel->setText(QStringLiteral("Ficheiro de registo: %1 — não é possível lê-lo (%2). Os valores "
                                            "mostrados são os de origem; ao guardar, os que escrever substituem os "
                                            "do ficheiro.")
                                 .arg(m_registryFile, file.errorString()));
    } else {
        bytes = file.readAll();
        m_fileLabel->setText(QStringLiteral("Ficheiro de registo: %1").arg(m_registryFile));
    }
    const RegistryFile registry = RegistryFile::parse(bytes);
    m_settings = ConnectionSetup::read(registry);
    if (!registry.problems().isEmpty()) {
        const RegistryFile::Problem &p = registry.problems().constFirst();
        m_fileLabel->setText(m_fileLabel->text()
                             + QStringLiteral("\nO ficheiro tem %1 linha(s) que o posto não lê; a primeira é a "
                                              "linha %2: %3")
                                   .arg(registry.problems().size())
                                   .arg(p.line)
                                   .arg(p.reason));
    }

    m_tabs = new QTabWidget(this);
    layout->addWidget(m_tabs);
    m_pages.resize(m_settings.size());
    for (int i = 0; i < m_settings.size(); ++i)
        buildPage(i);
    showSettings();

    m_status = new QLabel(this);
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_status);

    m_checkOutput = new QPlainTextEdit(this);
    m_checkOutput->setReadOnly(true);
    m_checkOutput->setVisible(false);
    layout->addWidget(m_checkOutput);

    auto *buttons = new QHBoxLayout;
    m_check = new QPushButton(QStringLiteral("Verificar o posto"), this);
    m_check->setEnabled(false);
    m_check->setToolTip(QStringLiteral("Corre quorvet --check-server com o ficheiro guardado"));
    m_save = new QPushButton(QStringLiteral("Guardar"), this);
    auto *close = new QPushButton(QStringLiteral("Fechar"), this);
    buttons->addWidget(m_check);
    buttons->addStretch();
    buttons->addWidget(m_save);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(m_save, &QPushButton::clicked, this, &SetupWindow::save);
    connect(m_check, &QPushButton::clicked, this, &SetupWindow::runCheck);
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    askElevation = [this](const QString &why) {
        return QMessageBox::question(this, windowTitle(),
                                     why
                                         + QStringLiteral("\n\nGuardar como administrador (pede a palavra-passe de "
                                                          "administrador)?"))
               == QMessageBox::Yes;
    };
    detectCheck();
}

SetupWindow::~SetupWindow()
{
    // A test still running (cancelled or not) ends within its time-out; it is waited for so that
    // no thread outlives the window's program.
    for (const QPointer<QThread> &thread : std::as_const(m_threads)) {
        if (thread) {
            thread->disconnect(this);
            thread->wait();
            delete thread.data();
        }
    }
}

void SetupWindow::buildPage(int index)
{
    Page &p = m_pages[index];
    auto *widget = new QWidget(m_tabs);
    auto *form = new QFormLayout(widget);
    p.server = new QLineEdit(widget);
    p.server->setPlaceholderText(QStringLiteral("servidor\\SQLEXPRESS,1433"));
    p.catalog = new QLineEdit(widget);
    p.user = new QLineEdit(widget);
    p.password = new QLineEdit(widget);
    p.password->setEchoMode(QLineEdit::Password);
    p.securityInfo = new QComboBox(widget);
    p.securityInfo->addItems({QStringLiteral("True"), QStringLiteral("False")});
    form->addRow(QStringLiteral("Servidor"), p.server);
    form->addRow(QStringLiteral("Base de dados"), p.catalog);
    form->addRow(QStringLiteral("Utilizador"), p.user);
    form->addRow(QStringLiteral("Palavra-passe"), p.password);
    form->addRow(QStringLiteral("Persist Security Info"), p.securityInfo);

    auto *row = new QHBoxLayout;
    p.test = new QPushButton(QStringLiteral("Testar ligação"), widget);
    p.cancel = new QPushButton(QStringLiteral("Cancelar"), widget);
    p.cancel->setVisible(false);
    p.progress = new QProgressBar(widget);
    p.progress->setRange(0, 0); // busy
    p.progress->setFormat(QStringLiteral("A ligar ao servidor..."));
    p.progress->setTextVisible(true);
    p.progress->setVisible(false);
    row->addWidget(p.test);
    row->addWidget(p.cancel);
    row->addWidget(p.progress, 1);
    form->addRow(row);
    p.result = new QLabel(widget);
    p.result->setWordWrap(true);
    p.result->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(p.result);

    connect(p.test, &QPushButton::clicked, this, [this, index] { startTest(index); });
    connect(p.cancel, &QPushButton::clicked, this, [this, index] { cancelTest(index); });
    m_tabs->addTab(widget, Data::connectionName(m_settings.at(index).memberId));
}

void SetupWindow::showSettings()
{
    for (int i = 0; i < m_settings.size(); ++i) {
        const ConnectionSetup::Settings &s = m_settings.at(i);
        Page &p = m_pages[i];
        p.server->setText(s.dataSource);
        p.catalog->setText(s.catalog);
        p.user->setText(s.user);
        p.password->clear();
        p.password->setPlaceholderText(s.encodedPassword.isEmpty() ? NoPasswordHint : StoredPasswordHint);
        // The value as the registry holds it, even when it is neither True nor False.
        if (p.securityInfo->findText(s.securityInfo) < 0 && !s.securityInfo.isEmpty())
            p.securityInfo->addItem(s.securityInfo);
        p.securityInfo->setCurrentText(s.securityInfo.isEmpty() ? QStringLiteral("True") : s.securityInfo);
    }
}

ConnectionSetup::Settings SetupWindow::settingsOf(int index) const
{
    ConnectionSetup::Settings s = m_settings.at(index);
    const Page &p = m_pages.at(index);
    s.dataSource = p.server->text();
    s.catalog = p.catalog->text();
    s.user = p.user->text();
    s.securityInfo = p.securityInfo->currentText();
    return s;
}

void SetupWindow::setTesting(int index, bool testing)
{
    Page &p = m_pages[index];
    p.test->setEnabled(!testing);
    p.cancel->setVisible(testing);
    p.progress->setVisible(testing);
}

void SetupWindow::startTest(int index)
{
    Page &p = m_pages[index];
    const ConnectionSetup::Settings s = settingsOf(index);
    const QString problem = ConnectionSetup::problem(s, p.password->text());
    if (!problem.isEmpty()) {
        p.result->setText(problem);
        return;
    }
    const QString password = ConnectionSetup::clearPassword(s, p.password->text());
    if (password.isEmpty()) {
        p.result->setText(QStringLiteral("A palavra-passe guardada não se lê nesta máquina (foi codificada noutra). "
                                         "Escreva-a de novo."));
        return;
    }
    const QString string = ConnectionSetup::connectionString(s, password);
    const quint64 number = ++m_nextTest;
    p.testNumber = number;
    p.result->setText(QStringLiteral("A testar a ligação a %1...").arg(s.dataSource.trimmed()));
    setTesting(index, true);

    auto outcome = std::make_shared<ConnectionSetup::TestOutcome>();
    QThread *thread = QThread::create([string, outcome] { *outcome = ConnectionSetup::test(string); });
    m_threads.removeAll(QPointer<QThread>());
    m_threads << QPointer<QThread>(thread);
    connect(thread, &QThread::finished, this, [this, index, number, outcome] { finishTest(index, number, *outcome); });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

void SetupWindow::cancelTest(int index)
{
    Page &p = m_pages[index];
    if (p.testNumber == 0)
        return;
    // The driver's login cannot be interrupted: its thread runs on to its time-out, and its
    // outcome is dropped.
    p.testNumber = 0;
    setTesting(index, false);
    p.result->setText(QStringLiteral("Teste cancelado."));
}

void SetupWindow::finishTest(int index, quint64 number, const ConnectionSetup::TestOutcome &outcome)
{
    Page &p = m_pages[index];
    if (p.testNumber != number)
        return;
    p.testNumber = 0;
    setTesting(index, false);
    p.result->setText(outcome.text);
}

void SetupWindow::save()
{
    QList<ConnectionSetup::Settings> settings;
    QStringList passwords;
    for (int i = 0; i < m_pages.size(); ++i) {
        const ConnectionSetup::Settings s = settingsOf(i);
        const QString problem = ConnectionSetup::problem(s, m_pages.at(i).password->text());
        if (!problem.isEmpty()) {
            m_tabs->setCurrentIndex(i);
            m_status->setText(QStringLiteral("%1: %2").arg(m_tabs->tabText(i), problem));
            return;
        }
        settings << s;
        passwords << m_pages.at(i).password->text();
    }
    const QByteArray changes = ConnectionSetup::changes(settings, passwords);
    if (changes.isEmpty()) {
        m_status->setText(QStringLiteral("Não foi possível codificar a palavra-passe: a identidade desta máquina "
                                         "(/etc/machine-id) não se lê."));
        return;
    }
    const RegistryWriter::SaveResult result = ConnectionSetup::save(m_registryFile, changes);
    if (result.outcome == RegistryWriter::SaveResult::NotPermitted) {
        if (askElevation && askElevation(result.message)) {
            m_settings = settings;
            saveElevated(changes);
        } else {
            m_status->setText(result.message + QStringLiteral(" Nada foi guardado."));
        }
        return;
    }
    if (result.outcome == RegistryWriter::SaveResult::Failed) {
        m_status->setText(result.message + QStringLiteral(" Nada foi guardado."));
        return;
    }
    m_settings = settings;
    for (ConnectionSetup::Settings &s : m_settings)
        s.inRegistry = true;
    showSettings();
    m_status->setText(QStringLiteral("Guardado em %1.").arg(m_registryFile));
}

void SetupWindow::saveElevated(const QByteArray &changes)
{
    const QString pkexec = QStandardPaths::findExecutable(QStringLiteral("pkexec"));
    if (pkexec.isEmpty()) {
        m_status->setText(QStringLiteral("O pkexec não está instalado (pacote pkexec): nada foi guardado. Instale-o, "
                                         "ou peça a um administrador que corra quorvet-setup."));
        return;
    }
    auto *process = new QProcess(this);
    m_save->setEnabled(false);
    m_status->setText(QStringLiteral("A guardar como administrador..."));
    connect(process, &QProcess::finished, this, [this, process](int code, QProcess::ExitStatus status) {
        m_save->setEnabled(true);
        const QString said = QString::fromUtf8(process->readAllStandardError()).trimmed();
        process->deleteLater();
        if (status == QProcess::NormalExit && code == 0) {
            showSettings();
            m_status->setText(QStringLiteral("Guardado em %1 como administrador.").arg(m_registryFile));
        } else if (status == QProcess::NormalExit && (code == 126 || code == 127)) {
            m_status->setText(QStringLiteral("A gravação como administrador foi cancelada ou recusada: nada foi "
                                             "guardado."));
        } else {
            m_status->setText(QStringLiteral("Não foi possível guardar como administrador: ") + said);
        }
    });
    process->start(pkexec, {QCoreApplication::applicationFilePath(), QStringLiteral("--save-to"), m_registryFile});
    process->write(changes);
    process->closeWriteChannel();
}

void SetupWindow::detectCheck()
{
    if (m_deskProgram.isEmpty()) {
        m_checkSupportKnown = true;
        return;
    }
    // A desk with the pre-flight check lists it in its help.
    auto *process = new QProcess(this);
    connect(process, &QProcess::finished, this, [this, process](int code, QProcess::ExitStatus status) {
        const QString help = QString::fromUtf8(process->readAllStandardOutput());
        process->deleteLater();
        m_checkSupportKnown = true;
        const bool supported = status == QProcess::NormalExit && code == 0
                               && help.contains(QLatin1String("--check-server"));
        m_check->setEnabled(supported);
        if (!supported)
            m_check->setToolTip(QStringLiteral("O posto instalado não tem a verificação (quorvet --check-server)."));
    });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            m_checkSupportKnown = true;
            m_check->setToolTip(QStringLiteral("O posto (quorvet) não foi encontrado."));
            process->deleteLater();
        }
    });
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process->setProcessEnvironment(environment);
    process->start(m_deskProgram, {QStringLiteral("--help")});
}

void SetupWindow::runCheck()
{
    auto *process = new QProcess(this);
    process->setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QUORVET_REGISTRY_FILE"), m_registryFile);
    process->setProcessEnvironment(environment);
    m_check->setEnabled(false);
    m_checkOutput->setVisible(true);
    m_checkOutput->setPlainText(QStringLiteral("$ quorvet --check-server\n"));
    connect(process, &QProcess::readyRead, this, [this, process] {
        m_checkOutput->moveCursor(QTextCursor::End);
        m_checkOutput->insertPlainText(QString::fromUtf8(process->readAll()));
    });
    connect(process, &QProcess::finished, this, [this, process](int code, QProcess::ExitStatus status) {
        m_checkOutput->moveCursor(QTextCursor::End);
        m_checkOutput->insertPlainText(QString::fromUtf8(process->readAll()));
        process->deleteLater();
        m_check->setEnabled(true);
        m_status->setText(status == QProcess::NormalExit && code == 0
                              ? QStringLiteral("O posto está pronto: as três ligações respondem.")
                              : QStringLiteral("A verificação do posto encontrou problemas (ver acima)."));
    });
    process->start(m_deskProgram, {QStringLiteral("--check-server")});
}

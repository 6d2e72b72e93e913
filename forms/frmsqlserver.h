#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// The small window shown while the connection test retries a server that failed its probe:
// it says the data server is not reachable and records which button the operator pressed in
// TryAgain. It has no input and writes no settings. A close request while it is visible only
// hides it (the connection test decides when it goes away); a close request while it is
// hidden unloads it: the window deletes itself (Qt::WA_DeleteOnClose). It stays on top of
// the other windows each time it is activated. Its children belong to it.
class frmSQLServer : public QWidget
{
    Q_OBJECT

public:
    explicit frmSQLServer(QWidget *parent = nullptr);

    // False after loading, true after "&Ligar ao servidor SQL", false after "&Sair".
    bool TryAgain = false;

    QLabel *Image1() const { return m_Image1; }
    QLabel *Label1() const { return m_Label1; }
    QLabel *Label2(int index) const { return m_Label2[index == 0 ? 0 : 1]; }
    QPushButton *Command1() const { return m_Command1; }
    QPushButton *Command2() const { return m_Command2; }

    void Command1_Click();
    void Command2_Click();

    // Makes the connection test create this window (through SqlServerDialog) when a probe fails.
    static void installAsServerDialog();

protected:
    bool event(QEvent *e) override;
    void closeEvent(QCloseEvent *e) override;

private:
    void createControls();
    void Form_Load();
    void Form_Activate();

    QLabel *m_Image1 = nullptr;
    QLabel *m_Label1 = nullptr;
    QLabel *m_Label2[2] = {nullptr, nullptr};
    QPushButton *m_Command1 = nullptr;
    QPushButton *m_Command2 = nullptr;
};

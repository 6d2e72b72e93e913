// frmMain::Connect: the three connections of the desk, made anew and proved at each call.
#include "app/frmmain.h"

#include "data/checkinverdict.h"
#include "data/connectdeadline.h"
#include "data/dataenvironment.h"
#include "data/modtestconnection.h"
#include "data/provedconnection.h"
#include "platform/errorreport.h"
#include "ui/paintnow.h"
#include "ui/widgetowner.h"

#include <QLabel>

namespace {

// One connection test: the named connection's string and registry entry, the main window
// as owner, no retrying.
bool testNamed(ConnectionRef &connection, int memberId, QString connectionString,
               modTestConnection::OwnerForm *owner)
{
    QString registryEntry = Data::registryEntry(memberId);
    bool retry = false;
    return modTestConnection::TestConnection(connection, registryEntry, owner, connectionString, retry);
}

} // namespace

QString frmMain::Connect()
{
    QString result;
    try {
        m_Label_KORDA->setText(QString());
        m_Label_ZELMAR->setText(QString());
        PaintNow::pendingChanges(this);

        // The previous three objects are let go when this call ends (unless someone else
        // still holds one), after the new ones have been opened and proved: a database that
        // keeps an open connection throughout is not checkpointed, flushed to disk and its
        // journal deleted and re-created at every check-in, which on the embedded store cost
        // more than ten milliseconds per check-in that followed an entry.
        const ConnectionRef previous[] = {ConnKORDA, m_ConnZELMAR, m_ConnSqlServer};
        ConnKORDA = std::make_shared<Connection>();
        m_ConnZELMAR = std::make_shared<Connection>();
        m_ConnSqlServer = std::make_shared<Connection>();

        const QString zelmarString = Data::connectionString(Data::ZelmarId);
        const QString kordaString = Data::connectionString(Data::KordaId);
        const QString checkinString = Data::connectionString(Data::SqlServerId);
        m_ConnZELMAR->setConnectionString(zelmarString);
        ConnKORDA->setConnectionString(kordaString);
        m_ConnSqlServer->setConnectionString(checkinString);

        WidgetOwner owner(this);
        bool allWork = true;
        const ConnectDeadline deadline(ProvedConnection::connectSeconds());

        const bool zelmar = testNamed(m_ConnZELMAR, Data::ZelmarId, zelmarString, &owner);
        m_Label_ZELMAR->setVisible(true);
        m_Label_ZELMAR->setText(zelmar ? QStringLiteral("Conectado ao servidor do ZELMAR")
                                       : QStringLiteral("ERRO: não foi possivel ligar ao servidor do ZELMAR"));
        allWork = allWork && zelmar;
        PaintNow::pendingChanges(this);

        const bool korda = testNamed(ConnKORDA, Data::KordaId, kordaString, &owner);
        m_Label_KORDA->setVisible(true);
        m_Label_KORDA->setText(korda ? QStringLiteral("Conectado ao servidor da KORDA")
                                     : QStringLiteral("ERRO: não foi possivel ligar ao servidor da KORDA"));
        allWork = allWork && korda;
        PaintNow::pendingChanges(this);

        const bool checkin = testNamed(m_ConnSqlServer, Data::SqlServerId, checkinString, &owner);
        allWork = allWork && checkin;
        PaintNow::pendingChanges(this);

        if (!allWork)
            result = CheckinVerdict::connectFailedText();
    } catch (...) {
        ErrorReporting::formTail(QStringLiteral("frmMain"), QStringLiteral("Connect"));
        return QString();
    }
    return result;
}

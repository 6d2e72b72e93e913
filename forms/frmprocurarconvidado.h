#pragma once

#include "data/guestsearch.h"

#include <QTimer>
#include <QWidget>

#include <atomic>
#include <memory>
#include <optional>
#include <utility>

class BackgroundConnection;
class QLabel;
class QLineEdit;
class QTreeWidget;

// "Procurar Convidado": finds a guest who has no invitation number at hand. One text box;
// when typing pauses (PauseMs) with two characters or more, it lists up to 50 invitations
// whose name or company number matches, read on a connection and a thread of its own so
// that typing never waits for the database (a result for text typed since is dropped).
// The read starts after a shorter pause (ReadAfterMs) and its rows are held until the
// pause is complete, so that the list of a large table is there soon after the pause.
// Up/Down/PageUp/PageDown move the selection while the focus stays in the box; Enter or a
// double-click closes the window and hands the invitation number to guestChosen; Esc closes
// it and changes nothing. A failing query shows its message in the window and is reported.
// Opened with the path of the desk's local copy (the desk offline), it reads that copy for
// as long as it is open, by the same rules, with this desk's own entries not yet delivered
// (from its journal) shown as entered; its status line says so ("(cópia local)").
// Window-modal over its owner, deleted when closed.
class frmProcurarConvidado : public QWidget
{
    Q_OBJECT
public:
    static constexpr int PauseMs = 300;
    static constexpr int ReadAfterMs = 150;

    // localCopy: the local copy's file to read instead of the check-in database (empty: online).
    explicit frmProcurarConvidado(QWidget *owner = nullptr, const QString &localCopy = QString());
    ~frmProcurarConvidado() override;

    QLineEdit *searchBox() const { return m_searchBox; }
    QTreeWidget *guestList() const { return m_guestList; }
    // The line under the list: there are more, nothing found, or the query's error.
    QLabel *statusLabel() const { return m_statusLabel; }
    // The text the list on show was read for (empty while none is).
    const QString &listedText() const { return m_listedText; }

signals:
    void guestChosen(const QString &conviteNo);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void search();
    void pauseEnded();
    void resultRead(const QString &text, const GuestSearch::Result &result);
    void showResult(const QString &text, const GuestSearch::Result &result);
    void showFailure(const QString &text, int32_t number, const QString &description);
    void choose();
    void clearList(const QString &status);
    void showStatus(const QString &text);

    GuestSearch::Source m_source;
    std::unique_ptr<BackgroundConnection> m_reader;
    // The number of the latest search asked for; a job of an older one does not run.
    std::shared_ptr<std::atomic<int>> m_latest = std::make_shared<std::atomic<int>>(0);
    QTimer m_pause;
    QTimer m_readAfter;
    QString m_listedText;
    // Rows read before the pause was complete, for the text they were read for.
    std::optional<std::pair<QString, GuestSearch::Result>> m_held;

    QLineEdit *m_searchBox = nullptr;
    QTreeWidget *m_guestList = nullptr;
    QLabel *m_statusLabel = nullptr;
};

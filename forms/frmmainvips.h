#pragma once

#include "forms/vipsource.h"
#include "ui/headerband.h"

#include <QHash>
#include <QList>
#include <QPixmap>
#include <QString>
#include <QWidget>

class QFrame;
class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

// The VIP entry list, caption "VIPs": the invitations listed in tbConvites_VIPs that
// have already entered, sorted by name, with their count in the header. One window per
// opening, modeless, owned by (a child window of) the main window, deleted when closed.
// It reads the list once, when it loads (on first show, or when the opener calls
// Form_Load), through Main; it never refreshes. Errors while loading are reported under
// "Form_Load" and leave the rows read so far with the count "0.".
class frmMainVIPs : public QWidget
{
    Q_OBJECT
public:
    explicit frmMainVIPs(QWidget *owner = nullptr);
    ~frmMainVIPs() override;

    // Set by the opener before the window loads; borrowed, never owned.
    VipSource *Main = nullptr;

    // The query the list is read with, on KORDA's connection (which sees tbConvites).
    static QString vipQuery();

    // Fills the list. Runs once: on the first show, unless the opener ran it before.
    void Form_Load();
    bool loaded() const { return m_loaded; }

    // The row with the given key ("#" + convite_id), or nullptr.
    QTreeWidgetItem *ListItem(const QString &key) const;

    QFrame *Frame1() const { return m_header.frame; }
    QFrame *Frame2() const { return m_Frame2; }
    QLabel *Label1() const { return m_header.label1; }
    QLabel *Label2() const { return m_header.label2; }
    QLabel *Label3() const { return m_header.label3; }
    QLabel *Label4() const { return m_Label4; }
    QLabel *Image1() const { return m_header.image1; }
    QLabel *Image2() const { return m_header.image2; }
    const QList<QPixmap> &ImageList1() const { return m_ImageList1; }
    QTreeWidget *ListView1() const { return m_ListView1; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void createHeader();
    void createBody();
    void centreOnOwner();
    void clearRows();
    // Adds a row with its key, text and small icon; false when the key is already listed.
    bool addRow(const QString &key, const QString &text);

    bool m_loaded = false;
    bool m_shown = false;
    QHash<QString, QTreeWidgetItem *> m_rows;
    QList<QPixmap> m_ImageList1;

    QFrame *m_Frame2 = nullptr;
    QLabel *m_Label4 = nullptr;
    QTreeWidget *m_ListView1 = nullptr;
    // Frame1 and its pictures and labels.
    HeaderBand m_header;
};

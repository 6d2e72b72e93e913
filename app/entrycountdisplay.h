#pragma once

#include <QObject>

class EntryCounter;
class QLabel;

// The live entry count "Entradas: N" of the main window: an EntryCounter reading the check-in
// database away from the window's thread, its text shown in the label. Its first read starts
// once the window's event loop runs, so that it never stands in the way of the start. A child
// of the main window; the counter is its child.
class EntryCountDisplay : public QObject
{
    Q_OBJECT
public:
    EntryCountDisplay(QLabel *label, QObject *window);

    // This desk's own entry (+1) or undo (-1), counted at once.
    void adjust(int delta);
    EntryCounter *counter() const { return m_counter; }

private:
    EntryCounter *m_counter;
};

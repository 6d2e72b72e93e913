#pragma once

#include "data/arrivalstatistics.h"

#include <QWidget>

#include <map>
#include <optional>

class ArrivalChart;
class ArrivalReader;
class QComboBox;
class QLabel;
class QPushButton;

// "Estatísticas": the arrivals at a glance, beside the desk. The chart of the entries per
// bucket (5, 15 or 60 minutes) with their running total, and the figures, each with its
// caption. Read by an ArrivalReader of its own every ten seconds and when refreshNow() is
// called, so the window never waits on a statement. A failing read shows its message with
// the time of the picture still on show, and goes to the error report (once, until a read
// works again). "Exportar…" writes the picture as PNG and the buckets as CSV beside it.
// Modeless, owned by the window that opens it, deleted when closed; Esc closes it.
class frmEstatisticas : public QWidget
{
    Q_OBJECT
public:
    // The figures' captions, in the order shown.
    static const QStringList &figureCaptions();

    explicit frmEstatisticas(QWidget *owner = nullptr);
    ~frmEstatisticas() override;

    void refreshNow();
    // Writes the chart to pngPath and the buckets to the same name with ".csv"; false, with
    // the reason on the status line, when either cannot be written.
    bool exportTo(const QString &pngPath);

    ArrivalChart *chart() const { return m_chart; }
    QComboBox *bucketChoice() const { return m_bucketChoice; }
    QPushButton *exportButton() const { return m_exportButton; }
    // The line above the chart: when the picture was read, or why the last read failed.
    QLabel *statusLine() const { return m_statusLine; }
    // The value shown beside a caption of figureCaptions().
    QString figureText(const QString &caption) const;
    // The last picture read, if any.
    const std::optional<ArrivalStatistics::Picture> &picture() const { return m_picture; }

signals:
    void pictureShown();

private:
    void showPicture(const ArrivalStatistics::Picture &picture);
    void showFailure(int number, const QString &description);
    void chooseExportFile();

    ArrivalReader *m_reader = nullptr;
    ArrivalChart *m_chart = nullptr;
    QComboBox *m_bucketChoice = nullptr;
    QPushButton *m_exportButton = nullptr;
    QLabel *m_statusLine = nullptr;
    QLabel *m_futureLine = nullptr;
    std::map<QString, QLabel *> m_figures;
    std::optional<ArrivalStatistics::Picture> m_picture;
    bool m_failing = false;
};

#include "forms/frmestatisticas.h"

#include "data/arrivalreader.h"
#include "data/dataenvironment.h"
#include "forms/arrivalchart.h"
#include "platform/errorreport.h"
#include "ui/artwork.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace {

const QString kSource = QStringLiteral("frmEstatisticas");

// Thousands grouped with "." as the header's count has them.
QString number(int64_t n)
{
    static const QLocale grouping(QLocale::German, QLocale::Germany);
    return grouping.toString(qlonglong(n));
}

QString share(const ArrivalStatistics::Share &s)
{
    return number(s.entered) + QStringLiteral(" de ") + number(s.invited);
}

QString timeOf(const QDateTime &t)
{
    return t.toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

const QStringList &frmEstatisticas::figureCaptions()
{
    static const QStringList captions{
        QStringLiteral("Convidados"),         QStringLiteral("Entradas"), QStringLiteral("Por entrar"),
        QStringLiteral("Últimos 15 min"),     QStringLiteral("ZELMAR"),   QStringLiteral("KORDA"),
        QStringLiteral("Sem ficha de sócio"), QStringLiteral("VIP")};
    return captions;
}

frmEstatisticas::frmEstatisticas(QWidget *owner) : QWidget(owner, Qt::Window)
{
    setObjectName(kSource);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Estatísticas"));
    setWindowIcon(Artwork::windowIcon());

    m_bucketChoice = new QComboBox(this);
    m_bucketChoice->setObjectName(QStringLiteral("bucketChoice"));
    for (int minutes : ArrivalStatistics::BucketChoices)
        m_bucketChoice->addItem(QStringLiteral("%1 min").arg(minutes), minutes);
    m_bucketChoice->setCurrentIndex(1);
    m_exportButton = new QPushButton(QStringLiteral("Exportar…"), this);
    m_exportButton->setObjectName(QStringLiteral("exportButton"));
    m_statusLine = new QLabel(QStringLiteral("A ler…"), this);
    m_statusLine->setObjectName(QStringLiteral("statusLine"));
    m_statusLine->setWordWrap(true);

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Intervalo:"), this));
    top->addWidget(m_bucketChoice);
    top->addWidget(m_statusLine, 1);
    top->addWidget(m_exportButton);

    m_chart = new ArrivalChart(this);

    auto *figures = new QGridLayout;
    QFont big = font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    int row = 0;
    for (const QString &caption : figureCaptions()) {
        auto *value = new QLabel(QStringLiteral("—"), this);
        value->setFont(big);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        figures->addWidget(new QLabel(caption, this), row, 0);
        figures->addWidget(value, row++, 1);
        m_figures[caption] = value;
    }
    m_futureLine = new QLabel(this);
    m_futureLine->setWordWrap(true);
    m_futureLine->setStyleSheet(QStringLiteral("color: rgb(214, 96, 0); font-weight: bold"));
    m_futureLine->hide();
    figures->addWidget(m_futureLine, row++, 0, 1, 2);
    figures->setRowStretch(row, 1);
    figures->setColumnMinimumWidth(1, 120);

    auto *body = new QHBoxLayout;
    body->addWidget(m_chart, 1);
    body->addLayout(figures);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(body, 1);
    resize(940, 480);

    m_reader = new ArrivalReader(Data::KordaId, this);
    connect(m_reader, &ArrivalReader::pictureRead, this, &frmEstatisticas::showPicture);
    connect(m_reader, &ArrivalReader::readFailed, this, &frmEstatisticas::showFailure);
    connect(m_bucketChoice, &QComboBox::currentIndexChanged, this,
            [this] { m_reader->setMinutes(m_bucketChoice->currentData().toInt()); });
    connect(m_exportButton, &QPushButton::clicked, this, &frmEstatisticas::chooseExportFile);
    auto *esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, this, &QWidget::close);
    m_reader->start();
}

frmEstatisticas::~frmEstatisticas() = default;

void frmEstatisticas::refreshNow()
{
    m_reader->refreshNow();
}

QString frmEstatisticas::figureText(const QString &caption) const
{
    const auto it = m_figures.find(caption);
    return it == m_figures.end() ? QString() : it->second->text();
}

void frmEstatisticas::showPicture(const ArrivalStatistics::Picture &picture)
{
    m_picture = picture;
    m_failing = false;
    const ArrivalStatistics::Figures &f = picture.figures;
    const QString texts[] = {number(f.invited), number(f.entered), number(f.toCome()), number(f.lastQuarter),
                             share(f.zelmar),   share(f.korda),    share(f.noMember),  number(f.vip)};
    for (int i = 0; i < figureCaptions().size(); ++i)
        m_figures[figureCaptions().at(i)]->setText(texts[i]);
    if (f.future > 0) {
        m_futureLine->setText(QStringLiteral("%1 com hora de entrada depois de agora (%2 no servidor)")
                                  .arg(number(f.future), timeOf(f.now)));
        m_futureLine->show();
    } else {
        m_futureLine->hide();
    }
    m_statusLine->setStyleSheet(QString());
    m_statusLine->setText(picture.buckets.empty()
                              ? QStringLiteral("Lido às %1. Ainda ninguém entrou hoje.").arg(timeOf(f.now))
                              : QStringLiteral("Lido às %1.").arg(timeOf(f.now)));
    m_chart->setPicture(picture);
    emit pictureShown();
}

void frmEstatisticas::showFailure(int number, const QString &description)
{
    // The last picture stays, with the time it was read.
    const QString shown = m_picture ? QStringLiteral(" A imagem é das %1.").arg(timeOf(m_picture->figures.now))
                                    : QString();
    m_statusLine->setStyleSheet(QStringLiteral("color: rgb(128, 0, 0)"));
    m_statusLine->setText(QStringLiteral("Não foi possível ler as estatísticas: ") + description + shown);
    if (!m_failing)
        ErrorReporting::formTail(kSource, QStringLiteral("refreshNow"), number, description);
    m_failing = true;
}

void frmEstatisticas::chooseExportFile()
{
    const QString start = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                          + QStringLiteral("/estatisticas.png");
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Exportar estatísticas"), start,
                                                      QStringLiteral("Imagem PNG (*.png)"), nullptr,
                                                      QFileDialog::DontUseNativeDialog);
    if (!path.isEmpty())
        exportTo(path);
}

bool frmEstatisticas::exportTo(const QString &pngPath)
{
    QString png = pngPath;
    if (!png.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
        png += QStringLiteral(".png");
    const QFileInfo info(png);
    const QString csvPath = info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".csv");
    QString failed;
    if (!m_chart->grab().save(png, "PNG"))
        failed = png;
    if (failed.isEmpty()) {
        QSaveFile csv(csvPath);
        const QByteArray text = ArrivalStatistics::csv(m_picture.value_or(ArrivalStatistics::Picture())).toUtf8();
        if (!csv.open(QIODevice::WriteOnly) || csv.write(text) != text.size() || !csv.commit())
            failed = csvPath;
    }
    if (!failed.isEmpty()) {
        m_statusLine->setStyleSheet(QStringLiteral("color: rgb(128, 0, 0)"));
        m_statusLine->setText(QStringLiteral("Não foi possível gravar ") + failed);
        return false;
    }
    m_statusLine->setText(QStringLiteral("Gravado em %1 e %2.").arg(png, csvPath));
    return true;
}

#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

// What to build, as given on the command line.
struct DemoOptions
{
    QString directory;
    int64_t invitations = 200; // generated invitations beside the fixed samples
    int64_t members = 40;      // generated members per organisation beside the named samples
    uint64_t seed = 1;
    bool force = false; // replace an existing set
};

// Builds a demo set in one folder: checkin.db (tbConvites and ZELMAR's member tables),
// korda.db (KORDA's member tables and tbConvites_VIPs) and the two photograph archives
// archive-zelmar and archive-korda. Everything is written into a hidden staging folder
// inside the target folder and moved into place at the end, checkin.db last, so an
// interrupted run never leaves a set that looks complete. build() throws RuntimeError on
// any failure (including an existing set without force); the staging folder is then removed.
class DemoDatabaseBuilder
{
public:
    explicit DemoDatabaseBuilder(DemoOptions options, QDate today = QDate::currentDate());

    // Receives one line per step ("writing 1000000 invitations").
    void setProgress(std::function<void(const QString &)> progress) { m_progress = std::move(progress); }

    // Builds the set and returns the absolute path of the folder.
    QString build();

    // The names the set consists of inside its folder, in the order they are moved into place.
    static const QStringList &outputNames();
    // Which of those names already exist in directory.
    static QStringList existingOutputs(const QString &directory);

private:
    void writeCheckin(const QString &path, const QString &zelmarArchive);
    void writeKorda(const QString &path, const QString &kordaArchive);
    void writeArchive(int organisation, const QString &stagedArchive);
    void publish(const QString &staging, const QString &target);
    void say(const QString &line);

    DemoOptions m_options;
    QDate m_today;
    std::function<void(const QString &)> m_progress;
};

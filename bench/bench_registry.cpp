// Configuration files at hostile sizes, read the way a check-in reads them:
//  - the first read of the five connection values from a registry file of 20,000 keys
//    (about 1.3 MB; the file is rewritten before each run, so each run parses it anew);
//  - a value reached through a chain of 3,000 SREF= references, the file unchanged since the
//    last read (every check-in after the first);
//  - a shadow file whose first line is 100 MB long, the entry on the line after it
//    (time of one lookup, and the growth of the process's peak memory during the lookups).
//   bench_registry --markdown OUT.md [--runs N]
#include "bench/benchenvironment.h"
#include "bench/benchstats.h"
#include "platform/modregistry.h"
#include "platform/registryfile.h"
#include "platform/shadowfile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <optional>
#include <stdexcept>
#include <vector>

namespace {

const QString Halvorix = QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\");

void writeFile(const QString &path, const QByteArray &bytes, bool aged)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
    // A file last changed long ago, as a desk's configuration is at check-in time.
    if (aged)
        file.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime);
}

QByteArray manyKeys(int keys, int run)
{
    QByteArray text = "Windows Registry Editor Version 5.00\r\n\r\n";
    for (int i = 0; i < keys; ++i)
        text += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\Posto" + QByteArray::number(i) + "]\r\n\"dtUser\"=\"u"
                + QByteArray::number(run) + "\"\r\n";
    text += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\Desk]\r\n\"dtSecurityInfo\"=\"True\"\r\n\"dtUser\"=\"sa\"\r\n"
            "\"dtPassword\"=\"qv1:x\"\r\n\"dtInitialCatalog\"=\"Pelvrin\"\r\n\"dtDataSource\"=\"db\\\\SQLEXPRESS\"\r\n";
    return text;
}

QByteArray srefChain(int steps)
{
    QByteArray text = "Windows Registry Editor Version 5.00\r\n\r\n";
    for (int i = 0; i < steps; ++i)
        text += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\Passo" + QByteArray::number(i) + "]\r\n\"dtUser\"=\"SREF="
                + "HKEY_LOCAL_MACHINE\\\\SOFTWARE\\\\Halvorix\\\\Passo" + QByteArray::number(i + 1) + "\"\r\n";
    text += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\Passo" + QByteArray::number(steps) + "]\r\n\"dtUser\"=\"sa\"\r\n";
    return text;
}

long peakKib()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

template<typename F>
std::vector<double> timed(int runs, F &&run)
{
    std::vector<double> samples;
    for (int i = 0; i < runs; ++i) {
        const auto start = BenchStats::Clock::now();
        run(i);
        samples.push_back(BenchStats::millisecondsBetween(start, BenchStats::Clock::now()));
    }
    return samples;
}

QString row(const QString &what, const std::vector<double> &samples, const QString &extra)
{
    const BenchStats::Summary s = BenchStats::summarize(samples);
    return QStringLiteral("| %1 | %2 | %3 | %4 | %5 |\n")
        .arg(what)
        .arg(s.count)
        .arg(BenchStats::ms(s.median), BenchStats::ms(s.max), extra);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption markdownOption = BenchEnvironment::markdownOption();
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Runs per case."), QStringLiteral("n"),
                                        QStringLiteral("5"));
    parser.addOptions({markdownOption, runsOption});
    parser.process(app);
    if (!parser.isSet(markdownOption)) {
        std::fprintf(stderr, "%s", qPrintable(parser.helpText()));
        return 2;
    }
    try {
        const int runs = parser.value(runsOption).toInt();
        QTemporaryDir dir;
        const QString registry = dir.filePath(QStringLiteral("registry.reg"));
        qputenv("QUORVET_REGISTRY_FILE", registry.toUtf8());
        qputenv("QUORVET_COMMON_APPDATA", dir.path().toUtf8());
        qputenv("QUORVET_ERROR_LOG", dir.filePath(QStringLiteral("errors.log")).toUtf8());
        QDir(dir.path()).mkpath(QStringLiteral("Tarnis Software"));
        QString table = QStringLiteral(
            "| case | runs | median (ms) | max (ms) | peak memory growth |\n|---|---:|---:|---:|---|\n");

        // The shadow file first, while the process's peak memory is still that of its start.
        const QByteArray longLine(100 * 1024 * 1024, 'x');
        writeFile(ShadowFile::path(),
                  longLine + "\r\n" + (Halvorix + QStringLiteral("Desk:dtUser=sombra\r\n")).toUtf8(), true);
        const long before = peakKib();
        const auto shadow = timed(runs, [](int) {
            if (modRegistry::LerValorSombra(Halvorix + QStringLiteral("Desk"), QStringLiteral("dtUser"))
                != QStringLiteral("sombra"))
                throw std::runtime_error("shadow entry not found");
        });
        const long grown = peakKib() - before;
        QFile::remove(ShadowFile::path());
        table += row(QStringLiteral("shadow file with a 100 MB first line, one lookup"), shadow,
                     QStringLiteral("%1 MiB").arg(double(grown) / 1024.0, 0, 'f', 1));

        const auto first = timed(runs, [&](int run) {
            writeFile(registry, manyKeys(20000, run), false);
            for (const char *name : {"dtSecurityInfo", "dtUser", "dtPassword", "dtInitialCatalog", "dtDataSource"})
                if (!modRegistry::ObterValorString(Halvorix + QStringLiteral("Desk"), QString::fromLatin1(name),
                                                   std::nullopt, false)
                         .isText())
                    throw std::runtime_error("value missing");
        });
        table += row(
            QStringLiteral("20,000 keys (%1 KiB), five values, file new").arg(manyKeys(20000, 0).size() / 1024), first,
            QStringLiteral("-"));

        writeFile(registry, srefChain(3000), true);
        modRegistry::ObterValorString(Halvorix + QStringLiteral("Passo0"), QStringLiteral("dtUser"), std::nullopt,
                                      true);
        const auto chain = timed(runs, [&](int) {
            const RegResult r = modRegistry::ObterValorString(Halvorix + QStringLiteral("Passo0"),
                                                              QStringLiteral("dtUser"), std::nullopt, true);
            if (!r.isText() || r.text() != QStringLiteral("sa"))
                throw std::runtime_error("chain did not end in its value");
        });
        table += row(QStringLiteral("chain of 3,000 SREF= steps, file unchanged"), chain, QStringLiteral("-"));
        BenchEnvironment::writeText(parser.value(markdownOption), table);
        std::printf("%s", qPrintable(table));
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_registry: %s\n", e.what());
        return 1;
    }
    return 0;
}

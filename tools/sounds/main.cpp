// Writes the desk's verdict sounds (ui/verdicttones.h) as WAV files; the build runs it and
// compiles the files in:
//   quorvet-sounds OUTPUT-FOLDER
#include "ui/verdicttones.h"

#include <QDir>
#include <QSaveFile>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: quorvet-sounds OUTPUT-FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path())) {
        std::fprintf(stderr, "quorvet-sounds: cannot make %s\n", argv[1]);
        return 1;
    }
    for (int o = 0; o < VerdictTones::OutcomeCount; ++o) {
        const auto outcome = VerdictTones::Outcome(o);
        QSaveFile file(out.filePath(QLatin1String(VerdictTones::name(outcome)) + QStringLiteral(".wav")));
        if (!file.open(QIODevice::WriteOnly) || file.write(VerdictTones::wavFile(VerdictTones::samples(outcome))) < 0
            || !file.commit()) {
            std::fprintf(stderr, "quorvet-sounds: cannot write %s\n", qPrintable(file.fileName()));
            return 1;
        }
    }
    return 0;
}

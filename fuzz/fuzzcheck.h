#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>

// A broken property of the code under test ends the fuzz run: abort() is what libFuzzer
// reports as a crash and keeps the input that caused it.
[[noreturn]] inline void fuzzFailure(const char *what, const QString &detail)
{
    // NULs in the detail are shown as \0 so that the whole text reaches the log.
    const QByteArray text = detail.toUtf8().replace('\0', "\\0");
    std::fprintf(stderr, "fuzz check failed: %s\n%s\n", what, text.constData());
    std::abort();
}

#define FUZZ_CHECK(condition, detail)                                                                                  \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            fuzzFailure(#condition, (detail));                                                                         \
    } while (false)

#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>

// A broken property of the code under test ends the fuzz run: abort() is what libFuzzer
// reports as a crash and keeps the input that caused it.
[[noreturn]] inline void fuzzFailure(const char *what, const QString &detail)
{
    std::fprintf(stderr, "fuzz check failed: %s\n%s\n", what, detail.toUtf8().constData());
    std::abort();
}

#define FUZZ_CHECK(condition, detail)                                                                                \
    do {                                                                                                             \
        if (!(condition))                                                                                            \
            fuzzFailure(#condition, (detail));                                                                       \
    } while (false)

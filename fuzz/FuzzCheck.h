#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>

// What every fuzzer shares: the input as text, and a property check that ends the run with a
// report libFuzzer records as a finding (the input that broke it is saved as a crash file).
namespace pellmarch::fuzz {

// The input bytes as the program reads an answer: UTF-8, invalid sequences replaced.
inline QString textOf(const uint8_t *data, size_t size) {
    return QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
}

[[noreturn]] inline void broken(const char *property, const QString &detail) {
    std::fprintf(stderr, "PROPERTY BROKEN: %s\n  %s\n", property, qUtf8Printable(detail));
    std::abort();
}

// Ends the run when `holds` is false; `detail` says with what values.
#define FUZZ_REQUIRE(holds, detail)                                                                \
    do {                                                                                           \
        if (!(holds))                                                                              \
            ::pellmarch::fuzz::broken(#holds, (detail));                                           \
    } while (false)

} // namespace pellmarch::fuzz

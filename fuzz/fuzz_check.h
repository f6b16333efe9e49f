#pragma once

#include <QString>

#include <cstdio>
#include <cstdlib>

// A broken invariant is a finding: say which one and abort, so libFuzzer saves the input.
inline void require(bool holds, const char* what, const QString& detail = QString())
{
    if (holds)
        return;
    std::fprintf(stderr, "INVARIANT BROKEN: %s\n", what);
    if (!detail.isEmpty())
        std::fprintf(stderr, "  %s\n", detail.toUtf8().toHex(' ').constData());
    std::abort();
}

// Plain searches written without QString's own, so the checks do not share the code under test.
inline bool matchesAt(const QString& haystack, const QString& needle, qsizetype at)
{
    if (at < 0 || at + needle.size() > haystack.size())
        return false;
    for (qsizetype j = 0; j < needle.size(); ++j) {
        if (haystack.at(at + j) != needle.at(j))
            return false;
    }
    return true;
}

inline qsizetype naiveIndexOf(const QString& haystack, const QString& needle, qsizetype from)
{
    if (needle.isEmpty())
        return from <= haystack.size() ? from : -1;
    for (qsizetype i = from; i + needle.size() <= haystack.size(); ++i) {
        if (matchesAt(haystack, needle, i))
            return i;
    }
    return -1;
}

inline qsizetype countOf(const QString& text, QChar c)
{
    qsizetype n = 0;
    for (const QChar x : text)
        n += x == c;
    return n;
}

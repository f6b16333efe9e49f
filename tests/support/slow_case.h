#pragma once

#include <QTest>

// Marks a test case as slow (large files, many processes, minutes of work): the everyday CTest
// entry of its suite skips it, and the suite's "_slow" entry runs it (lexivo_add_test's SLOW).
// Run by hand, the executable runs every case.
#define LEXIVO_SLOW_CASE()                                                                         \
    do {                                                                                           \
        if (qEnvironmentVariableIsSet("LEXIVO_SKIP_SLOW"))                                         \
            QSKIP("slow: run by the suite's _slow CTest entry");                                   \
    } while (false)

#pragma once

#include <QApplication>

// Unexpected failures end the program with a generic run-time error report: a message box with
// the kind of error and its description, also written to standard error.
[[noreturn]] void reportRuntimeErrorAndExit(const QString& kind, const QString& description);

// The application object: catches exceptions thrown by event handlers, which Qt cannot carry
// through its event loop, and reports them as above.
class LexivoApplication : public QApplication
{
public:
    LexivoApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Reports the exception currently being handled; call from a catch block only.
[[noreturn]] void reportCurrentException();

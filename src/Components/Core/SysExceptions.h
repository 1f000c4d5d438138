#pragma once
// The exception classes every layer raises. A message only; Qt never sees them (see the
// error guard of the application shell).

#include <QString>
#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(QString message);
    const QString& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FUtf8.c_str(); }

private:
    QString FMessage;
    std::string FUtf8;
};

// A silent abort: abandons an operation without an error box.
class EAbort : public Exception {
public:
    EAbort() : Exception(QStringLiteral("Operation aborted")) {}
};

// Record-set errors, e.g. "Field 'X' not found" or "Dataset not in edit or insert mode".
class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};

// A text that does not convert to the value asked for, e.g. "'25:00' is not a valid time".
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// A division by zero in a floating-point calculation.
class EZeroDivide : public Exception {
public:
    EZeroDivide() : Exception(QStringLiteral("Floating point division by zero")) {}
};

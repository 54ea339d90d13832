// The error that automation members raise: number 0x80040000 + n, with a description and the
// source. Windows show the same description in a message box.
#pragma once

#include <QString>

#include <stdexcept>

namespace teleon {

class AutomationError : public std::runtime_error {
public:
    static constexpr long ObjectErrorBase = 0x80040000L;

    AutomationError(int n, const QString& description,
                    const QString& source = QStringLiteral("LX-200 Vantor"))
        : std::runtime_error(description.toStdString()), n_(n), description_(description),
          source_(source) {}

    int code() const { return n_; }                      // n, e.g. 1120
    long number() const { return ObjectErrorBase + n_; } // as automation clients see it
    QString description() const { return description_; }
    QString source() const { return source_; }

private:
    int n_;
    QString description_;
    QString source_;
};

} // namespace teleon

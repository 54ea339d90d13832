// Robustness of the text parsers and formatters against garbage: random texts and mutations of
// a seed corpus of real telescope replies and numbers, with a fixed seed so a failure repeats.
// Every call must return a finite value or throw its documented error; nothing else may escape.
#include "link/Utilities.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace teleon {
namespace {

constexpr unsigned kSeed = 20240611;
constexpr int kCases = 4000;

const char16_t kAlphabet[] = u"0123456789+-.,:*'# xeE\t\u00DF\u00B0\u2212\u202F\u00A0";

// Real replies and numbers; "*" is replaced by the degree byte.
const char* const kCorpus[] = {
    "05:34.5",    "05:34:30",  "23:59:59",    "+22*01",     "-05*23'28", "180*27", "180*27'10",
    "-012*30:00", "045*15:00", "+122*30x00x", "-05*23x00x", "60.1",      "57,9",   "2,5",
    "-02.0",      "+05.5",     "1.234,5",     "1,234.5",    "0.000",     "060",    "1e3",
};

class Fuzzer {
public:
    explicit Fuzzer(unsigned seed) : rng_(seed) {}

    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    QChar RandomChar() {
        const int pick = Below(20);
        if (pick == 0)
            return QChar(char16_t(Below(0x10000))); // anything, lone surrogates included
        if (pick == 1)
            return QChar(char16_t(Below(32))); // control characters, NUL included
        return QChar(kAlphabet[Below(int(std::size(kAlphabet)) - 1)]);
    }

    QString RandomText() {
        QString s;
        const int length = Below(18);
        for (int i = 0; i < length; ++i)
            s += RandomChar();
        return s;
    }

    QString Mutate(QString s) {
        const int edits = 1 + Below(3);
        for (int e = 0; e < edits; ++e) {
            const int size = int(s.size());
            switch (Below(6)) {
            case 0: // replace
                if (size > 0)
                    s[Below(size)] = RandomChar();
                break;
            case 1: // insert
                s.insert(Below(size + 1), RandomChar());
                break;
            case 2: // delete
                if (size > 0)
                    s.remove(Below(size), 1);
                break;
            case 3: // truncate
                s.truncate(Below(size + 1));
                break;
            case 4: // repeat a piece
                if (size > 0) {
                    const int at = Below(size);
                    s.insert(at, s.mid(at, 1 + Below(size - at)));
                }
                break;
            default: // swap two characters
                if (size > 1)
                    std::swap(s[Below(size)], s[Below(size)]);
                break;
            }
        }
        return s;
    }

    QString Next() {
        if (Below(2) == 0)
            return RandomText();
        QString seed = QString::fromLatin1(kCorpus[Below(int(std::size(kCorpus)))]);
        seed.replace(QLatin1Char('*'), QChar(0xDF));
        return Mutate(seed);
    }

    // Any double: random bit patterns (NaN, infinities, subnormals included) or ordinary values.
    double RandomDouble() {
        if (Below(3) == 0) {
            const std::uint64_t bits = std::uniform_int_distribution<std::uint64_t>()(rng_);
            double d;
            std::memcpy(&d, &bits, sizeof d);
            return d;
        }
        return std::uniform_real_distribution<double>(-1100.0, 1100.0)(rng_);
    }

private:
    std::mt19937 rng_;
};

// Puts the separators back after a test that changes them.
class SeparatorsRestore {
public:
    SeparatorsRestore() : decimal_(DecimalSep), thousands_(ThousandSep) {}
    ~SeparatorsRestore() {
        DecimalSep = decimal_;
        ThousandSep = thousands_;
    }

private:
    QChar decimal_;
    QChar thousands_;
};

struct Tally {
    int values = 0;
    int errors = 0;
};

template <typename Error, typename Parse>
void Check(Tally& tally, const QString& text, Parse parse, double bound, const char* name) {
    try {
        const double v = parse(text);
        ++tally.values;
        EXPECT_TRUE(std::isfinite(v)) << name << " of \"" << text.toStdString() << "\"";
        EXPECT_LE(std::fabs(v), bound) << name << " of \"" << text.toStdString() << "\"";
    } catch (const Error& e) {
        ++tally.errors;
        EXPECT_GT(std::strlen(e.what()), 10u);
    }
}

TEST(UtilitiesFuzz, ParsersReturnAValueOrTheirError) {
    Fuzzer fuzz(kSeed);
    Tally angle, hours, neutral;
    // Fields hold at most three digits, the short hours' minutes any decimal number.
    const double maxAngle = 999 + 99 / 60.0 + 99 / 3600.0;
    const SeparatorsRestore restore;
    for (int i = 0; i < kCases; ++i) {
        const QString text = fuzz.Next();
        Check<ScopeTextError>(angle, text, ParseScopeAngle, maxAngle, "ParseScopeAngle");
        Check<ScopeTextError>(angle, text, ParseScopeAngleRad, maxAngle, "ParseScopeAngleRad");
        Check<ScopeTextError>(hours, text, ParseScopeHours, HUGE_VAL, "ParseScopeHours");
        Check<ScopeTextError>(hours, text, ParseScopeHoursDeg, HUGE_VAL, "ParseScopeHoursDeg");
        // The neutral numbers in both kinds of locale.
        DecimalSep = QLatin1Char(i % 2 ? ',' : '.');
        ThousandSep = QLatin1Char(i % 2 ? '.' : ',');
        Check<NumberFormatError>(
            neutral, text, [](const QString& t) { return ParseNeutralNumber(t); }, HUGE_VAL,
            "ParseNeutralNumber");
    }
    // The corpus keeps the run from being all errors or all values.
    for (const Tally& t : {angle, hours, neutral}) {
        EXPECT_GT(t.values, 200);
        EXPECT_GT(t.errors, 200);
    }
}

TEST(UtilitiesFuzz, FormattersWriteTheirFormOrThrowForNonFinite) {
    Fuzzer fuzz(kSeed + 1);
    const QRegularExpression angleForm(QStringLiteral("^-?\\d{3,}\u00DF[0-5]\\d:[0-5]\\d$"));
    const QRegularExpression hoursForm(QStringLiteral("^-?\\d{2,}:[0-5]\\d:[0-5]\\d$"));
    for (int i = 0; i < kCases; ++i) {
        const double v = fuzz.RandomDouble();
        if (!std::isfinite(v)) {
            EXPECT_THROW(FormatScopeAngle(v), NumberFormatError);
            EXPECT_THROW(FormatScopeHours(v), NumberFormatError);
            EXPECT_THROW(FormatNeutralNumber(v, QStringLiteral("0.0")), NumberFormatError);
            continue;
        }
        const QString angle = FormatScopeAngle(v);
        EXPECT_TRUE(angleForm.match(angle).hasMatch()) << v << " -> " << angle.toStdString();
        const QString time = FormatScopeHours(v);
        EXPECT_TRUE(hoursForm.match(time).hasMatch()) << v << " -> " << time.toStdString();
        EXPECT_TRUE(hoursForm.match(FormatScopeHoursDeg(v)).hasMatch()) << v;

        // Within the telescope's range the text reads back to the value within half a second.
        if (std::fabs(v) < 999.0) {
            EXPECT_NEAR(ParseScopeAngle(angle), v, 0.5 / 3600 + 1e-9) << angle.toStdString();
            if (v >= 0 && v < 99.0) {
                EXPECT_NEAR(ParseScopeHours(time), v, 0.5 / 3600 + 1e-9) << time.toStdString();
            }
        }
    }
}

TEST(UtilitiesFuzz, NeutralFormattingFollowsAnyPattern) {
    Fuzzer fuzz(kSeed + 2);
    const SeparatorsRestore restore;
    for (int i = 0; i < kCases; ++i) {
        DecimalSep = QLatin1Char(i % 2 ? ',' : '.');
        ThousandSep = QLatin1Char(i % 2 ? '.' : ',');
        const int whole = fuzz.Below(5);
        const int decimals = fuzz.Below(5);
        const bool point = decimals > 0 || fuzz.Below(4) == 0;
        if (whole == 0 && !point)
            continue;
        const QString pattern = QString(whole, QLatin1Char('0')) +
                                (point ? QLatin1String(".") : QLatin1String("")) +
                                QString(point ? decimals : 0, QLatin1Char('0'));
        const double v = fuzz.RandomDouble();
        if (!std::isfinite(v)) {
            EXPECT_THROW(FormatNeutralNumber(v, pattern), NumberFormatError);
            continue;
        }
        const QString text = FormatNeutralNumber(v, pattern);
        const QRegularExpression form(
            QStringLiteral("^-?\\d{%1,}%2$")
                .arg(whole)
                .arg(point ? QStringLiteral("\\.\\d{%1}").arg(decimals) : QString()));
        ASSERT_TRUE(form.match(text).hasMatch())
            << v << " with " << pattern.toStdString() << " -> " << text.toStdString();
        if (std::fabs(v) < 1e12 && !text.endsWith(QLatin1Char('.')) && !text.isEmpty() &&
            text != QLatin1String("-")) {
            const double back = ParseNeutralNumber(text);
            EXPECT_NEAR(back, v,
                        0.5 * std::pow(10.0, -(point ? decimals : 0)) * (1 + 1e-9) +
                            1e-12 * std::fabs(v))
                << text.toStdString();
        }
    }
}

TEST(UtilitiesFuzz, GarbagePatternsAreRejectedOrFollowed) {
    Fuzzer fuzz(kSeed + 3);
    for (int i = 0; i < kCases; ++i) {
        const QString pattern = fuzz.Next();
        try {
            const QString text = FormatNeutralNumber(fuzz.RandomDouble(), pattern);
            EXPECT_TRUE(
                QRegularExpression(QStringLiteral("^0*(\\.0*)?$")).match(pattern).hasMatch())
                << "accepted pattern \"" << pattern.toStdString() << "\"";
        } catch (const NumberFormatError&) {
        }
    }
}

} // namespace
} // namespace teleon

#include "TValueText_p.h"

#include <QtMath>

#include <cmath>
#include <limits>

namespace {

// Nominal values of one decade in 1/40-decade steps. A 1/12 octave (2^(1/12) = 1.0595) is within
// 0.03 % of a 1/40 decade (10^(1/40) = 1.0593), so the EQ frequency grid reads in these numbers.
const double kNominalDecade[40] = {1.00, 1.06, 1.12, 1.18, 1.25, 1.32, 1.40, 1.50, 1.60, 1.70,
                                   1.80, 1.90, 2.00, 2.12, 2.24, 2.36, 2.50, 2.65, 2.80, 3.00,
                                   3.15, 3.35, 3.55, 3.75, 4.00, 4.25, 4.50, 4.75, 5.00, 5.30,
                                   5.60, 6.00, 6.30, 6.70, 7.10, 7.50, 8.00, 8.50, 9.00, 9.50};

// EQ frequency value v is 1/24-octave index 2v. Index 8 is 20 Hz (the first graphic-EQ band),
// index 248 is 20 kHz, so value v sits 8 + v nominal steps above 10 Hz.
constexpr int kFrequencyStepsAbove10Hz = 8;

// The shared Q list: row k of the Q index pairs (index 2k and 2k + 1).
const double kQList[57] = {0.10, 0.11, 0.125, 0.14, 0.16, 0.18, 0.20, 0.22, 0.25, 0.28, 0.32, 0.35,
                           0.40, 0.45, 0.50,  0.56, 0.63, 0.70, 0.80, 0.90, 1.0,  1.1,  1.25, 1.4,
                           1.6,  1.8,  2.0,   2.2,  2.5,  2.8,  3.2,  3.5,  4.0,  4.5,  5.0,  5.6,
                           6.3,  7.0,  8.0,   9.0,  10,   11,   12.5, 14,   16,   18,   20,   22,
                           25,   28,   32,    35,   40,   45,   50,   56,   63};
constexpr int kQRows = 57;
constexpr int kQIndexOfValueZero = 80; // value q is Q index 80 - 2q

// Fader level curve, piecewise linear between these (raw, dB) points; raw 0 is minus infinity.
struct TPoint
{
    double x;
    double y;
};
const TPoint kFaderDb[] = {{1, -100}, {223, -60}, {423, -30}, {623, -10}, {823, 0}, {1023, 10}};
// Fader position law: fraction of the travel at each raw point. +10 dB at the top, 0 dB three
// quarters up, -30 dB a quarter up, and a compressed tail below.
const TPoint kFaderTravel[] = {{0, 0.0},   {223, 0.0625}, {423, 0.25},
                               {623, 0.5}, {823, 0.75},   {1023, 1.0}};

template<size_t N>
double interpolate(const TPoint (&points)[N], double x)
{
    if (x <= points[0].x)
        return points[0].y;
    for (size_t i = 1; i < N; ++i) {
        if (x <= points[i].x) {
            const TPoint &a = points[i - 1];
            const TPoint &b = points[i];
            return a.y + (x - a.x) * (b.y - a.y) / (b.x - a.x);
        }
    }
    return points[N - 1].y;
}

template<size_t N>
double inverse(const TPoint (&points)[N], double y)
{
    if (y <= points[0].y)
        return points[0].x;
    for (size_t i = 1; i < N; ++i) {
        if (y <= points[i].y) {
            const TPoint &a = points[i - 1];
            const TPoint &b = points[i];
            return a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y);
        }
    }
    return points[N - 1].x;
}


QString withUnit(const QString &number, const QString &unit, bool compact)
{
    if (compact || unit.isEmpty())
        return number;
    return number + QLatin1Char(' ') + unit;
}

QString signedNumber(double v, int decimals, bool plus)
{
    QString s = QString::number(v, 'f', decimals);
    if (s.startsWith(QLatin1Char('-')) && s.toDouble() == 0.0)
        s.remove(0, 1); // no "-0.0"
    if (plus && v > 0 && s.toDouble() != 0.0)
        s.prepend(QLatin1Char('+'));
    return s;
}

// Hz below 1000, kHz above, keeping every digit the Hz form had.
QString hertzText(double hz, int decimals, bool compact)
{
    if (std::abs(hz) < 1000.0)
        return withUnit(QString::number(hz, 'f', decimals), QStringLiteral("Hz"), compact);
    QString s = QString::number(hz / 1000.0, 'f', decimals + 3);
    while (s.endsWith(QLatin1Char('0')) && s.indexOf(QLatin1Char('.')) < s.size() - 2)
        s.chop(1);
    return compact ? s + QLatin1Char('k') : s + QStringLiteral(" kHz");
}

QString nominalFrequencyText(int value, bool compact)
{
    const int steps = kFrequencyStepsAbove10Hz + value;
    const int decade = steps >= 0 ? steps / 40 : (steps - 39) / 40;
    const int step = steps - decade * 40;
    const double hz = kNominalDecade[step] * std::pow(10.0, decade + 1);
    if (hz < 100.0)
        return withUnit(QString::number(hz, 'f', 1), QStringLiteral("Hz"), compact);
    if (hz < 1000.0)
        return withUnit(QString::number(hz, 'f', 0), QStringLiteral("Hz"), compact);
    const QString k = QString::number(hz / 1000.0, 'f', hz < 10000.0 ? 2 : 1);
    return compact ? k + QLatin1Char('k') : k + QStringLiteral(" kHz");
}

int sampleDecimals(int sampleRate)
{
    // One sample must stay more than one rounding step of the text apart.
    return sampleRate > 48000 ? 3 : 2;
}

} // namespace

namespace TValueText {

int roundToInt(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (v <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return int(std::lround(v));
}


double faderDb(int value)
{
    if (value <= 0)
        return -std::numeric_limits<double>::infinity();
    return interpolate(kFaderDb, value);
}

int faderValueFromDb(double db)
{
    if (std::isnan(db))
        return 0;
    // Below half a step under the lowest finite level reads as minus infinity.
    const double lowest = faderDb(1);
    const double lowStep = faderDb(2) - lowest;
    if (db < lowest - lowStep / 2)
        return 0;
    return qBound(1, roundToInt(inverse(kFaderDb, db)), FaderMaximum);
}

double faderFraction(int value)
{
    return interpolate(kFaderTravel, qBound(0, value, FaderMaximum));
}

double faderValueFromFraction(double fraction)
{
    return inverse(kFaderTravel, qBound(0.0, fraction, 1.0));
}

QString text(const TTextSpec &spec, int value, int minimum, bool compact, int sampleRate)
{
    switch (spec.kind) {
    case TTextSpec::None:
        break;
    case TTextSpec::Number:
    case TTextSpec::Decibel: {
        if (spec.kind == TTextSpec::Decibel && spec.minusInfAtMinimum && value <= minimum)
            return withUnit(QStringLiteral("-inf"), spec.unit, compact);
        const double v = value * spec.scale + spec.offset;
        return withUnit(signedNumber(v, spec.decimals, spec.explicitPlus), spec.unit, compact);
    }
    case TTextSpec::Frequency:
        return nominalFrequencyText(value, compact);
    case TTextSpec::Hertz:
        return hertzText(value * spec.scale + spec.offset, spec.decimals, compact);
    case TTextSpec::Pan:
        if (value == 0)
            return QStringLiteral("C");
        return (value < 0 ? QStringLiteral("L") : QStringLiteral("R"))
                + QString::number(qAbs(value));
    case TTextSpec::Names: {
        const int i = value - spec.nameBase;
        if (i >= 0 && i < spec.names.size())
            return spec.names.at(i);
        break;
    }
    case TTextSpec::Values: {
        const int i = value - spec.nameBase;
        if (i < 0 || i >= spec.values.size())
            break;
        if (spec.unit == QLatin1String("Hz"))
            return hertzText(spec.values.at(i), spec.decimals, compact);
        return withUnit(signedNumber(spec.values.at(i), spec.decimals, false), spec.unit, compact);
    }
    case TTextSpec::QFactor: {
        const int row = (kQIndexOfValueZero - 2 * value) / 2;
        if (row >= 0 && row < kQRows)
            return QString::number(kQList[row], 'g', 3);
        break;
    }
    case TTextSpec::Fader: {
        if (value <= 0)
            return withUnit(QStringLiteral("-inf"), QStringLiteral("dB"), compact);
        // Two decimals where a step is 0.05 dB, one where steps are 0.1 dB or coarser.
        const int decimals = value > 623 ? 2 : 1;
        return withUnit(signedNumber(faderDb(value), decimals, true), QStringLiteral("dB"),
                        compact);
    }
    case TTextSpec::Samples: {
        const int rate = sampleRate > 0 ? sampleRate : 48000;
        const double ms = value * 1000.0 / rate;
        return withUnit(QString::number(ms, 'f', sampleDecimals(rate)), QStringLiteral("ms"),
                        compact);
    }
    }
    return QString::number(value);
}

int fromNumber(const TTextSpec &spec, double number, int sampleRate)
{
    switch (spec.kind) {
    case TTextSpec::None:
    case TTextSpec::Pan:
    case TTextSpec::Names:
        break;
    case TTextSpec::Number:
    case TTextSpec::Decibel:
    case TTextSpec::Hertz:
        if (std::isinf(number))
            return number < 0 ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max();
        return roundToInt((number - spec.offset) / (spec.scale != 0.0 ? spec.scale : 1.0));
    case TTextSpec::Frequency: {
        if (!(number > 0.0))
            return std::numeric_limits<int>::min();
        return roundToInt(40.0 * std::log10(number / 10.0)) - kFrequencyStepsAbove10Hz;
    }
    case TTextSpec::Values: {
        int best = -1;
        for (int i = 0; i < spec.values.size(); ++i) {
            if (best < 0
                || std::abs(spec.values.at(i) - number) < std::abs(spec.values.at(best) - number))
                best = i;
        }
        return best < 0 ? roundToInt(number) : best + spec.nameBase;
    }
    case TTextSpec::QFactor: {
        if (!(number > 0.0))
            return std::numeric_limits<int>::max();
        int best = 0;
        for (int k = 1; k < kQRows; ++k) {
            if (std::abs(std::log(kQList[k] / number)) < std::abs(std::log(kQList[best] / number)))
                best = k;
        }
        return (kQIndexOfValueZero - 2 * best) / 2;
    }
    case TTextSpec::Fader:
        return faderValueFromDb(number);
    case TTextSpec::Samples: {
        const int rate = sampleRate > 0 ? sampleRate : 48000;
        return roundToInt(number * rate / 1000.0);
    }
    }
    return roundToInt(number);
}

} // namespace TValueText

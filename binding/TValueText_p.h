#ifndef TVALUETEXT_P_H
#define TVALUETEXT_P_H

#include <QString>
#include <QStringList>
#include <QVector>

// How a raw parameter value reads as text, and how a typed number maps back. One spec per text
// table of the catalogue (or inline on a parameter). Typed numbers are in the text's base unit:
// Hz for frequencies (also when the text says kHz), ms, dB, percent.
struct TTextSpec
{
    enum Kind {
        None, // plain decimal number
        Number, // value * scale + offset, with decimals and a unit ("ms", "%", "dB" ...)
        Decibel, // Number in dB; optionally "-inf" at the minimum
        Frequency, // 1/12-octave grid: value v is 1/24-octave index 2v, shown as a nominal
                   // frequency
        Hertz, // value * scale in Hz, kHz from 1000 Hz up
        Pan, // "L63" .. "C" .. "R63"
        Names, // value names, names[0] standing for nameBase
        Values, // a list of numbers, values[0] standing for nameBase (nearest on the way back)
        QFactor, // EQ Q: value q is Q index 80 - 2q of the shared Q list
        Fader, // fader level 0..1023 in dB, 0 = "-inf"
        Samples // a delay in samples, shown in ms at the current sample rate
    };

    Kind kind = None;
    double scale = 1.0;
    double offset = 0.0;
    int decimals = 0;
    QString unit;
    bool minusInfAtMinimum = false;
    bool explicitPlus = false;
    QStringList names;
    QVector<double> values;
    int nameBase = 0;

    bool isValid() const { return kind != None; }
    bool hasNames() const { return kind == Names; }
};

namespace TValueText {

// Nearest int, saturating at the int range; NaN reads as 0.
int roundToInt(double v);

// The text of value (minimum: the parameter's minimum, for "-inf"). compact drops units and
// spaces ("1.06k", "-12.5").
QString text(const TTextSpec &spec, int value, int minimum, bool compact, int sampleRate);
// The raw value a typed number stands for (not clamped to any range).
int fromNumber(const TTextSpec &spec, double number, int sampleRate);

// The fader level curve: raw 0..1023, 823 = 0 dB, 1023 = +10 dB, 0 = minus infinity.
constexpr int FaderMaximum = 1023;
constexpr int FaderUnity = 823;
double faderDb(int value);
int faderValueFromDb(double db);

// The fader position law: the fraction (0..1) of the travel a level value sits at, and back.
double faderFraction(int value);
double faderValueFromFraction(double fraction);

} // namespace TValueText

#endif

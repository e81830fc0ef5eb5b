#include "CNLClassA.h"

#include <cmath>

namespace {

// Tape colouring: a gentle high cut.
constexpr double kTapeCorner = 16000.0;
// Transformer colouring: a little low-frequency lag mixed back in.
constexpr double kTransformerLag = 0.995;
constexpr double kTransformerShare = 0.02;

} // namespace

CNLClassA::CNLClassA()
{
    design();
}

void CNLClassA::setSampleRate(double fs)
{
    if (!(fs > 0.0))
        return;
    m_fs = fs;
    design();
}

void CNLClassA::setLsvCoef(double frequency, double gainDb)
{
    m_shelfFrequency = frequency;
    m_shelfGainDb = gainDb;
    design();
}

void CNLClassA::setSqMix(double mix)
{
    m_sqMix = mix < 0.0 ? 0.0 : (mix > 1.0 ? 1.0 : mix);
}

void CNLClassA::setGains(double drive, double makeUp)
{
    m_drive = drive;
    m_makeUp = makeUp;
}

void CNLClassA::setTapeSw(bool on)
{
    m_tape = on;
}

void CNLClassA::setTrSw(bool on)
{
    m_transformer = on;
}

void CNLClassA::clear()
{
    m_shelf.clearDelay();
    m_tapeFilter.clearDelay();
    m_transformerState = 0.0;
}

void CNLClassA::design()
{
    // A design the toolkit refuses (a corner beyond Nyquist) leaves the previous one.
    m_shelf.setCoefLOWS(m_shelfFrequency, m_shelfGainDb, m_fs);
    m_tapeFilter.setCoefLPF(1, kTapeCorner < 0.45 * m_fs ? kTapeCorner : 0.45 * m_fs, m_fs);
}

double CNLClassA::TrSat(double x)
{
    return std::tanh(x);
}

double CNLClassA::Square(double x)
{
    return x * std::fabs(x);
}

double CNLClassA::cal(double x)
{
    double y = m_shelf.cal(x) * m_drive;
    y = (1.0 - m_sqMix) * TrSat(y) + m_sqMix * TrSat(Square(y));
    if (m_tape)
        y = m_tapeFilter.cal(y);
    if (m_transformer) {
        m_transformerState = kTransformerLag * m_transformerState + (1.0 - kTransformerLag) * y;
        y += kTransformerShare * m_transformerState;
    }
    return y * m_makeUp;
}

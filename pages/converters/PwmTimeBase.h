#pragma once

// The PWM time base of the T4yG and ZG converters: a 24 MHz clock counts 256 - TB steps of
// the resolution R (256 levels with 8 bits, 65536 with 16), so the period in ms is
// (256 - TB) x R / 24 000 and the frequency 1000 / period. With 8 bits TB is at most 246
// (9375 Hz), with 16 bits 255.
//
//   pwm::valueOf(162, {false, false})       -> 1.00267 (ms)
//   pwm::timeBaseOf(5.0, {true, false})     -> 254
//   pwm::bounds({false, true})              -> {366.211, 9375}

#include <utility>

namespace pwm {

struct Mode {
    bool sixteenBits = false;
    bool frequency = false; // the edit holds a frequency (Hz), else a period (ms)
};

int maxTimeBase(bool sixteenBits);
// The exact period (ms) or frequency (Hz) of a time base.
double valueOf(int timeBase, Mode mode);
// The lowest and highest value of the mode, to the three decimals the edit shows.
std::pair<double, double> bounds(Mode mode);
// The nearest time base of a period or frequency, within 0..maxTimeBase.
int timeBaseOf(double value, Mode mode);

} // namespace pwm

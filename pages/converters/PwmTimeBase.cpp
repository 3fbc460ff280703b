#include "pages/converters/PwmTimeBase.h"

#include <algorithm>
#include <cmath>

namespace pwm {

namespace {

constexpr double kClockKHz = 24000.0; // 24 MHz, in counts per millisecond

double resolution(bool sixteenBits)
{
    return sixteenBits ? 65536.0 : 256.0;
}

double periodMs(int timeBase, bool sixteenBits)
{
    return (256 - timeBase) * resolution(sixteenBits) / kClockKHz;
}

double thousandths(double v)
{
    return std::round(v * 1000.0) / 1000.0;
}

} // namespace

int maxTimeBase(bool sixteenBits)
{
    return sixteenBits ? 255 : 246;
}

double valueOf(int timeBase, Mode mode)
{
    const double period = periodMs(timeBase, mode.sixteenBits);
    return mode.frequency ? 1000.0 / period : period;
}

std::pair<double, double> bounds(Mode mode)
{
    // The longest period is the lowest frequency.
    const double a = thousandths(valueOf(0, mode));
    const double b = thousandths(valueOf(maxTimeBase(mode.sixteenBits), mode));
    return {std::min(a, b), std::max(a, b)};
}

int timeBaseOf(double value, Mode mode)
{
    const double r = resolution(mode.sixteenBits);
    double tb = 0;
    if (mode.frequency)
        tb = value > 0 ? 256.0 - kClockKHz * 1000.0 / (value * r) : 0;
    else
        tb = 256.0 - value * kClockKHz / r;
    if (!std::isfinite(tb))
        tb = 0;
    const long rounded = std::lround(std::clamp(tb, -1.0, 256.0));
    return static_cast<int>(std::clamp<long>(rounded, 0, maxTimeBase(mode.sixteenBits)));
}

} // namespace pwm

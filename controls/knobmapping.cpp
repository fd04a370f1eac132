#include "controls/knobmapping.h"

#include <cmath>
#include <numbers>

namespace kv {

double KnobAngle(int centreX, int centreY, int x, int y)
{
    int dx = x - centreX;
    const int dy = centreY - y;
    if (dx == 0 && dy == 0)
        dx = 1;
    double angle = std::atan2(double(dy), double(dx));
    if (angle < -std::numbers::pi / 2)
        angle += 2 * std::numbers::pi;
    return angle;
}

int16_t KnobPositionForAngle(double angle, int16_t min, int16_t max)
{
    constexpr double pi = std::numbers::pi;
    if (angle >= 5 * pi / 4)
        return min;
    if (angle < -pi / 4)
        return max;
    const double span = double(max) - double(min);
    const double position = double(max) - span * (angle + pi / 4) * 2 / (3 * pi);
    return int16_t(std::trunc(position));
}

double KnobAngleForPosition(int16_t position, int16_t min, int16_t max)
{
    constexpr double pi = std::numbers::pi;
    if (max <= min)
        return 5 * pi / 4;
    const double fraction = (double(max) - double(position)) / (double(max) - double(min));
    return fraction * 3 * pi / 2 - pi / 4;
}

int16_t LinearPosition(unsigned style, int length, int offset, int16_t min, int16_t max)
{
    if (length <= 1)
        return min;
    if (offset < 0)
        offset = 0;
    if (offset > length - 1)
        offset = length - 1;
    const int along = (style & slider::kHorizontal) ? offset : length - 1 - offset;
    const int64_t span = int64_t(max) - min;
    return int16_t(min + span * along / (length - 1));
}

int LinearOffset(unsigned style, int length, int16_t position, int16_t min, int16_t max)
{
    if (length <= 1 || max <= min)
        return (style & slider::kHorizontal) ? 0 : (length > 0 ? length - 1 : 0);
    const int64_t along = (int64_t(position) - min) * (length - 1) / (int64_t(max) - min);
    return (style & slider::kHorizontal) ? int(along) : int(length - 1 - along);
}

}  // namespace kv

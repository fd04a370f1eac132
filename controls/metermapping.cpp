#include "controls/metermapping.h"

#include <cstdint>

namespace kv {

int MeterPercent(int value, int maximum)
{
    if (maximum <= 0) {
        maximum = 1;
        value = 0;
    }
    const int64_t percent = int64_t(value) * 100 / maximum;
    if (percent < 0)
        return 0;
    if (percent > 100)
        return 100;
    return int(percent);
}

int MeterFill(int value, int maximum, int width)
{
    if (width <= 0)
        return 0;
    if (maximum <= 0)
        return 0;
    if (value <= 0)
        return 0;
    if (value >= maximum)
        return width;
    return int(int64_t(value) * width / maximum);
}

std::string MeterText(unsigned style, int value, int maximum, const std::string& windowText)
{
    if (style & meter::kNoText)
        return {};
    if (style & meter::kWindowText)
        return windowText;
    return std::to_string(MeterPercent(value, maximum)) + "%";
}

}  // namespace kv

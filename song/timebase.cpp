#include "song/timebase.h"

namespace kv {

bool IsPlayableTimebase(int32_t timebase)
{
    return timebase % kTimebaseStep == 0 && timebase >= kLowestTimebase && timebase <= kHighestTimebase;
}

const std::array<const char*, kPlayableTimebaseCount>& TimebaseTexts()
{
    static const std::array<const char*, kPlayableTimebaseCount> texts = {
        "48",  "72",  "96",  "120", "144", "168", "192", "216", "240", "264", "288", "312", "336",
        "360", "384", "408", "432", "456", "480", "504", "528", "552", "576", "600", "624", "648",
        "672", "696", "720", "744", "768", "792", "816", "840", "864", "888", "912", "936", "960"};
    return texts;
}

const std::array<const char*, 5>& TimeFormatTexts()
{
    static const std::array<const char*, 5> texts = {"0:000", "0.0:000", "1.0:000", "1.1:000", "0.1:000"};
    return texts;
}

}  // namespace kv

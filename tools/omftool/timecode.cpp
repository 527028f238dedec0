#include "timecode.h"

#include <cmath>
#include <cstdio>

namespace omftool {

namespace {

constexpr int64_t kSecondsPerMinute = 60;
constexpr int64_t kMinutesPerHour = 60;
constexpr int64_t kHoursPerDay = 24;
// Drop frame skips two frame numbers a minute at 30 (four at 60), except every tenth minute.
constexpr int64_t kDropPer30 = 2;
constexpr int64_t kMinutesPerDropCycle = 10;
constexpr unsigned kDropBaseRate = 30;

// Frame numbers dropped a minute at `rate`.
int64_t droppedPerMinute(TimecodeRate rate) {
    return kDropPer30 * rate.framesPerSecond / kDropBaseRate;
}

} // namespace

TimecodeRate timecodeRateOf(omfRational_t editRate) {
    if (editRate.numerator <= 0 || editRate.denominator <= 0) return {};
    const double perSecond = double(editRate.numerator) / double(editRate.denominator);
    const unsigned nominal = unsigned(std::lround(perSecond));
    const bool ntsc = editRate.denominator == 1001 && editRate.numerator % 1000 == 0;
    return {nominal == 0 ? 1u : nominal,
            ntsc && (nominal == kDropBaseRate || nominal == 2 * kDropBaseRate)};
}

std::string timecodeText(int64_t frame, TimecodeRate rate) {
    const int64_t fps = rate.framesPerSecond;
    const int64_t perDay = fps * kSecondsPerMinute * kMinutesPerHour * kHoursPerDay;
    int64_t count = frame;
    if (rate.drop) {
        // Frame numbers as counted: add back the numbers skipped before this frame.
        const int64_t dropped = droppedPerMinute(rate);
        const int64_t perMinute = fps * kSecondsPerMinute - dropped;
        const int64_t perCycle = perMinute * kMinutesPerDropCycle + dropped;
        const int64_t cycles = count / perCycle;
        int64_t rest = count % perCycle;
        if (rest < 0) rest += perCycle;
        const int64_t minutesInCycle = rest < dropped + perMinute ? 0 : (rest - dropped) / perMinute;
        count += dropped * (kMinutesPerDropCycle - 1) * cycles + dropped * minutesInCycle;
    }
    count %= perDay;
    if (count < 0) count += perDay;
    const int64_t frames = count % fps;
    const int64_t seconds = count / fps % kSecondsPerMinute;
    const int64_t minutes = count / fps / kSecondsPerMinute % kMinutesPerHour;
    const int64_t hours = count / fps / kSecondsPerMinute / kMinutesPerHour;
    char text[64]; // room for any 64-bit fields the compiler cannot rule out
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld%c%02lld", (long long)hours,
                  (long long)minutes, (long long)seconds, rate.drop ? ';' : ':',
                  (long long)frames);
    return text;
}

std::optional<int64_t> parseTimecode(const std::string& text, TimecodeRate rate) {
    unsigned hours = 0, minutes = 0, seconds = 0, frames = 0;
    char a = 0, b = 0, c = 0;
    int used = 0;
    if (std::sscanf(text.c_str(), "%2u%c%2u%c%2u%c%2u%n", &hours, &a, &minutes, &b, &seconds, &c,
                    &frames, &used) != 7 ||
        std::size_t(used) != text.size() || a != ':' || b != ':' ||
        (c != ':' && c != ';' && c != '.'))
        return std::nullopt;
    if (hours >= kHoursPerDay || minutes >= kMinutesPerHour || seconds >= kSecondsPerMinute ||
        frames >= rate.framesPerSecond)
        return std::nullopt;
    const int64_t fps = rate.framesPerSecond;
    const int64_t totalMinutes = int64_t(hours) * kMinutesPerHour + minutes;
    int64_t count = (totalMinutes * kSecondsPerMinute + seconds) * fps + frames;
    if (rate.drop) {
        const int64_t dropped = droppedPerMinute(rate);
        if (seconds == 0 && frames < dropped && minutes % kMinutesPerDropCycle != 0)
            return std::nullopt; // a number drop frame skips
        count -= dropped * (totalMinutes - totalMinutes / kMinutesPerDropCycle);
    }
    return count;
}

int64_t unitsToFrames(int64_t units, omfRational_t editRate, TimecodeRate rate) {
    if (editRate.numerator <= 0 || editRate.denominator <= 0) return units;
    // Frames of the nominal rate, for the actual rate's units: 30000/1001 units are 30 a second.
    const TimecodeRate own = timecodeRateOf(editRate);
    if (own.framesPerSecond == rate.framesPerSecond) return units;
    const double seconds = double(units) * double(editRate.denominator) / double(editRate.numerator);
    return std::llround(seconds * double(rate.framesPerSecond));
}

} // namespace omftool

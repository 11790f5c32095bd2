// SPDX-License-Identifier: MIT
// Calendar days, times of day and local time in the user's time zone (TZ is honoured).
#include "platform/local_time.h"

#include "platform/strprintf.h"

#include <cstdint>
#include <ctime>

namespace vantro {
namespace {

bool isLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : kDays[m - 1];
}

// Reads exactly `width` decimal digits at `pos`.
std::optional<int> digits(std::string_view s, size_t pos, size_t width) {
    if (pos + width > s.size()) return std::nullopt;
    int v = 0;
    for (size_t i = pos; i < pos + width; ++i) {
        if (s[i] < '0' || s[i] > '9') return std::nullopt;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

}  // namespace

// Howard Hinnant's algorithm.
std::int64_t daysFromCivil(int year, int month, int day) {
    const auto m = static_cast<unsigned>(month), d = static_cast<unsigned>(day);
    const std::int64_t y = static_cast<std::int64_t>(year) - (m <= 2);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

CalendarDate civilFromDays(std::int64_t days) {
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2)), static_cast<int>(m),
            static_cast<int>(d)};
}

bool CalendarDate::isValid() const {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= daysInMonth(year, month);
}

LocalDateTime toLocal(Instant t) {
    tzset();
    const std::time_t tt = std::chrono::system_clock::to_time_t(t);
    std::tm tm{};
    localtime_r(&tt, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::optional<Instant> fromLocal(const LocalDateTime& l) {
    if (!l.date().isValid() || !l.time().isValid() || l.second < 0 || l.second > 59) return std::nullopt;
    tzset();
    std::tm tm{};
    tm.tm_year = l.year - 1900;
    tm.tm_mon = l.month - 1;
    tm.tm_mday = l.day;
    tm.tm_hour = l.hour;
    tm.tm_min = l.minute;
    tm.tm_sec = l.second;
    tm.tm_isdst = -1;
    const std::time_t tt = mktime(&tm);
    if (tt == static_cast<std::time_t>(-1)) return std::nullopt;
    return std::chrono::system_clock::from_time_t(tt);
}

std::optional<Instant> exactInstant(const CalendarDate& day, const TimeOfDay& time) {
    const LocalDateTime wanted{day.year, day.month, day.day, time.hour, time.minute, 0};
    const auto t = fromLocal(wanted);
    if (!t || toLocal(*t) != wanted) return std::nullopt;
    return t;
}

CalendarDate dayShowingAll(const CalendarDate& day, const std::vector<TimeOfDay>& times) {
    auto allExist = [&](const CalendarDate& d) {
        for (const TimeOfDay& t : times) {
            if (!exactInstant(d, t)) return false;
        }
        return true;
    };
    // Clock changes are months apart, so one of the neighbouring days always has every time of day.
    for (int offset : {0, -1, 1, -2, 2}) {
        const CalendarDate d = addDays(day, offset);
        if (allExist(d)) return d;
    }
    return day;
}

CalendarDate addDays(const CalendarDate& d, int days) {
    return civilFromDays(daysFromCivil(d.year, d.month, d.day) + days);
}

std::optional<CalendarDate> makeDate(int year, int month, int day) {
    CalendarDate d{year, month, day};
    if (!d.isValid()) return std::nullopt;
    return d;
}

std::optional<TimeOfDay> makeTime(int hour, int minute) {
    TimeOfDay t{hour, minute};
    if (!t.isValid()) return std::nullopt;
    return t;
}

std::string formatDate(const CalendarDate& d) {
    return strprintf("%.4d-%.2d-%.2d", d.year, d.month, d.day);
}

std::string formatTime(const TimeOfDay& t) {
    return strprintf("%.2d:%.2d", t.hour, t.minute);
}

std::string formatDateTime(const LocalDateTime& dt) {
    return strprintf("%.4d-%.2d-%.2d %.2d:%.2d:%.2d", dt.year, dt.month, dt.day, dt.hour, dt.minute, dt.second);
}

std::optional<CalendarDate> parseDate(std::string_view s) {
    if (s.size() != 10 || s[4] != '-' || s[7] != '-') return std::nullopt;
    auto y = digits(s, 0, 4), m = digits(s, 5, 2), d = digits(s, 8, 2);
    if (!y || !m || !d) return std::nullopt;
    return makeDate(*y, *m, *d);
}

std::optional<TimeOfDay> parseTime(std::string_view s) {
    if (s.size() != 5 || s[2] != ':') return std::nullopt;
    auto h = digits(s, 0, 2), m = digits(s, 3, 2);
    if (!h || !m) return std::nullopt;
    return makeTime(*h, *m);
}

namespace {
std::optional<LocalDateTime> parseDateTimeWith(std::string_view s, char separator) {
    if (s.size() != 19 || s[10] != separator || s[13] != ':' || s[16] != ':') return std::nullopt;
    auto date = parseDate(s.substr(0, 10));
    auto time = parseTime(s.substr(11, 5));
    auto sec = digits(s, 17, 2);
    if (!date || !time || !sec || *sec > 59) return std::nullopt;
    return LocalDateTime{date->year, date->month, date->day, time->hour, time->minute, *sec};
}
}  // namespace

std::optional<LocalDateTime> parseDateTime(std::string_view s) {
    return parseDateTimeWith(s, ' ');
}

std::optional<LocalDateTime> parseIsoLocal(std::string_view s) {
    if (s.size() == 19 && s[10] == 'T') return parseDateTimeWith(s, 'T');
    return parseDateTime(s);
}

std::string formatIsoUtc(Instant t) {
    const std::time_t tt = std::chrono::system_clock::to_time_t(t);
    std::tm tm{};
    gmtime_r(&tt, &tm);
    return strprintf("%.4d-%.2d-%.2dT%.2d:%.2d:%.2dZ", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                     tm.tm_min, tm.tm_sec);
}

std::optional<Instant> parseIsoUtc(std::string_view s) {
    if (s.size() != 20 || s[19] != 'Z') return std::nullopt;
    auto dt = parseDateTimeWith(s.substr(0, 19), 'T');
    if (!dt) return std::nullopt;
    const long long days = daysFromCivil(dt->year, dt->month, dt->day);
    const long long secs = days * 86400LL + dt->hour * 3600LL + dt->minute * 60LL + dt->second;
    // The clock counts nanoseconds in 64 bits (about 1677 to 2262); beyond that the conversion would wrap.
    using std::chrono::duration_cast;
    using std::chrono::seconds;
    if (secs < duration_cast<seconds>(Instant::min().time_since_epoch()).count() ||
        secs > duration_cast<seconds>(Instant::max().time_since_epoch()).count()) {
        return std::nullopt;
    }
    return Instant{seconds{secs}};
}

}  // namespace vantro

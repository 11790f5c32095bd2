// SPDX-License-Identifier: MIT
// Calendar days, times of day and local time in the user's time zone (TZ is honoured).
#pragma once

#include "platform/run_loop.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantro {

/// A calendar day; only real days (2014-02-30 is not one) pass `isValid`.
struct CalendarDate {
    int year = 0;
    int month = 0;
    int day = 0;
    bool isValid() const;
    auto operator<=>(const CalendarDate&) const = default;
};

/// A time of day on the 24-hour clock, 00:00 to 23:59.
struct TimeOfDay {
    int hour = 0;
    int minute = 0;
    bool isValid() const { return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59; }
    auto operator<=>(const TimeOfDay&) const = default;
};

/// The six fields of a local date and time.
struct LocalDateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    CalendarDate date() const { return {year, month, day}; }
    TimeOfDay time() const { return {hour, minute}; }
    auto operator<=>(const LocalDateTime&) const = default;
};

/// Breaks an instant down in the current time zone.
LocalDateTime toLocal(Instant t);
/// The instant of a local date and time; absent when the fields do not name a real moment.
std::optional<Instant> fromLocal(const LocalDateTime& local);
/// The instant at which the local clock shows `time` on `day`; absent when the clock skips it that day
/// (02:30 on a spring-forward day in Berlin), where fromLocal would move it to another hour.
std::optional<Instant> exactInstant(const CalendarDate& day, const TimeOfDay& time);
/// `day` when every one of `times` exists on it, else the nearest day around it where they all do.
CalendarDate dayShowingAll(const CalendarDate& day, const std::vector<TimeOfDay>& times);
/// The day `days` after `d` (before, when negative).
/// Days since 1970-01-01 of a proleptic Gregorian date, and back; for counting and stepping through days.
std::int64_t daysFromCivil(int year, int month, int day);
CalendarDate civilFromDays(std::int64_t days);
CalendarDate addDays(const CalendarDate& d, int days);

/// Only a real calendar day gives a date: a year of 1 to 9999, a month of 1 to 12, a day the month has.
std::optional<CalendarDate> makeDate(int year, int month, int day);
std::optional<TimeOfDay> makeTime(int hour, int minute);

std::string formatDate(const CalendarDate& d);        // "yyyy-MM-dd"
std::string formatTime(const TimeOfDay& t);           // "HH:mm"
std::string formatDateTime(const LocalDateTime& dt);  // "yyyy-MM-dd HH:mm:ss"

/// Strict parsing: exact width, digits only, real values ("2014-02-30" and "24:00" are refused).
std::optional<CalendarDate> parseDate(std::string_view text);
std::optional<TimeOfDay> parseTime(std::string_view text);
std::optional<LocalDateTime> parseDateTime(std::string_view text);
/// Also accepts the ISO form with 'T' between date and time ("2014-07-15T10:00:00").
std::optional<LocalDateTime> parseIsoLocal(std::string_view text);

/// An instant as ISO 8601 text in UTC ("2014-07-15T08:30:00Z") and back.
std::string formatIsoUtc(Instant t);
std::optional<Instant> parseIsoUtc(std::string_view text);

}  // namespace vantro

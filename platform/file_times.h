#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include <QLocale>

namespace moxtal {

// A last-write time in local time, in the two-second steps of the packed date-time form.
struct LocalFileTime {
    int year = 1980;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;

    // A number that orders times as they happened, and the time it stands for.
    std::int64_t stamp() const;
    static LocalFileTime fromStamp(std::int64_t stamp);
};

// Converts a file time to local time with even seconds; times before 1980 become
// 1980/01/01 00:00:00 and times after 2107 the last time the packed form holds.
LocalFileTime toLocalFileTime(std::time_t time);

// The date text of the file list: the locale's short date, a blank, its long time without the
// time zone; the date alone at midnight. "yyyy/MM/dd HH:mm:ss" in the C locale.
std::string formatDateText(const LocalFileTime& time);
// The same in the given locale.
std::string formatDateText(const LocalFileTime& time, const QLocale& locale);

// The date text of a listed file's time stamp; made when it is shown or used, not per listing.
std::string dateTextOf(std::int64_t stamp);

}  // namespace moxtal

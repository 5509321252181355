#include "file_times.h"

#include <algorithm>
#include <ctime>

#include <QDate>
#include <QLocale>
#include <QTime>

namespace moxtal {

std::int64_t LocalFileTime::stamp() const
{
    return ((((static_cast<std::int64_t>(year) * 13 + month) * 32 + day) * 24 + hour) * 60 + minute) * 60 + second;
}

LocalFileTime LocalFileTime::fromStamp(std::int64_t stamp)
{
    LocalFileTime t;
    t.second = static_cast<int>(stamp % 60);
    stamp /= 60;
    t.minute = static_cast<int>(stamp % 60);
    stamp /= 60;
    t.hour = static_cast<int>(stamp % 24);
    stamp /= 24;
    t.day = static_cast<int>(stamp % 32);
    stamp /= 32;
    t.month = static_cast<int>(stamp % 13);
    t.year = static_cast<int>(stamp / 13);
    return t;
}

namespace {

// The calendar date of a count of days since 1970-01-01 (proleptic Gregorian).
void civilFromDays(long long days, int& year, int& month, int& day)
{
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long dayOfEra = days - era * 146097;
    const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long shifted = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * shifted + 2) / 5 + 1);
    month = static_cast<int>(shifted < 10 ? shifted + 3 : shifted - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2));
}

// The local broken-down time of t. The C library is asked for the offset from UTC once per
// quarter hour: since 1980 every time zone changes its offset only at a quarter hour, and a
// folder's files mostly share a few of them, so a listing does not pay localtime_r per file.
bool localTime(std::time_t t, std::tm& out)
{
    struct Cache {
        long long bucket = 0;
        long offset = 0;
        bool valid = false;
    };
    static thread_local Cache cache;
    const long long bucket = (t >= 0 ? t : t - 899) / 900;
    if (!cache.valid || cache.bucket != bucket) {
        std::tm local {};
        if (!::localtime_r(&t, &local))
            return false;
        cache = {bucket, local.tm_gmtoff, true};
        out = local;
        return true;
    }
    const long long local = static_cast<long long>(t) + cache.offset;
    const long long days = (local >= 0 ? local : local - 86399) / 86400;
    const long long secondOfDay = local - days * 86400;
    int year = 0, month = 0, day = 0;
    civilFromDays(days, year, month, day);
    out = std::tm {};
    out.tm_year = year - 1900;
    out.tm_mon = month - 1;
    out.tm_mday = day;
    out.tm_hour = static_cast<int>(secondOfDay / 3600);
    out.tm_min = static_cast<int>(secondOfDay / 60 % 60);
    out.tm_sec = static_cast<int>(secondOfDay % 60);
    return true;
}

}  // namespace

LocalFileTime toLocalFileTime(std::time_t time)
{
    LocalFileTime result;
    std::tm local {};
    if (!localTime(time, local))
        return result;
    const int year = local.tm_year + 1900;
    if (year < 1980)
        return result;
    if (year > 2107)
        return LocalFileTime {2107, 12, 31, 23, 59, 58};
    result.year = year;
    result.month = local.tm_mon + 1;
    result.day = local.tm_mday;
    result.hour = local.tm_hour;
    result.minute = local.tm_min;
    result.second = std::min(local.tm_sec, 59) / 2 * 2;
    return result;
}

namespace {

// The date and time patterns of the system locale, taken once.
struct DateFormats {
    bool cLocale = true;
    QLocale locale;
    QString date;
    QString time;

    explicit DateFormats(const QLocale& of) : locale(of)
    {
        cLocale = locale.language() == QLocale::C;
        if (cLocale)
            return;
        date = locale.dateFormat(QLocale::ShortFormat);
        time = locale.timeFormat(QLocale::LongFormat);
        // The time zone field ("t", with the blank before it) has no place in a file's date.
        time.remove(QLatin1String(" t"));
        time.remove(QLatin1Char('t'));
        time = time.trimmed();
    }
};

const DateFormats& dateFormats()
{
    static const DateFormats formats(QLocale::system());
    return formats;
}

std::string formatDateText(const LocalFileTime& t, const DateFormats& formats);

void appendTwoDigits(std::string& out, int value)
{
    out += static_cast<char>('0' + value / 10 % 10);
    out += static_cast<char>('0' + value % 10);
}

}  // namespace

std::string formatDateText(const LocalFileTime& t)
{
    return formatDateText(t, dateFormats());
}

std::string formatDateText(const LocalFileTime& t, const QLocale& locale)
{
    return formatDateText(t, DateFormats(locale));
}

namespace {

std::string formatDateText(const LocalFileTime& t, const DateFormats& formats)
{
    const bool midnight = t.hour == 0 && t.minute == 0 && t.second == 0;
    if (formats.cLocale) {
        std::string out;
        out.reserve(19);
        out += std::to_string(t.year);
        out += '/';
        appendTwoDigits(out, t.month);
        out += '/';
        appendTwoDigits(out, t.day);
        if (!midnight) {
            out += ' ';
            appendTwoDigits(out, t.hour);
            out += ':';
            appendTwoDigits(out, t.minute);
            out += ':';
            appendTwoDigits(out, t.second);
        }
        return out;
    }
    QString text = formats.locale.toString(QDate(t.year, t.month, t.day), formats.date);
    if (!midnight)
        text += QLatin1Char(' ') + formats.locale.toString(QTime(t.hour, t.minute, t.second), formats.time);
    return text.toStdString();
}

}  // namespace

std::string dateTextOf(std::int64_t stamp)
{
    return formatDateText(LocalFileTime::fromStamp(stamp));
}

}  // namespace moxtal

#include "listing.h"

#include <algorithm>
#include <sys/stat.h>

#include <QDate>
#include <QLocale>
#include <QTime>

#include "collation.h"
#include "core/wildcard.h"
#include "posix_handles.h"

namespace moxtal {

std::int64_t LocalFileTime::stamp() const
{
    return ((((static_cast<std::int64_t>(year) * 13 + month) * 32 + day) * 24 + hour) * 60 + minute) * 60 +
           second;
}

LocalFileTime toLocalFileTime(std::time_t time)
{
    LocalFileTime result;
    std::tm local {};
    if (!::localtime_r(&time, &local))
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

    DateFormats() : locale(QLocale::system())
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
    static const DateFormats formats;
    return formats;
}

void appendTwoDigits(std::string& out, int value)
{
    out += static_cast<char>('0' + value / 10 % 10);
    out += static_cast<char>('0' + value % 10);
}

}  // namespace

std::string formatDateText(const LocalFileTime& t)
{
    const bool midnight = t.hour == 0 && t.minute == 0 && t.second == 0;
    const DateFormats& formats = dateFormats();
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

bool isListable(const EntryAttributes& a)
{
    return !a.directory && !a.readOnly && !a.hidden && !a.system && a.size != 0;
}

std::vector<ListedFile> listFolder(const std::string& folder, const std::vector<std::string>& masks, bool* readable)
{
    std::vector<ListedFile> files;
    const DirHandle dir = openFolder(folder);
    if (readable)
        *readable = static_cast<bool>(dir);
    if (!dir)
        return files;
    const int fd = dir.fd();
    bool first = true;
    for (const std::string& mask : masks) {
        if (mask.empty())
            continue;
        // One pass over the folder per mask: a file matching two masks is listed twice.
        if (!first)
            ::rewinddir(dir.get());
        first = false;
        while (const dirent* entry = ::readdir(dir.get())) {
            const std::string name = entry->d_name;
            if (!wildcardMatch(mask, name))
                continue;
            struct stat st {};
            if (::fstatat(fd, entry->d_name, &st, 0) != 0)
                continue;  // unreadable status or a dangling link
            EntryAttributes attributes;
            attributes.directory = S_ISDIR(st.st_mode);
            attributes.readOnly = (st.st_mode & S_IWUSR) == 0;
            attributes.hidden = !name.empty() && name[0] == '.';
            attributes.system = !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
            attributes.size = attributes.directory ? 0 : static_cast<std::int64_t>(st.st_size);
            if (!isListable(attributes))
                continue;
            const LocalFileTime time = toLocalFileTime(st.st_mtim.tv_sec);
            files.push_back({name, attributes.size, time.stamp(), formatDateText(time)});
        }
    }
    sortByName(files);
    return files;
}

void sortByName(std::vector<ListedFile>& files)
{
    sortByName(files, QLocale::system());
}

void sortByName(std::vector<ListedFile>& files, const QLocale& locale)
{
    std::vector<std::string_view> names;
    names.reserve(files.size());
    for (const ListedFile& file : files)
        names.emplace_back(file.name);
    applyOrder(files, collationOrder(names, Qt::CaseSensitive, false, locale));
}

}  // namespace moxtal

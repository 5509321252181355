#include <gtest/gtest.h>

#include <ctime>

#include "platform/file_times.h"

using namespace moxtal;

namespace {

TEST(DateText, BoundariesOfThePackedForm)
{
    // The tests run with TZ=UTC and the C locale.
    EXPECT_EQ(formatDateText(toLocalFileTime(1042588800)), "2003/01/15");  // midnight: date only
    EXPECT_EQ(formatDateText(toLocalFileTime(0)), "1980/01/01");  // before 1980
    EXPECT_EQ(formatDateText(toLocalFileTime(1042588801)), "2003/01/15");  // 00:00:01 rounds down
    EXPECT_EQ(formatDateText(toLocalFileTime(1042588802)), "2003/01/15 00:00:02");
    EXPECT_LT(toLocalFileTime(1042588802).stamp(), toLocalFileTime(1042634097).stamp());
    EXPECT_EQ(formatDateText(toLocalFileTime(5000000000)), "2107/12/31 23:59:58");  // after 2107: the last
    for (const std::time_t t : {std::time_t {0}, std::time_t {1042634097}, std::time_t {4354819198}}) {
        const LocalFileTime local = toLocalFileTime(t);
        EXPECT_EQ(dateTextOf(local.stamp()), formatDateText(local)) << t;  // the stamp holds the time
    }
}

TEST(DateText, RealLocales)
{
    // The locale's short date, a blank, its long time without the time zone.
    const LocalFileTime t {2003, 1, 15, 12, 34, 56};
    EXPECT_EQ(formatDateText(t, QLocale(QLocale::English, QLocale::UnitedStates)), "1/15/03 12:34:56 PM");
    EXPECT_EQ(formatDateText(t, QLocale(QLocale::Japanese, QLocale::Japan)), "2003/01/15 12時34分56秒");
    EXPECT_EQ(formatDateText({2003, 1, 15, 0, 0, 0}, QLocale(QLocale::Japanese, QLocale::Japan)), "2003/01/15");
    EXPECT_EQ(formatDateText(t, QLocale::c()), "2003/01/15 12:34:56");
}

}  // namespace

// Date: the calendar date of table fields and expressions, as xBase knows it.
//
// A date is either empty (a blank DBF date, CTOD of an invalid text) or a day of the proleptic
// Gregorian calendar between 0001-01-01 and 9999-12-31. It is held as a day number, so day
// arithmetic and comparison are integer operations; the empty date sorts before every day.
// Texts are ASCII: "YYYYMMDD" in tables and keys, "dd/mm/yyyy" on screen and paper.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace core {

class Date {
public:
    Date() = default;  // the empty date

    // A valid day, or the empty date when year/month/day do not name one.
    static Date fromYmd(int year, int month, int day);
    // "YYYYMMDD" as stored in a DBF field; blanks or anything invalid give the empty date.
    static Date fromDtos(std::string_view text);
    // "dd/mm/yyyy" or "dd/mm/yy" (two-digit years fall in 1970..2069); blank or invalid give the
    // empty date, as CTOD does.
    static Date fromDtoc(std::string_view text);
    // Today's date from the system clock (local time).
    static Date today();

    bool isEmpty() const { return m_day == 0; }

    int year() const;   // 0 for the empty date
    int month() const;  // 0 for the empty date
    int day() const;    // 0 for the empty date
    // 1 = Sunday .. 7 = Saturday, 0 for the empty date (xBase DOW()).
    int dayOfWeek() const;
    // Buddhist-era year (year + 543), 0 for the empty date.
    int buddhistYear() const;

    std::string dtos() const;  // "YYYYMMDD", eight blanks when empty
    std::string dtoc() const;  // "dd/mm/yyyy", "  /  /    " when empty

    Date firstOfMonth() const;
    Date lastOfMonth() const;
    // n days later (earlier when negative); the empty date stays empty; a result outside the
    // calendar gives the empty date.
    Date addDays(std::int64_t n) const;
    // The Julian day number xBase runtimes count dates in (2461380 for 2026-12-05), 0 for the empty
    // date, so that differences with an empty date come out as there.
    std::int64_t julian() const { return m_day == 0 ? 0 : std::int64_t(m_day) + kJulianBeforeDayOne; }
    // The day of a Julian day number; the empty date for a number outside the calendar (0 included).
    static Date fromJulian(std::int64_t julian);
    // Days from other to this, in Julian days: an empty operand counts as day 0.
    std::int64_t operator-(const Date& other) const { return julian() - other.julian(); }

    friend bool operator==(const Date&, const Date&) = default;
    friend auto operator<=>(const Date&, const Date&) = default;

    static bool isLeapYear(int year);
    static int daysInMonth(int year, int month);

private:
    static constexpr std::int64_t kJulianBeforeDayOne = 1721425;  // 0001-01-01 is Julian day 1721426

    explicit Date(std::int32_t day) : m_day(day) {}
    std::int32_t m_day = 0;
};

}  // namespace core

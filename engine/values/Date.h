#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace engine {

// A calendar date held as its Julian day number (2000-01-01 is 2451545), the
// unit that dBase index keys use. Proleptic Gregorian calendar.
class Date {
public:
    // The first and the last day that a date field can hold: 0001-01-01 and 9999-12-31.
    static constexpr std::int64_t MinJulianDay = 1721426;
    static constexpr std::int64_t MaxJulianDay = 5373484;

    constexpr Date() = default;
    static constexpr Date fromJulianDay(std::int64_t jd) {
        Date d;
        d.jd_ = jd;
        return d;
    }
    // Throws EngineError(BadValue) for an impossible date (month 13, 30 February, ...).
    static Date fromYmd(int year, int month, int day);
    static bool isValidYmd(int year, int month, int day);
    static Date today();

    // "YYYYMMDD", the dBase record encoding; nullopt when the text is not a valid date.
    static std::optional<Date> fromDigits(std::string_view yyyymmdd);
    // "YYYY-MM-DD" (ISO, as in CSV files) or "dd/mm/yyyy"; nullopt when not a valid date.
    static std::optional<Date> fromIso(std::string_view text);
    static std::optional<Date> fromDmy(std::string_view text);

    constexpr std::int64_t julianDay() const { return jd_; }
    // Year, month and day in one conversion.
    void toYmd(int& year, int& month, int& day) const;
    int year() const;
    int month() const;
    int day() const;
    std::string toDigits() const; // YYYYMMDD
    std::string toIso() const;    // YYYY-MM-DD
    std::string toDmy() const;    // dd/mm/yyyy

    friend constexpr auto operator<=>(Date a, Date b) = default;

private:
    std::int64_t jd_ = 0;
};

} // namespace engine

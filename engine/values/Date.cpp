#include "engine/values/Date.h"

#include "engine/base/EngineError.h"

#include <charconv>
#include <chrono>
#include <cstdio>

namespace engine {

namespace {

// Fliegel and Van Flandern's conversions between Gregorian dates and Julian day numbers.
std::int64_t toJulian(std::int64_t y, std::int64_t m, std::int64_t d) {
    std::int64_t a = (14 - m) / 12;
    std::int64_t yy = y + 4800 - a;
    std::int64_t mm = m + 12 * a - 3;
    return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
}

void fromJulian(std::int64_t jd, int& y, int& m, int& d) {
    std::int64_t a = jd + 32044;
    std::int64_t b = (4 * a + 3) / 146097;
    std::int64_t c = a - 146097 * b / 4;
    std::int64_t dd = (4 * c + 3) / 1461;
    std::int64_t e = c - 1461 * dd / 4;
    std::int64_t mm = (5 * e + 2) / 153;
    d = static_cast<int>(e - (153 * mm + 2) / 5 + 1);
    m = static_cast<int>(mm + 3 - 12 * (mm / 10));
    y = static_cast<int>(100 * b + dd - 4800 + mm / 10);
}

bool parseInt(std::string_view text, int& out) {
    if (text.empty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    auto r = std::from_chars(text.data(), text.data() + text.size(), out);
    return r.ec == std::errc();
}

} // namespace

bool Date::isValidYmd(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    int limit = days[month - 1] + (month == 2 && leap ? 1 : 0);
    return day <= limit;
}

Date Date::fromYmd(int year, int month, int day) {
    if (!isValidYmd(year, month, day)) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", year, month, day);
        throw EngineError(code::BadValue, std::string("Invalid date ") + buf);
    }
    return fromJulianDay(toJulian(year, month, day));
}

Date Date::today() {
    auto now = std::chrono::system_clock::now();
    std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&t, &local);
    return fromYmd(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

std::optional<Date> Date::fromDigits(std::string_view s) {
    int y, m, d;
    if (s.size() != 8 || !parseInt(s.substr(0, 4), y) || !parseInt(s.substr(4, 2), m) ||
        !parseInt(s.substr(6, 2), d) || !isValidYmd(y, m, d))
        return std::nullopt;
    return fromYmd(y, m, d);
}

std::optional<Date> Date::fromIso(std::string_view s) {
    int y, m, d;
    if (s.size() != 10 || s[4] != '-' || s[7] != '-' || !parseInt(s.substr(0, 4), y) ||
        !parseInt(s.substr(5, 2), m) || !parseInt(s.substr(8, 2), d) || !isValidYmd(y, m, d))
        return std::nullopt;
    return fromYmd(y, m, d);
}

std::optional<Date> Date::fromDmy(std::string_view s) {
    int y, m, d;
    if (s.size() != 10 || s[2] != '/' || s[5] != '/' || !parseInt(s.substr(0, 2), d) ||
        !parseInt(s.substr(3, 2), m) || !parseInt(s.substr(6, 4), y) || !isValidYmd(y, m, d))
        return std::nullopt;
    return fromYmd(y, m, d);
}

void Date::toYmd(int& year, int& month, int& day) const {
    fromJulian(jd_, year, month, day);
}

int Date::year() const {
    int y, m, d;
    fromJulian(jd_, y, m, d);
    return y;
}

int Date::month() const {
    int y, m, d;
    fromJulian(jd_, y, m, d);
    return m;
}

int Date::day() const {
    int y, m, d;
    fromJulian(jd_, y, m, d);
    return d;
}

std::string Date::toDigits() const {
    int y, m, d;
    fromJulian(jd_, y, m, d);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, d);
    return buf;
}

std::string Date::toIso() const {
    int y, m, d;
    fromJulian(jd_, y, m, d);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
    return buf;
}

std::string Date::toDmy() const {
    int y, m, d;
    fromJulian(jd_, y, m, d);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", d, m, y);
    return buf;
}

} // namespace engine

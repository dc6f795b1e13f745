#include "schedule/schedule_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace kavtra {
namespace {

using namespace std::chrono;

constexpr int kLongestShift = 720;

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

// Digits only (no sign, no blanks), between 1 and `most` of them.
std::optional<int> digits(std::string_view text, std::size_t most) {
    if (text.empty() || text.size() > most) return std::nullopt;
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.front() == '-' || text.front() == '+')
        return std::nullopt;
    return value;
}

// ASCII letters and the Cyrillic capitals (two bytes in UTF-8) lowered, so
// that names compare in any letter case.
std::string lowered(std::string_view text) {
    std::string out(text);
    for (std::size_t i = 0; i < out.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(out[i]);
        if (c >= 'A' && c <= 'Z') {
            out[i] = static_cast<char>(c - 'A' + 'a');
        } else if (c == 0xD0 && i + 1 < out.size()) {
            const unsigned char next = static_cast<unsigned char>(out[i + 1]);
            if (next >= 0x90 && next <= 0x9F) {
                out[i + 1] = static_cast<char>(next + 0x20);  // А..П to а..п
            } else if (next >= 0xA0 && next <= 0xAF) {
                out[i] = static_cast<char>(0xD1);  // Р..Я to р..я
                out[i + 1] = static_cast<char>(next - 0x20);
            }
            ++i;
        }
    }
    return out;
}

std::optional<seconds> clockTime(std::string_view text) {
    // H:MM or HH:MM, then :SS if any.
    int parts[3] = {0, 0, 0};
    int count = 0;
    while (count < 3) {
        const std::size_t colon = text.find(':');
        const std::string_view part = text.substr(0, colon);
        const auto value = digits(part, 2);
        if (!value || (count > 0 && part.size() != 2)) return std::nullopt;
        parts[count++] = *value;
        if (colon == std::string_view::npos) break;
        text.remove_prefix(colon + 1);
        if (count == 3) return std::nullopt;
    }
    if (count < 2 || parts[0] > 23 || parts[1] > 59 || parts[2] > 59) return std::nullopt;
    return hours{parts[0]} + minutes{parts[1]} + seconds{parts[2]};
}

// 0 to 6, Monday first.
std::optional<int> weekdayIndex(std::string_view name) {
    static constexpr std::array<std::array<std::string_view, 3>, 7> kNames{{
        {"mon", "monday", "пн"},
        {"tue", "tuesday", "вт"},
        {"wed", "wednesday", "ср"},
        {"thu", "thursday", "чт"},
        {"fri", "friday", "пт"},
        {"sat", "saturday", "сб"},
        {"sun", "sunday", "вс"},
    }};
    const std::string low = lowered(trimmed(name));
    for (std::size_t day = 0; day < kNames.size(); ++day)
        for (const std::string_view spelling : kNames[day])
            if (low == spelling) return static_cast<int>(day);
    return std::nullopt;
}

std::string twoDigits(long long value) { return (value < 10 ? "0" : "") + std::to_string(value); }

constexpr std::array<std::string_view, 7> kWeekdays{"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

}  // namespace

std::optional<DayTime> parseDayTime(std::string_view text) {
    text = trimmed(text);
    const std::string low = lowered(text);
    // The window's form offers the Russian words; files may hold either.
    for (const auto& [word, kind] : {std::pair{std::string_view("sunrise"), DayTime::Kind::Sunrise},
                                     std::pair{std::string_view("sunset"), DayTime::Kind::Sunset},
                                     std::pair{std::string_view("восход"), DayTime::Kind::Sunrise},
                                     std::pair{std::string_view("закат"), DayTime::Kind::Sunset}}) {
        if (low.compare(0, word.size(), word) != 0) continue;
        const std::string_view rest = trimmed(std::string_view(low).substr(word.size()));
        if (rest.empty()) return DayTime{kind, {}, {}};
        if (rest.front() != '+' && rest.front() != '-') return std::nullopt;
        const auto shift = digits(trimmed(rest.substr(1)), 3);
        if (!shift || *shift > kLongestShift) return std::nullopt;
        return DayTime{kind, {}, minutes{rest.front() == '-' ? -*shift : *shift}};
    }
    const auto clock = clockTime(text);
    if (!clock) return std::nullopt;
    return DayTime{DayTime::Kind::Clock, *clock, {}};
}

std::optional<year_month_day> parseDate(std::string_view text) {
    text = trimmed(text);
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    const auto y = digits(text.substr(0, 4), 4);
    const auto m = digits(text.substr(5, 2), 2);
    const auto d = digits(text.substr(8, 2), 2);
    if (!y || !m || !d) return std::nullopt;
    const year_month_day date{year{*y}, month{static_cast<unsigned>(*m)}, day{static_cast<unsigned>(*d)}};
    if (!date.ok()) return std::nullopt;
    return date;
}

std::optional<AtTime> parseAt(std::string_view text) {
    text = trimmed(text);
    if (const auto time = parseDayTime(text)) return AtTime{*time, std::nullopt};
    const std::size_t blank = text.find(' ');
    if (blank == std::string_view::npos) return std::nullopt;
    const auto date = parseDate(text.substr(0, blank));
    const auto clock = clockTime(trimmed(text.substr(blank + 1)));
    if (!date || !clock) return std::nullopt;
    return AtTime{DayTime{DayTime::Kind::Clock, *clock, {}}, *date};
}

std::optional<Days> parseDays(std::string_view text) {
    text = trimmed(text);
    if (text.empty() || lowered(text) == "daily" || lowered(text) == "ежедневно") return Days{};
    Days days;
    days.daily = false;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view item = trimmed(text.substr(0, comma));
        if (const auto date = parseDate(item)) {
            days.dates.push_back(*date);
        } else if (const auto one = weekdayIndex(item)) {
            days.weekdays[static_cast<std::size_t>(*one)] = true;
        } else {
            const std::size_t dash = item.find('-');
            if (dash == std::string_view::npos) return std::nullopt;
            const auto first = weekdayIndex(item.substr(0, dash));
            const auto last = weekdayIndex(item.substr(dash + 1));
            if (!first || !last) return std::nullopt;
            for (int day = *first;; day = (day + 1) % 7) {
                days.weekdays[static_cast<std::size_t>(day)] = true;
                if (day == *last) break;
            }
        }
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return days;
}

std::string dayTimeText(const DayTime& time) {
    if (time.kind != DayTime::Kind::Clock) {
        std::string text = time.kind == DayTime::Kind::Sunrise ? "sunrise" : "sunset";
        if (time.shift.count() != 0) text += (time.shift.count() > 0 ? "+" : "") + std::to_string(time.shift.count());
        return text;
    }
    const hh_mm_ss<seconds> clock{time.clock};
    std::string text = twoDigits(clock.hours().count()) + ":" + twoDigits(clock.minutes().count());
    if (clock.seconds().count() != 0) text += ":" + twoDigits(clock.seconds().count());
    return text;
}

std::optional<double> parseDegrees(std::string_view text, double most) {
    std::string digits(trimmed(text));
    std::replace(digits.begin(), digits.end(), ',', '.');
    // from_chars takes a minus but no plus.
    const bool plus = digits.starts_with('+');
    const char* first = digits.data() + (plus ? 1 : 0);
    const char* last = digits.data() + digits.size();
    double value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (digits.empty() || error != std::errc() || end != last || !std::isfinite(value) || std::abs(value) > most)
        return std::nullopt;
    return value;
}

std::string degreesText(double degrees) {
    std::array<char, 32> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), degrees);
    return std::string(buffer.data(), error == std::errc() ? end : buffer.data());
}

std::string dateText(year_month_day date) {
    return std::to_string(static_cast<int>(date.year())) + "-" + twoDigits(static_cast<unsigned>(date.month())) + "-" +
           twoDigits(static_cast<unsigned>(date.day()));
}

std::string daysText(const Days& days) {
    if (days.daily) return "daily";
    std::string text;
    const auto add = [&](std::string_view item) { text.append(text.empty() ? "" : ",").append(item); };
    for (std::size_t day = 0; day < kWeekdays.size(); ++day)
        if (days.weekdays[day]) add(kWeekdays[day]);
    for (const year_month_day& date : days.dates) add(dateText(date));
    return text;
}

}  // namespace kavtra

#include <optional>
#include <utility>

#include "rules/rule_reader.h"
#include "schedule/schedule_text.h"

namespace kavtra {
namespace {

bool bySun(const std::optional<DayTime>& time) { return time && time->kind != DayTime::Kind::Clock; }

// One [Schedule NAME], or nothing when it is at fault (and why, as a problem).
std::optional<ScheduleEntry> readSchedule(RuleReader& reader, const RuleSection& schedule) {
    const std::string& section = schedule.section;
    const auto fail = [&](std::string key, std::string why) -> std::optional<ScheduleEntry> {
        reader.problem(section, std::move(key), std::move(why));
        return std::nullopt;
    };
    const std::string timeForms =
        "время пишется ЧЧ:ММ или ЧЧ:ММ:СС, восход или закат (sunrise, sunset) с поправкой в минутах (закат-15)";
    const std::string at = reader.value(section, "At");
    const std::string from = reader.value(section, "From");
    const std::string to = reader.value(section, "To");
    const std::string days = reader.value(section, "Days");
    const std::string scene = reader.value(section, "Scene");
    ScheduleEntry entry;
    entry.name = schedule.name;
    if (!at.empty() && (!from.empty() || !to.empty()))
        return fail("At", "At не сочетается с From и To: это либо событие, либо окно времени");
    if (at.empty() && from.empty() && to.empty()) return fail({}, "нет времени: нужен At или From и To");
    if (to.empty() && !from.empty()) return fail("To", "у окна времени есть From, но нет To");
    if (from.empty() && !to.empty()) return fail("From", "у окна времени есть To, но нет From");
    if (!at.empty()) {
        const auto parsed = parseAt(at);
        if (!parsed) return fail("At", quote(at) + ": " + timeForms + ", или дата и время (2026-12-31 23:59:30)");
        entry.at = parsed->time;
        entry.date = parsed->date;
    } else {
        entry.from = parseDayTime(from);
        if (!entry.from) return fail("From", quote(from) + ": " + timeForms);
        entry.to = parseDayTime(to);
        if (!entry.to) return fail("To", quote(to) + ": " + timeForms);
    }
    const auto parsedDays = parseDays(days);
    if (!parsedDays)
        return fail(
            "Days",
            quote(days) +
                ": дни пишутся ежедневно (daily), днями недели (Пн,Ср,Пт; Mon,Wed,Fri; Пн-Пт) или датами (2026-12-31)");
    if (entry.date && !days.empty()) return fail("Days", "у At с датой дней нет: такое событие бывает один раз");
    entry.days = *parsedDays;
    for (const auto& [key, time] :
         {std::pair{"At", entry.at}, std::pair{"From", entry.from}, std::pair{"To", entry.to}})
        if (bySun(time) && !reader.rules().place)
            return fail(key, "для восхода и заката нужны Latitude и Longitude в [Place]");

    auto onOff = reader.onAndOff(section);
    if (!onOff) return std::nullopt;
    auto& [on, off] = *onOff;
    if (!scene.empty() && !reader.rules().scene(scene)) return fail("Scene", noScene(scene));
    if (on.empty() && off.empty() && scene.empty()) return fail({}, "нечего делать: нет ни On, ни Off, ни Scene");
    // A window holds its outputs on while it lasts and off outside it: what
    // it switches is its On list alone.
    if (entry.from && (!off.empty() || !scene.empty()))
        return fail(off.empty() ? "Scene" : "Off",
                    "у окна времени только On: его выводы включены внутри окна и выключены вне его");
    if (entry.from && on.empty()) return fail("On", "у окна времени нет выводов");
    entry.on = std::move(on);
    entry.off = std::move(off);
    entry.scene = scene;

    entry.written = reader.written(section, {"At", "From", "To", "Days", "On", "Off", "Scene"});
    return entry;
}

}  // namespace

void readPlace(RuleReader& reader, const std::vector<RuleSection>& sections) {
    for (const RuleSection& place : sections) {
        const auto latitude = parseDegrees(reader.value(place.section, "Latitude"), kMostLatitude);
        const auto longitude = parseDegrees(reader.value(place.section, "Longitude"), kMostLongitude);
        if (!latitude) reader.problem(place.section, "Latitude", kLatitudeForm);
        if (!longitude) reader.problem(place.section, "Longitude", kLongitudeForm);
        if (latitude && longitude) reader.rules().place = Place{*latitude, *longitude};
    }
}

void readSchedules(RuleReader& reader, const std::vector<RuleSection>& sections) {
    for (const RuleSection& schedule : sections)
        if (auto entry = readSchedule(reader, schedule)) reader.rules().schedules.push_back(std::move(*entry));
}

}  // namespace kavtra

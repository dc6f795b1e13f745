#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/request_batch.h"

namespace kavtra {
namespace {

constexpr Switch On = Switch::On, Off = Switch::Off, Toggle = Switch::Toggle;

Command set(std::vector<std::pair<Target, Switch>> outputs) { return SetCommand{std::move(outputs)}; }
Command one(Target target, Switch action) { return set({{std::move(target), action}}); }

TEST(RequestBatch, MergesWhatKeepsItsMeaningAndKeepsTheOrder) {
    const Target garden = Target::ofGroup("Сад");
    const std::vector<Interlock> motor = {{"Мотор", {1, 2}, std::chrono::milliseconds(0)}};
    const std::vector<Interlock> twoWaits = {{"Вверх", {1, 2}, std::chrono::milliseconds(100)},
                                             {"Влево", {3, 4}, std::chrono::milliseconds(500)}};
    const struct {
        const char* name;
        std::vector<Command> commands;
        std::vector<Interlock> interlocks;
        std::vector<Command> steps;
    } cases[] = {
        {"LaterWordWins", {one(1, On), one(2, On), one(1, Off)}, {}, {set({{1, Off}, {2, On}})}},
        {"SeveralAtOnceJoinToo", {set({{1, On}, {2, On}}), one(3, Toggle)}, {}, {set({{1, On}, {2, On}, {3, Toggle}})}},
        {"ToggleOfAnOutputInTheStep",
         {one(1, On), one(1, Toggle), one(2, On)},
         {},
         {one(1, On), set({{1, Toggle}, {2, On}})}},
        {"WordAfterAToggle", {one(1, Toggle), one(1, Off)}, {}, {one(1, Off)}},
        {"GroupsStayAlone", {one(1, On), one(garden, On), one(2, On)}, {}, {one(1, On), one(garden, On), one(2, On)}},
        {"OtherCommandsInTheirPlace",
         {one(1, On), SceneCommand{"Вечер"}, UndoCommand{}, one(2, On), one(3, On)},
         {},
         {one(1, On), SceneCommand{"Вечер"}, UndoCommand{}, set({{2, On}, {3, On}})}},
        {"AnInterlockTouchedAgain", {one(1, On), one(2, On), one(3, On)}, motor, {one(1, On), set({{2, On}, {3, On}})}},
        {"TwoDeadTimes", {one(1, On), one(3, On)}, twoWaits, {one(1, On), one(3, On)}},
        {"OneDeadTime", {one(1, On), one(5, On)}, twoWaits, {set({{1, On}, {5, On}})}},
    };
    for (const auto& c : cases) EXPECT_EQ(mergeIntoSteps(c.commands, c.interlocks), c.steps) << c.name;
}

}  // namespace
}  // namespace kavtra

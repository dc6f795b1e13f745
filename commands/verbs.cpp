#include "commands/verbs.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <variant>

namespace kavtra {

namespace {

using Words = std::vector<std::string>;

// A command made of a parsed value, or the value's refusal.
template <class T, class Make>
Parsed<Command> commandOf(Parsed<T> parsed, Make make) {
    if (!parsed) return Parsed<Command>::refused(std::move(parsed.error));
    return {Command(make(std::move(*parsed.value))), {}};
}

constexpr auto itself = [](auto value) { return value; };

// Every word read alike; a word may give several values ("40-45").
template <class T>
Parsed<std::vector<T>> eachWord(std::span<const std::string> words, Parsed<std::vector<T>> (*parse)(std::string_view)) {
    std::vector<T> values;
    for (const std::string& word : words) {
        Parsed<std::vector<T>> parsed = parse(word);
        if (!parsed) return Parsed<std::vector<T>>::refused(std::move(parsed.error));
        values.insert(values.end(), std::make_move_iterator(parsed.value->begin()),
                      std::make_move_iterator(parsed.value->end()));
    }
    return {std::move(values), {}};
}

template <class C>
Parsed<Command> nothing(const Words&, std::string_view) {
    return {Command(C{}), {}};
}

Parsed<Command> setValues(const Words& words, std::string_view formFault) {
    if (words.empty()) return Parsed<Command>::refused(std::string(formFault) + "нужно хотя бы одно N=on|off");
    return commandOf(eachWord(words, parseAssignments), [](auto states) { return SetCommand{std::move(states)}; });
}

Parsed<Command> toggleValues(const Words& words, std::string_view) {
    return commandOf(parseTarget(words.front()), [](Target target) { return ToggleCommand{std::move(target)}; });
}

Parsed<Command> allValues(const Words& words, std::string_view) {
    return commandOf(parseOnOff(words.front()), [](bool on) { return AllCommand{on}; });
}

Parsed<Command> renameValues(const Words& words, std::string_view) {
    return commandOf(parseRename(words.front()), itself);
}

Parsed<Command> pulseValues(const Words& words, std::string_view) {
    return commandOf(parsePulse(words.front()), itself);
}

// Any number of targets, none meaning all 300.
template <class C>
Parsed<Command> targetsValues(const Words& words, std::string_view) {
    return commandOf(eachWord(words, parseTargets), [](auto outputs) { return C{std::move(outputs)}; });
}

// A name of Rules.ini leads the words; `whose` as the genitive: "сцены".
Parsed<std::string> ruleName(const Words& words, std::string_view formFault, std::string_view whose) {
    if (words.empty() || !isRuleName(words.front()))
        return Parsed<std::string>::refused(std::string(formFault) + ruleNameWanted(whose));
    return {words.front(), {}};
}

Parsed<std::string> sceneName(const Words& words, std::string_view formFault) {
    return ruleName(words, formFault, "сцены");
}

// The whole value is a name: a scene's, a sequence's.
template <class C>
Parsed<Command> named(const Words& words, std::string_view formFault) {
    return commandOf(ruleName(words, formFault, std::is_same_v<C, SceneCommand> ? "сцены" : "последовательности"),
                     [](std::string name) { return C{std::move(name)}; });
}

// "ИМЯ=on|off": the name is all before the last '='.
Parsed<Command> ruleValues(const Words& words, std::string_view formFault) {
    const std::string& text = words.front();
    const std::size_t equals = text.rfind('=');
    if (equals == std::string::npos) return Parsed<Command>::refused(std::string(formFault) + "нужно ИМЯ=on|off");
    Parsed<std::string> name = ruleName({text.substr(0, equals)}, formFault, "правила");
    if (!name) return Parsed<Command>::refused(std::move(name.error));
    return commandOf(parseOnOff(std::string_view(text).substr(equals + 1)), [&name](bool on) {
        return RuleCommand{std::move(*name.value), on};
    });
}

Parsed<Command> saveSceneValues(const Words& words, std::string_view formFault) {
    Parsed<std::string> name = sceneName(words, formFault);
    if (!name) return Parsed<Command>::refused(std::move(name.error));
    return commandOf(eachWord(std::span(words).subspan(1), parseTargets), [&name](auto outputs) {
        return SaveSceneCommand{std::move(*name.value), std::move(outputs)};
    });
}

constexpr Verb kVerbs[] = {
    {"show", Takes::Nothing, false, "", "", nothing<ShowCommand>},
    {"set", Takes::Each, true, "N=on|off [N=on|off ...]",
     "включить (on) или выключить (off) выводы, все вместе: одно сохранение и одна передача; команда "
     "возвращается, когда передача сделана; N=toggle переключает вывод, как двойной щелчок; вместо N можно "
     "@ГРУППА (группа из Rules.ini) или выводы, как их пишет Rules.ini: 40-45 или 1-3,7",
     setValues},
    {"toggle", Takes::One, true, "N|@ГРУППА",
     "переключить вывод N, как двойной щелчок по его строке; группа выключается, если она вся включена, "
     "иначе включается",
     toggleValues},
    {"all", Takes::One, false, "on|off", "включить или выключить все выводы", allValues},
    {"rename", Takes::Rest, false, "N=ТЕКСТ", "дать выводу N имя ТЕКСТ (пустое тоже можно)", renameValues},
    {"pulse", Takes::One, false, "N=МС",
     "перевести вывод N в противоположное состояние на МС миллисекунд (от 50 до 600000; можно и с единицами, "
     "как у пределов: 9=1m30s), затем вернуть; "
     "новая команда для того же вывода до конца импульса заменяет ожидаемый возврат",
     pulseValues},
    {"get", Takes::Each, true, "[N|@ГРУППА ...]",
     "напечатать состояние и имя выводов N (всех 300, если номера не указаны; можно 40-45 или 1-3,7): по строке "
     "«N<TAB>on|off<TAB>имя» на вывод, в UTF-8; у вывода, чей предел времени идёт, четвёртый столбец — "
     "сколько секунд осталось («1080s»)",
     targetsValues<GetCommand>},
    {"get-inputs", Takes::Nothing, false, "",
     "напечатать состояние и имя пяти входов, линий состояния порта (контакты 10, 11, 12, 13 и 15): по строке "
     "«N<TAB>on|off<TAB>имя» на вход, как --get; Inverted из [Input N] в Rules.ini учтён",
     nothing<GetInputsCommand>},
    {"scene", Takes::Rest, false, "ИМЯ", "вызвать сцену из Rules.ini: одно сохранение и одна передача",
     named<SceneCommand>},
    {"save-scene", Takes::NameAndEach, true, "ИМЯ [N|@ГРУППА ...]",
     "запомнить в Rules.ini текущие состояния выводов (всех 300, если не указаны; можно 40-45 или 1-3,7) как "
     "сцену ИМЯ",
     saveSceneValues},
    {"undo", Takes::Nothing, false, "",
     "отменить последний вызов сцены или группы или последнее «все вкл/выкл»: вернуть прежние состояния",
     nothing<UndoCommand>},
    {"reload", Takes::Nothing, false, "", "перечитать Rules.ini; напечатать записи с ошибками (они не действуют)",
     nothing<ReloadCommand>},
    {"start", Takes::Rest, false, "ИМЯ",
     "запустить последовательность из Rules.ini с первого шага; приостановленную — продолжить с того места, где "
     "она остановилась",
     named<StartCommand>},
    {"pause", Takes::Rest, false, "ИМЯ",
     "приостановить последовательность: выходы остаются как есть, оставшееся время шага запоминается",
     named<PauseCommand>},
    {"stop", Takes::Rest, false, "ИМЯ", "остановить последовательность и выполнить её Finally (если оно задано)",
     named<StopCommand>},
    {"rule", Takes::Rest, false, "ИМЯ=on|off",
     "включить или выключить правило из Rules.ini; выбор сохраняется там (Enabled) и действует после перезапуска",
     ruleValues},
    {"stats", Takes::Each, true, "[N|@ГРУППА ...]",
     "напечатать, сколько раз выводы переключались и сколько были включены (всех 300, если номера не указаны; "
     "можно 40-45 или 1-3,7): по строке «N<TAB>переключений<TAB>секунд всего<TAB>сегодня<TAB>вчера» на вывод, "
     "в целых секундах; дни — по местному времени",
     targetsValues<StatsCommand>},
    {"reset-stats", Takes::Each, true, "[N|@ГРУППА ...]",
     "обнулить счётчики переключений и времени выводов (всех 300, если номера не указаны); сброс записывается в "
     "журнал",
     targetsValues<ResetStatsCommand>},
};
static_assert(std::size(kVerbs) == std::variant_size_v<Command>, "one verb for each alternative of Command");

}  // namespace

std::size_t mostWords(Takes takes) {
    if (takes == Takes::Nothing) return 0;
    if (takes == Takes::One || takes == Takes::Rest) return 1;
    return std::numeric_limits<std::size_t>::max();
}

std::span<const Verb> verbs() { return kVerbs; }

const Verb* verbNamed(std::string_view name) {
    const auto verb =
        std::find_if(std::begin(kVerbs), std::end(kVerbs), [name](const Verb& v) { return v.name == name; });
    return verb == std::end(kVerbs) ? nullptr : verb;
}

const Verb& verbOf(const Command& command) { return kVerbs[command.index()]; }

Parsed<Command> parseVerb(const Verb& verb, const std::vector<std::string>& words, Reader reader) {
    const std::string name(verb.name);
    const std::string formFault = reader == Reader::Socket ? name + ": " : "";
    const std::size_t most = mostWords(verb.takes);
    Parsed<Command> parsed;
    if (most == 0 && !words.empty())
        parsed = Parsed<Command>::refused(formFault + "значения не нужны");
    else if (most == 1 && words.size() != 1)
        parsed = Parsed<Command>::refused(formFault + "нужно одно значение");
    else
        parsed = verb.values(words, formFault);
    if (!parsed && reader == Reader::CommandLine) parsed.error = "--" + name + ": " + parsed.error;
    return parsed;
}

}  // namespace kavtra

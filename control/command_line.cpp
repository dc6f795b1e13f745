#include "control/command_line.h"

#include <algorithm>
#include <map>
#include <vector>

#include "commands/request_text.h"

namespace kavtra {

namespace {

// The options, their value and their text in --help, in the order shown.
struct OptionText {
    std::vector<std::string> names;  // a name of one letter is also a short option
    const char* valueName;           // empty: a switch
    const char* usage;               // how --help shows the option
    const char* text;
};

const std::vector<OptionText>& optionTexts() {
    static const std::vector<OptionText> options = {
        {{"set"},
         "N=on|off",
         "--set N=on|off [N=on|off ...]",
         "включить (on) или выключить (off) выводы, все вместе: одно сохранение и одна передача; команда "
         "возвращается, когда передача сделана; N=toggle переключает вывод, как двойной щелчок; вместо N можно "
         "@ГРУППА (группа из Rules.ini) или выводы, как их пишет Rules.ini: 40-45 или 1-3,7"},
        {{"toggle"},
         "N",
         "--toggle N|@ГРУППА",
         "переключить вывод N, как двойной щелчок по его строке; группа выключается, если она вся включена, "
         "иначе включается"},
        {{"all"}, "on|off", "--all on|off", "включить или выключить все выводы"},
        {{"rename"}, "N=ТЕКСТ", "--rename N=ТЕКСТ", "дать выводу N имя ТЕКСТ (пустое тоже можно)"},
        {{"pulse"},
         "N=МС",
         "--pulse N=МС",
         "перевести вывод N в противоположное состояние на МС миллисекунд (от 50 до 600000), затем вернуть; "
         "новая команда для того же вывода до конца импульса заменяет ожидаемый возврат"},
        {{"get"},
         "",
         "--get [N|@ГРУППА ...]",
         "напечатать состояние и имя выводов N (всех 300, если номера не указаны; можно 40-45 или 1-3,7): по строке "
         "«N<TAB>on|off<TAB>имя» на вывод, в UTF-8"},
        {{"scene"}, "ИМЯ", "--scene ИМЯ", "вызвать сцену из Rules.ini: одно сохранение и одна передача"},
        {{"save-scene"},
         "ИМЯ",
         "--save-scene ИМЯ [N|@ГРУППА ...]",
         "запомнить в Rules.ini текущие состояния выводов (всех 300, если не указаны; можно 40-45 или 1-3,7) как "
         "сцену ИМЯ"},
        {{"undo"},
         "",
         "--undo",
         "отменить последний вызов сцены или группы или последнее «все вкл/выкл»: вернуть прежние состояния"},
        {{"reload"}, "", "--reload", "перечитать Rules.ini; напечатать записи с ошибками (они не действуют)"},
        {{"log"},
         "",
         "--log [N]",
         "напечатать последние N строк журнала Kavtra.log (по умолчанию 20): время, источник, изменения"},
        {{"schedule"},
         "",
         "--schedule [N]",
         "напечатать N ближайших событий расписаний из Rules.ini (по умолчанию 10) по порядку: "
         "«время<TAB>расписание<TAB>что включает и выключает»"},
        {{"add-token"},
         "ИМЯ",
         "--add-token ИМЯ read|switch",
         "создать токен веб-доступа ИМЯ: read только читает, switch ещё и переключает; токен печатается "
         "один раз, в Rules.ini хранится только его хеш; запущенная копия перечитывает Rules.ini и "
         "принимает его до конца команды"},
        {{"remove-token"},
         "ИМЯ",
         "--remove-token ИМЯ",
         "удалить токен веб-доступа ИМЯ из Rules.ini; запущенная копия перестаёт его принимать до конца команды"},
        {{"no-window"},
         "",
         "--no-window",
         "работать без окна (на компьютере без рабочего стола): правило включения, передача по таймеру, "
         "приём команд; SIGTERM, SIGINT и SIGHUP выполняют выход (правило выключения, последняя передача, "
         "линии данных освобождены) без вопроса"},
        {{"h", "help"}, "", "-h, --help", "показать эту справку и выйти"},
        {{"v", "version"}, "", "-v, --version", "показать версию и выйти"},
    };
    return options;
}

CommandLine badUsage(std::string message) {
    return {CommandLine::Action::BadUsage, std::nullopt, "kavtra: " + message + "\nСправка: kavtra --help"};
}

// The arguments sorted out: every option's values (a switch has one empty
// value per mention), the arguments that are no option, and what could not be
// read. Long options take their value after '=' or as the next argument;
// short ones may be run together ("-hv"); after "--" nothing is an option.
struct Sorted {
    std::map<std::string, std::vector<std::string>> values;  // by the option's last (long) name
    std::vector<std::string> positional;
    std::vector<std::string> unknown;  // as written, without the dashes
    std::optional<std::string> valueProblem;

    bool isSet(const std::string& name) const { return values.count(name) != 0; }
};

const OptionText* optionNamed(std::string_view name) {
    for (const OptionText& option : optionTexts())
        if (std::find(option.names.begin(), option.names.end(), name) != option.names.end()) return &option;
    return nullptr;
}

Sorted sortArguments(const std::vector<std::string>& arguments) {
    Sorted sorted;
    bool options = true;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (!options || argument.size() < 2 || argument[0] != '-') {
            sorted.positional.push_back(argument);
        } else if (argument == "--") {
            options = false;
        } else if (argument[1] == '-') {
            const std::size_t equals = argument.find('=');
            const std::string name = argument.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
            const OptionText* option = optionNamed(name);
            if (!option) {
                sorted.unknown.push_back(name);
                continue;
            }
            std::vector<std::string>& values = sorted.values[option->names.back()];
            const std::string longName = "--" + option->names.back();
            if (*option->valueName == '\0') {
                if (equals != std::string::npos && !sorted.valueProblem)
                    sorted.valueProblem = "параметр " + longName + " не принимает значения: «" + argument + "»";
                values.emplace_back();
            } else if (equals != std::string::npos) {
                values.push_back(argument.substr(equals + 1));
            } else if (i + 1 < arguments.size()) {
                values.push_back(arguments[++i]);
            } else if (!sorted.valueProblem) {
                sorted.valueProblem = "у параметра " + longName + " нет значения: " + option->usage;
            }
        } else {
            for (const char letter : argument.substr(1)) {
                const OptionText* option = optionNamed(std::string(1, letter));
                if (option)
                    sorted.values[option->names.back()].emplace_back();
                else
                    sorted.unknown.emplace_back(1, letter);
            }
        }
    }
    return sorted;
}

const std::vector<std::string> kCommandOptions = {"set", "toggle",   "all",        "rename",      "pulse",
                                                  "get", "scene",    "save-scene", "undo",        "reload",
                                                  "log", "schedule", "add-token",  "remove-token"};

constexpr std::size_t kDefaultLogLines = 20;
constexpr std::size_t kDefaultScheduleLines = 10;

// Targets from the arguments, for --get and --save-scene.
std::optional<std::string> addTargets(const std::vector<std::string>& arguments, std::vector<Target>& targets) {
    for (const std::string& argument : arguments) {
        auto parsed = parseTargets(argument);
        if (!parsed) return parsed.error;
        targets.insert(targets.end(), parsed.value->begin(), parsed.value->end());
    }
    return std::nullopt;
}

// The one command of the command line, from its option's values and the
// arguments that follow them.
CommandLine commandOf(const Sorted& sorted, const std::string& option) {
    const std::vector<std::string>& values = sorted.values.at(option);
    const std::vector<std::string>& extra = sorted.positional;
    const auto send = [](Command command) {
        // A request beyond the socket's bound would be refused there: say so here.
        if (formatRequest(command).size() > kMaxRequestBytes) return badUsage("слишком длинная команда");
        return CommandLine{CommandLine::Action::Send, std::move(command), {}};
    };
    const auto single = [&]() -> std::optional<std::string> {
        if (values.size() > 1) return "--" + option + " можно указать только один раз";
        if (!extra.empty()) return "лишний аргумент «" + extra.front() + "»";
        return std::nullopt;
    };
    if (option == "set") {
        SetCommand set;
        std::vector<std::string> all = values;
        all.insert(all.end(), extra.begin(), extra.end());
        for (const std::string& value : all) {
            const auto parsed = parseAssignments(value);
            if (!parsed) return badUsage("--set: " + parsed.error);
            set.outputs.insert(set.outputs.end(), parsed.value->begin(), parsed.value->end());
        }
        return send(std::move(set));
    }
    if (option == "get") {
        GetCommand get;
        if (const auto problem = addTargets(extra, get.outputs)) return badUsage("--get: " + *problem);
        return send(std::move(get));
    }
    if (option == "save-scene") {
        if (values.size() > 1) return badUsage("--save-scene можно указать только один раз");
        SaveSceneCommand save{values.front(), {}};
        if (!isRuleName(save.name)) return badUsage("--save-scene: нужно имя сцены без знаков [ ] =");
        if (const auto problem = addTargets(extra, save.outputs)) return badUsage("--save-scene: " + *problem);
        return send(std::move(save));
    }
    if (option == "log" || option == "schedule") {
        const bool log = option == "log";
        if (values.size() > 1 || extra.size() > 1) return badUsage("--" + option + ": нужно не больше одного числа");
        const std::size_t byDefault = log ? kDefaultLogLines : kDefaultScheduleLines;
        const std::optional<long long> count = extra.empty() ? static_cast<long long>(byDefault)
                                                             : digitsValue(extra.front());
        if (!count || *count < 1) return badUsage("--" + option + ": число строк должно быть целым больше 0");
        return {log ? CommandLine::Action::Log : CommandLine::Action::Schedule,
                std::nullopt,
                {},
                static_cast<std::size_t>(*count)};
    }
    if (option == "add-token") {
        if (values.size() > 1) return badUsage("--add-token можно указать только один раз");
        if (extra.size() != 1 || (extra.front() != "read" && extra.front() != "switch"))
            return badUsage("--add-token: после имени нужна роль read или switch");
        if (!isRuleName(values.front())) return badUsage("--add-token: нужно имя токена без знаков [ ] =");
        CommandLine line{CommandLine::Action::AddToken, std::nullopt, {}};
        line.name = values.front();
        line.role = extra.front();
        return line;
    }
    if (const auto problem = single()) return badUsage(*problem);
    const std::string& value = values.front();
    if (option == "remove-token") {
        CommandLine line{CommandLine::Action::RemoveToken, std::nullopt, {}};
        line.name = value;
        return line;
    }
    const std::string prefix = "--" + option + ": ";
    if (option == "toggle") {
        auto parsed = parseTarget(value);
        return parsed ? send(ToggleCommand{std::move(*parsed.value)}) : badUsage(prefix + parsed.error);
    }
    if (option == "scene") {
        if (!isRuleName(value)) return badUsage(prefix + "нужно имя сцены");
        return send(SceneCommand{value});
    }
    if (option == "undo") return send(UndoCommand{});
    if (option == "reload") return send(ReloadCommand{});
    if (option == "all") {
        const auto parsed = parseOnOff(value);
        return parsed ? send(AllCommand{*parsed.value}) : badUsage(prefix + parsed.error);
    }
    if (option == "rename") {
        auto parsed = parseRename(value);
        return parsed ? send(std::move(*parsed.value)) : badUsage(prefix + parsed.error);
    }
    const auto parsed = parsePulse(value);
    return parsed ? send(*parsed.value) : badUsage(prefix + parsed.error);
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    const Sorted sorted = sortArguments(arguments);
    if (!sorted.unknown.empty()) return badUsage("неизвестный параметр «" + sorted.unknown.front() + "»");
    if (sorted.valueProblem) return badUsage(*sorted.valueProblem);
    if (sorted.isSet("help")) return {CommandLine::Action::Help, std::nullopt, {}};
    if (sorted.isSet("version")) return {CommandLine::Action::Version, std::nullopt, {}};

    std::vector<std::string> given;
    for (const std::string& option : kCommandOptions)
        if (sorted.isSet(option)) given.push_back(option);
    if (given.size() > 1) {
        std::string named = "--" + given.front();
        for (std::size_t i = 1; i < given.size(); ++i) named += " и --" + given[i];
        return badUsage("одна команда за раз, а указаны " + named);
    }
    if (sorted.isSet("no-window") && !given.empty())
        return badUsage("--no-window запускает программу и не сочетается с командой --" + given.front());
    if (!given.empty()) return commandOf(sorted, given.front());
    if (!sorted.positional.empty()) return badUsage("лишний аргумент «" + sorted.positional.front() + "»");
    return {sorted.isSet("no-window") ? CommandLine::Action::NoWindow : CommandLine::Action::Window, std::nullopt, {}};
}

std::string helpText() {
    std::string text =
        "Использование: kavtra [--no-window]\n"
        "               kavtra КОМАНДА\n"
        "\n"
        "Кавтра включает и выключает до 300 нагрузок через параллельный порт. Без параметров программа "
        "открывает окно. Команда передаётся уже запущенной копии для той же папки данных (с окном или "
        "без него) и сама порт не открывает; второй запуск без параметров показывает окно запущенной копии.\n"
        "\n"
        "Параметры:\n";
    for (const OptionText& option : optionTexts())
        text += "  " + std::string(option.usage) + "\n      " + option.text + "\n";
    text +=
        "\n"
        "Коды завершения:\n"
        "  0  сделано\n"
        "  1  программа не смогла начать работу: порт не открылся, окну нет дисплея, или (с --no-window) копия для "
        "этой папки уже запущена\n"
        "  2  неверные параметры (сообщение называет неверный аргумент)\n"
        "  3  программа не запущена: команде некому её передать\n"
        "  4  запущенная копия отказала или не ответила, или сокет команд чужой (сообщение называет причину)\n"
        "  5  команда выполнена, но Data.dat не сохранён (сообщение называет причину)\n"
        "  6  выход ждал мёртвого времени блокировки, и более поздняя команда отменила ожидание\n"
        "  7  Rules.ini не прочитан: действуют прежние правила (сообщение называет причину)\n"
        "\n"
        "Окружение: KAVTRA_PORT (порт), KAVTRA_PORT_TRACE (файл журнала обращений к порту).\n"
        "Файлы: config.ini и Data.dat рядом с программой, или в $XDG_DATA_HOME/kavtra, если туда нельзя писать.\n";
    return text;
}

std::string versionText() { return "kavtra " KAVTRA_VERSION "\n"; }

}  // namespace kavtra

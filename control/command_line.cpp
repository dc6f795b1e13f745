#include "control/command_line.h"

#include <algorithm>
#include <map>
#include <vector>

#include "commands/request_text.h"
#include "commands/verbs.h"

namespace kavtra {

namespace {

// An option as --help shows it and as the arguments are sorted by it: a verb
// sent to the running copy, or one of the command line's own.
struct Option {
    std::vector<std::string> names;  // a name of one letter is also a short option
    std::string_view values;         // "N=on|off [N=on|off ...]"; in brackets: may be left out
    std::string_view text;
    CommandLine::Action action;
    const Verb* verb = nullptr;  // for Send
    bool modifier = false;       // changes what another option does, and is no command itself

    // An option whose first value may not be left out takes it after '=' or
    // as the next argument; any other is a switch.
    bool takesValue() const { return !values.empty() && values.front() != '['; }
    bool isCommand() const {
        return !modifier && action != CommandLine::Action::NoWindow && action != CommandLine::Action::Help &&
               action != CommandLine::Action::Version;
    }
    std::string longName() const { return "--" + names.back(); }
    std::string usage() const {
        std::string shown;
        for (const std::string& name : names)
            shown += (shown.empty() ? "" : ", ") + (name.size() == 1 ? "-" + name : "--" + name);
        return values.empty() ? shown : shown + " " + std::string(values);
    }
};

// The verbs first, in the order --help shows them.
const std::vector<Option>& options() {
    using Action = CommandLine::Action;
    static const std::vector<Option> all = [] {
        std::vector<Option> list;
        for (const Verb& verb : verbs())
            if (!verb.help.empty())
                list.push_back({{std::string(verb.name)}, verb.usage, verb.help, Action::Send, &verb});
        list.insert(
            list.end(),
            {
                {{"log"},
                 "[N]",
                 "напечатать последние N строк журнала Kavtra.log (по умолчанию 20): время, источник, изменения; "
                 "работает и без запущенной копии",
                 Action::Log},
                {{"schedule"},
                 "[N]",
                 "напечатать N ближайших событий расписаний из Rules.ini (по умолчанию 10) по порядку: "
                 "«время<TAB>расписание<TAB>что включает и выключает»; работает и без запущенной копии",
                 Action::Schedule},
                {{"add-token"},
                 "ИМЯ read|switch [ОБЛАСТЬ ...]",
                 "создать токен веб-доступа ИМЯ: read только читает, switch ещё и переключает; ОБЛАСТЬ — выводы, "
                 "группы и сцены, которые токен видит и переключает (1-20 @Двор \"scene Вечер\"), без неё — все "
                 "выводы; токен печатается один раз, в Rules.ini хранится только его хеш; запущенная копия "
                 "перечитывает Rules.ini и принимает его до конца команды; работает и без запущенной копии",
                 Action::AddToken},
                {{"remove-token"},
                 "ИМЯ",
                 "удалить токен веб-доступа ИМЯ из Rules.ini; запущенная копия перестаёт его принимать до конца "
                 "команды; работает и без запущенной копии",
                 Action::RemoveToken},
                {{"export"},
                 "ФАЙЛ",
                 "записать config.ini, Data.dat и Rules.ini в один zip-архив ФАЙЛ с описью kavtra-backup.ini; "
                 "хеши токенов веб-доступа и пароль MQTT не записываются без --secrets; работает и без запущенной "
                 "копии",
                 Action::Export},
                {{"secrets"},
                 "",
                 "вместе с --export: записать в архив и хеши токенов, и пароль MQTT; храните такой архив как пароль",
                 Action::Export,
                 nullptr,
                 true},
                {{"import"},
                 "ФАЙЛ",
                 "проверить архив ФАЙЛ целиком (структура, контрольные суммы, кодировки, каждое правило Rules.ini) и "
                 "заменить им файлы папки данных, или отказать, назвав все причины и ничего не меняя; в архиве без "
                 "секретов токены и пароль MQTT остаются прежние; запущенная копия должна быть закрыта: она сама "
                 "сохраняет Data.dat и перезаписала бы импортированный",
                 Action::Import},
                {{"no-window"},
                 "",
                 "работать без окна (на компьютере без рабочего стола): правило включения, передача по таймеру, "
                 "приём команд; SIGTERM, SIGINT и SIGHUP выполняют выход (правило выключения, последняя передача, "
                 "линии данных освобождены) без вопроса",
                 Action::NoWindow},
                {{"h", "help"}, "", "показать эту справку и выйти", Action::Help},
                {{"v", "version"}, "", "показать версию и выйти", Action::Version},
            });
        return list;
    }();
    return all;
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

const Option* optionNamed(std::string_view name) {
    for (const Option& option : options())
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
            const Option* option = optionNamed(name);
            if (!option) {
                sorted.unknown.push_back(name);
                continue;
            }
            std::vector<std::string>& values = sorted.values[option->names.back()];
            const std::string longName = option->longName();
            if (!option->takesValue()) {
                if (equals != std::string::npos && !sorted.valueProblem)
                    sorted.valueProblem = "параметр " + longName + " не принимает значения: «" + argument + "»";
                values.emplace_back();
            } else if (equals != std::string::npos) {
                values.push_back(argument.substr(equals + 1));
            } else if (i + 1 < arguments.size()) {
                values.push_back(arguments[++i]);
            } else if (!sorted.valueProblem) {
                sorted.valueProblem = "у параметра " + longName + " нет значения: " + option->usage();
            }
        } else {
            for (const char letter : argument.substr(1)) {
                const Option* option = optionNamed(std::string(1, letter));
                if (option)
                    sorted.values[option->names.back()].emplace_back();
                else
                    sorted.unknown.emplace_back(1, letter);
            }
        }
    }
    return sorted;
}

constexpr std::size_t kDefaultLogLines = 20;
constexpr std::size_t kDefaultScheduleLines = 10;

std::string extraArgument(const std::string& argument) { return "лишний аргумент «" + argument + "»"; }
std::string givenTwice(const Option& option) { return option.longName() + " можно указать только один раз"; }

// A verb's words are its option's values, if it takes one, and the arguments
// that are no option; they are read as the socket reads its words.
CommandLine requestOf(const Sorted& sorted, const Option& option) {
    const Verb& verb = *option.verb;
    const std::vector<std::string>& values = sorted.values.at(option.names.back());
    if (values.size() > 1 && verb.takes != Takes::Each) return badUsage(givenTwice(option));
    std::vector<std::string> words = option.takesValue() ? values : std::vector<std::string>();
    words.insert(words.end(), sorted.positional.begin(), sorted.positional.end());
    if (words.size() > mostWords(verb.takes)) return badUsage(extraArgument(words[mostWords(verb.takes)]));
    Parsed<Command> command = parseVerb(verb, words, Reader::CommandLine);
    if (!command) return badUsage(command.error);
    // A request beyond the socket's bound would be refused there: say so here.
    if (formatRequest(*command.value).size() > kMaxRequestBytes) return badUsage(requestTooLong());
    return {CommandLine::Action::Send, std::move(*command.value), {}};
}

// What the command line does itself, from its option's values and the
// arguments that follow them.
CommandLine ownCommandOf(const Sorted& sorted, const Option& option) {
    const std::vector<std::string>& values = sorted.values.at(option.names.back());
    const std::vector<std::string>& extra = sorted.positional;
    if (option.action == CommandLine::Action::Log || option.action == CommandLine::Action::Schedule) {
        const bool log = option.action == CommandLine::Action::Log;
        if (values.size() > 1 || extra.size() > 1)
            return badUsage(option.longName() + ": нужно не больше одного числа");
        const std::size_t byDefault = log ? kDefaultLogLines : kDefaultScheduleLines;
        const std::optional<long long> count = extra.empty() ? static_cast<long long>(byDefault)
                                                             : digitsValue(extra.front());
        if (!count || *count < 1) return badUsage(option.longName() + ": число строк должно быть целым больше 0");
        return {option.action, std::nullopt, {}, static_cast<std::size_t>(*count)};
    }
    if (values.size() > 1) return badUsage(givenTwice(option));
    CommandLine line{option.action, std::nullopt, {}};
    line.name = values.front();
    if (option.action == CommandLine::Action::AddToken) {
        if (extra.empty() || (extra.front() != "read" && extra.front() != "switch"))
            return badUsage("--add-token: после имени нужна роль read или switch");
        if (!isRuleName(line.name)) return badUsage("--add-token: " + ruleNameWanted("токена"));
        line.role = extra.front();
        // Each word is one part of Scope=, as Rules.ini keeps it.
        for (std::size_t i = 1; i < extra.size(); ++i) line.scope += (i > 1 ? "; " : "") + extra[i];
        return line;
    }
    if (!extra.empty()) return badUsage(extraArgument(extra.front()));
    line.secrets = sorted.isSet("secrets");
    return line;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    const Sorted sorted = sortArguments(arguments);
    if (!sorted.unknown.empty()) return badUsage("неизвестный параметр «" + sorted.unknown.front() + "»");
    if (sorted.valueProblem) return badUsage(*sorted.valueProblem);
    if (sorted.isSet("help")) return {CommandLine::Action::Help, std::nullopt, {}};
    if (sorted.isSet("version")) return {CommandLine::Action::Version, std::nullopt, {}};

    std::vector<const Option*> given;
    for (const Option& option : options())
        if (option.isCommand() && sorted.isSet(option.names.back())) given.push_back(&option);
    if (given.size() > 1) {
        std::string named = given.front()->longName();
        for (std::size_t i = 1; i < given.size(); ++i) named += " и " + given[i]->longName();
        return badUsage("одна команда за раз, а указаны " + named);
    }
    if (sorted.isSet("secrets") && (given.empty() || given.front()->action != CommandLine::Action::Export))
        return badUsage("--secrets действует только вместе с --export");
    if (sorted.isSet("no-window") && !given.empty())
        return badUsage("--no-window запускает программу и не сочетается с командой " + given.front()->longName());
    if (!given.empty())
        return given.front()->verb ? requestOf(sorted, *given.front()) : ownCommandOf(sorted, *given.front());
    if (!sorted.positional.empty()) return badUsage(extraArgument(sorted.positional.front()));
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
    for (const Option& option : options()) text += "  " + option.usage() + "\n      " + std::string(option.text) + "\n";
    text +=
        "\n"
        "Коды завершения:\n"
        "  0  сделано\n"
        "  1  программа не смогла начать работу: порт не открылся, окну нет дисплея, или (с --no-window) копия для "
        "этой папки уже запущена\n"
        "  2  неверные параметры (сообщение называет неверный аргумент)\n"
        "  3  программа не запущена: команде некому её передать\n"
        "  4  запущенная копия отказала или не ответила, сокет команд чужой, или --export, --import не сделаны "
        "(сообщение называет причину)\n"
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

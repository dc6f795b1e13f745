#include "control/command_line.h"

#include <QCommandLineParser>

#include <vector>

#include "commands/request_text.h"

namespace kavtra {

namespace {

// The options, their value and their text in --help, in the order shown.
struct OptionText {
    QStringList names;
    QString valueName;  // empty: a switch
    const char* usage;  // how --help shows the option
    const char* text;
};

const std::vector<OptionText>& optionTexts() {
    static const std::vector<OptionText> options = {
        {{"set"},
         "N=on|off",
         "--set N=on|off [N=on|off ...]",
         "включить (on) или выключить (off) выводы, все вместе: одно сохранение и одна передача; команда "
         "возвращается, когда передача сделана; N=toggle переключает вывод, как двойной щелчок"},
        {{"toggle"}, "N", "--toggle N", "переключить вывод N, как двойной щелчок по его строке"},
        {{"all"}, "on|off", "--all on|off", "включить или выключить все выводы"},
        {{"rename"}, "N=ТЕКСТ", "--rename N=ТЕКСТ", "дать выводу N имя ТЕКСТ (пустое тоже можно)"},
        {{"pulse"},
         "N=МС",
         "--pulse N=МС",
         "перевести вывод N в противоположное состояние на МС миллисекунд (от 50 до 600000), затем вернуть; "
         "новая команда для того же вывода до конца импульса заменяет ожидаемый возврат"},
        {{"get"},
         "",
         "--get [N ...]",
         "напечатать состояние и имя выводов N (всех 300, если номера не указаны): по строке "
         "«N<TAB>on|off<TAB>имя» на вывод, в UTF-8"},
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

std::string utf8(const QString& text) { return text.toUtf8().toStdString(); }

CommandLine badUsage(std::string message) {
    return {CommandLine::Action::BadUsage, std::nullopt, "kavtra: " + message + "\nСправка: kavtra --help"};
}

// The parser's other refusals: an option without its value (the last
// argument), or a switch given one.
std::optional<std::string> valueProblem(const QStringList& arguments) {
    for (const OptionText& option : optionTexts()) {
        const QString name = "--" + option.names.last();
        if (!option.valueName.isEmpty() && arguments.last() == name)
            return "у параметра " + utf8(name) + " нет значения: " + option.usage;
        for (const QString& argument : arguments)
            if (option.valueName.isEmpty() && argument.startsWith(name + "="))
                return "параметр " + utf8(name) + " не принимает значения: «" + utf8(argument) + "»";
    }
    return std::nullopt;
}

const QStringList kCommandOptions = {"set", "toggle", "all", "rename", "pulse", "get"};

// The one command of the command line, from its option's values and the
// arguments that follow them.
CommandLine commandOf(const QCommandLineParser& parser, const QString& option) {
    const QStringList values = parser.values(option);
    const QStringList extra = parser.positionalArguments();
    const auto send = [](Command command) {
        // A request beyond the socket's bound would be refused there: say so here.
        if (formatRequest(command).size() > kMaxRequestBytes) return badUsage("слишком длинная команда");
        return CommandLine{CommandLine::Action::Send, std::move(command), {}};
    };
    const auto single = [&]() -> std::optional<std::string> {
        if (values.size() > 1) return "--" + utf8(option) + " можно указать только один раз";
        if (!extra.isEmpty()) return "лишний аргумент «" + utf8(extra.first()) + "»";
        return std::nullopt;
    };
    if (option == "set") {
        SetCommand set;
        for (const QString& value : values + extra) {
            const auto parsed = parseAssignment(utf8(value));
            if (!parsed) return badUsage("--set: " + parsed.error);
            set.outputs.push_back(*parsed.value);
        }
        return send(std::move(set));
    }
    if (option == "get") {
        GetCommand get;
        for (const QString& value : extra) {
            const auto parsed = parseOutput(utf8(value));
            if (!parsed) return badUsage("--get: " + parsed.error);
            get.outputs.push_back(*parsed.value);
        }
        return send(std::move(get));
    }
    if (const auto problem = single()) return badUsage(*problem);
    const std::string value = utf8(values.first());
    const std::string prefix = "--" + utf8(option) + ": ";
    if (option == "toggle") {
        const auto parsed = parseOutput(value);
        return parsed ? send(ToggleCommand{*parsed.value}) : badUsage(prefix + parsed.error);
    }
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

CommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    for (const OptionText& option : optionTexts()) {
        QCommandLineOption qtOption(option.names);
        qtOption.setValueName(option.valueName);
        parser.addOption(qtOption);
    }
    if (!parser.parse(arguments)) {
        // The parser's own messages are English; ours name the argument in Russian.
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty()) return badUsage("неизвестный параметр «" + utf8(unknown.first()) + "»");
        return badUsage(valueProblem(arguments).value_or(utf8(parser.errorText())));
    }
    if (parser.isSet("help")) return {CommandLine::Action::Help, std::nullopt, {}};
    if (parser.isSet("version")) return {CommandLine::Action::Version, std::nullopt, {}};

    QStringList given;
    for (const QString& option : kCommandOptions)
        if (parser.isSet(option)) given << option;
    if (given.size() > 1) return badUsage("одна команда за раз, а указаны --" + utf8(given.join(" и --")));
    if (parser.isSet("no-window") && !given.isEmpty())
        return badUsage("--no-window запускает программу и не сочетается с командой --" + utf8(given.first()));
    if (!given.isEmpty()) return commandOf(parser, given.first());
    if (!parser.positionalArguments().isEmpty())
        return badUsage("лишний аргумент «" + utf8(parser.positionalArguments().first()) + "»");
    return {parser.isSet("no-window") ? CommandLine::Action::NoWindow : CommandLine::Action::Window, std::nullopt, {}};
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
        "  4  запущенная копия отказала (сообщение называет причину)\n"
        "  5  команда выполнена, но Data.dat не сохранён (сообщение называет причину)\n"
        "\n"
        "Окружение: KAVTRA_PORT (порт), KAVTRA_PORT_TRACE (файл журнала обращений к порту).\n"
        "Файлы: config.ini и Data.dat рядом с программой, или в $XDG_DATA_HOME/kavtra, если туда нельзя писать.\n";
    return text;
}

std::string versionText() { return "kavtra " KAVTRA_VERSION "\n"; }

}  // namespace kavtra

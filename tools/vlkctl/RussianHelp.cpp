#include "RussianHelp.h"

#include <CLI/CLI.hpp>

#include <regex>
#include <utility>

namespace vlk::ctl {

namespace {

const char* const kHelpText = "показать эту справку и выйти";

// The parser pads the option column by bytes; Cyrillic takes two bytes a letter, so the column is
// padded here by letters.
class LetterFormatter final : public CLI::Formatter {
public:
    std::string make_option(const CLI::Option* option, bool positional) const override
    {
        const std::string name = make_option_name(option, positional) + make_option_opts(option);
        std::string line = "  " + name;
        const std::size_t width = get_column_width();
        const std::size_t letters = 2 + Letters(name);
        if (letters < width)
            line.append(width - letters, ' ');
        else
            line += "\n" + std::string(width, ' ');
        return line + make_option_desc(option) + "\n";
    }

private:
    static std::size_t Letters(const std::string& text)
    {
        std::size_t count = 0;
        for (const char c : text)
            count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
        return count;
    }
};

std::string TypeName(const std::string& english)
{
    if (english == "TEXT")
        return "ТЕКСТ";
    if (english == "INT" || english == "UINT")
        return "ЧИСЛО";
    if (english == "FLOAT")
        return "ЧИСЛО";
    return english;
}

void Translate(CLI::App& app)
{
    for (CLI::Option* option : app.get_options()) {
        if (option->get_group() == "Options")
            option->group("Параметры");
        option->type_name(TypeName(option->get_type_name()));
    }
    if (CLI::Option* help = app.get_help_ptr())
        help->description(kHelpText);
    for (CLI::App* sub : app.get_subcommands([](CLI::App*) { return true; })) {
        if (sub->get_group() == "Subcommands")
            sub->group("Команды");
        Translate(*sub);
    }
}

} // namespace

void UseRussianHelp(CLI::App& app)
{
    auto formatter = std::make_shared<LetterFormatter>();
    const std::pair<const char*, const char*> labels[] = {
        {"Usage", "Использование"},  {"OPTIONS", "ПАРАМЕТРЫ"},  {"SUBCOMMAND", "КОМАНДА"},
        {"SUBCOMMANDS", "КОМАНДЫ"},  {"Positionals", "Аргументы"}, {"REQUIRED", "обязательный"},
        {"Env", "Переменная"},       {"Needs", "Требует"},       {"Excludes", "Исключает"},
    };
    for (const auto& [english, russian] : labels)
        formatter->label(english, russian);
    formatter->column_width(30);
    app.formatter(formatter);
    std::function<void(CLI::App&)> share = [&](CLI::App& a) {
        a.formatter(formatter);
        for (CLI::App* sub : a.get_subcommands([](CLI::App*) { return true; }))
            share(*sub);
    };
    share(app);
    Translate(app);
}

std::string RussianParseError(const CLI::ParseError& error)
{
    const std::string text = error.what();
    static const std::pair<std::regex, const char*> kRules[] = {
        {std::regex(R"(^A subcommand is required$)"), "не задана команда"},
        {std::regex(R"(^Requires at least (\d+) subcommands?.*$)"), "не задана команда"},
        {std::regex(R"(^(.+) is required$)"), "не задан обязательный параметр $1"},
        {std::regex(R"(^(.+): (\d+) required (\S+) missing$)"), "у параметра $1 нет значения"},
        {std::regex(R"(^The following arguments? (?:were|was) not expected: (.*)$)"), "лишние аргументы: $1"},
        {std::regex(R"(^Could not convert: (.+) = (.*)$)"), "неверное значение параметра $1: $2"},
        {std::regex(R"(^The value (.+) is not an allowed value for (.+)$)"), "значение $1 недопустимо для $2"},
        {std::regex(R"(^(.+) excludes (.+)$)"), "$1 нельзя задать вместе с $2"},
        {std::regex(R"(^(.+) requires (.+)$)"), "$1 требует $2"},
        {std::regex(R"(^Expected exactly (\d+) arguments? to (.+), got (\d+)$)"),
         "параметр $2 ожидает значений: $1, задано: $3"},
        {std::regex(R"(^(.+): Should be true/false or a number$)"), "$1: ожидается true/false или число"},
        {std::regex(R"(^(.+): too many inputs for a flag$)"), "$1: у флага не бывает значения"},
    };
    for (const auto& [pattern, russian] : kRules)
        if (std::regex_match(text, pattern))
            return std::regex_replace(text, pattern, russian);
    // A validator's own words, or an error this list does not know: as the parser said it.
    return "ошибка в аргументах: " + text;
}

} // namespace vlk::ctl

#include "frame/StationArguments.h"

#include "util/Version.h"

namespace vlk {

StationArguments StationArguments::Parse(const std::vector<std::string>& arguments, bool whole)
{
    StationArguments result;
    // --help and --version win wherever they stand before "--", as with the other programs.
    for (const std::string& argument : arguments) {
        if (argument == "--")
            break;
        if (argument == "-h" || argument == "--help") {
            result.action = Action::Help;
            return result;
        }
        if (argument == "--version") {
            result.action = Action::Version;
            return result;
        }
    }
    if (!whole)
        return result;

    bool optionsEnd = false;
    for (const std::string& argument : arguments) {
        if (!optionsEnd && argument == "--") {
            optionsEnd = true;
            continue;
        }
        if (!optionsEnd && argument.size() > 1 && argument.front() == '-') {
            result.action = Action::Error;
            result.error = "неизвестный параметр " + argument;
            return result;
        }
        if (argument.empty()) {
            result.action = Action::Error;
            result.error = "пустое имя файла";
            return result;
        }
        if (!result.file.empty()) {
            result.action = Action::Error;
            result.error = "открывается один файл, а названы два: " + result.file + " и " + argument;
            return result;
        }
        result.file = argument;
    }
    return result;
}

std::string StationArguments::HelpText()
{
    return "Использование: vlk-station [ПАРАМЕТР] [ФАЙЛ.vlk]\n"
           "Система программирования дорожных контроллеров ВЛК2.2_v4.\n"
           "\n"
           "ФАЙЛ.vlk открывается после выбора порта так же, как командой «Открыть».\n"
           "\n"
           "  -h, --help     эта справка\n"
           "      --version  версия программы\n"
           "      --         дальше только имя файла (для имени, начинающегося с -)\n"
           "\n"
           "Принимаются и стандартные параметры Qt, например -platform и -display.\n"
           "\n"
           "Порты COM1 и COM2 ведут к устройствам из переменных окружения VLK_COM1 и VLK_COM2\n"
           "(по умолчанию /dev/ttyS0 и /dev/ttyS1).\n"
           "\n"
           "Коды выхода: 0 станция закрыта, 1 окно станции не создано, 2 неверная командная строка.\n";
}

std::string StationArguments::VersionText()
{
    return std::string("vlk-station ") + kStationVersion + "\n";
}

} // namespace vlk

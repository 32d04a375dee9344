#include "link/WatchList.h"

#include "util/WholeFile.h"

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>

namespace vlk {

std::string WatchListPath()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/')
        return std::string(config) + "/vlk-station/watch.json";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.config/vlk-station/watch.json";
}

std::vector<WatchedController> LoadWatchList(const std::string& path, std::string* error)
{
    std::vector<WatchedController> list;
    std::error_code exists;
    if (!std::filesystem::exists(path, exists))
        return list;
    std::vector<std::uint8_t> bytes;
    const std::string why = ReadRegularFile(path, 1 << 20, bytes);
    if (!why.empty()) {
        if (error)
            *error = why;
        return list;
    }
    const auto json = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
    if (json.is_discarded() || !json.is_object() || !json.contains("controllers") || !json["controllers"].is_array()) {
        if (error)
            *error = "Список наблюдаемых контроллеров " + path + " не прочитан: это не его формат";
        return list;
    }
    for (const auto& item : json["controllers"]) {
        if (!item.is_object() || !item.contains("address") || !item["address"].is_string())
            continue;
        WatchedController controller;
        controller.address = item["address"].get<std::string>();
        if (item.contains("name") && item["name"].is_string())
            controller.name = item["name"].get<std::string>();
        if (!controller.address.empty())
            list.push_back(std::move(controller));
    }
    return list;
}

std::string SaveWatchList(const std::string& path, const std::vector<WatchedController>& list)
{
    nlohmann::json controllers = nlohmann::json::array();
    for (const auto& controller : list)
        controllers.push_back({{"address", controller.address}, {"name", controller.name}});
    const std::string text = nlohmann::json{{"controllers", controllers}}.dump(2) + "\n";
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    return WriteWholeFile(path, std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()),
                                                              text.size()));
}

} // namespace vlk

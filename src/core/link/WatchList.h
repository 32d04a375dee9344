#pragma once

#include <string>
#include <vector>

namespace vlk {

// One controller of the "Наблюдение" window: the port it is reached by (a device path or a
// network address) and the name the engineer gave it.
struct WatchedController {
    std::string address;
    std::string name;
    bool operator==(const WatchedController&) const = default;
};

// $XDG_CONFIG_HOME/vlk-station/watch.json (an absolute XDG_CONFIG_HOME only), else
// ~/.config/vlk-station/watch.json. The one list the station keeps between runs.
[[nodiscard]] std::string WatchListPath();

// Reads the list: {"controllers": [{"address": "...", "name": "..."}, ...]}. A missing file is an
// empty list; an unreadable or broken one too, with the reason in Russian in `error`.
[[nodiscard]] std::vector<WatchedController> LoadWatchList(const std::string& path, std::string* error = nullptr);
// Writes it whole (a temporary file renamed over the old one; its folder made when missing).
// Returns an empty text, or why it failed in Russian.
[[nodiscard]] std::string SaveWatchList(const std::string& path, const std::vector<WatchedController>& list);

} // namespace vlk

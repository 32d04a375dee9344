#pragma once

#include "config/Configuration.h"

namespace vlk {

// A small but complete junction for trying the station and the simulator without a real
// configuration: a crossroads of a main and a side street with left turns and two pedestrian
// crossings, three programs (day, peak, night), a working week and a weekend with yellow flashing
// at night, lamp outputs, lamp sensors and the ZAD times.
[[nodiscard]] Configuration DemoJunction();

} // namespace vlk

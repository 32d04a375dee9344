#pragma once

#include <functional>

namespace vlk::bench {

// Runs `tidy` after the last benchmark, while the QApplication still exists: widgets shared by
// several benchmarks must go before it does.
void AtQtExit(std::function<void()> tidy);

} // namespace vlk::bench

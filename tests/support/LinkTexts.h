#pragma once

// Texts the station and vlkctl show about the controller link, written out as the user reads
// them, for the tests of every layer that shows them.

namespace vlk::test {

// The last box of a write that did not end in "Запись ОДД закончена".
inline constexpr const char* kNotWrittenText =
    "Память ОДД не записана, повторите!\n"
    "Контроллер остался в режиме программирования и не запустится с не полностью записанной памятью: "
    "запишите ОДД еще раз или верните прежнюю конфигурацию";

} // namespace vlk::test

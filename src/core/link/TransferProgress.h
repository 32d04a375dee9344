#pragma once

#include "link/MemoryTransfer.h"

#include <string>

namespace vlk {

// Names the part of a memory transfer that the sector progress reports are in, for a progress bar
// or a terminal line: "Чтение прежней ОДД", "Запись ОДД", "Проверка ОДД", "Чтение ОДД". A read goes
// over the 15 sectors twice, the second pass checking the first ("(сверка)"), then again over any
// sector the passes disagree on ("(повтор)"): each is a part of its own.
class TransferProgress {
public:
    // Takes the report of sector `sector` (0..14) of `step`; the part's name.
    std::string Next(TransferStep step, int sector);
    // "Чтение ОДД (сверка): сектор 3 из 15" for the report last taken.
    [[nodiscard]] std::string Text() const;
    [[nodiscard]] const std::string& Part() const { return m_part; }
    [[nodiscard]] int Sector() const { return m_sector; }
    void Reset() { *this = TransferProgress{}; }

private:
    bool m_started = false;
    TransferStep m_step = TransferStep::Read;
    int m_sector = -1;
    int m_pass = 0;
    std::string m_part;
};

} // namespace vlk

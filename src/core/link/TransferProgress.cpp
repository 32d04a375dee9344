#include "link/TransferProgress.h"

namespace vlk {

std::string TransferProgress::Next(TransferStep step, int sector)
{
    if (!m_started || step != m_step) {
        m_started = true;
        m_step = step;
        m_pass = 0;
    } else if (sector <= m_sector) {
        ++m_pass;
    }
    m_sector = sector;
    switch (step) {
    case TransferStep::Backup: m_part = "Чтение прежней ОДД"; break;
    case TransferStep::Write: m_part = "Запись ОДД"; break;
    case TransferStep::Check: m_part = "Проверка ОДД"; break;
    case TransferStep::Read: m_part = "Чтение ОДД"; break;
    }
    if (step == TransferStep::Backup || step == TransferStep::Read) {
        if (m_pass == 1)
            m_part += " (сверка)";
        else if (m_pass > 1)
            m_part += " (повтор)";
    }
    return m_part;
}

std::string TransferProgress::Text() const
{
    return m_part + ": сектор " + std::to_string(m_sector + 1) + " из 15";
}

} // namespace vlk

#include "ControllerSimulator.h"

namespace vlk {

// The serving state is filled in with the protocol; the API above is what tests build against.
struct ControllerSimulator::Line {};

ControllerSimulator::ControllerSimulator(SimulatorOptions options)
    : m_options(std::move(options)), m_line(std::make_unique<Line>())
{
}

ControllerSimulator::~ControllerSimulator() { Close(); }

std::string ControllerSimulator::OpenPty() { return {}; }
bool ControllerSimulator::OpenDevice(const std::string&) { return false; }
std::string ControllerSimulator::Path() const { std::lock_guard lock(m_mutex); return m_path; }
std::string ControllerSimulator::LastError() const { std::lock_guard lock(m_mutex); return m_error; }
bool ControllerSimulator::Start() { return false; }
void ControllerSimulator::Stop() {}
void ControllerSimulator::Close() {}
bool ControllerSimulator::Running() const { return m_running; }

} // namespace vlk

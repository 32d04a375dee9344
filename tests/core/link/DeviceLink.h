#pragma once

// A device name of the test's own, as a USB adapter's /dev/ttyUSB0 is to the station: a symbolic
// link in a private folder to whichever pty plays the device now. Removed, the device is unplugged;
// pointed at a new pty, it is plugged back in under the same name. A pty's own path is never
// retried by name, since the system hands its number to the next pty opened anywhere.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace vlk::test {

class DeviceLink {
public:
    DeviceLink()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "vlk-line-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            m_folder = pattern;
        m_path = (m_folder / "com1").string();
    }
    ~DeviceLink()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    [[nodiscard]] const std::string& Path() const { return m_path; }
    // Plugs the device in: the name leads to `target`.
    bool Point(const std::string& target)
    {
        Remove();
        return ::symlink(target.c_str(), m_path.c_str()) == 0;
    }
    // Unplugs it: the name leads nowhere.
    void Remove() { ::unlink(m_path.c_str()); }

private:
    std::filesystem::path m_folder;
    std::string m_path;
};

} // namespace vlk::test

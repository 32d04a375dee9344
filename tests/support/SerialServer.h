#pragma once

// A real network serial server (ser2net) in front of a device, as a controller cabinet has one:
// a raw TCP accepter and a Telnet accepter with RFC 2217, each on a free loopback port, written
// into a YAML configuration in a private folder. Started and killed as a process, so a test can
// take the server away in the middle of an exchange and bring it back on the same ports.

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace vlk::test {

class SerialServer {
public:
    SerialServer()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "vlk-ser2net-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            m_folder = pattern;
    }
    ~SerialServer()
    {
        Kill();
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    SerialServer(const SerialServer&) = delete;
    SerialServer& operator=(const SerialServer&) = delete;

    // The server program, or "" when it is not installed.
    static std::string Program()
    {
        for (const char* path : {"/usr/sbin/ser2net", "/usr/bin/ser2net", "/usr/local/sbin/ser2net"})
            if (::access(path, X_OK) == 0)
                return path;
        return {};
    }

    // Serves `devices` (one raw and one RFC 2217 accepter each) and waits until every accepter
    // listens. False with the reason in Why() when it cannot start.
    bool Start(const std::vector<std::string>& devices)
    {
        m_devices = devices;
        if (m_rawPorts.empty()) {
            for (std::size_t i = 0; i < devices.size(); ++i) {
                m_rawPorts.push_back(FreePort());
                m_telnetPorts.push_back(FreePort());
            }
        }
        return Launch();
    }
    bool Start(const std::string& device) { return Start(std::vector<std::string>{device}); }

    // The server killed as a power cut would (no goodbye on the connections)...
    void Kill()
    {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGKILL);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
    }
    // ...and started again on the same ports.
    bool Restart() { return Launch(); }

    [[nodiscard]] std::string RawAddress(std::size_t i = 0) const
    {
        return "tcp://127.0.0.1:" + std::to_string(m_rawPorts.at(i));
    }
    [[nodiscard]] std::string TelnetAddress(std::size_t i = 0) const
    {
        return "rfc2217://127.0.0.1:" + std::to_string(m_telnetPorts.at(i));
    }
    [[nodiscard]] const std::string& Why() const { return m_why; }
    [[nodiscard]] pid_t Pid() const { return m_pid; }

private:
    static int FreePort()
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        (void)::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t size = sizeof address;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
        ::close(fd);
        return ntohs(address.sin_port);
    }

    // True when something listens on 127.0.0.1:port (read from /proc, without connecting: a
    // connection would open the device behind the accepter).
    static bool Listening(int port)
    {
        char local[32];
        std::snprintf(local, sizeof local, "0100007F:%04X", port);
        std::ifstream table("/proc/net/tcp");
        std::string line;
        while (std::getline(table, line)) {
            std::istringstream fields(line);
            std::string slot, localAddress, remote, state;
            fields >> slot >> localAddress >> remote >> state;
            if (localAddress == local && state == "0A")
                return true;
        }
        return false;
    }

    bool Launch()
    {
        Kill();
        const std::string program = Program();
        if (program.empty()) {
            m_why = "ser2net is not installed";
            return false;
        }
        const std::string config = m_folder + "/ser2net.yaml";
        {
            std::ofstream out(config);
            for (std::size_t i = 0; i < m_devices.size(); ++i) {
                // chardelay off: the server passes each byte on as it comes, as the station's
                // 20 ms rule needs (see docs/network-ports.md).
                for (int telnet = 0; telnet < 2; ++telnet) {
                    out << "connection: &line" << i << (telnet ? "t" : "r") << "\n"
                        << "  accepter: " << (telnet ? "telnet(rfc2217),tcp,127.0.0.1," : "tcp,127.0.0.1,")
                        << (telnet ? m_telnetPorts[i] : m_rawPorts[i]) << "\n"
                        << "  connector: serialdev," << m_devices[i] << ",9600o81,local\n"
                        << "  options:\n"
                        << "    chardelay: false\n"
                        << "    kickolduser: true\n";
                }
            }
        }
        const std::string log = m_folder + "/ser2net.log";
        const std::string pidFile = m_folder + "/ser2net.pid";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        std::vector<std::string> args{program, "-n", "-d", "-c", config, "-P", pidFile};
        std::vector<char*> argv;
        for (auto& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        pid_t pid = -1;
        const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            m_why = std::string("ser2net could not be started: ") + std::strerror(spawned);
            return false;
        }
        m_pid = pid;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        for (;;) {
            bool all = true;
            for (std::size_t i = 0; i < m_devices.size() && all; ++i)
                all = Listening(m_rawPorts[i]) && Listening(m_telnetPorts[i]);
            if (all)
                return true;
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                std::ifstream in(log);
                std::stringstream text;
                text << in.rdbuf();
                m_why = "ser2net ended at start: " + text.str();
                return false;
            }
            if (std::chrono::steady_clock::now() > end) {
                m_why = "ser2net did not listen within 5 s";
                Kill();
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    std::string m_folder;
    std::vector<std::string> m_devices;
    std::vector<int> m_rawPorts;
    std::vector<int> m_telnetPorts;
    pid_t m_pid = -1;
    std::string m_why;
};

} // namespace vlk::test

#pragma once

// What this process uses, for bounded resource checks ("under 1 % of a core", "no growth beyond
// 2 MB") over a stretch of time in which the test itself only waits.

#include <chrono>
#include <dirent.h>
#include <fstream>
#include <set>
#include <string>
#include <sys/resource.h>

namespace vlk::test {

// User and system CPU time of every thread of the process so far.
inline std::chrono::microseconds ProcessCpuTime()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto micros = [](const timeval& t) {
        return std::chrono::seconds(t.tv_sec) + std::chrono::microseconds(t.tv_usec);
    };
    return micros(usage.ru_utime) + micros(usage.ru_stime);
}

// The resident set in kB (VmRSS of /proc/self/status); -1 when it cannot be read.
inline long ResidentKb()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kb = -1;
            status >> kb;
            return kb;
        }
        status.ignore(1 << 16, '\n');
    }
    return -1;
}

// The ids of the process's threads now (the names under /proc/self/task).
inline std::set<std::string> ThreadIds()
{
    std::set<std::string> tids;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.')
                tids.insert(entry->d_name);
        closedir(dir);
    }
    return tids;
}

// Nanoseconds a thread of this process has run, from the scheduler's own account; -1 when gone.
inline long long ThreadRunTime(const std::string& tid)
{
    std::ifstream in("/proc/self/task/" + tid + "/schedstat");
    long long ns = -1;
    in >> ns;
    return ns;
}

// CPU and memory over a stretch of wall-clock time: Start, let it run, then read the figures.
class UsageWindow {
public:
    void Start()
    {
        m_wall = std::chrono::steady_clock::now();
        m_cpu = ProcessCpuTime();
        m_rssKb = ResidentKb();
        m_peakKb = m_rssKb;
    }
    // Samples the resident set; call now and then during the stretch to catch a peak.
    void Sample()
    {
        const long now = ResidentKb();
        if (now > m_peakKb)
            m_peakKb = now;
    }
    [[nodiscard]] double WallSeconds() const
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_wall).count();
    }
    [[nodiscard]] double CpuSeconds() const
    {
        return std::chrono::duration<double>(ProcessCpuTime() - m_cpu).count();
    }
    // CPU time over wall time, in per cent of one core.
    [[nodiscard]] double CpuPercent() const
    {
        const double wall = WallSeconds();
        return wall > 0 ? 100.0 * CpuSeconds() / wall : 0.0;
    }
    // Growth of the resident set since Start, at the highest sample or now, in kB.
    [[nodiscard]] long GrowthKb()
    {
        Sample();
        return m_peakKb - m_rssKb;
    }
    [[nodiscard]] long StartKb() const { return m_rssKb; }

private:
    std::chrono::steady_clock::time_point m_wall{};
    std::chrono::microseconds m_cpu{};
    long m_rssKb = 0;
    long m_peakKb = 0;
};

} // namespace vlk::test

#pragma once

// The real vlkctl binary run through the shell in a scratch folder of its own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>

namespace vlk::test {

inline const std::string kVlkctlBinary = VLK_BINARY_DIR "/tools/vlkctl/vlkctl";

inline std::string ReadWholeFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class VlkctlRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "vlkctl-run-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    // Runs "vlkctl <arguments>" in the scratch folder; stdout and stderr are kept in m_out and
    // m_err. Returns the exit code, or -1 if the process did not exit normally.
    int Run(const std::string& arguments, const std::string& stdinFile = "/dev/null")
    {
        const std::string command = "cd '" + m_dir.string() + "' && '" + kVlkctlBinary + "' " + arguments + " <'" +
                                    stdinFile + "' >out.txt 2>err.txt";
        const int status = std::system(command.c_str());
        m_out = ReadWholeFile(m_dir / "out.txt");
        m_err = ReadWholeFile(m_dir / "err.txt");
        std::filesystem::remove(m_dir / "out.txt");
        std::filesystem::remove(m_dir / "err.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::filesystem::path m_dir;
    std::string m_out;
    std::string m_err;
};

} // namespace vlk::test

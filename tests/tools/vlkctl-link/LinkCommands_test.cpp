#include "LinkCommands.h"
#include "core/link/MemoryPeer.h"
#include "config/ConfigurationImage.h"
#include "config/DemoJunction.h"
#include "link/LinkFrames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vlk::ctl {
namespace {

using namespace vlk::test;
namespace fs = std::filesystem;

// A configuration the station itself could have saved: what write sends unchanged.
std::array<std::uint8_t, 1920> StationImage()
{
    return ConfigurationImage::Encode(DemoJunction());
}

std::array<std::uint8_t, 1920> TestImage()
{
    std::array<std::uint8_t, 1920> image{};
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 13 + 7);
    return image;
}

struct TempDir {
    fs::path path = fs::temp_directory_path() / ("vlkctl-link-" + std::to_string(::getpid()) + "-" +
                                                 std::to_string(SteadyClock::now().time_since_epoch().count()));
    // The backups and marks of this test's writes go here, not to the user's state folder.
    TempDir()
    {
        fs::create_directories(path);
        ::setenv("XDG_STATE_HOME", (path / "state").c_str(), 1);
    }
    ~TempDir() { fs::remove_all(path); }
    [[nodiscard]] std::vector<fs::path> Backups() const
    {
        std::vector<fs::path> files;
        if (fs::exists(path / "state/vlk-station/backups"))
            for (const auto& entry : fs::directory_iterator(path / "state/vlk-station/backups"))
                files.push_back(entry.path());
        return files;
    }
};

void WriteFile(const fs::path& file, const Bytes& bytes)
{
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

TEST(VlkctlWrite, OnWriteOff)
{
    TempDir dir;
    const auto image = StationImage();
    WriteFile(dir.path / "a.vlk", Bytes(image.begin(), image.end()));
    ScriptedPeer peer;
    MemoryPeer controller;
    peer.Run([&](ScriptedPeer& p) {
        if (controller.Enter(p))
            controller.Serve(p);
    });
    std::ostringstream out, err;
    EXPECT_EQ(RunWrite((dir.path / "a.vlk").string(), peer.Path(), out, err, true), 0) << err.str();
    peer.Stop();
    EXPECT_EQ(out.str(), "учетная запись\nN1\nЗапись ОДД закончена\n");
    EXPECT_EQ(controller.memory, image);
    EXPECT_EQ(controller.leaves, 1);
    const Bytes received = peer.Received();
    // The toggle, the backup read (two passes over the sectors), the sectors, their check, the toggle.
    ASSERT_EQ(received.size(), 2u + 15 * 2 + 15 * 129 + 15 + 2);
    EXPECT_EQ(Bytes(received.begin(), received.begin() + 4), (Bytes{0xD5, 0x33, 0x50, 0x51}));
    EXPECT_EQ(received[2 + 30], 0xA0); // no sector is written before the backup is read whole
    EXPECT_EQ(Bytes(received.end() - 2, received.end()), (Bytes{0xD5, 0x33}));
    // The memory as it was (all zero here) is kept, named by time, port and fingerprint.
    const auto backups = dir.Backups();
    ASSERT_EQ(backups.size(), 1u);
    const std::string name = backups[0].filename().string();
    EXPECT_NE(name.find("-dev-pts-"), std::string::npos) << name;
    EXPECT_EQ(name.substr(name.size() - 13), "-2AB7342B.vlk") << name;
    EXPECT_EQ(ReadFile(backups[0]), Bytes(1920, 0));
    // A confirmed write leaves no mark of an unfinished one.
    EXPECT_FALSE(fs::exists(dir.path / "state/vlk-station/incomplete") &&
                 !fs::is_empty(dir.path / "state/vlk-station/incomplete"));
}

TEST(VlkctlWrite, ShortFileIsRefusedBeforeTheLine)
{
    TempDir dir;
    WriteFile(dir.path / "short.vlk", Bytes(1919, 1));
    ScriptedPeer peer;
    peer.Run([](ScriptedPeer&) {});
    std::ostringstream out, err;
    EXPECT_EQ(RunWrite((dir.path / "short.vlk").string(), peer.Path(), out, err, true), 2);
    EXPECT_EQ(RunWrite((dir.path / "missing.vlk").string(), peer.Path(), out, err, true), 2);
    peer.Stop();
    EXPECT_TRUE(out.str().empty());
    EXPECT_NE(err.str().find("1919"), std::string::npos);
    EXPECT_TRUE(peer.Received().empty());
}

// A controller in programming mode from the start of the script, for the commands that write it.
void ServeProgramming(ScriptedPeer& peer, MemoryPeer& controller)
{
    peer.Run([&](ScriptedPeer& p) {
        if (controller.Enter(p))
            controller.Serve(p);
    });
}

TEST(VlkctlWrite, JsonGoesThroughTheOneCodec)
{
    ScriptedPeer peer;
    MemoryPeer controller;
    ServeProgramming(peer, controller);
    std::ostringstream out, err;
    EXPECT_EQ(RunWrite(VLK_TEST_DATA_DIR "/vlkctl/junction.json", peer.Path(), out, err, true), 0) << err.str();
    peer.Stop();
    // This small junction switches to a program without durations: the forced write says so and
    // nothing else (no repair, no warning of the reader).
    const std::string file = VLK_TEST_DATA_DIR "/vlkctl/junction.json";
    EXPECT_EQ(err.str(), "vlkctl: " + file + ": Ошибка: ПН 06:00: переключение на программу 2, в которой у всех фаз "
                         "длительность 0 (контроллер перейдёт на жёлтое мигание) [empty-program]\n"
                         "vlkctl: " + file + ": Ошибка: СР 06:00: переключение на программу 2, в которой у всех фаз "
                         "длительность 0 (контроллер перейдёт на жёлтое мигание) [empty-program]\n"
                         "vlkctl: " + file + ": записывается несмотря на ошибки (--force)\n");
    EXPECT_EQ(out.str(), "учетная запись\nN1\nЗапись ОДД закончена\n");
    const auto& m = controller.memory;
    EXPECT_EQ(Bytes(m.begin(), m.begin() + 3), (Bytes{0x05, 0x0A, 0x0C}));        // circular red, phase minimum times
    EXPECT_EQ(m[81], 0x0C);                                                         // a slave, 12 s delay
    EXPECT_EQ(Bytes(m.begin() + 82, m.begin() + 88), (Bytes{0x05, 0x03, 0x03, 0x03, 0x02, 0x02}));
    EXPECT_EQ(Bytes(m.begin() + 366, m.begin() + 382),
              (Bytes{0x01, 0x03, 0x04, 0x05, 0x06, 0x07, 0x02, 0x08, 0x09, 0x0A, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    // "Перекресток" in Windows-1251
    EXPECT_EQ(Bytes(m.begin() + 1760, m.begin() + 1771),
              (Bytes{0xCF, 0xE5, 0xF0, 0xE5, 0xEA, 0xF0, 0xE5, 0xF1, 0xF2, 0xEE, 0xEA}));
    EXPECT_EQ(m[1919], 0x00);
}

TEST(VlkctlWrite, WhatIsNeitherAnImageNorJsonNeverReachesTheLine)
{
    TempDir dir;
    std::string text(2000, 'a');
    WriteFile(dir.path / "notes.txt", Bytes(text.begin(), text.end()));
    WriteFile(dir.path / "long.vlk", Bytes(1921, 0));
    const std::string json = "{\"circularRedTime\": 300}";
    WriteFile(dir.path / "bad.json", Bytes(json.begin(), json.end()));
    // The name decides nothing: binary bytes named .json are judged as an image, by their length.
    WriteFile(dir.path / "short.json", Bytes(1919, 0));
    ScriptedPeer peer;
    peer.Run([](ScriptedPeer&) {});
    for (const char* name : {"notes.txt", "long.vlk", "bad.json", "short.json", "."}) {
        std::ostringstream out, err;
        EXPECT_EQ(RunWrite((dir.path / name).string(), peer.Path(), out, err, true), 2) << name;
        EXPECT_TRUE(out.str().empty()) << name;
        const std::string said = err.str();
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << name << ": " << said;
    }
    peer.Stop();
    EXPECT_TRUE(peer.Received().empty());
}

TEST(VlkctlWrite, AnImageIsReadAsTheStationOpensIt)
{
    // A fresh start with a schedule pair for slot 50 on Monday: the station's reader skips it, and
    // so does the image sent, with the repair shown as a warning.
    TempDir dir;
    Bytes image(1920, 0);
    image[81] = 0x80;
    std::fill(image.begin() + 226, image.begin() + 366, 0xFF);
    for (int i = 0; i < 10; ++i)
        image[366 + i] = static_cast<std::uint8_t>(i + 1);
    std::fill(image.begin() + 376, image.begin() + 382, 0xFF);
    Bytes repaired = image;
    image[226] = 0x02;
    image[227] = 50;
    WriteFile(dir.path / "odd.vlk", image);
    ScriptedPeer peer;
    MemoryPeer controller;
    ServeProgramming(peer, controller);
    std::ostringstream out, err;
    EXPECT_EQ(RunWrite((dir.path / "odd.vlk").string(), peer.Path(), out, err, true), 0) << err.str();
    peer.Stop();
    EXPECT_NE(err.str().find("предупреждение"), std::string::npos) << err.str();
    EXPECT_EQ(Bytes(controller.memory.begin(), controller.memory.end()), repaired);
}

TEST(VlkctlWrite, AnUnconfirmedWriteIsTriedOnceMoreBeforeLeaving)
{
    TempDir dir;
    const auto image = StationImage();
    WriteFile(dir.path / "a.vlk", Bytes(image.begin(), image.end()));
    ScriptedPeer peer;
    MemoryPeer controller;
    // Sector 3 reads back garbled for the backup read and the whole first check, clean after that.
    controller.readReply = [](int k, int request, const Bytes& sector) {
        Bytes bytes = sector;
        if (k == 3 && request < 6)
            bytes[10] ^= 0x01;
        return std::vector<std::pair<std::chrono::milliseconds, Bytes>>{{0ms, bytes}};
    };
    ServeProgramming(peer, controller);
    std::ostringstream out, err;
    EXPECT_EQ(RunWrite((dir.path / "a.vlk").string(), peer.Path(), out, err, true), 0) << err.str();
    peer.Stop();
    EXPECT_EQ(out.str(), "учетная запись\nN1\n"
                         "Запись ОДД не подтверждена: сектор 4 из 15 прочитан не таким, каким записан\n"
                         "Память ОДД не записана, повторите!\n"
                         "Контроллер остался в режиме программирования и не запустится с не полностью записанной "
                         "памятью: запишите ОДД еще раз или верните прежнюю конфигурацию\n"
                         "Повторная запись ОДД\n"
                         "Запись ОДД закончена\n");
    EXPECT_EQ(controller.writes[0], 2);
    EXPECT_EQ(controller.leaves, 1);
}

TEST(VlkctlWrite, ControllerNeverReadyFails)
{
    TempDir dir;
    WriteFile(dir.path / "a.vlk", Bytes(1920, 0));
    ScriptedPeer peer;
    peer.Run([](ScriptedPeer& p) {
        std::this_thread::sleep_for(300ms);
        p.Send(StateFrameBytes(0x00));
        for (int i = 0; i < 10 && p.Expect(1) == Bytes{0x2A}; ++i)
            p.Send(StateFrameBytes(0x00));
    });
    std::ostringstream out, err;
    EXPECT_EQ(RunWrite((dir.path / "a.vlk").string(), peer.Path(), out, err, true), 1);
    peer.Stop();
    EXPECT_EQ(out.str(), "Контроллер не готов к программированию\n");
}

TEST(VlkctlRead, WritesTheFileOnlyWhenEverySectorArrived)
{
    TempDir dir;
    {
        ScriptedPeer peer;
        MemoryPeer controller;
        controller.memory = TestImage();
        peer.Run([&](ScriptedPeer& p) {
            if (controller.Enter(p, {}))
                controller.Serve(p);
        });
        std::ostringstream out, err;
        EXPECT_EQ(RunRead((dir.path / "b.vlk").string(), peer.Path(), out, err), 0) << err.str();
        peer.Stop();
        EXPECT_TRUE(out.str().empty()); // an empty record and a good read show nothing
        const auto image = TestImage();
        EXPECT_EQ(ReadFile(dir.path / "b.vlk"), Bytes(image.begin(), image.end()));
        EXPECT_EQ(controller.leaves, 1);
    }
    {
        // "-": the image on standard output, the messages apart from it.
        ScriptedPeer peer;
        MemoryPeer controller;
        controller.memory = TestImage();
        peer.Run([&](ScriptedPeer& p) {
            if (controller.Enter(p))
                controller.Serve(p);
        });
        std::ostringstream out, err;
        EXPECT_EQ(RunRead("-", peer.Path(), out, err), 0) << err.str();
        peer.Stop();
        const auto image = TestImage();
        EXPECT_EQ(out.str(), std::string(image.begin(), image.end()));
        EXPECT_EQ(err.str(), "учетная запись\nN1\n");
        EXPECT_FALSE(fs::exists("-"));
    }
    {
        ScriptedPeer peer;
        MemoryPeer controller;
        controller.readReply = [](int k, int, const Bytes& sector) {
            std::vector<std::pair<std::chrono::milliseconds, Bytes>> pieces;
            if (k == 5)
                for (int i = 0; i < 4; ++i)
                    pieces.push_back({i ? 60ms : 0ms, Bytes(sector.begin(), sector.begin() + 64)});
            else
                pieces.push_back({0ms, sector});
            return pieces;
        };
        peer.Run([&](ScriptedPeer& p) {
            if (controller.Enter(p, {}))
                controller.Serve(p);
        });
        std::ostringstream out, err;
        EXPECT_EQ(RunRead((dir.path / "c.vlk").string(), peer.Path(), out, err), 1);
        peer.Stop();
        EXPECT_EQ(out.str(), "Кадр не прочитан!\nОтказ при чтении ОДД\n");
        EXPECT_FALSE(fs::exists(dir.path / "c.vlk"));
        // b.vlk, and the state folder with the journal; no file half-made.
        std::vector<std::string> left;
        for (const auto& entry : fs::directory_iterator(dir.path))
            left.push_back(entry.path().filename().string());
        std::sort(left.begin(), left.end());
        EXPECT_EQ(left, (std::vector<std::string>{"b.vlk", "state"}));
    }
}

TEST(VlkctlMonitor, ShowsReadyFramesAndAnswersLikeTheWorker)
{
    ScriptedPeer peer;
    peer.Run([](ScriptedPeer& p) {
        std::this_thread::sleep_for(300ms);
        // "ПС" and "РУ"; phases 3 / 5; priority 7; Wednesday, program 2; 14:05; red 1; green 17
        p.Send(StateFrameBytes(0x28, {0x53, 0x07, 0x22, 0x14, 0x05, 0, 0, 0, 0x01, 0, 0, 0, 0, 0, 0, 0, 0x01}));
        if (p.Expect(1) != Bytes{0x00})
            return;
        p.Send(StateFrameBytes(0x00));
        if (p.Expect(1) != Bytes{0x2A})
            return;
        p.Send(StateFrameBytes(0x20));
    });
    std::ostringstream out, err;
    EXPECT_EQ(RunMonitor(peer.Path(), 3, out, err), 0);
    std::this_thread::sleep_for(50ms);
    peer.Stop();
    EXPECT_EQ(peer.Received(), (Bytes{0x00, 0x2A, 0x00}));
    std::istringstream lines(out.str());
    std::string first, second, third;
    std::getline(lines, first);
    std::getline(lines, second);
    std::getline(lines, third);
    EXPECT_EQ(first, "флаги=РУ,ПС фаза=3 вызвана=5 приоритет=7 день=Среда время=14:05 программа=2 красный=1 "
                     "желтый=- зеленый=17 авария=- Л1=- Л2=- датчики_зеленого=-");
    EXPECT_EQ(second, "кадр без ПС, ответ *");
    EXPECT_EQ(third.rfind("флаги=ПС фаза=0", 0), 0u);
}

TEST(VlkctlClock, AnswersTheNextReadyFrameWithTheClock)
{
    ScriptedPeer peer;
    peer.Run([](ScriptedPeer& p) {
        std::this_thread::sleep_for(300ms);
        p.Send(StateFrameBytes(0x00));
        if (p.Expect(1) != Bytes{0x2A})
            return;
        p.Send(StateFrameBytes(0x20));
        (void)p.Expect(6);
    });
    std::ostringstream out, err;
    EXPECT_EQ(RunClock(peer.Path(), std::string("14:05"), 2, out, err), 0) << err.str();
    peer.WaitScript();
    peer.Stop();
    EXPECT_EQ(peer.Received(), (Bytes{0x2A, 0x85, 0x90, 0xA4, 0xB1, 0xC2, 0xF0}));
    EXPECT_TRUE(out.str().empty());

    std::ostringstream out2, err2;
    EXPECT_EQ(RunClock(peer.Path(), std::string("7"), std::nullopt, out2, err2), 2);
    EXPECT_EQ(RunClock(peer.Path(), std::nullopt, 7, out2, err2), 2);
    // Signs and blanks are typing errors, not times (sscanf took them before).
    for (const char* time : {" 9:05", "+9:+5", "-0:5", "9:5", "09:05x"}) {
        std::ostringstream out3, err3;
        EXPECT_EQ(RunClock(peer.Path(), std::string(time), std::nullopt, out3, err3), 2) << time;
        EXPECT_NE(err3.str().find("--time"), std::string::npos) << err3.str();
    }
}

TEST(VlkctlRead, ADestinationThatCannotTakeTheFileIsRefusedBeforeTheLine)
{
    // Before, the five-second transfer ran first and the file failed after it; "-o ''" wrote to
    // standard output.
    TempDir dir;
    ScriptedPeer peer;
    peer.Run([](ScriptedPeer&) {});
    const auto start = SteadyClock::now();
    for (const std::string& file : {(dir.path / "no-such-folder" / "a.vlk").string(), std::string()}) {
        std::ostringstream out, err;
        EXPECT_EQ(RunRead(file, peer.Path(), out, err), 2) << file;
        EXPECT_TRUE(out.str().empty()) << out.str();
        EXPECT_EQ(err.str().rfind("vlkctl: ", 0), 0u) << err.str();
    }
    EXPECT_LT(SteadyClock::now() - start, 1s) << "the line was waited on";
    peer.Stop();
    EXPECT_TRUE(peer.Received().empty());
}

TEST(VlkctlLink, PortThatCannotOpen)
{
    std::ostringstream out, err;
    // An error before the procedure began, as a missing file is: code 2.
    EXPECT_EQ(RunMonitor("/nonexistent/tty", 1, out, err), 2);
    EXPECT_EQ(out.str(), "Порт не открыт\n/nonexistent/tty: нет такого устройства\n");
}

TEST(VlkctlLink, PortNamesAsTheStationHasThem)
{
    EXPECT_EQ(PortName("COM1"), "COM1:");
    EXPECT_EQ(PortName("com2"), "COM2:");
    EXPECT_EQ(PortName("COM2:"), "COM2:");
    EXPECT_EQ(PortName("/dev/ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(PortName("COM3"), "COM3");
}

} // namespace
} // namespace vlk::ctl

#pragma once

// The VLK2.2 controller as the station sees it on the serial line, for engineers without hardware
// and as the far end of every link test.
//
// Typical test use:
//
//     vlk::SimulatorOptions options;
//     options.period = std::chrono::milliseconds(50);
//     options.pace = false;
//     vlk::ControllerSimulator sim(options);
//     const std::string path = sim.OpenPty();       // empty on failure, see LastError()
//     setenv("VLK_COM1", path.c_str(), 1);
//     ASSERT_TRUE(sim.Start());
//     ... run the station's procedure against "COM1:" ...
//     EXPECT_TRUE(sim.WaitUntil([&] { return sim.SectorsWritten().size() == 15; }, 5s));
//     sim.Stop();                                   // prompt; joins the thread
//
// Normal mode: a 26-byte state frame every period from a running junction, then it listens for the
// station's answer until the next frame: a console command byte (0x00, 0x40..0x48, 0x50, 0x60),
// "*", the six-byte clock message, or the programming toggle 0xD5 0x33 (answered 0xFF and the account
// record with its zero byte; programming mode follows). Programming mode: 0xA0+k and 128 bytes writes
// sector k (answer 0xA0+k), 0x50+k reads it (128 bytes), 0xD5 0x33 leaves (answer: one state frame of
// the junction restarted from the new memory; frames resume one period later).

#include "config/ConfigurationImage.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace vlk {

class Junction;

// Line time of one byte at 9600 baud with 11 bits a byte (8O1 or 8N2).
inline constexpr std::chrono::nanoseconds kByteLineTime{1'145'833};
// The pause between the bursts of a broken-off sector read: longer than the station's 20 ms gap.
inline constexpr std::chrono::milliseconds kShortBurstPause{100};

// A fault that applies to one sector a limited number of times (or always).
struct SectorFault {
    int sector = 0;     // 0..14
    int times = -1;     // how many commands of that sector it affects; -1: every one
};

struct SimulatorOptions {
    // Normal mode: time from one state frame to the next.
    std::chrono::milliseconds period{1000};
    // 9600-baud pacing: each byte sent or received takes kByteLineTime; a message is acted on only
    // once its last byte would have arrived. Off in tests where timing is not the point.
    bool pace = true;
    // The account record sent after 0xFF on entry, as Windows-1251 bytes without the terminator.
    // Unset: the record stored in the memory (offset 1760 up to its zero byte).
    std::optional<std::string> account;
    // The 1920-byte memory. Unset: the built-in demo junction, encoded.
    std::optional<ImageBytes> memory;
    // The junction's clock at start: day 0 Monday .. 6 Sunday, hours, minutes.
    // Unset: the computer's local time.
    struct Clock {
        int day = 0;
        int hours = 0;
        int minutes = 0;
        int seconds = 0;
    };
    std::optional<Clock> clock;
    // The junction's time runs this many times faster than real time (tests: phases in a blink).
    int timeScale = 1;
    // A time-stamped hex trace of both directions, one line per message, to this stream (stderr
    // in the program); null: no trace.
    std::ostream* log = nullptr;
    // Each observer list keeps at most this many entries (the oldest half goes when it is full), so
    // that a simulator left running for days stays small.
    std::size_t recordLimit = 1'000'000;

    // ---- faults (any combination) ----
    // No controller on the line: sends nothing and acts on nothing; still records what arrives.
    bool silent = false;
    // The first N state frames have status bit 5 ("ПС") clear.
    int psClearFrames = 0;
    // The first N state frames are cut to shortFrameLength bytes.
    int shortFrames = 0;
    int shortFrameLength = 10;
    // Sector writes answered 0xF0+k (refused) / not answered at all / answered 0x00; the memory
    // stays unchanged. `times` counts write commands of that sector.
    std::vector<SectorFault> refuseSector;
    std::vector<SectorFault> ignoreSector;
    std::vector<SectorFault> zeroSector;
    // Every read of the sector is answered in broken-off bursts of shortSectorReadLength bytes,
    // kShortBurstPause apart. Here `times` counts bursts, not commands: that many short bursts and
    // then, after the same pause, the whole sector (a station that reads again without a new command
    // gets it); -1: one short burst and nothing more.
    std::vector<SectorFault> shortSectorRead;
    int shortSectorReadLength = 64;
    // Entry toggles answered with `byte` instead of 0xFF, `times` times (-1: always). A non-zero byte
    // stands for a garbled 0xFF: the controller does switch and sends its account record. A zero byte
    // stands for a refusal: the controller stays in normal mode.
    struct ToggleReply {
        std::uint8_t byte = 0;
        int times = -1;
    };
    std::optional<ToggleReply> toggleReply;
    // Every exit toggle answered with only this many bytes of the state frame; the controller stays
    // in programming mode.
    std::optional<int> exitShort;
    // Each byte sent has one random bit flipped with this probability in thousandths (0..1000).
    int noisePerMille = 0;
    std::uint32_t noiseSeed = 1;
    // After this long from Start the controller drops the line: it closes its side of the pty (the
    // station's reads see the device gone) or the device, and the thread ends. Once per
    // simulator: a line opened again afterwards (OpenPty, Start: the cable plugged back in, the
    // controller's state kept) stays up.
    std::optional<std::chrono::milliseconds> hangupAfter;
};

class ControllerSimulator {
public:
    using Clock = std::chrono::steady_clock;

    enum class Mode { Normal, Programming };

    struct ByteEvent {
        Clock::time_point time;  // when read from (received) or written to (sent) the line
        std::uint8_t byte;
    };
    // A console command byte or "*" received in normal mode, after the frame with this number
    // (1 = the first frame since construction or ClearRecords; 0 = before any frame).
    struct CommandEvent {
        Clock::time_point time;
        std::uint8_t byte;
        std::uint64_t afterFrame;
    };
    struct ClockEvent {
        Clock::time_point time;
        std::array<std::uint8_t, 6> bytes{};
        bool valid = false;      // every tag right and the time a real one; only then applied
        int day = 0;
        int hours = 0;
        int minutes = 0;
    };
    enum class SectorOutcome { Accepted, Refused, Ignored, AnsweredZero };
    struct SectorWriteEvent {
        Clock::time_point time;
        int sector = 0;
        SectorOutcome outcome = SectorOutcome::Accepted;
        std::array<std::uint8_t, kSectorSize> data{};
    };
    struct SectorReadEvent {
        Clock::time_point time;
        int sector = 0;
        int shortBursts = 0;     // broken-off bursts before the whole sector
        bool whole = true;       // the whole sector was sent (last)
    };
    struct FrameEvent {
        Clock::time_point time;  // when its first byte went out
        std::vector<std::uint8_t> bytes;  // as built, before any noise (26, or fewer when cut short)
        bool exitReply = false;  // the answer to the programming-mode exit
    };

    explicit ControllerSimulator(SimulatorOptions options = {});
    ~ControllerSimulator();  // stops and closes
    ControllerSimulator(const ControllerSimulator&) = delete;
    ControllerSimulator& operator=(const ControllerSimulator&) = delete;

    // Opens a new pseudo-terminal, sets its slave side raw, and keeps one slave descriptor open so
    // the master never reads EIO while the station has the device closed. Returns the slave's
    // path, or "" on failure.
    [[nodiscard]] std::string OpenPty();
    // Serves a real serial device instead: 9600 baud, 8 data bits, odd parity, one stop bit.
    [[nodiscard]] bool OpenDevice(const std::string& path);
    // The slave path (pty) or the device path; "" while closed.
    [[nodiscard]] std::string Path() const;
    // Makes `link` a symbolic link to the open pty (replacing a link already there). It goes
    // before the pty closes (hang-up, Close), so the name never leads to a pty number that the
    // system hands out again; after OpenPty a new call points it at the new pty.
    [[nodiscard]] bool LinkAt(const std::string& link);
    [[nodiscard]] std::string LastError() const;

    // Starts serving on a thread; false if not open or already running. Stop is prompt (a few
    // milliseconds, even in the middle of a paced reply) and joins the thread; the line stays
    // open, so Start may be called again. Close (or the destructor) releases it.
    [[nodiscard]] bool Start();
    void Stop();
    void Close();
    [[nodiscard]] bool Running() const;

    // Observers; all thread-safe, each returns a copy. An event is recorded before the bytes that
    // answer it go out, and each sent byte just before it is written: whoever has read a reply finds
    // its event (and the byte) already recorded.
    [[nodiscard]] std::vector<ByteEvent> Received() const;
    [[nodiscard]] std::vector<ByteEvent> Sent() const;
    [[nodiscard]] std::vector<CommandEvent> Commands() const;
    [[nodiscard]] std::vector<ClockEvent> ClockMessages() const;
    [[nodiscard]] std::vector<SectorWriteEvent> SectorsWritten() const;
    [[nodiscard]] std::vector<SectorReadEvent> SectorsRead() const;
    [[nodiscard]] std::vector<FrameEvent> Frames() const;
    [[nodiscard]] std::uint64_t FramesSent() const;       // state frames, the exit replies included
    [[nodiscard]] int EntryToggles() const;               // 0xD5 0x33 received in normal mode
    [[nodiscard]] int ExitToggles() const;                // 0xD5 0x33 received in programming mode
    [[nodiscard]] int Restarts() const;                   // junction restarts after leaving programming mode
    [[nodiscard]] Mode CurrentMode() const;
    [[nodiscard]] ImageBytes Memory() const;
    [[nodiscard]] bool HungUp() const;
    // Forgets every recorded event (counters included); the junction and the mode stay.
    void ClearRecords();

    // Waits until condition() is true, re-checking after every event of the simulator (and at least
    // every 10 ms); false on time-out. The condition is called without any lock held, so it may
    // call the observers.
    [[nodiscard]] bool WaitUntil(const std::function<bool()>& condition,
                                 std::chrono::milliseconds timeout) const;

private:
    struct Line;
    void Run();
    void Serve();
    void Feed(std::uint8_t byte, Clock::time_point arrival);
    void Act(std::uint8_t byte, Clock::time_point arrival);
    void SendStateFrame(bool exitReply, std::size_t length);
    void Send(const std::vector<std::uint8_t>& bytes, const char* what);
    void SleepUntil(Clock::time_point deadline);
    void AdvanceJunction();
    void RestartJunction(const SimulatorOptions::Clock& clock);
    void OnEntryToggle();
    void OnExitToggle();
    void OnSectorWrite();
    void OnSectorRead(int sector);
    void OnClockMessage();
    void HangUp();
    void RemoveLink();
    void LogLine(const char* direction, const std::uint8_t* bytes, std::size_t count, const char* what);
    template <class T> void Record(std::vector<T>& list, T event);
    void Notify();

    SimulatorOptions m_options;
    std::unique_ptr<Line> m_line;       // descriptors and the serving state, used by the thread
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_running{false};

    mutable std::mutex m_mutex;         // guards everything below
    mutable std::condition_variable m_changed;
    std::string m_path;
    std::string m_error;
    std::vector<ByteEvent> m_received;
    std::vector<ByteEvent> m_sent;
    std::vector<CommandEvent> m_commands;
    std::vector<ClockEvent> m_clocks;
    std::vector<SectorWriteEvent> m_sectorWrites;
    std::vector<SectorReadEvent> m_sectorReads;
    std::vector<FrameEvent> m_frames;
    std::uint64_t m_framesSent = 0;
    int m_entryToggles = 0;
    int m_exitToggles = 0;
    int m_restarts = 0;
    Mode m_mode = Mode::Normal;
    ImageBytes m_memory{};
    bool m_hungUp = false;
    int m_hangUps = 0;
    std::string m_link;
};

} // namespace vlk

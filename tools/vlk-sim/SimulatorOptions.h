#pragma once

// What a simulated controller is told at construction: its pace, memory and clock, and the faults
// it plays.

#include "config/ConfigurationImage.h"

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace vlk {

// Line time of one byte at 9600 baud with 11 bits a byte (8O1 or 8N2).
inline constexpr std::chrono::nanoseconds kByteLineTime{1'145'833};
// The pause between the bursts of a broken-off sector read: longer than the station's 20 ms gap.
inline constexpr std::chrono::milliseconds kShortBurstPause{100};

// A fault that applies to one sector a limited number of times (or always).
struct SectorFault {
    int sector = 0;     // 0..14
    int times = -1;     // how many commands of that sector it affects; -1: every one
};

// A fault of the running junction, played from `from` after Start for `lasting` (the
// station's events must catch each of them).
struct JunctionFault {
    enum class Kind {
        LampOut,          // the lamp is dark while the controller drives it: its sensor reads off
        LampStuck,        // the lamp stays lit whatever the controller drives: its sensor reads on
        SensorOn,         // a sensor reads on whatever its lamp does
        DirectionFailure, // the direction's failure flag is set
        Alarm,            // status flag "АВАРИЯ"
        ClockOff,         // the controller's clock is `minutes` off (a clock that drifted)
    };
    // Which sensor of a lamp: the red group's "Л1" or "Л2", or the green one.
    enum class Sensor { Red1, Red2, Green };
    Kind kind = Kind::Alarm;
    int direction = 0;   // 1..24: LampOut, LampStuck, DirectionFailure
    Sensor sensor = Sensor::Red1;
    int channel = 0;     // 1..16 red, 1..24 green: SensorOn
    int minutes = 0;     // ClockOff, ahead when positive
    std::chrono::milliseconds from{0};
    std::chrono::milliseconds lasting{0};
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
    // This long after Start the controller falls silent with its line kept (the pty stays open): a
    // cable pulled at the controller's end, or a controller switched off while the USB adapter
    // stays. It sends nothing and acts on nothing, for `silentFor` (unset: for good), then it is
    // heard again in the mode it was in.
    std::optional<std::chrono::milliseconds> silentAfter;
    std::optional<std::chrono::milliseconds> silentFor;
    // The controller restarts by itself (a power cut) this long after Start, or right after it
    // has accepted the write of this sector: back in normal mode on the memory it holds then,
    // whatever it was doing, sending frames again a period later. Once each.
    std::optional<std::chrono::milliseconds> restartAfter;
    std::optional<int> restartAfterSector;
    // Faults of the junction itself, shown in its state frames.
    std::vector<JunctionFault> junctionFaults;
};

} // namespace vlk

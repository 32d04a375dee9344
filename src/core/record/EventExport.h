#pragma once

// The events of a junction as text for people and for other programs: one line each, CSV for a
// spreadsheet, JSON for scripts. The station's export and vlkctl share them.

#include "record/JunctionEvents.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vlk {

// Local time with milliseconds and the zone's offset: "2026-12-08T17:05:09.123+03:00".
[[nodiscard]] std::string EventTimeIso(std::int64_t unixMilliseconds);
// Local time as people read it: "2026-12-08 17:05:09".
[[nodiscard]] std::string EventTimeText(std::int64_t unixMilliseconds);
// "начало" for an alarm becoming active, "конец" for one cleared, "" for a notice.
[[nodiscard]] const char* EventStateText(const JunctionEvent& event);

// "2026-12-08 17:05:09  1  начало  Направление 3: авария", a line each.
[[nodiscard]] std::string EventsText(const std::vector<JunctionEvent>& events);
// A header line "time,kind,priority,direction,channel,active,message", then a line each; texts
// quoted where they need it, UTF-8, lines ended with CR LF.
[[nodiscard]] std::string EventsCsv(const std::vector<JunctionEvent>& events);
// A list of objects with time, kind, priority, direction and channel where there is one,
// active and message.
[[nodiscard]] std::string EventsJson(const std::vector<JunctionEvent>& events);

} // namespace vlk

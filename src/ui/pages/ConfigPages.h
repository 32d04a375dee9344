#pragma once

#include "config/Configuration.h"
#include "config/ConfigurationImage.h"
#include "pages/PageSet.h"

#include <cstdint>
#include <span>

namespace vlk {

class Messages;

// Where a configuration being shown comes from. The two readers differ in one point only: the
// file shows a zero of the two ZAD tables as an empty cell, the controller memory as "0".
// (PhaseMinTimeTable shows zeros as empty cells either way.)
enum class LoadFlavour { File, Memory };

// The one place that knows both the pages and Configuration: it reads the configuration out of
// the pages' grids and fields and puts one back into them, with the station's reading and
// writing rules. The pages stay the only holder of the configuration; this class keeps nothing.
//
// Typical use by the main frame:
//   ConfigPages pages(tabs.Pages());
//   ImageBytes bytes = pages.BuildImage();              // save / write the controller memory
//   pages.ApplyImage(bytesRead, LoadFlavour::File, box); // open / read the controller memory
class ConfigPages {
public:
    explicit ConfigPages(const PageSet& pages);

    // The configuration as a save would store it: cell texts read as "%d" (empty is 0, the low
    // 8 bits kept), check masks, the sync byte from the master check, the week from the day
    // charts, priorities by row with "РП" always 10, the last checked "ТВП" row of each program,
    // the account record in Windows-1251.
    [[nodiscard]] Configuration Read() const;

    // Shows `configuration` in the pages as a load does. The field checks of the directions page
    // run on the loaded texts (their messages go to the page's Messages), every day chart is
    // repainted. The configuration should be one Validate accepts.
    void Write(const Configuration& configuration, LoadFlavour flavour);
    // Only the phase durations of one program (1..9), as a file shows them; the rest stays as it is.
    void WriteDurations(int program, const std::array<std::uint8_t, kPhaseCount>& durations);

    // Decodes a 1920-byte image (from a file or the controller memory), shows every problem the
    // decoder reports in ONE message before anything is applied, then applies the result.
    // Returns false, changing nothing, when the image is refused (its reason is shown).
    bool ApplyImage(std::span<const std::uint8_t> bytes, LoadFlavour flavour, Messages& messages);

    // The 1920-byte image of what the pages hold now (file save and memory write alike).
    [[nodiscard]] ImageBytes BuildImage() const;

private:
    PageSet m_pages;
};

} // namespace vlk

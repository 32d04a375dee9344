// libFuzzer target for the JSON reader of vlkctl: any text is refused or taken without a fault,
// and whatever configuration it gives comes back unchanged through export.
#include "config/ConfigurationJson.h"
#include "config/ConfigurationImage.h"

#include <cstdlib>
#include <string_view>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vlk;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const JsonImport first = ConfigurationJson::FromText(text);
    Require(first.configuration.has_value() != !first.error.empty());
    if (!first.configuration)
        return 0;
    const Configuration& c = *first.configuration;
    // What it takes fits the image; only a slave's delay of 129..255, which a damaged image holds
    // and export writes, is named, and comes with its warning.
    const bool oddDelay = !c.masterController && c.syncDelay > kMasterMark;
    Require(ConfigurationImage::Validate(c).size() == (oddDelay ? 1u : 0u));
    Require(first.warnings.size() == (oddDelay ? 1u : 0u));

    const JsonExport exported = ConfigurationJson::ToJson(c);
    Require(exported.json.has_value());
    const JsonImport second = ConfigurationJson::FromText(ConfigurationJson::Dump(*exported.json));
    Require(second.configuration.has_value());
    Require(*second.configuration == c);
    Require(ConfigurationImage::Encode(*second.configuration) == ConfigurationImage::Encode(c));
    return 0;
}

// libFuzzer target for the image reader: any bytes must decode without a fault, and whatever
// configuration comes out must survive encoding and decoding again unchanged.
#include "config/ConfigurationImage.h"
#include "util/Cp1251.h"

#include <cstdlib>
#include <span>

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
    const DecodeResult first = ConfigurationImage::Decode(std::span(data, size));
    if (size < kImageSize) {
        Require(!first.configuration.has_value() && first.problems.size() == 1);
        return 0;
    }
    Require(first.configuration.has_value());
    const Configuration& c = *first.configuration;

    // A decoded configuration always fits the image; only an odd delay the reader keeps is named.
    const auto invalid = ConfigurationImage::Validate(c);
    const bool oddDelay = !c.masterController && c.syncDelay > kMasterMark;
    Require(invalid.size() == (oddDelay ? 1u : 0u));

    const ImageBytes image = ConfigurationImage::Encode(c);
    const DecodeResult second = ConfigurationImage::Decode(image);
    Require(second.configuration.has_value());
    Require(*second.configuration == c);
    Require(second.problems.size() == (oddDelay ? 1u : 0u));
    Require(ConfigurationImage::Encode(*second.configuration) == image);

    // Whatever bytes the account record holds, they come back from UTF-8 unchanged.
    const TextConversion utf8 = Cp1251::ToUtf8(c.accountRecord);
    Require(utf8.text.has_value());
    const TextConversion back = Cp1251::FromUtf8(*utf8.text);
    Require(back.text.has_value() && *back.text == c.accountRecord);
    return 0;
}

#include "config/ConfigurationJson.h"

#include "config/ConfigurationFields.h"
#include "config/JsonReader.h"
#include "util/PrintableText.h"

#include "config/ConfigurationImage.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace vlk {

namespace {

using ojson = nlohmann::ordered_json;
using json = nlohmann::json;

constexpr const char* kFormat = "vlk2.2-configuration";

// The fields a document may hold: the two of its header, then those of the configuration.
const std::vector<std::string_view>& KnownFields()
{
    static const std::vector<std::string_view> known = [] {
        std::vector<std::string_view> keys{"format", "version"};
        for (const FieldDescription& field : ConfigurationFields())
            keys.emplace_back(field.key);
        return keys;
    }();
    return known;
}

bool Read(JsonReader& r, const json& j, Configuration& c)
{
    if (!r.Object(j, "", std::span<const std::string_view>(KnownFields())))
        return false;
    if (j.contains("format") && j["format"] != kFormat)
        return r.Fail("format", std::string("ожидается \"") + kFormat + "\"");
    if (j.contains("version")) {
        int version = 0;
        if (!r.Int(j["version"], "version", 1, 1, version))
            return false;
    }
    for (const FieldDescription& field : ConfigurationFields()) {
        if (j.contains(field.key) && !field.read(r, j[field.key], c))
            return false;
    }
    return true;
}

// Appends the one-line form of j; stops early once `out` is longer than `limit`.
void Inline(const ojson& j, std::string& out, std::size_t limit)
{
    if (out.size() > limit)
        return;
    if (j.is_array()) {
        out += '[';
        for (std::size_t i = 0; i < j.size() && out.size() <= limit; ++i) {
            if (i)
                out += ", ";
            Inline(j[i], out, limit);
        }
        out += ']';
    } else if (j.is_object()) {
        out += '{';
        bool first = true;
        for (const auto& item : j.items()) {
            if (out.size() > limit)
                break;
            if (!first)
                out += ", ";
            out += ojson(item.key()).dump() + ": ";
            Inline(item.value(), out, limit);
            first = false;
        }
        out += '}';
    } else if (j.is_number_unsigned()) {
        out += std::to_string(j.get<std::uint64_t>());
    } else if (j.is_number_integer()) {
        out += std::to_string(j.get<std::int64_t>());
    } else {
        out += j.dump();
    }
}

void Pretty(const ojson& j, int indent, std::string& out)
{
    constexpr std::size_t kLine = 120;
    const std::size_t room = kLine > static_cast<std::size_t>(indent) ? kLine - static_cast<std::size_t>(indent) : 0;
    const bool flat = j.is_array() && std::none_of(j.begin(), j.end(), [](const ojson& e) { return e.is_structured(); });
    std::string text;
    Inline(j, text, flat ? std::string::npos : room);
    if (!j.is_structured() || j.empty() || flat || text.size() <= room) {
        out += text;
        return;
    }
    const std::string inner(static_cast<std::size_t>(indent + 2), ' ');
    out += j.is_array() ? "[\n" : "{\n";
    bool first = true;
    for (const auto& item : j.items()) {
        out += (first ? "" : ",\n") + inner;
        if (j.is_object())
            out += ojson(item.key()).dump() + ": ";
        Pretty(item.value(), indent + 2, out);
        first = false;
    }
    out += "\n" + std::string(static_cast<std::size_t>(indent), ' ') + (j.is_array() ? "]" : "}");
}

} // namespace

std::string ConfigurationJson::Dump(const nlohmann::ordered_json& json)
{
    std::string out;
    Pretty(json, 0, out);
    return out + "\n";
}

std::string ConfigurationJson::SlotTime(int slot)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", slot / 2 % 100, slot % 2 * 30);
    return text;
}

JsonExport ConfigurationJson::ToJson(const Configuration& c)
{
    ojson j;
    j["format"] = kFormat;
    j["version"] = 1;
    for (const FieldDescription& field : ConfigurationFields()) {
        std::string error;
        ojson value = field.write(c, error);
        if (!error.empty())
            return {std::nullopt, std::string(field.key) + ": " + error};
        j[field.key] = std::move(value);
    }
    return {std::move(j), {}};
}

JsonImport ConfigurationJson::FromJson(const nlohmann::json& j)
{
    JsonReader reader;
    Configuration c = Configuration::FreshStart();
    if (!Read(reader, j, c))
        return {std::nullopt, reader.Error().rfind(": ", 0) == 0 ? reader.Error().substr(2) : reader.Error()};
    // A slave's delay of 129..255 is what a damaged image holds; the image reader keeps it with a
    // warning and export writes it, so it comes back the same way (the image holds it as it is).
    const bool oddDelay = !c.masterController && c.syncDelay > kMasterMark;
    Configuration fitted = c;
    if (oddDelay)
        fitted.syncDelay = 0;
    // Belt and braces: whatever passed the checks above must also fit the image as it stands.
    const auto problems = ConfigurationImage::Validate(fitted);
    if (!problems.empty())
        return {std::nullopt, problems.front()};
    return {std::move(c), {}, oddDelay ? ConfigurationImage::Validate(c) : std::vector<std::string>{}};
}

namespace {

// The parser's message with the text it quotes (the token it stopped at, a number too large)
// cut to an excerpt: that text may be the rest of the document.
std::string ShortTokens(std::string_view message)
{
    for (const std::string_view marker : {"last read: '", "parsing '"}) {
        const auto start = message.find(marker);
        if (start == std::string_view::npos)
            continue;
        const auto from = start + marker.size();
        auto end = message.rfind("'; expected ");
        if (end == std::string_view::npos || end < from)
            end = message.rfind('\'');
        if (end == std::string_view::npos || end < from)
            end = message.size();
        return std::string(message.substr(0, from)) + Excerpt(message.substr(from, end - from)) +
               std::string(message.substr(end));
    }
    return Excerpt(message, 300);
}

// A first pass over the text, before any value is built: the document nests no deeper than a
// configuration ever does (so nothing later recurses without bound), no object names a key twice
// (the second would silently win), and nothing but white space follows the document.
class ShapeCheck : public nlohmann::json_sax<json> {
public:
    static constexpr std::size_t kMaxDepth = 16;

    [[nodiscard]] const std::string& Error() const { return m_error; }

    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override
    {
        m_keys.emplace_back();
        m_inObject.push_back(true);
        return Deeper();
    }
    bool key(string_t& name) override
    {
        if (!m_keys.back().insert(name).second)
            return Fail("поле \"" + Excerpt(name) + "\" повторено");
        return true;
    }
    bool end_object() override
    {
        m_keys.pop_back();
        m_inObject.pop_back();
        return true;
    }
    bool start_array(std::size_t) override
    {
        m_inObject.push_back(false);
        return Deeper();
    }
    bool end_array() override
    {
        m_inObject.pop_back();
        return true;
    }
    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& e) override
    {
        return Fail("ошибка в байте " + std::to_string(position) + " (" + ShortTokens(e.what()) + ")");
    }

private:
    bool Deeper()
    {
        if (m_inObject.size() > kMaxDepth)
            return Fail("вложенность глубже " + std::to_string(kMaxDepth) + " уровней");
        return true;
    }
    bool Fail(std::string what)
    {
        if (m_error.empty())
            m_error = std::move(what);
        return false;
    }

    std::vector<std::set<std::string>> m_keys;
    std::vector<bool> m_inObject;
    std::string m_error;
};

} // namespace

std::string ConfigurationJson::TooLarge(std::uint64_t size)
{
    return "слишком большой JSON: " + std::to_string(size) + " байт, допустимо не более 1 МиБ (" +
           std::to_string(kMaxTextSize) + " байт)";
}

JsonImport ConfigurationJson::FromText(std::string_view text)
{
    if (text.size() > kMaxTextSize)
        return {std::nullopt, TooLarge(text.size())};
    // A NUL byte can never be part of a JSON text (inside a string it is written \u0000); the
    // parser would take it for the end of the input and ignore what follows.
    if (const auto nul = text.find('\0'); nul != std::string_view::npos)
        return {std::nullopt, "не JSON: нулевой байт в байте " + std::to_string(nul)};
    ShapeCheck shape;
    bool shaped = false;
    try {
        shaped = json::sax_parse(text.begin(), text.end(), &shape, nlohmann::detail::input_format_t::json, true);
    } catch (const json::exception& e) {
        return {std::nullopt, "не JSON: " + ShortTokens(e.what())};
    }
    if (!shaped)
        return {std::nullopt, "не JSON: " + (shape.Error().empty() ? std::string("ошибка разбора") : shape.Error())};
    json j;
    try {
        j = json::parse(text.begin(), text.end());
    } catch (const json::parse_error& e) {
        return {std::nullopt, "не JSON: ошибка в байте " + std::to_string(e.byte) + " (" + ShortTokens(e.what()) + ")"};
    } catch (const json::exception& e) {
        // e.g. a number too large for any type
        return {std::nullopt, "не JSON: " + ShortTokens(e.what())};
    }
    return FromJson(j);
}

} // namespace vlk

#include "Vlkctl.h"

#include "AtomicFile.h"
#include "ConfigurationDiff.h"
#include "ConfigurationJson.h"
#include "ConfigurationText.h"
#include "config/ConfigurationImage.h"
#include "util/WholeFile.h"

#include <cstdint>
#include <iostream>
#include <iterator>
#include <span>
#include <vector>

namespace vlk {

namespace {

// Far beyond any image (JSON has its own, smaller limit); keeps a wrong argument (a huge file,
// an endless standard input) from eating the memory.
constexpr std::size_t kMaxInput = 16 * 1024 * 1024;

std::string Shown(const std::string& file)
{
    return file == "-" ? "<stdin>" : file;
}

std::string Extension(const std::string& path)
{
    const auto slash = path.rfind('/');
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = path.substr(dot + 1);
    for (char& ch : ext)
        if (ch >= 'A' && ch <= 'Z')
            ch = static_cast<char>(ch - 'A' + 'a');
    return ext;
}

bool ReadAll(std::istream& in, std::string& bytes)
{
    bytes.clear();
    char buffer[65536];
    while (in) {
        in.read(buffer, sizeof buffer);
        bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > kMaxInput)
            return false;
    }
    return true;
}

// Where the first non-blank character is '{' (after an optional UTF-8 byte order mark).
bool LooksLikeJson(const std::string& bytes)
{
    std::size_t i = bytes.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    return i < bytes.size() && bytes[i] == '{';
}

bool WriteOutput(const std::string& output, const std::string& bytes, Streams io)
{
    if (output.empty() || output == "-") {
        io.out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        io.out.flush();
        if (!io.out) {
            Vlkctl::Error(io.err, "<stdout>", "ошибка записи");
            return false;
        }
        return true;
    }
    const std::string error = AtomicFile::Write(output, bytes);
    if (!error.empty()) {
        Vlkctl::Error(io.err, output, error);
        return false;
    }
    return true;
}

std::string ImageText(const Configuration& c)
{
    const ImageBytes image = ConfigurationImage::Encode(c);
    return std::string(reinterpret_cast<const char*>(image.data()), image.size());
}

} // namespace

void Vlkctl::Error(std::ostream& err, const std::string& file, const std::string& message)
{
    err << "vlkctl: " << file << ": " << message << "\n";
}

std::optional<Configuration> Vlkctl::Load(const std::string& input, Streams io, std::optional<Kind> only,
                                          bool wholeImage)
{
    const std::string name = Shown(input);
    std::string bytes;
    bool complete = true;
    if (input == "-") {
        complete = ReadAll(io.in, bytes);
        if (complete && io.in.bad()) {
            Error(io.err, name, "ошибка чтения");
            return std::nullopt;
        }
    } else {
        // A regular file only: a FIFO or a device named by mistake would be waited on for ever
        // or read without end.
        std::vector<std::uint8_t> read;
        if (const std::string error = ReadRegularFile(input, kMaxInput, read); !error.empty()) {
            Error(io.err, name, error);
            return std::nullopt;
        }
        bytes.assign(read.begin(), read.end());
    }
    if (!complete) {
        Error(io.err, name, "слишком большой файл для конфигурации");
        return std::nullopt;
    }

    const std::string ext = input == "-" ? std::string() : Extension(input);
    Kind kind = Kind::Image;
    std::optional<JsonImport> parsed;
    if (ext == "json") {
        kind = Kind::Json;
    } else if (ext != "vlk" && LooksLikeJson(bytes)) {
        // An image may start with '{' (circular red time 123); it is JSON only if it parses.
        parsed = ConfigurationJson::FromText(bytes);
        kind = parsed->configuration || bytes.size() != kImageSize ? Kind::Json : Kind::Image;
    }
    if (only && kind != *only) {
        Error(io.err, name, *only == Kind::Json ? "ожидается JSON, а не образ *.vlk" : "ожидается образ *.vlk, а не JSON");
        return std::nullopt;
    }

    if (kind == Kind::Json) {
        if (!parsed)
            parsed = ConfigurationJson::FromText(bytes);
        if (!parsed->configuration) {
            Error(io.err, name, parsed->error);
            return std::nullopt;
        }
        for (const auto& warning : parsed->warnings)
            io.err << "vlkctl: " << name << ": предупреждение: " << warning << "\n";
        return parsed->configuration;
    }

    if (wholeImage && bytes.size() != kImageSize) {
        Error(io.err, name,
              "не образ конфигурации и не JSON: " + std::to_string(bytes.size()) + " байт вместо 1920");
        return std::nullopt;
    }
    const DecodeResult decoded = ConfigurationImage::Decode(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    if (!decoded.configuration) {
        Error(io.err, name, decoded.problems.empty() ? "не образ конфигурации" : decoded.problems.front());
        return std::nullopt;
    }
    for (const auto& problem : decoded.problems)
        io.err << "vlkctl: " << name << ": предупреждение: " << problem << "\n";
    return decoded.configuration;
}

int Vlkctl::New(const std::string& output, Streams io)
{
    // Standard output is "-"; an empty name is a mistake (an unset variable), not a wish.
    if (output.empty()) {
        Error(io.err, "\"\"", "пустое имя файла");
        return kError;
    }
    return WriteOutput(output, ImageText(Configuration::FreshStart()), io) ? kOk : kError;
}

int Vlkctl::Show(const std::string& input, Streams io)
{
    const auto c = Load(input, io);
    if (!c)
        return kError;
    return WriteOutput("-", ConfigurationText::Show(*c), io) ? kOk : kError;
}

int Vlkctl::Export(const std::string& input, const std::string& output, Streams io)
{
    const auto c = Load(input, io, Kind::Image);
    if (!c)
        return kError;
    const JsonExport json = ConfigurationJson::ToJson(*c);
    if (!json.json) {
        Error(io.err, Shown(input), json.error);
        return kError;
    }
    return WriteOutput(output, ConfigurationJson::Dump(*json.json), io) ? kOk : kError;
}

int Vlkctl::Import(const std::string& input, const std::string& output, Streams io)
{
    if (output.empty()) {
        Error(io.err, Shown(input), "не задан файл образа (-o FILE.vlk)");
        return kError;
    }
    const auto c = Load(input, io, Kind::Json);
    if (!c)
        return kError;
    return WriteOutput(output, ImageText(*c), io) ? kOk : kError;
}

int Vlkctl::Diff(const std::string& a, const std::string& b, Streams io)
{
    if (a == "-" && b == "-") {
        Error(io.err, "<stdin>", "стандартный ввод можно указать только для одного из файлов");
        return kError;
    }
    const auto x = Load(a, io);
    if (!x)
        return kError;
    const auto y = Load(b, io);
    if (!y)
        return kError;
    const auto lines = ConfigurationDiff::Lines(*x, *y);
    std::string text;
    for (const auto& line : lines)
        text += line + "\n";
    if (!WriteOutput("-", text, io))
        return kError;
    return lines.empty() ? kOk : kDifferent;
}

} // namespace vlk

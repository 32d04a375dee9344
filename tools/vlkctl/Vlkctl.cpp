#include "Vlkctl.h"

#include "config/ConfigurationDiff.h"
#include "config/ConfigurationJson.h"
#include "config/ConfigurationText.h"
#include "config/ConfigurationFile.h"
#include "config/ConfigurationImage.h"
#include "util/WholeFile.h"

#include <cstdint>
#include <iostream>
#include <iterator>
#include <span>
#include <vector>

namespace vlk {

namespace {

std::string Shown(const std::string& file)
{
    return file == "-" ? "<stdin>" : file;
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
    const std::string error =
        WriteWholeFile(output, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
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

std::optional<Configuration> Vlkctl::Load(const std::string& input, Streams io, std::optional<Kind> only)
{
    const std::string name = Shown(input);
    const ConfigurationFileRead read = input == "-" ? ConfigurationFile::ReadStream(io.in) : ConfigurationFile::Read(input);
    if (!read.configuration) {
        Error(io.err, name, read.error);
        return std::nullopt;
    }
    const Kind kind = read.kind == ConfigurationFileKind::Json ? Kind::Json : Kind::Image;
    if (only && kind != *only) {
        Error(io.err, name, *only == Kind::Json ? "ожидается JSON, а не образ *.vlk" : "ожидается образ *.vlk, а не JSON");
        return std::nullopt;
    }
    for (const auto& warning : read.warnings)
        io.err << "vlkctl: " << name << ": предупреждение: " << warning << "\n";
    return read.configuration;
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

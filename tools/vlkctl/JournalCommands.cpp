#include "JournalCommands.h"

#include "util/PrintableText.h"
#include "link/Journal.h"
#include "util/WholeFile.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <ctime>
#include <iostream>
#include <vector>

namespace vlk::ctl {

namespace {

constexpr int kOk = 0;
constexpr int kError = 2;
// A journal is read whole; one of this size holds some hundred thousand actions.
constexpr std::size_t kJournalLimit = 64u << 20;

bool Digits(const std::string& text, std::size_t at, std::size_t count, int& value)
{
    if (at + count > text.size())
        return false;
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

std::string Field(const nlohmann::json& entry, const char* key)
{
    const auto it = entry.find(key);
    return it != entry.end() && it->is_string() ? it->get<std::string>() : std::string();
}

} // namespace

std::optional<std::int64_t> JournalTime(const std::string& text)
{
    // YYYY-MM-DDTHH:MM:SS.mmm+HH:MM
    if (text.size() != 29 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
        text[16] != ':' || text[19] != '.' || (text[23] != '+' && text[23] != '-') || text[26] != ':')
        return std::nullopt;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, milli = 0, zoneHours = 0, zoneMinutes = 0;
    if (!Digits(text, 0, 4, year) || !Digits(text, 5, 2, month) || !Digits(text, 8, 2, day) ||
        !Digits(text, 11, 2, hour) || !Digits(text, 14, 2, minute) || !Digits(text, 17, 2, second) ||
        !Digits(text, 20, 3, milli) || !Digits(text, 24, 2, zoneHours) || !Digits(text, 27, 2, zoneMinutes))
        return std::nullopt;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return std::nullopt;
    std::tm utc{};
    utc.tm_year = year - 1900;
    utc.tm_mon = month - 1;
    utc.tm_mday = day;
    utc.tm_hour = hour;
    utc.tm_min = minute;
    utc.tm_sec = second;
    const std::int64_t zone = (zoneHours * 60 + zoneMinutes) * 60 * (text[23] == '-' ? -1 : 1);
    return (static_cast<std::int64_t>(::timegm(&utc)) - zone) * 1000 + milli;
}

std::optional<std::int64_t> SinceTime(const std::string& text)
{
    if (text.size() == 10 && text[4] == '-' && text[7] == '-') {
        int year = 0, month = 0, day = 0;
        if (!Digits(text, 0, 4, year) || !Digits(text, 5, 2, month) || !Digits(text, 8, 2, day) || month < 1 ||
            month > 12 || day < 1 || day > 31)
            return std::nullopt;
        std::tm local{};
        local.tm_year = year - 1900;
        local.tm_mon = month - 1;
        local.tm_mday = day;
        local.tm_isdst = -1;
        return static_cast<std::int64_t>(std::mktime(&local)) * 1000;
    }
    return JournalTime(text);
}

int RunJournal(const std::string& path, const std::string& since, bool json, std::ostream& out, std::ostream& err)
{
    std::optional<std::int64_t> from;
    if (!since.empty()) {
        from = SinceTime(since);
        if (!from) {
            err << "vlkctl: --since: \"" << Excerpt(since)
                << "\" не дата (ожидается ГГГГ-ММ-ДД или время журнала, например 2026-12-08T17:05:09.000+03:00)\n";
            return kError;
        }
    }
    std::vector<std::uint8_t> bytes;
    int code = 0;
    if (const std::string error = ReadRegularFile(path, kJournalLimit, bytes, LongerFile::Refuse, &code);
        !error.empty()) {
        if (code == ENOENT) {
            // No action recorded yet: an empty journal, not an error.
            if (json)
                out << "[]\n";
            return kOk;
        }
        err << "vlkctl: " << path << ": " << error << '\n';
        return kError;
    }
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    int skipped = 0;
    std::size_t begin = 0;
    const std::string text(bytes.begin(), bytes.end());
    while (begin < text.size()) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(begin, end - begin);
        begin = end + 1;
        if (line.empty())
            continue;
        const nlohmann::json entry = nlohmann::json::parse(line, nullptr, false);
        const auto time = entry.is_object() ? JournalTime(Field(entry, "time")) : std::nullopt;
        if (!time) {
            ++skipped;
            continue;
        }
        if (from && *time < *from)
            continue;
        if (json) {
            list.push_back(nlohmann::ordered_json::parse(line));
            continue;
        }
        std::string time10 = Field(entry, "time");
        time10 = time10.substr(0, 10) + " " + time10.substr(11, 8);
        out << time10 << "  " << Field(entry, "program") << "  " << Field(entry, "user") << '@'
            << Field(entry, "host") << "  " << Field(entry, "port") << "  " << Field(entry, "action") << "  "
            << Field(entry, "result");
        if (const std::string file = Field(entry, "file"); !file.empty())
            out << "  " << file;
        const std::string fileFp = Field(entry, "fileFingerprint");
        const std::string memoryFp = Field(entry, "controllerFingerprint");
        if (!fileFp.empty())
            out << "  файл " << fileFp;
        if (!memoryFp.empty())
            out << "  контроллер " << memoryFp;
        std::string message = Field(entry, "message");
        for (char& c : message)
            if (c == '\n')
                c = ' ';
        if (!message.empty())
            out << "  " << message;
        out << '\n';
    }
    if (json)
        out << list.dump(2) << '\n';
    out.flush();
    if (skipped > 0)
        err << "vlkctl: " << path << ": пропущено неполных строк: " << skipped << '\n';
    return kOk;
}

void AddJournalCommands(CLI::App& app, int& exitCode)
{
    struct Options {
        std::string since;
        bool json = false;
    };
    auto options = std::make_shared<Options>();
    CLI::App* journal = app.add_subcommand("journal", "журнал записей, чтений, сравнений и команд контроллерам");
    journal->add_option("--since", options->since, "с даты ГГГГ-ММ-ДД (или с времени журнала)");
    journal->add_flag("--json", options->json, "записи журнала списком JSON");
    journal->callback([options, &exitCode] {
        exitCode = RunJournal(JournalPath(), options->since, options->json, std::cout, std::cerr);
    });
}

} // namespace vlk::ctl

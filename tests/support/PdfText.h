#pragma once

// What a reader gets out of a PDF: its text through poppler's pdftotext and its page sizes
// through pdfinfo (Debian's poppler-utils, installed by scripts/install-deps).

#include <cstdio>
#include <string>
#include <vector>

namespace vlk::test {

// The standard output of a shell command, or nothing when it fails.
inline std::string CommandOutput(const std::string& command, int* status = nullptr)
{
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return output;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, n);
    const int rc = ::pclose(pipe);
    if (status)
        *status = rc;
    return output;
}

// The text of the whole document (page 0) or of one page (from 1), in reading order.
inline std::string PdfText(const std::string& path, int page = 0)
{
    std::string range = page > 0 ? " -f " + std::to_string(page) + " -l " + std::to_string(page) : std::string();
    return CommandOutput("pdftotext -enc UTF-8" + range + " '" + path + "' - 2>/dev/null");
}

// The text with every run of white space (the line and column breaks pdftotext guesses) made one
// blank, so that a table row reads as its cells one after another.
inline std::string Flat(const std::string& text)
{
    std::string flat;
    bool blank = false;
    for (char ch : text) {
        if (ch == ' ' || ch == '\n' || ch == '\t' || ch == '\f' || ch == '\r') {
            blank = true;
            continue;
        }
        if (blank && !flat.empty())
            flat += ' ';
        blank = false;
        flat += ch;
    }
    return flat;
}

// Words with their boxes in points: pdftotext -bbox, one <word xMin= yMin= xMax= yMax=>text</word>.
struct PdfWord {
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    std::string text;
    int page = 0;
};

inline std::vector<PdfWord> PdfWords(const std::string& path)
{
    const std::string html = CommandOutput("pdftotext -bbox -enc UTF-8 '" + path + "' - 2>/dev/null");
    std::vector<PdfWord> words;
    int page = 0;
    auto number = [&](std::size_t at, const char* key) {
        const std::size_t k = html.find(key, at);
        return k == std::string::npos ? 0.0 : std::stod(html.substr(k + std::string(key).size()));
    };
    for (std::size_t at = 0;;) {
        const std::size_t nextPage = html.find("<page ", at);
        const std::size_t nextWord = html.find("<word ", at);
        if (nextWord == std::string::npos)
            break;
        if (nextPage != std::string::npos && nextPage < nextWord) {
            ++page;
            at = nextPage + 1;
            continue;
        }
        PdfWord w;
        w.page = page;
        w.xMin = number(nextWord, "xMin=\"");
        w.yMin = number(nextWord, "yMin=\"");
        w.xMax = number(nextWord, "xMax=\"");
        w.yMax = number(nextWord, "yMax=\"");
        const std::size_t open = html.find('>', nextWord) + 1;
        const std::size_t close = html.find("</word>", open);
        w.text = html.substr(open, close - open);
        words.push_back(w);
        at = close;
    }
    return words;
}

// "Pages: N" of pdfinfo; 0 when it cannot read the file.
inline int PdfPageCount(const std::string& path)
{
    const std::string info = CommandOutput("pdfinfo '" + path + "' 2>/dev/null");
    const std::size_t k = info.find("Pages:");
    return k == std::string::npos ? 0 : std::stoi(info.substr(k + 6));
}

// The size of every page in points, "595 x 842" for A4 portrait.
inline std::vector<std::string> PdfPageSizes(const std::string& path)
{
    const int pages = PdfPageCount(path);
    const std::string info =
        CommandOutput("pdfinfo -f 1 -l " + std::to_string(pages) + " '" + path + "' 2>/dev/null");
    std::vector<std::string> sizes;
    std::size_t begin = 0;
    while (begin < info.size()) {
        std::size_t end = info.find('\n', begin);
        if (end == std::string::npos)
            end = info.size();
        const std::string line = info.substr(begin, end - begin);
        begin = end + 1;
        const std::size_t size = line.find(" size:");
        if (line.rfind("Page ", 0) != 0 || size == std::string::npos)
            continue;
        const std::size_t from = line.find_first_not_of(' ', size + 6);
        sizes.push_back(line.substr(from, line.find(" pts", from) - from));
    }
    return sizes;
}

} // namespace vlk::test

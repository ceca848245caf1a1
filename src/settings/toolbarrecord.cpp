#include "settings/toolbarrecord.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace {

bool ContainsNoCase(std::string_view text, std::string_view word)
{
    auto lower = [](unsigned char c) { return static_cast<char>(std::tolower(c)); };
    std::string a(text), b(word);
    std::transform(a.begin(), a.end(), a.begin(), lower);
    std::transform(b.begin(), b.end(), b.begin(), lower);
    return a.find(b) != std::string::npos;
}

// Splits into lines without their CR LF or LF ends.
std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

bool ParseInt(std::string_view text, long& value)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr != text.data();
}

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

constexpr std::string_view ToolbarKeyword = "Toolbar: ";
constexpr std::string_view FontNameKeyword = "Font name = ";
constexpr std::string_view FontSizeKeyword = "Font size = ";
constexpr std::string_view ColourKeyword = "Back ground colour = ";
constexpr std::string_view HighContrastKeyword = "High contrast: ";

} // namespace

std::string TToolbarPlace::Text() const
{
    std::string text =
        std::string(ToolbarKeyword) + name + "\r\n\t" + side + "\r\n\t" + (visible ? "1" : "0") + "\r\n";
    for (int value : bounds)
        text += "\t" + std::to_string(value) + "\r\n";
    text += std::string("\t") + (alone ? "1" : "0") + "\r\n";
    return text;
}

bool TToolbarPlace::Floating() const
{
    return !(ContainsNoCase(side, "top") || ContainsNoCase(side, "bottom") || ContainsNoCase(side, "left") ||
             ContainsNoCase(side, "right"));
}

std::string TArrangement::Text() const
{
    std::string text;
    for (const auto& record : toolbars)
        text += record.Text();
    text += std::string(FontNameKeyword) + fontName + "\r\n";
    text += std::string(FontSizeKeyword) + std::to_string(fontSize) + "\r\n";
    text += std::string(ColourKeyword) + std::to_string(backgroundColour) + "\r\n";
    text += std::string(HighContrastKeyword) + (highContrast ? "1" : "0") + "\r\n";
    return text;
}

TArrangement DefaultWhiteboardArrangement()
{
    TArrangement arrangement;
    arrangement.toolbars = {
        {"ToolbarKeypad", "Floating", true, {47, 94, 96, 168}, true},
        {"ToolBarInsert", "Left", true, {0, 0, 0, 0}, false},
        {"ToolBarZoom", "Left", true, {0, 204, 0, 0}, false},
    };
    arrangement.fontName = "Arial";
    arrangement.fontSize = 26;
    arrangement.backgroundColour = 16121855;
    // A whiteboard is a projector's picture: faint shading and neighbouring
    // dark reds and blues cannot be told apart there.
    arrangement.highContrast = true;
    return arrangement;
}

std::vector<TToolbarPlace> ParseToolbarRecords(std::string_view text, std::size_t* consumed)
{
    const auto lines = Lines(text);
    std::vector<TToolbarPlace> records;
    std::size_t index = 0;
    while (index < lines.size() && StartsWith(lines[index], ToolbarKeyword)) {
        TToolbarPlace record;
        record.name = std::string(lines[index].substr(ToolbarKeyword.size()));
        std::size_t field = index + 1;
        bool ok = field + 7 <= lines.size();
        long numbers[6] = {};
        if (ok) {
            record.side = std::string(lines[field]);
            while (!record.side.empty() && record.side.front() == '\t')
                record.side.erase(record.side.begin());
            for (int n = 0; n < 6 && ok; ++n)
                ok = ParseInt(lines[field + 1 + static_cast<std::size_t>(n)], numbers[n]);
        }
        if (!ok) {
            // A broken record: skip to the next record or stop.
            ++index;
            while (index < lines.size() && !StartsWith(lines[index], ToolbarKeyword) &&
                   StartsWith(lines[index], "\t"))
                ++index;
            continue;
        }
        record.visible = numbers[0] != 0;
        for (int n = 0; n < 4; ++n)
            record.bounds[n] = static_cast<int>(std::clamp(numbers[n + 1], -100000L, 100000L));
        record.alone = numbers[5] != 0;
        records.push_back(std::move(record));
        index = field + 7;
    }
    if (consumed) {
        std::size_t offset = 0;
        std::string_view rest = text;
        for (std::size_t n = 0; n < index && !rest.empty(); ++n) {
            const auto end = rest.find('\n');
            const std::size_t step = end == std::string_view::npos ? rest.size() : end + 1;
            offset += step;
            rest.remove_prefix(step);
        }
        *consumed = offset;
    }
    return records;
}

std::optional<TArrangement> ParseArrangement(std::string_view text)
{
    std::size_t consumed = 0;
    TArrangement arrangement;
    arrangement.toolbars = ParseToolbarRecords(text, &consumed);
    if (arrangement.toolbars.empty())
        return std::nullopt;
    bool haveName = false, haveSize = false, haveColour = false;
    for (std::string_view line : Lines(text.substr(consumed))) {
        long value = 0;
        if (StartsWith(line, FontNameKeyword)) {
            arrangement.fontName = std::string(line.substr(FontNameKeyword.size()));
            haveName = !arrangement.fontName.empty();
        } else if (StartsWith(line, FontSizeKeyword) &&
                   ParseInt(line.substr(FontSizeKeyword.size()), value) && value > 0 && value < 400) {
            arrangement.fontSize = static_cast<int>(value);
            haveSize = true;
        } else if (StartsWith(line, ColourKeyword) && ParseInt(line.substr(ColourKeyword.size()), value)) {
            arrangement.backgroundColour = value;
            haveColour = true;
        } else if (StartsWith(line, HighContrastKeyword) &&
                   ParseInt(line.substr(HighContrastKeyword.size()), value)) {
            arrangement.highContrast = value != 0;
        }
    }
    if (!(haveName && haveSize && haveColour))
        return std::nullopt;
    return arrangement;
}

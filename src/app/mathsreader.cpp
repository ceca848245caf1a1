#include "app/mathsreader.h"

#include <cctype>

int CompareVersions(std::string_view a, std::string_view b)
{
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < common; ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool TMathsReader::MatchKeyword(std::string_view keyword)
{
    if (keyword.size() > LookAheadSize || keyword.size() > Remaining())
        return false;
    for (std::size_t i = 0; i < keyword.size(); ++i) {
        const auto have = static_cast<unsigned char>(data_[position_ + i]);
        const auto want = static_cast<unsigned char>(keyword[i]);
        if (std::tolower(have) != std::tolower(want))
            return false;
    }
    position_ += keyword.size();
    return true;
}

bool TMathsReader::Peek(char& c) const
{
    if (AtEnd())
        return false;
    c = data_[position_];
    return true;
}

bool TMathsReader::ReadChar(char& c)
{
    if (!Peek(c))
        return false;
    ++position_;
    return true;
}

std::string TMathsReader::ReadUntil(char delimiter)
{
    std::string result;
    char c = 0;
    while (result.size() < 255 && ReadChar(c)) {
        if (c == delimiter) {
            if (delimiter == '\n' && !result.empty() && result.back() == '\r')
                result.pop_back();
            return result;
        }
        result.push_back(c);
    }
    return result;
}

std::string TMathsReader::ReadLineTrimmed()
{
    std::string line = ReadLine();
    std::size_t tabs = 0;
    while (tabs < line.size() && line[tabs] == '\t')
        ++tabs;
    return line.substr(tabs);
}

std::string TMathsReader::ReadBytes(std::size_t count)
{
    if (count > Remaining())
        throw eReaderror();
    std::string result = data_.substr(position_, count);
    position_ += count;
    return result;
}

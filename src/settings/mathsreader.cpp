#include "settings/mathsreader.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

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

namespace {

// Keywords match whatever the case of their ASCII letters, never by the
// locale's idea of case (it would make documents read differently by place).
constexpr unsigned char FoldCase(unsigned char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

} // namespace

bool TMathsReader::MatchKeyword(std::string_view keyword)
{
    if (keyword.size() > LookAheadSize || keyword.size() > Remaining())
        return false;
    for (std::size_t i = 0; i < keyword.size(); ++i) {
        const auto have = static_cast<unsigned char>(data_[position_ + i]);
        const auto want = static_cast<unsigned char>(keyword[i]);
        if (FoldCase(have) != FoldCase(want))
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
    const std::size_t found = data_.find(delimiter, position_);
    const std::size_t end = found == std::string::npos ? data_.size() : found;
    std::string result = data_.substr(position_, end - position_);
    position_ = found == std::string::npos ? data_.size() : found + 1;
    if (found != std::string::npos && delimiter == '\n' && !result.empty() && result.back() == '\r')
        result.pop_back();
    return result;
}

std::string_view TMathsReader::PeekLine() const
{
    if (peekedAt_ != position_) {
        const std::size_t found = data_.find('\n', position_);
        std::size_t end = found == std::string::npos ? data_.size() : found;
        if (found != std::string::npos && end > position_ && data_[end - 1] == '\r')
            --end;
        peekedAt_ = position_;
        peekedEnd_ = end;
    }
    return std::string_view(data_.data() + position_, peekedEnd_ - position_);
}

void TMathsReader::SkipLine()
{
    const std::size_t found = data_.find('\n', position_);
    position_ = found == std::string::npos ? data_.size() : found + 1;
}

bool TMathsReader::LineStartsWith(std::string_view keyword, std::string_view* value) const
{
    // Most keywords asked for are not there: their first byte tells.
    if (!keyword.empty() &&
        (position_ >= data_.size() || FoldCase(static_cast<unsigned char>(data_[position_])) !=
                                          FoldCase(static_cast<unsigned char>(keyword[0]))))
        return false;
    const std::string_view line = PeekLine();
    if (line.size() < keyword.size() || !SameText(line.substr(0, keyword.size()), keyword))
        return false;
    if (value)
        *value = line.substr(keyword.size());
    return true;
}

bool TMathsReader::LineIs(std::string_view text) const
{
    return SameText(PeekLine(), text);
}

int TMathsReader::LineNumber() const
{
    if (countedTo_ > position_) {
        countedTo_ = 0;
        linesBefore_ = 0;
    }
    for (; countedTo_ < position_; ++countedTo_)
        if (data_[countedTo_] == '\n')
            ++linesBefore_;
    return linesBefore_ + 1;
}

bool SameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldCase(static_cast<unsigned char>(a[i])) != FoldCase(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool ParseDocumentInteger(std::string_view text, long long& value)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    const std::size_t digitsStart = i;
    constexpr long long Limit = std::numeric_limits<long long>::max() / 10 - 1;
    long long result = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        result = result > Limit ? Limit * 10 : result * 10 + (text[i] - '0');
    if (i == digitsStart)
        return false;
    value = negative ? -result : result;
    return true;
}

bool ParseDocumentReal(std::string_view text, long double& value)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    if (text.empty() || text.size() > 64)
        return false;
    // Hexadecimal forms and the names of infinities are not document numbers.
    for (char c : text)
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'E' || c == 'e'))
            return false;
    // The standard conversion reads the decimal point whatever the user's
    // locale says; it takes no plus sign, which documents may carry.
    std::string_view number = text;
    if (number.front() == '+') {
        number.remove_prefix(1);
        if (number.empty() || number.front() == '-' || number.front() == '+')
            return false;
    }
    long double result = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), result);
    if (end != number.data() + number.size())
        return false;
    if (error == std::errc::result_out_of_range) {
        // Too small to hold is nothing; too large is not a number.
        const auto exponent = number.find_first_of("eE");
        if (exponent == std::string_view::npos || exponent + 1 >= number.size() ||
            number[exponent + 1] != '-')
            return false;
        result = number.front() == '-' ? -0.0L : 0.0L;
    } else if (error != std::errc() || !std::isfinite(result)) {
        return false;
    }
    value = result;
    return true;
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

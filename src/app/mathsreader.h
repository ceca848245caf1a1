// TMathsReader: the document reader over a byte buffer it owns. Optional
// fields rest on MatchKeyword, which looks ahead without consuming anything
// when the keyword is absent; FileVersion governs how older documents are
// read. eReaderror is the one exception class of the program: malformed
// markup or a broken line structure.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

class eReaderror : public std::runtime_error {
public:
    eReaderror() : std::runtime_error("Read error") {}
};

// The version of documents this program writes.
inline constexpr std::string_view CurrentFileVersion = "3.101";

// Compares version texts character by character, a prefix being the smaller
// ("2" < "2.0005" < "3"). Negative, zero or positive like strcmp.
[[nodiscard]] int CompareVersions(std::string_view a, std::string_view b);

class TMathsReader {
public:
    static constexpr std::size_t LookAheadSize = 100;

    explicit TMathsReader(std::string data) : data_(std::move(data)) {}

    // The document version being read; "3.101" until a header sets it.
    [[nodiscard]] const std::string& FileVersion() const { return fileVersion_; }
    void SetFileVersion(std::string_view version) { fileVersion_ = std::string(version.substr(0, 10)); }
    // True when the document's version is below the given version text.
    [[nodiscard]] bool VersionBelow(std::string_view version) const { return CompareVersions(fileVersion_, version) < 0; }

    // Consumes the keyword (compared without regard to case) when the next
    // characters hold it; otherwise consumes nothing. Keywords longer than the
    // look-ahead never match.
    [[nodiscard]] bool MatchKeyword(std::string_view keyword);
    // The next character without consuming it; false at the end of the data.
    [[nodiscard]] bool Peek(char& c) const;
    // Consumes one character; false at the end of the data.
    [[nodiscard]] bool ReadChar(char& c);
    // Reads up to the delimiter (not included; before LF the CR is dropped
    // too), at most 255 characters; the rest of a longer line stays.
    [[nodiscard]] std::string ReadUntil(char delimiter);
    [[nodiscard]] std::string ReadLine() { return ReadUntil('\n'); }
    [[nodiscard]] std::string ReadLineTrimmed();
    // Exactly count bytes; throws eReaderror when the data ends first.
    [[nodiscard]] std::string ReadBytes(std::size_t count);
    [[nodiscard]] bool AtEnd() const { return position_ >= data_.size(); }
    [[nodiscard]] std::size_t Remaining() const { return data_.size() - position_; }

private:
    std::string data_;
    std::size_t position_ = 0;
    std::string fileVersion_{CurrentFileVersion};
};

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
    [[nodiscard]] bool VersionBelow(std::string_view version) const
    {
        return CompareVersions(fileVersion_, version) < 0;
    }

    // Consumes the keyword (compared without regard to case) when the next
    // characters hold it; otherwise consumes nothing. Keywords longer than the
    // look-ahead never match.
    [[nodiscard]] bool MatchKeyword(std::string_view keyword);
    // The next character without consuming it; false at the end of the data.
    [[nodiscard]] bool Peek(char& c) const;
    // Consumes one character; false at the end of the data.
    [[nodiscard]] bool ReadChar(char& c);
    // Reads up to the delimiter (not included; before LF a CR, and only a
    // CR, is dropped too) or the end of the data, whatever the length: a long
    // line is consumed whole, never left to be read as the next keyword.
    [[nodiscard]] std::string ReadUntil(char delimiter);
    [[nodiscard]] std::string ReadLine() { return ReadUntil('\n'); }
    [[nodiscard]] std::string ReadLineTrimmed();
    // Exactly count bytes; throws eReaderror when the data ends first.
    [[nodiscard]] std::string ReadBytes(std::size_t count);
    [[nodiscard]] bool AtEnd() const { return position_ >= data_.size(); }
    [[nodiscard]] std::size_t Remaining() const { return data_.size() - position_; }

    // The current line without consuming it: up to LF (or the end of the
    // data), a CR before the LF dropped.
    [[nodiscard]] std::string_view PeekLine() const;
    // Consumes the current line with its line end.
    void SkipLine();
    // True when the current line starts with keyword (letter case ignored);
    // value then holds the rest of the line. Consumes nothing.
    [[nodiscard]] bool LineStartsWith(std::string_view keyword, std::string_view* value = nullptr) const;
    // True when the current line is exactly text (letter case ignored).
    [[nodiscard]] bool LineIs(std::string_view text) const;
    // The offset of the next byte, and the whole data (for keeping a record's text).
    [[nodiscard]] std::size_t Position() const { return position_; }
    [[nodiscard]] std::string_view Data() const { return data_; }
    // The number of the line being read, 1 for the first.
    [[nodiscard]] int LineNumber() const;

private:
    std::string data_;
    std::size_t position_ = 0;
    std::string fileVersion_{CurrentFileVersion};
    mutable std::size_t countedTo_ = 0;
    mutable int linesBefore_ = 0;
    // Where the line starting at peekedAt_ ends: a record's fields ask for
    // the same line against many keywords.
    mutable std::size_t peekedAt_ = std::string::npos;
    mutable std::size_t peekedEnd_ = 0;
};

// True when a equals b without regard to the letter case of ASCII letters.
[[nodiscard]] bool SameText(std::string_view a, std::string_view b);
// The decimal integer at the start of text (leading blanks allowed; stops
// at the first character that is not part of it). False when there are no
// digits; values beyond the 64-bit range saturate.
[[nodiscard]] bool ParseDocumentInteger(std::string_view text, long long& value);
// A real in either written form (fixed or number form), blanks around it
// allowed. False when the text is not a finite number.
[[nodiscard]] bool ParseDocumentReal(std::string_view text, long double& value);

// The text work of the guide interface library on untrusted texts: a tutoring program's text copied into
// a field, a formula converted, question texts joined and a mouse-action name looked up. Each text is
// given in a buffer of exactly its size (so reading past its NUL or past 100 bytes is a sanitizer fault),
// and every result is compared with a plain restatement of the rules.
#include "guidelib/guidefields.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_guideframe: %s\n", what);
        std::abort();
    }
}

// TEXT as a caller passes it: its bytes, ended by NUL when shorter than a field, in a buffer of exactly
// that size.
std::vector<char> CallerBuffer(std::string_view text)
{
    std::vector<char> buffer(text.begin(), text.end());
    if (buffer.size() < GUIDE_FIELD_SIZE)
        buffer.push_back('\0');
    return buffer;
}

// What a field holds for TEXT: up to its NUL, at most 100 bytes.
std::string FieldText(std::string_view text)
{
    text = text.substr(0, GUIDE_FIELD_SIZE);
    return std::string(text.substr(0, text.find('\0')));
}

std::string ConvertedFormula(const std::string& text)
{
    std::string converted;
    for (size_t index = 0; index < text.size(); ++index) {
        const unsigned char c = static_cast<unsigned char>(text[index]);
        if (c == '#') {
            if (index + 1 >= text.size())
                break;
            const unsigned char next = static_cast<unsigned char>(text[++index]);
            converted += static_cast<char>(next > '0' ? next - '0' : next);
        } else {
            converted += c == '[' ? '{' : c == ']' ? '}' : static_cast<char>(c);
        }
    }
    return converted;
}

bool FieldHolds(const unsigned char* field, const std::string& text)
{
    if (std::memcmp(field, text.data(), text.size()) != 0)
        return false;
    for (size_t index = text.size(); index < GUIDE_FIELD_SIZE; ++index) {
        if (field[index] != 0)
            return false;
    }
    return true;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    // One field, its formula conversion and its mouse action.
    const std::vector<char> caller = CallerBuffer(input.substr(0, GUIDE_FIELD_SIZE));
    const std::string text = FieldText(input);
    unsigned char field[GUIDE_FIELD_SIZE];
    GuideCopyField(field, caller.data());
    Check(FieldHolds(field, text), "the field is not the text up to its NUL, then zeros");
    GuideConvertFormula(field);
    Check(FieldHolds(field, ConvertedFormula(text)), "the converted formula differs from the rules");

    int32_t expected = 0;
    for (const TMouseEffectString& action : GuideMouseEffectStrings) {
        if (Lower(text) == Lower(action.name)) {
            expected = action.code;
            break;
        }
    }
    Check(GuideMouseActionCode(caller.data()) == expected, "the mouse action differs from the table");

    // Up to ten question texts: the input cut at its NUL bytes.
    std::vector<std::vector<char>> buffers;
    std::string joined;
    for (size_t start = 0; start <= size && buffers.size() < 10;) {
        const size_t end = std::min(input.find('\0', start), size);
        const std::string_view piece = input.substr(start, end - start);
        buffers.push_back(CallerBuffer(piece.substr(0, GUIDE_FIELD_SIZE)));
        joined += FieldText(piece) + static_cast<char>(GUIDE_QUESTION_SEPARATOR);
        start = end + 1;
    }
    std::vector<const char*> texts;
    for (const auto& buffer : buffers)
        texts.push_back(buffer.data());
    texts.push_back(nullptr); // a NULL text is empty
    joined += static_cast<char>(GUIDE_QUESTION_SEPARATOR);
    joined.resize(std::min<size_t>(joined.size(), GUIDE_QUESTION_SIZE));
    unsigned char question[GUIDE_QUESTION_SIZE];
    GuideJoinTexts(question, texts.data(), texts.size());
    Check(std::memcmp(question, joined.data(), joined.size()) == 0, "the joined question differs");
    for (size_t index = joined.size(); index < GUIDE_QUESTION_SIZE; ++index)
        Check(question[index] == 0, "the joined question is not followed by zeros");
    return 0;
}

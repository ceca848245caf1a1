// Formula lines of a document: the markup reader with the terminator CR
// (which a LF must follow), line after line, under the document versions
// that change how lines are read. The first byte picks the version; the rest
// is the document text. Lines that were read must be written as the current
// version writes them and read back into the same elements.
#include "formula/elementdump.h"
#include "fuzzsupport.h"
#include "settings/mathsreader.h"
#include "settings/mathswriter.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using fuzzsupport::Check;

namespace {

// Versions on either side of the ones that change the reading of lines.
constexpr std::string_view Versions[] = {"3.101", "2.0006", "2.0005", "2", "1.9", "1", "", "3.101\xFF"};

// Reads lines until the data ends or a line is refused; answers their structures
// and appends the markup the current version writes for them.
std::vector<std::string> ReadLines(TMathsReader& reader, std::string& rewritten, bool& fullRun)
{
    std::vector<std::string> structures;
    while (!reader.AtEnd()) {
        const std::size_t before = reader.Remaining();
        TElementList line;
        try {
            line = ReadElementLine(reader, '\r');
        } catch (const eReaderror&) {
            break;
        }
        Check(reader.Remaining() < before, "a line was read without consuming anything");
        Check(line && IsAnchor(line.get()), "a document line does not start with an anchor");
        fullRun = fullRun || fuzzsupport::HasFullRun(line.get());
        structures.push_back(elementdump::Dump(line.get()));
        rewritten += ElementsToText(line.get());
        rewritten += "\r\n";
    }
    return structures;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view version = Versions[data[0] % std::size(Versions)];
    TMathsReader reader(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
    reader.SetFileVersion(version);

    std::string rewritten;
    bool fullRun = false;
    const std::vector<std::string> first = ReadLines(reader, rewritten, fullRun);
    if (fullRun)
        return 0;

    TMathsReader again(rewritten);
    std::string second;
    bool unused = false;
    const std::vector<std::string> reread = ReadLines(again, second, unused);
    Check(again.AtEnd(), "lines written by this version are refused when read again");
    Check(reread == first, "document lines read back into other elements");
    Check(second == rewritten, "document lines change on their second way through");
    return 0;
}

// Markup text held in memory (the clipboard, built-in texts, automation
// strings) read into elements, written back and read again. Malformed markup
// may only be refused with a read error; what was read must write markup that
// reads back into the same elements, and the list must survive tidying.
#include "formula/elementdump.h"
#include "fuzzsupport.h"
#include "settings/mathsreader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using fuzzsupport::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    // The short form reads at most the first 250 characters.
    try {
        (void)ElementsFromShortText(text);
    } catch (const eReaderror&) {
    }

    TElementList list;
    try {
        list = ElementsFromText(text);
    } catch (const eReaderror&) {
        return 0;
    }
    Check(list && IsAnchor(list.get()), "a list read from markup does not start with an anchor");

    const std::string written = ElementsToText(list.get());
    TElementList copy;
    try {
        copy = CopyElements(list.get());
    } catch (const eReaderror&) {
        Check(fuzzsupport::HasFullRun(list.get()),
              "markup written from a list that was read cannot be read back");
        return 0;
    }
    if (!fuzzsupport::HasFullRun(list.get())) {
        Check(ElementsToText(copy.get()) == written, "markup changes on its second way through");
        Check(elementdump::Dump(copy.get()) == elementdump::Dump(list.get()),
              "a copy through the markup differs from its original");
    }

    // A text line holding markup is converted as the automation interface does.
    TElementList line(new TEditorObject);
    line->next = new TStringEditObject(written.substr(0, 1000));
    (void)ConvertTextList(line);

    // The editor's tidying in each mode; only finishing may remove everything.
    for (const int mode : {tmTest, tmPaste, tmReplace, tmFinish})
        (void)Tidy(copy, mode);
    (void)ElementsToText(copy.get());
    return 0;
}

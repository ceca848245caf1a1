// TMathsWriter: the document writer, a thin layer over a byte buffer that
// every model class writes its own record through. The same writer makes
// documents, undo snapshots and clipboard texts; markup is written exactly as
// given, with no escaping.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class TMathsWriter {
public:
    // Writes a text exactly as given.
    void WriteText(std::string_view text) { data_.append(text); }
    void WriteChar(char c) { data_.push_back(c); }
    // Writes indent tabs, the text, and CR LF when lineEnd is set.
    void WriteLine(std::string_view text, int indent = 0, bool lineEnd = true);
    // The decimal text of value through WriteLine.
    void WriteInteger(long long value, int indent = 0, bool lineEnd = true);

    [[nodiscard]] const std::string& Text() const { return data_; }
    // Hands the written bytes over, leaving the writer empty.
    [[nodiscard]] std::string TakeText() { return std::move(data_); }
    // Puts the text written so far (up to a NUL byte) on the clipboard as
    // plain text and empties the writer: the Copy commands of formula lines.
    // False when the program has no clipboard.
    bool FinishToClipboard();

private:
    std::string data_;
};

// The markup of a field list for the entry tests: "{fix " with the field
// count and layout mask bytes, then each field in braces, as the equations
// window writes a line of words and slots.
#pragma once

#include <initializer_list>
#include <string>

inline std::string Fields(int count, int mask, std::initializer_list<std::string> fields)
{
    std::string text = "{fix ";
    text += static_cast<char>(count);
    text += static_cast<char>(mask);
    for (const std::string& field : fields)
        text += "{" + field + "}";
    return text;
}

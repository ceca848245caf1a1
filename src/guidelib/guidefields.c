/* The text work of the guide interface library: field copies, formula conversion, question joins and
 * mouse-action names. */
#include "guidelib/guidefields.h"

#include <string.h>

const TMouseEffectString GuideMouseEffectStrings[GUIDE_MOUSE_ACTION_COUNT] = {
    {"Zoom in", 301},
    {"Zoom out", 302},
    {"Move origin", 304},
    {"Drag grid", 303},
    {"Tangent", 401},
    {"Normal", 402},
    {"Horizontal line to curve", 411},
    {"Vertical line to curve", 412},
    {"Line from origin to curve", 413},
    {"Horizontal line", 406},
    {"Vertical line", 407},
    {"Line through origin", 408},
};

/* The length of TEXT up to its NUL, reading at most LIMIT bytes (strnlen is not plain C99). */
static size_t BoundedLength(const char* text, size_t limit)
{
    size_t length = 0;
    if (text == NULL)
        return 0;
    while (length < limit && text[length] != '\0')
        ++length;
    return length;
}

void GuideCopyField(unsigned char* field, const char* text)
{
    const size_t length = BoundedLength(text, GUIDE_FIELD_SIZE);
    if (length > 0)
        memcpy(field, text, length);
    memset(field + length, 0, GUIDE_FIELD_SIZE - length);
}

void GuideConvertFormula(unsigned char* field)
{
    size_t from = 0;
    size_t to = 0;
    while (from < GUIDE_FIELD_SIZE && field[from] != '\0') {
        unsigned char c = field[from];
        if (c == '#') {
            ++from;
            if (from >= GUIDE_FIELD_SIZE)
                break; /* a "#" in the field's last byte has nothing after it */
            c = field[from];
            if (c > '0')
                c = (unsigned char)(c - '0');
            else if (c == '\0')
                break;
        } else if (c == '[') {
            c = '{';
        } else if (c == ']') {
            c = '}';
        }
        field[to++] = c;
        ++from;
    }
    memset(field + to, 0, GUIDE_FIELD_SIZE - to);
}

void GuideJoinTexts(unsigned char* out, const char* const* texts, size_t count)
{
    size_t used = 0;
    for (size_t index = 0; index < count && used < GUIDE_QUESTION_SIZE; ++index) {
        size_t length = BoundedLength(texts[index], GUIDE_FIELD_SIZE);
        if (length > GUIDE_QUESTION_SIZE - used)
            length = GUIDE_QUESTION_SIZE - used;
        if (length > 0)
            memcpy(out + used, texts[index], length);
        used += length;
        if (used < GUIDE_QUESTION_SIZE)
            out[used++] = GUIDE_QUESTION_SEPARATOR;
    }
    memset(out + used, 0, GUIDE_QUESTION_SIZE - used);
}

static unsigned char AsciiLower(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? (unsigned char)(c - 'A' + 'a') : c;
}

/* Whether the first LENGTH bytes of TEXT are NAME (all of it) without regard to ASCII letter case. */
static int SameName(const char* text, size_t length, const char* name)
{
    if (strlen(name) != length)
        return 0;
    for (size_t index = 0; index < length; ++index) {
        if (AsciiLower((unsigned char)text[index]) != AsciiLower((unsigned char)name[index]))
            return 0;
    }
    return 1;
}

int32_t GuideMouseActionCode(const char* name)
{
    const size_t length = BoundedLength(name, GUIDE_FIELD_SIZE);
    for (size_t index = 0; index < GUIDE_MOUSE_ACTION_COUNT; ++index) {
        if (SameName(name, length, GuideMouseEffectStrings[index].name))
            return GuideMouseEffectStrings[index].code;
    }
    return 0;
}

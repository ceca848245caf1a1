/* The text work of the guide interface library, kept apart from the sending so that tests and the fuzzer
 * can run it alone: copying a caller's text into a 100-byte field, the formula conversion of InsertCurve,
 * the joined texts of a question, and the mouse-action names. None of it reads past a text's NUL or
 * past the 100 bytes of a field. */
#ifndef LUMACURVE_GUIDEFIELDS_H
#define LUMACURVE_GUIDEFIELDS_H

#include "guidelib/guideprotocol.h"

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The bytes a question's joined texts fill: fields 1 to 4. */
#define GUIDE_QUESTION_SIZE (4 * GUIDE_FIELD_SIZE)

/* Copies TEXT up to its NUL, at most GUIDE_FIELD_SIZE bytes, into FIELD and fills the rest with zeros;
 * NULL gives the empty field. */
void GuideCopyField(unsigned char* field, const char* text);

/* Rewrites the formula text of FIELD in place: "[" and "]" become "{" and "}"; "#" and a byte c above
 * "0", both inside the field, become the byte c - 48; any other "#" is dropped and the byte after it
 * kept as it is. The text ends at its NUL or the field's end; the freed bytes become zeros. */
void GuideConvertFormula(unsigned char* field);

/* Joins COUNT texts (each up to its NUL, at most GUIDE_FIELD_SIZE bytes; NULL is empty), each followed by
 * GUIDE_QUESTION_SEPARATOR, into the GUIDE_QUESTION_SIZE bytes of OUT; a longer join is cut, a shorter
 * one followed by zeros. */
void GuideJoinTexts(unsigned char* out, const char* const* texts, size_t count);

/* The mouse code of the action NAME, compared with the table's names without regard to ASCII letter case
 * (at most GUIDE_FIELD_SIZE bytes of NAME are read); 0 for no match or NULL. */
int32_t GuideMouseActionCode(const char* name);

/* The table of mouse-action names and codes the program shares, in order. */
typedef struct TMouseEffectString {
    const char* name;
    int32_t code;
} TMouseEffectString;
#define GUIDE_MOUSE_ACTION_COUNT 12
extern const TMouseEffectString GuideMouseEffectStrings[GUIDE_MOUSE_ACTION_COUNT];

#ifdef __cplusplus
}
#endif

#endif

/* liblumatutor: the guide interface library. A tutoring program calls these functions to drive a running
 * Lumacurve: open exercise documents, set the scales, enter curves, move dynamic constants, simulate mouse
 * drags and pass on questions. Each call reaches the program afresh, sends its command and waits until the
 * program has handled it; when the program is not running nothing happens and the call answers 0.
 *
 * Texts are 8-bit, ended by NUL; at most their first 100 bytes are sent, and NULL counts as the empty
 * text. Numbers given as texts (scales, points, line numbers, colours) are read by the program. Plain
 * commands answer 1 when the program handled them, block commands (those with text parameters) likewise;
 * both answer 0 otherwise. Calls from several threads are taken one at a time. */
#ifndef LUMATUTOR_H
#define LUMATUTOR_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(LUMATUTOR_BUILDING)
#define LUMATUTOR_API __attribute__((visibility("default")))
#else
#define LUMATUTOR_API
#endif

/* Opens the exercise document NAME (no folder, no extension) from the guide folder; ANSWERLINE (1 first)
 * is the line the student's answer is compared with. */
LUMATUTOR_API int32_t OpenLCVFile(const char* name, const char* answerLine);
/* Sets the scales to the bounds given. */
LUMATUTOR_API int32_t Rescale(const char* xMin, const char* yMin, const char* xMax, const char* yMax);
/* New document, without asking to save. */
LUMATUTOR_API unsigned char FileNew(void);
/* Clears the curves, without asking to save. */
LUMATUTOR_API unsigned char ClearCurves(void);
LUMATUTOR_API unsigned char DefaultScales(void);
/* Enters (or, with LINETOREPLACE, replaces) a line. FORMULA is markup written with "[" and "]" for the
 * braces and "#c" for the byte c - 48 (c above "0"); a "#" before any other byte, or at the end, is
 * dropped and that byte kept, so "##" gives "#". */
LUMATUTOR_API int32_t InsertCurve(const char* formula, const char* colour, const char* lineToReplace,
                                  const char* primaryLine);
LUMATUTOR_API unsigned char Positivescales(void);
LUMATUTOR_API unsigned char Trigscales(void);
LUMATUTOR_API unsigned char Radians(void);
LUMATUTOR_API unsigned char Degrees(void);
/* Zooms in at the point given (graph units). */
LUMATUTOR_API int32_t zoomin(const char* x, const char* y);
/* Drags with the mouse tool ACTION (a name of the mouse-action table, any letter case; other names drag
 * with no tool) from the start to the end point (graph units). */
LUMATUTOR_API int32_t ClickMoveMouse(const char* startX, const char* startY, const char* endX,
                                     const char* endY, const char* action);
/* Opens the dynamic constant editor on the constant NAME with the step given. */
LUMATUTOR_API int32_t OpenDynamicEditor(const char* name, const char* step);
/* Sets the constant's value and step and animates it between the limits given. */
LUMATUTOR_API int32_t ChangeDynamicConstant(const char* name, const char* value, const char* firstLimit,
                                            const char* secondLimit, const char* step);
/* Sets the constant to VALUE. */
LUMATUTOR_API int32_t ChangeConstantTo(const char* name, const char* value);
/* Adds INCREMENT to the constant. */
LUMATUTOR_API int32_t ChangeConstantBy(const char* name, const char* increment);
/* Brings the program forward and closes its start-up screen; 1 when the program was reached. */
LUMATUTOR_API unsigned char CloseDialogs(void);
LUMATUTOR_API unsigned char SquareScales(void);
/* Selects line LINENUMBER (1 first); 0 selects none. */
LUMATUTOR_API unsigned char SelectCurve(int32_t lineNumber);
LUMATUTOR_API unsigned char DeleteCurve(int32_t lineNumber);
LUMATUTOR_API unsigned char DeleteSecondaries(int32_t lineNumber);
LUMATUTOR_API unsigned char Redraw(void);
LUMATUTOR_API unsigned char DemoDraw(void);
/* Draws a family of the constant NAME (made when missing): SIZE members apart by STEP from VALUE. */
LUMATUTOR_API int32_t Family(const char* name, const char* value, const char* size, const char* step);
/* Kept for tutoring programs that call it: shows nothing and answers 0. */
LUMATUTOR_API unsigned char LumatutorHelp(int32_t context);
/* Passes on four consecutive 100-byte fields of log-on texts. */
LUMATUTOR_API int32_t Logon(const char* fields);
LUMATUTOR_API int32_t NumberQuestion(const char* text1, const char* text2, const char* text3,
                                     const char* text4, const char* text5);
/* The question functions join their texts, each followed by the byte 0x7F, cut at 400 bytes. */
LUMATUTOR_API int32_t CoordQuestion(const char* text1, const char* text2, const char* text3,
                                    const char* text4, const char* text5, const char* text6);
LUMATUTOR_API int32_t RadioQuestion(const char* text1, const char* text2, const char* text3,
                                    const char* text4, const char* text5, const char* text6,
                                    const char* text7, const char* text8, const char* text9,
                                    const char* text10);
LUMATUTOR_API int32_t CheckQuestion(const char* text1, const char* text2, const char* text3,
                                    const char* text4, const char* text5, const char* text6,
                                    const char* text7, const char* text8, const char* text9,
                                    const char* text10);
/* Opens the coordinate editor on line LINENUMBER (1 first) when it is a coordinate list. */
LUMATUTOR_API unsigned char OpenCoordinateEditor(int32_t lineNumber);
/* 1 lets the program show the guide's messages, anything else stops them. */
LUMATUTOR_API unsigned char MessagesonOff(int32_t on);
LUMATUTOR_API unsigned char CoordinateLabellingOnOff(int32_t on);
LUMATUTOR_API unsigned char SetLineThickness(int32_t thickness);
/* The next and the previous document of the exercise series. */
LUMATUTOR_API unsigned char NextFile(void);
LUMATUTOR_API unsigned char LastFile(void);

#ifdef __cplusplus
}
#endif

#endif

/* A tutoring program written in plain C99 sees the library's header as it is: every export with its
 * parameter and result types, and the protocol header beside it. Built with -std=c99 -pedantic-errors. */
#include "guideprotocol.h"
#include "lumatutor.h"

#include <stddef.h>

typedef int32_t (*TText2)(const char*, const char*);
typedef int32_t (*TText4)(const char*, const char*, const char*, const char*);
typedef int32_t (*TText5)(const char*, const char*, const char*, const char*, const char*);
typedef int32_t (*TText10)(const char*, const char*, const char*, const char*, const char*, const char*,
                           const char*, const char*, const char*, const char*);
typedef unsigned char (*TPlain)(void);
typedef unsigned char (*TNumber)(int32_t);

/* The frame is four int32 values without padding. */
typedef char FrameHasNoPadding[sizeof(TGuideFrame) == 4 * sizeof(int32_t) ? 1 : -1];

/* The number of exports this C client names with the types it expects (a wrong type fails to build). */
int LumatutorExportsSeenFromC(void)
{
    const TText2 text2[] = {OpenLCVFile, zoomin, OpenDynamicEditor, ChangeConstantTo, ChangeConstantBy};
    const TText4 text4[] = {Rescale, InsertCurve, Family};
    const TText5 text5[] = {ClickMoveMouse, ChangeDynamicConstant, NumberQuestion};
    const TText10 text10[] = {RadioQuestion, CheckQuestion};
    int32_t (*const coord)(const char*, const char*, const char*, const char*, const char*, const char*) =
        CoordQuestion;
    int32_t (*const logon)(const char*) = Logon;
    const TPlain plain[] = {FileNew,  ClearCurves, DefaultScales, Positivescales, Trigscales,
                            Radians,  Degrees,     CloseDialogs,  SquareScales,   Redraw,
                            DemoDraw, NextFile,    LastFile};
    const TNumber number[] = {
        SelectCurve,          DeleteCurve,   DeleteSecondaries,        LumatutorHelp,
        OpenCoordinateEditor, MessagesonOff, CoordinateLabellingOnOff, SetLineThickness};
    const size_t count = sizeof text2 / sizeof text2[0] + sizeof text4 / sizeof text4[0] +
                         sizeof text5 / sizeof text5[0] + sizeof text10 / sizeof text10[0] +
                         sizeof plain / sizeof plain[0] + sizeof number / sizeof number[0];
    (void)coord;
    (void)logon;
    return (int)count + 2; /* CoordQuestion and Logon, of types of their own */
}

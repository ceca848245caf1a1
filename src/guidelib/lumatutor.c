/* The exports of the guide interface library: each turns one guide action into frames of the guide
 * channel, with its texts in the shared block when it has any. Every export reaches the program afresh,
 * holds the library's one lock while it sends (the block has one name), and answers 0 unless the program
 * received and answered every frame it needed. */
#include "lumatutor.h"

#include "guidelib/guidechannel.h"
#include "guidelib/guidefields.h"

#include <pthread.h>
#include <string.h>

static pthread_mutex_t SendLock = PTHREAD_MUTEX_INITIALIZER;

/* Asks which window is on top and sends code 0 to it, which closes the start-up screen; 1 when the
 * program answered the question. */
static int BringForward(int connection)
{
    int32_t top = 0;
    if (!GuideSendFrame(connection, GUIDE_TARGET_MAIN, GUIDE_CODE_TOP_WINDOW, 0, &top))
        return 0;
    if (top >= GUIDE_TARGET_COORDINATE_EDITOR && top <= GUIDE_TARGET_STARTUP_SCREEN) {
        int32_t ignored = 0;
        (void)GuideSendFrame(connection, top, 0, 0, &ignored);
    }
    return 1;
}

/* BringForward, then the command; 1 when the main window handled it (answered 0). */
static int SendCommandOn(int connection, int32_t code, int32_t subCode)
{
    int32_t answer = -1;
    return BringForward(connection) &&
           GuideSendFrame(connection, GUIDE_TARGET_MAIN, code, subCode, &answer) && answer == 0;
}

/* A plain command. */
static unsigned char SendCommand(int32_t code, int32_t subCode)
{
    pthread_mutex_lock(&SendLock);
    const int connection = GuideConnect();
    const int handled = connection >= 0 && SendCommandOn(connection, code, subCode);
    GuideDisconnect(connection);
    pthread_mutex_unlock(&SendLock);
    return handled ? 1 : 0;
}

/* A command whose GUIDE_BLOCK_SIZE bytes of FIELDS are in the shared block while it is sent. */
static int32_t SendWithBlock(int32_t code, int32_t subCode, const unsigned char* fields)
{
    pthread_mutex_lock(&SendLock);
    int handled = 0;
    const int connection = GuideConnect();
    TGuideBlock block;
    if (connection >= 0 && GuideCreateBlock(&block, fields)) {
        handled = SendCommandOn(connection, code, subCode);
        GuideRemoveBlock(&block);
    }
    GuideDisconnect(connection);
    pthread_mutex_unlock(&SendLock);
    return handled ? 1 : 0;
}

/* The five TEXTS (NULL for an empty field) as the fields of a block. */
static void CopyFields(unsigned char* fields, const char* const* texts)
{
    for (int index = 0; index < GUIDE_FIELD_COUNT; ++index)
        GuideCopyField(fields + index * GUIDE_FIELD_SIZE, texts[index]);
}

/* A command with the five texts as fields (NULL for an empty field). */
static int32_t SendWithFields(int32_t code, int32_t subCode, const char* text1, const char* text2,
                              const char* text3, const char* text4, const char* text5)
{
    const char* const texts[GUIDE_FIELD_COUNT] = {text1, text2, text3, text4, text5};
    unsigned char fields[GUIDE_BLOCK_SIZE];
    CopyFields(fields, texts);
    return SendWithBlock(code, subCode, fields);
}

/* A question of code 21: the texts joined into fields 1 to 4, field 5 empty. */
static int32_t SendQuestion(int32_t subCode, const char* const* texts, size_t count)
{
    unsigned char fields[GUIDE_BLOCK_SIZE];
    GuideJoinTexts(fields, texts, count);
    memset(fields + GUIDE_QUESTION_SIZE, 0, GUIDE_BLOCK_SIZE - GUIDE_QUESTION_SIZE);
    return SendWithBlock(21, subCode, fields);
}

/* The program's index (from 0) of a line number (from 1), from the number's low 16 bits. */
static int32_t LineIndex(int32_t lineNumber)
{
    return (int32_t)(lineNumber & 0xFFFF) - 1;
}

int32_t OpenLCVFile(const char* name, const char* answerLine)
{
    return SendWithFields(0, 0, name, answerLine, NULL, NULL, NULL);
}

int32_t Rescale(const char* xMin, const char* yMin, const char* xMax, const char* yMax)
{
    return SendWithFields(1, 0, xMin, yMin, xMax, yMax, yMax);
}

unsigned char FileNew(void)
{
    return SendCommand(2, 1);
}

unsigned char ClearCurves(void)
{
    return SendCommand(2, 0);
}

unsigned char DefaultScales(void)
{
    return SendCommand(3, 0);
}

int32_t InsertCurve(const char* formula, const char* colour, const char* lineToReplace,
                    const char* primaryLine)
{
    const char* const texts[GUIDE_FIELD_COUNT] = {formula, colour, lineToReplace, primaryLine, NULL};
    unsigned char fields[GUIDE_BLOCK_SIZE];
    CopyFields(fields, texts);
    GuideConvertFormula(fields);
    return SendWithBlock(17, 0, fields);
}

unsigned char Positivescales(void)
{
    return SendCommand(4, 0);
}

unsigned char Trigscales(void)
{
    return SendCommand(5, 0);
}

unsigned char Radians(void)
{
    return SendCommand(7, 1);
}

unsigned char Degrees(void)
{
    return SendCommand(7, 0);
}

int32_t zoomin(const char* x, const char* y)
{
    return SendWithFields(10, 301, x, y, x, x, x);
}

int32_t ClickMoveMouse(const char* startX, const char* startY, const char* endX, const char* endY,
                       const char* action)
{
    return SendWithFields(8, GuideMouseActionCode(action), startX, startY, endX, endY, endY);
}

int32_t OpenDynamicEditor(const char* name, const char* step)
{
    return SendWithFields(15, 1, name, step, step, step, step);
}

int32_t ChangeDynamicConstant(const char* name, const char* value, const char* firstLimit,
                              const char* secondLimit, const char* step)
{
    return SendWithFields(15, 0, name, value, firstLimit, secondLimit, step);
}

int32_t ChangeConstantTo(const char* name, const char* value)
{
    /* The value goes in field 2 as well as field 4: the program sets a constant to field 2 when another of
     * fields 3 to 5 is a number, while field 4 alone would change nothing. */
    return SendWithFields(15, 0, name, value, NULL, value, NULL);
}

int32_t ChangeConstantBy(const char* name, const char* increment)
{
    return SendWithFields(15, 0, name, increment, NULL, NULL, NULL);
}

unsigned char CloseDialogs(void)
{
    pthread_mutex_lock(&SendLock);
    const int connection = GuideConnect();
    const int reached = connection >= 0 && BringForward(connection);
    GuideDisconnect(connection);
    pthread_mutex_unlock(&SendLock);
    return reached ? 1 : 0;
}

unsigned char SquareScales(void)
{
    return SendCommand(6, 0);
}

unsigned char SelectCurve(int32_t lineNumber)
{
    return SendCommand(12, LineIndex(lineNumber));
}

unsigned char DeleteCurve(int32_t lineNumber)
{
    return SendCommand(13, LineIndex(lineNumber));
}

unsigned char DeleteSecondaries(int32_t lineNumber)
{
    return SendCommand(14, LineIndex(lineNumber));
}

unsigned char Redraw(void)
{
    return SendCommand(18, 1);
}

unsigned char DemoDraw(void)
{
    return SendCommand(19, 1);
}

int32_t Family(const char* name, const char* value, const char* size, const char* step)
{
    return SendWithFields(20, 0, name, value, size, step, NULL);
}

unsigned char LumatutorHelp(int32_t context)
{
    (void)context;
    return 0;
}

int32_t Logon(const char* fields)
{
    if (fields == NULL)
        return SendWithFields(21, 1, NULL, NULL, NULL, NULL, NULL);
    return SendWithFields(21, 1, fields, fields + GUIDE_FIELD_SIZE, fields + 2 * GUIDE_FIELD_SIZE,
                          fields + 3 * GUIDE_FIELD_SIZE, NULL);
}

int32_t NumberQuestion(const char* text1, const char* text2, const char* text3, const char* text4,
                       const char* text5)
{
    return SendWithFields(21, 2, text1, text2, text3, text4, text5);
}

int32_t CoordQuestion(const char* text1, const char* text2, const char* text3, const char* text4,
                      const char* text5, const char* text6)
{
    const char* const texts[] = {text1, text2, text3, text4, text5, text6};
    return SendQuestion(3, texts, sizeof texts / sizeof texts[0]);
}

int32_t RadioQuestion(const char* text1, const char* text2, const char* text3, const char* text4,
                      const char* text5, const char* text6, const char* text7, const char* text8,
                      const char* text9, const char* text10)
{
    const char* const texts[] = {text1, text2, text3, text4, text5, text6, text7, text8, text9, text10};
    return SendQuestion(4, texts, sizeof texts / sizeof texts[0]);
}

int32_t CheckQuestion(const char* text1, const char* text2, const char* text3, const char* text4,
                      const char* text5, const char* text6, const char* text7, const char* text8,
                      const char* text9, const char* text10)
{
    const char* const texts[] = {text1, text2, text3, text4, text5, text6, text7, text8, text9, text10};
    return SendQuestion(5, texts, sizeof texts / sizeof texts[0]);
}

unsigned char OpenCoordinateEditor(int32_t lineNumber)
{
    return SendCommand(22, lineNumber);
}

unsigned char MessagesonOff(int32_t on)
{
    return SendCommand(23, on);
}

unsigned char CoordinateLabellingOnOff(int32_t on)
{
    return SendCommand(24, on);
}

unsigned char SetLineThickness(int32_t thickness)
{
    return SendCommand(25, thickness);
}

unsigned char NextFile(void)
{
    return SendCommand(26, 0);
}

unsigned char LastFile(void)
{
    return SendCommand(27, 0);
}

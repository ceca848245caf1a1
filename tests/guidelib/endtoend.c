/* A tutoring program written in C drives a real offscreen lumacurve through the built guide library: it
 * starts the program with socket and block names of its own on the session bus it runs under, enters
 * lines through the shared block, sets trig scales, sends a line of bad markup and selects a line, and
 * reads each effect back from the program's document over D-Bus with gdbus, as any client would.
 * Usage: endtoend PROGRAM. Exits 0 when every check holds, 77 (skipped) without a session bus, gdbus or
 * the program, 1 otherwise. */
#define _GNU_SOURCE
#include "lumatutor.h"

#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

enum { Skip = 77 };

static int Failures = 0;
static pid_t Program = -1;

static void Check(int condition, const char* what)
{
    if (!condition) {
        fprintf(stderr, "endtoend: FAILED: %s\n", what);
        ++Failures;
    }
}

static void Pause(int milliseconds)
{
    const struct timespec wait = {milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    nanosleep(&wait, NULL);
}

/* The program's document lines as gdbus prints them, or NULL when the call failed; the caller frees it. */
static char* DocumentText(void)
{
    FILE* gdbus = popen("gdbus call --session --dest org.brenlow.Lumacurve --object-path "
                        "/org/brenlow/Lumacurve --method org.brenlow.Lumacurve1.GetText 2>/dev/null",
                        "r");
    if (gdbus == NULL)
        return NULL;
    size_t size = 0, capacity = 4096;
    char* text = malloc(capacity);
    size_t got;
    while (text != NULL && (got = fread(text + size, 1, capacity - size - 1, gdbus)) > 0) {
        size += got;
        if (capacity - size < 2) {
            char* larger = realloc(text, capacity * 2);
            if (larger == NULL) {
                free(text);
                text = NULL;
                break;
            }
            text = larger;
            capacity *= 2;
        }
    }
    const int status = pclose(gdbus);
    if (text == NULL || status != 0 || size == 0) {
        free(text);
        return NULL;
    }
    text[size] = '\0';
    return text;
}

/* How often NEEDLE occurs in the document. */
static int Occurrences(const char* text, const char* needle)
{
    int count = 0;
    for (const char* at = text; (at = strstr(at, needle)) != NULL; at += strlen(needle))
        ++count;
    return count;
}

/* Whether the document holds every one of NEEDLES (NULL-ended) and none of ABSENT (NULL-ended). */
static int DocumentHolds(const char* const* needles, const char* const* absent, const char* what)
{
    char* text = DocumentText();
    Check(text != NULL, "GetText over the bus answered");
    if (text == NULL)
        return 0;
    int holds = 1;
    for (; needles != NULL && *needles != NULL; ++needles)
        if (strstr(text, *needles) == NULL) {
            fprintf(stderr, "endtoend: %s: the document lacks \"%s\"\n", what, *needles);
            holds = 0;
        }
    for (; absent != NULL && *absent != NULL; ++absent)
        if (strstr(text, *absent) != NULL) {
            fprintf(stderr, "endtoend: %s: the document holds \"%s\"\n", what, *absent);
            holds = 0;
        }
    if (!holds)
        fprintf(stderr, "endtoend: the document: %s\n", text);
    free(text);
    return holds;
}

static int OnPath(const char* name)
{
    char command[256];
    snprintf(command, sizeof command, "command -v %s >/dev/null 2>&1", name);
    return system(command) == 0;
}

static void StopProgram(void)
{
    if (Program <= 0)
        return;
    kill(Program, SIGTERM);
    for (int waited = 0; waited < 10000; waited += 50) {
        if (waitpid(Program, NULL, WNOHANG) == Program) {
            Program = -1;
            return;
        }
        Pause(50);
    }
    kill(Program, SIGKILL);
    waitpid(Program, NULL, 0);
    Program = -1;
}

/* Starts PATH --automation off screen in a home of its own under FOLDER; 1 when started. */
static int StartProgram(const char* path, const char* folder)
{
    char home[512], config[600], data[600];
    snprintf(home, sizeof home, "%s/home", folder);
    snprintf(config, sizeof config, "%s/.config", home);
    snprintf(data, sizeof data, "%s/.local", home);
    if (mkdir(home, 0700) != 0)
        return 0;
    Program = fork();
    if (Program < 0)
        return 0;
    if (Program == 0) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("HOME", home, 1);
        setenv("XDG_CONFIG_HOME", config, 1);
        setenv("XDG_DATA_HOME", data, 1);
        setenv("LC_ALL", "C", 1);
        execl(path, path, "--automation", (char*)NULL);
        _exit(127);
    }
    return 1;
}

int main(int argc, char** argv)
{
    if (argc != 2 || access(argv[1], X_OK) != 0) {
        fprintf(stderr, "endtoend: skipped: the program is not built (%s)\n", argc > 1 ? argv[1] : "none");
        return Skip;
    }
    if (getenv("DBUS_SESSION_BUS_ADDRESS") == NULL || !OnPath("gdbus")) {
        fprintf(stderr, "endtoend: skipped: no session bus or no gdbus (run inside dbus-run-session)\n");
        return Skip;
    }
    char folder[] = "/tmp/lumacurve-endtoend-XXXXXX";
    if (mkdtemp(folder) == NULL) {
        perror("endtoend: mkdtemp");
        return 1;
    }
    /* The library and the program meet on names of this run's own. */
    char socketPath[256], blockName[64];
    snprintf(socketPath, sizeof socketPath, "%s/guide.socket", folder);
    snprintf(blockName, sizeof blockName, "/lumacurve-endtoend-%ld", (long)getpid());
    setenv("LUMACURVE_GUIDE_SOCKET", socketPath, 1);
    setenv("LUMACURVE_GUIDE_BLOCK", blockName, 1);

    /* Before the program runs, every call answers 0 and does nothing. */
    Check(Redraw() == 0, "a call without the program answers 0");
    if (!StartProgram(argv[1], folder)) {
        perror("endtoend: starting the program");
        return 1;
    }
    /* The program is there when it answers the library and the bus. */
    int ready = 0;
    for (int waited = 0; waited < 60000 && !ready; waited += 100) {
        if (waitpid(Program, NULL, WNOHANG) == Program) {
            Program = -1;
            break;
        }
        char* text = CloseDialogs() == 1 ? DocumentText() : NULL;
        ready = text != NULL;
        free(text);
        if (!ready)
            Pause(100);
    }
    Check(ready, "the program answered the library and the bus within a minute");
    if (!ready) {
        StopProgram();
        return 1;
    }

    /* Lines entered through the block, the second in colour 3. */
    Check(InsertCurve("y=2x", NULL, NULL, NULL) == 1, "InsertCurve y=2x was handled");
    Check(InsertCurve("y=x^2", "3", NULL, NULL) == 1, "InsertCurve y=x^2 was handled");
    {
        const char* needles[] = {"y=2x", "y=x^2", NULL};
        Check(DocumentHolds(needles, NULL, "two lines entered"), "both lines are in the document");
    }
    /* A line of bad markup is handled (the program shows entry's message) and adds nothing. */
    char* before = DocumentText();
    Check(InsertCurve("y=[Mtrx #1#1", NULL, NULL, NULL) == 1, "a bad line was handled");
    char* after = DocumentText();
    Check(before != NULL && after != NULL &&
              Occurrences(after, "'Curve'") == Occurrences(before, "'Curve'") &&
              strstr(after, "Mtrx") == NULL,
          "a bad line adds nothing to the document");
    free(before);
    free(after);

    /* Trig scales follow the angle measure: a whole turn either way. */
    Check(Degrees() == 1 && Trigscales() == 1, "degrees and trig scales were handled");
    {
        const char* needles[] = {"min = -3.600000E+0002", "max =  3.600000E+0002", "min = -1.500000E+0000",
                                 "max =  1.500000E+0000", NULL};
        Check(DocumentHolds(needles, NULL, "trig scales in degrees"), "trig scales in degrees");
    }
    Check(Radians() == 1 && Trigscales() == 1, "radians and trig scales were handled");
    {
        const char* needles[] = {"x scaling: {p", "min = -6.280000E+0000", "max =  6.280000E+0000", NULL};
        Check(DocumentHolds(needles, NULL, "trig scales in radians"), "trig scales in radians");
    }

    /* A selection (lines count from 1 in the library, from 0 in the document), then a deletion of it. */
    Check(SelectCurve(1) == 1, "SelectCurve 1 was handled");
    {
        const char* needles[] = {"Selected curve no: 0", NULL};
        Check(DocumentHolds(needles, NULL, "line 1 selected"), "line 1 is selected");
    }
    Check(SelectCurve(2) == 1, "SelectCurve 2 was handled");
    {
        const char* needles[] = {"Selected curve no: 1", NULL};
        Check(DocumentHolds(needles, NULL, "line 2 selected"), "line 2 is selected");
    }
    Check(DeleteCurve(1) == 1, "DeleteCurve 1 was handled");
    {
        const char* needles[] = {"y=x^2", NULL};
        const char* absent[] = {"y=2x", NULL};
        Check(DocumentHolds(needles, absent, "line 1 deleted"), "line 1 is deleted, line 2 stays");
    }

    StopProgram();
    Check(Redraw() == 0, "a call after the program ended answers 0");
    char remove[600];
    snprintf(remove, sizeof remove, "rm -rf '%s'", folder);
    if (system(remove) != 0)
        fprintf(stderr, "endtoend: %s was not removed\n", folder);
    if (Failures == 0)
        printf("endtoend: every check held\n");
    return Failures == 0 ? 0 : 1;
}

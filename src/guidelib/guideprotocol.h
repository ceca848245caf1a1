/* What the guide interface library and the program's receiver agree on: where the receiver listens, the
 * frame a command travels in and its reply, the windows a frame can be meant for, the shared block of
 * text fields, and the environment variables that move both names (tests use them). Plain C that includes
 * nothing of ours, so both sides can include it. */
#ifndef LUMACURVE_GUIDEPROTOCOL_H
#define LUMACURVE_GUIDEPROTOCOL_H

#include <stdint.h>

/* The receiver listens on a Unix-domain stream socket named after the main window's class:
 * $XDG_RUNTIME_DIR/TLumacurveForm, or /tmp/TLumacurveForm-<uid> when XDG_RUNTIME_DIR is unset or empty.
 * LUMACURVE_GUIDE_SOCKET, when set and not empty, names the socket's path instead. */
#define GUIDE_WINDOW_CLASS "TLumacurveForm"
#define GUIDE_SOCKET_FALLBACK_FOLDER "/tmp"
#define GUIDE_SOCKET_ENV "LUMACURVE_GUIDE_SOCKET"

/* The message number every frame carries. */
#define GUIDE_MESSAGE 1046

/* One command: four native-endian int32 values. The sender writes a frame and waits for its reply, one
 * native int32, before it writes the next frame on the same connection; it may send several frames on
 * one connection and closes it when done. A connection closed before the reply means "not answered". */
typedef struct TGuideFrame {
    int32_t message; /* GUIDE_MESSAGE; the receiver closes a connection that sends any other */
    int32_t target;  /* one of TGuideTarget */
    int32_t code;    /* the command code, low 16 bits only */
    int32_t subCode;
} TGuideFrame;

typedef int32_t TGuideReply;

/* The windows a frame is meant for. The answer to command GUIDE_CODE_TOP_WINDOW names one of them (or
 * GUIDE_TARGET_MAIN for none); any frame sent to the start-up screen closes it (the library sends code 0
 * and sub-code 0), and the two editors answer 0 to every frame and do nothing. */
typedef enum TGuideTarget {
    GUIDE_TARGET_MAIN = 0,
    GUIDE_TARGET_COORDINATE_EDITOR = 1,
    GUIDE_TARGET_DYNAMIC_EDITOR = 2,
    GUIDE_TARGET_STARTUP_SCREEN = 3
} TGuideTarget;

/* The command that restores the program and answers which of its windows is on top. */
#define GUIDE_CODE_TOP_WINDOW 16

/* The shared block: a POSIX shared-memory object of five text fields of 100 bytes each, field 1 at
 * offset 0. A field holds an 8-bit text ended by NUL, or 100 bytes of text without one. The sender
 * creates it (mode 0600) and fills it before a frame and removes it after the reply; the receiver opens
 * it by name for reading and copies it while it handles the frame. LUMACURVE_GUIDE_BLOCK, when set and
 * not empty, names it instead. */
#define GUIDE_BLOCK_NAME "/Lumacurve-Guide"
#define GUIDE_BLOCK_ENV "LUMACURVE_GUIDE_BLOCK"
#define GUIDE_FIELD_SIZE 100
#define GUIDE_FIELD_COUNT 5
#define GUIDE_BLOCK_SIZE (GUIDE_FIELD_SIZE * GUIDE_FIELD_COUNT)

/* The byte that ends each text of a question joined into fields 1 to 4. */
#define GUIDE_QUESTION_SEPARATOR 0x7F

#endif

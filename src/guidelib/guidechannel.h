/* The sending side of the guide channel: reaching the program's receiver over its Unix-domain socket,
 * one frame and its reply at a time, and the shared block the fields travel in. Nothing here prints,
 * raises a signal or keeps state between calls. */
#ifndef LUMACURVE_GUIDECHANNEL_H
#define LUMACURVE_GUIDECHANNEL_H

#include "guidelib/guideprotocol.h"

#include <stdint.h>

/* Connects to the receiver named by the environment (see guideprotocol.h); the socket, or -1 when the
 * program cannot be reached. */
int GuideConnect(void);

/* Closes a socket from GuideConnect; -1 is ignored. */
void GuideDisconnect(int connection);

/* Sends one frame to TARGET and waits for its reply; 1 with *REPLY set when the frame was delivered and
 * answered, 0 when it was not (an error, or the receiver closed first). */
int GuideSendFrame(int connection, int32_t target, int32_t code, int32_t subCode, int32_t* reply);

/* A shared block that exists while a command is sent. */
typedef struct TGuideBlock {
    char name[256];
    int descriptor;
} TGuideBlock;

/* Creates the block named by the environment, only for this user (a leftover of this user's under that
 * name is removed once first), and fills it with the GUIDE_BLOCK_SIZE bytes of FIELDS; 1 on success.
 * On failure nothing is left behind. */
int GuideCreateBlock(TGuideBlock* block, const unsigned char* fields);

/* Closes and removes a block made by GuideCreateBlock. */
void GuideRemoveBlock(TGuideBlock* block);

#endif

// A per-process mark that ORX_Uninitialize (OrxCore) has run since the button
// callback (OrxVKbd) was last registered. The two libraries share nothing else
// inside a process, so a named event carries it.
#ifndef UNINITMARK_H
#define UNINITMARK_H

#include <windows.h>

void UninitMarkSet(void);
void UninitMarkClear(void);
BOOL UninitMarkIsSet(void);

#endif

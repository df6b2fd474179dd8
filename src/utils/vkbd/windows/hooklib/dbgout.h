// The debug log's side door for the library's own loader callouts: between these
// two calls, DBGOUT on that thread keeps its line for later instead of writing.
#ifndef DBGOUT_H
#define DBGOUT_H

void EnterLoaderCallout(void);
void LeaveLoaderCallout(void);

#endif

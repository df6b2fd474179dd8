// What every stand-in library entry point shares: the forced result a test can
// set per operation, and the one call-log line each call leaves.
#ifndef ORXOP_H
#define ORXOP_H

#include <windows.h>

// TRUE with *pdwResult set when Result_<pszOp> holds a non-zero code: the call
// must then return that code and change nothing. A forced 0 means "behave normally".
BOOL OrxForcedFailure(LPCWSTR pszOp, DWORD *pdwResult);

// Logs "<op>[ <arg>] -> <result>[ (<out>)]", every number as signed decimal;
// a NULL pdwArg or pdwOut leaves that part out.
void OrxLogCall(LPCWSTR pszOp, const DWORD *pdwArg, DWORD dwResult, const DWORD *pdwOut);

#endif

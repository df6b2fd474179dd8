// Number arguments of the control program: decimal, 0x-hex, or negative decimal
// taken as its 32-bit pattern, so any DWORD a test needs can be written.
#include <windows.h>
#include "orxctl.h"

static int DigitValue(WCHAR ch, unsigned uBase)
{
    int nDigit = -1;
    if (ch >= L'0' && ch <= L'9')
        nDigit = ch - L'0';
    else if (ch >= L'a' && ch <= L'f')
        nDigit = ch - L'a' + 10;
    else if (ch >= L'A' && ch <= L'F')
        nDigit = ch - L'A' + 10;
    return nDigit >= 0 && (unsigned)nDigit < uBase ? nDigit : -1;
}

BOOL ParseDword(LPCWSTR psz, DWORD *pdwValue)
{
    BOOL fNegative = FALSE;
    unsigned uBase = 10;
    if (psz[0] == L'-')
    {
        fNegative = TRUE;
        ++psz;
    }
    else if (psz[0] == L'0' && (psz[1] == L'x' || psz[1] == L'X'))
    {
        uBase = 16;
        psz += 2;
    }
    if (*psz == L'\0')
        return FALSE;
    ULONGLONG ullValue = 0;
    for (; *psz != L'\0'; ++psz)
    {
        int nDigit = DigitValue(*psz, uBase);
        if (nDigit < 0)
            return FALSE;
        ullValue = ullValue * uBase + (unsigned)nDigit;
        if (ullValue > 0xFFFFFFFFull)
            return FALSE;
    }
    if (fNegative)
    {
        if (ullValue > 0x80000000ull)
            return FALSE;
        ullValue = (0x100000000ull - ullValue) & 0xFFFFFFFFull;
    }
    *pdwValue = (DWORD)ullValue;
    return TRUE;
}

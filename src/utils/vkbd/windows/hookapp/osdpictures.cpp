// The decoded OSD pictures, kept between paints: a picture is decoded again only
// when its file's time or size has changed, so a shown window still always has
// the current pictures. Main thread only (the paint).
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <strsafe.h>
#include "tarnview.h"

#define PICTURE_SLOTS 40      // the 19 pictures at both sizes, and two to spare
#define PICTURE_PATH_CCH 100
#define PICTURE_MAX_BYTES (4 * 1024 * 1024)

typedef struct CACHED_PICTURE
{
    WCHAR szPath[PICTURE_PATH_CCH];
    FILETIME ftWrite;
    DWORD cbFile;
    IStream *pStream;           // GDI+ reads the picture from it for as long as it lives
    Gdiplus::Image *pImage;
} CACHED_PICTURE;

static CACHED_PICTURE s_pictures[PICTURE_SLOTS];

static void ForgetPicture(CACHED_PICTURE *p)
{
    delete p->pImage;
    if (p->pStream)
        p->pStream->Release();
    ZeroMemory(p, sizeof(*p));
}

// The file's bytes in a stream of their own, so the file itself stays free to be
// replaced while the picture is in use.
static IStream *ReadPictureFile(LPCWSTR pszPath, DWORD cbFile)
{
    if (cbFile == 0 || cbFile > PICTURE_MAX_BYTES)
        return NULL;
    HGLOBAL hMem = GlobalAlloc(GMEM_MOVEABLE, cbFile);
    if (!hMem)
        return NULL;
    BOOL bRead = FALSE;
    HANDLE hFile = CreateFileW(pszPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                               OPEN_EXISTING, 0, NULL);
    if (hFile != INVALID_HANDLE_VALUE)
    {
        DWORD cbRead = 0;
        bRead = ReadFile(hFile, GlobalLock(hMem), cbFile, &cbRead, NULL) && cbRead == cbFile;
        GlobalUnlock(hMem);
        CloseHandle(hFile);
    }
    IStream *pStream = NULL;
    if (!bRead || CreateStreamOnHGlobal(hMem, TRUE, &pStream) != S_OK)
    {
        GlobalFree(hMem);
        return NULL;
    }
    return pStream;
}

static void DecodePicture(CACHED_PICTURE *p, LPCWSTR pszPath, const WIN32_FILE_ATTRIBUTE_DATA *pfad)
{
    ForgetPicture(p);
    StringCchCopyW(p->szPath, PICTURE_PATH_CCH, pszPath);
    p->ftWrite = pfad->ftLastWriteTime;
    p->cbFile = pfad->nFileSizeLow;
    p->pStream = ReadPictureFile(pszPath, pfad->nFileSizeHigh ? 0 : pfad->nFileSizeLow);
    if (p->pStream)
        p->pImage = new Gdiplus::Image(p->pStream);
    if (p->pImage && p->pImage->GetLastStatus() != Gdiplus::Ok)
    {
        delete p->pImage;
        p->pImage = NULL;
    }
}

static CACHED_PICTURE *SlotOf(LPCWSTR pszPath)
{
    CACHED_PICTURE *pFree = NULL;
    for (CACHED_PICTURE &picture : s_pictures)
    {
        if (wcscmp(picture.szPath, pszPath) == 0)
            return &picture;
        if (!pFree && !picture.szPath[0])
            pFree = &picture;
    }
    // Full (only if pictures beyond the known ones are asked for): reuse the first.
    return pFree ? pFree : &s_pictures[0];
}

// The picture for a path, owned here; NULL when the file is missing or does not
// decode, which the paint draws as nothing.
Gdiplus::Image *OsdPicture(LPCWSTR pszPath)
{
    WIN32_FILE_ATTRIBUTE_DATA fad;
    if (!pszPath[0] || wcslen(pszPath) >= PICTURE_PATH_CCH
        || !GetFileAttributesExW(pszPath, GetFileExInfoStandard, &fad))
        return NULL;
    CACHED_PICTURE *p = SlotOf(pszPath);
    // A picture that did not open or decode (a passing failure at logon) is tried again.
    if (!p->pImage || wcscmp(p->szPath, pszPath) != 0 || CompareFileTime(&p->ftWrite, &fad.ftLastWriteTime) != 0
        || p->cbFile != fad.nFileSizeLow)
        DecodePicture(p, pszPath, &fad);
    return p->pImage;
}

// The accessible object of an OSD window: the system's own client object for
// everything but role and name. Screen readers speak an alert only from an
// object in the alert role, and the name is the indicator's spoken name (the
// window text). One static object per OSD window, alive for the process.
#define CINTERFACE
#include <windows.h>
#include <oleacc.h>
#include "tarnview.h"

typedef struct OSD_ACCESSIBLE
{
    IAccessible acc;     // first: the interface pointer is the object
    HWND hWnd;
    IAccessible *pStd;   // the system's client object of the window, made once
} OSD_ACCESSIBLE;

static OSD_ACCESSIBLE s_osdAcc[3];

// Our own copy: the import library's IID_IAccessible resolves to an import
// thunk, not to the identifier.
static const IID s_iidAccessible = { 0x618736e0, 0x3c3d, 0x11cf, { 0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71 } };

static IAccessible *Std(IAccessible *This)
{
    return ((OSD_ACCESSIBLE *)This)->pStd;
}

static BOOL IsSelf(VARIANT varChild)
{
    return varChild.vt == VT_I4 && varChild.lVal == CHILDID_SELF;
}

// The window is the standard object's (the OSD has no children). Nothing else is
// handed on: COM asks for its marshalling interfaces, and the standard object
// must never be marshalled in our place.
static HRESULT STDMETHODCALLTYPE AccQueryInterface(IAccessible *This, REFIID riid, void **ppv)
{
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, s_iidAccessible))
    {
        *ppv = This;
        return S_OK;
    }
    if (IsEqualIID(riid, IID_IOleWindow))
        return Std(This)->lpVtbl->QueryInterface(Std(This), riid, ppv);
    *ppv = NULL;
    return E_NOINTERFACE;
}

static ULONG STDMETHODCALLTYPE AccAddRef(IAccessible *This)
{
    (void)This;
    return 1;
}

static HRESULT STDMETHODCALLTYPE AccGetTypeInfoCount(IAccessible *This, UINT *pctinfo)
{
    return Std(This)->lpVtbl->GetTypeInfoCount(Std(This), pctinfo);
}

static HRESULT STDMETHODCALLTYPE AccGetTypeInfo(IAccessible *This, UINT iTInfo, LCID lcid, ITypeInfo **ppTInfo)
{
    return Std(This)->lpVtbl->GetTypeInfo(Std(This), iTInfo, lcid, ppTInfo);
}

static HRESULT STDMETHODCALLTYPE AccGetIDsOfNames(IAccessible *This, REFIID riid, LPOLESTR *rgszNames, UINT cNames,
                                                  LCID lcid, DISPID *rgDispId)
{
    return Std(This)->lpVtbl->GetIDsOfNames(Std(This), riid, rgszNames, cNames, lcid, rgDispId);
}

static HRESULT STDMETHODCALLTYPE AccInvoke(IAccessible *This, DISPID dispIdMember, REFIID riid, LCID lcid,
                                           WORD wFlags, DISPPARAMS *pDispParams, VARIANT *pVarResult,
                                           EXCEPINFO *pExcepInfo, UINT *puArgErr)
{
    // Through our own methods, so a client by name hears the alert role and the name too.
    if (!IsEqualIID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo *pInfo = NULL;
    HRESULT hr = Std(This)->lpVtbl->GetTypeInfo(Std(This), 0, lcid, &pInfo);
    if (FAILED(hr))
        return hr;
    hr = pInfo->lpVtbl->Invoke(pInfo, This, dispIdMember, wFlags, pDispParams, pVarResult, pExcepInfo, puArgErr);
    pInfo->lpVtbl->Release(pInfo);
    return hr;
}

static HRESULT STDMETHODCALLTYPE AccGetParent(IAccessible *This, IDispatch **ppdispParent)
{
    return Std(This)->lpVtbl->get_accParent(Std(This), ppdispParent);
}

static HRESULT STDMETHODCALLTYPE AccGetChildCount(IAccessible *This, LONG *pcountChildren)
{
    return Std(This)->lpVtbl->get_accChildCount(Std(This), pcountChildren);
}

static HRESULT STDMETHODCALLTYPE AccGetChild(IAccessible *This, VARIANT varChild, IDispatch **ppdispChild)
{
    return Std(This)->lpVtbl->get_accChild(Std(This), varChild, ppdispChild);
}

static HRESULT STDMETHODCALLTYPE AccGetName(IAccessible *This, VARIANT varChild, BSTR *pszName)
{
    if (!IsSelf(varChild))
        return Std(This)->lpVtbl->get_accName(Std(This), varChild, pszName);
    WCHAR szName[64];
    GetWindowTextW(((OSD_ACCESSIBLE *)This)->hWnd, szName, ARRAYSIZE(szName));
    *pszName = SysAllocString(szName);
    return *pszName ? S_OK : E_OUTOFMEMORY;
}

static HRESULT STDMETHODCALLTYPE AccGetValue(IAccessible *This, VARIANT varChild, BSTR *pszValue)
{
    return Std(This)->lpVtbl->get_accValue(Std(This), varChild, pszValue);
}

static HRESULT STDMETHODCALLTYPE AccGetDescription(IAccessible *This, VARIANT varChild, BSTR *pszDescription)
{
    return Std(This)->lpVtbl->get_accDescription(Std(This), varChild, pszDescription);
}

static HRESULT STDMETHODCALLTYPE AccGetRole(IAccessible *This, VARIANT varChild, VARIANT *pvarRole)
{
    if (!IsSelf(varChild))
        return Std(This)->lpVtbl->get_accRole(Std(This), varChild, pvarRole);
    pvarRole->vt = VT_I4;
    pvarRole->lVal = ROLE_SYSTEM_ALERT;
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE AccGetState(IAccessible *This, VARIANT varChild, VARIANT *pvarState)
{
    return Std(This)->lpVtbl->get_accState(Std(This), varChild, pvarState);
}

static HRESULT STDMETHODCALLTYPE AccGetHelp(IAccessible *This, VARIANT varChild, BSTR *pszHelp)
{
    return Std(This)->lpVtbl->get_accHelp(Std(This), varChild, pszHelp);
}

static HRESULT STDMETHODCALLTYPE AccGetHelpTopic(IAccessible *This, BSTR *pszHelpFile, VARIANT varChild,
                                                 LONG *pidTopic)
{
    return Std(This)->lpVtbl->get_accHelpTopic(Std(This), pszHelpFile, varChild, pidTopic);
}

static HRESULT STDMETHODCALLTYPE AccGetKeyboardShortcut(IAccessible *This, VARIANT varChild, BSTR *pszShortcut)
{
    return Std(This)->lpVtbl->get_accKeyboardShortcut(Std(This), varChild, pszShortcut);
}

static HRESULT STDMETHODCALLTYPE AccGetFocus(IAccessible *This, VARIANT *pvarChild)
{
    return Std(This)->lpVtbl->get_accFocus(Std(This), pvarChild);
}

static HRESULT STDMETHODCALLTYPE AccGetSelection(IAccessible *This, VARIANT *pvarChildren)
{
    return Std(This)->lpVtbl->get_accSelection(Std(This), pvarChildren);
}

static HRESULT STDMETHODCALLTYPE AccGetDefaultAction(IAccessible *This, VARIANT varChild, BSTR *pszDefaultAction)
{
    return Std(This)->lpVtbl->get_accDefaultAction(Std(This), varChild, pszDefaultAction);
}

static HRESULT STDMETHODCALLTYPE AccSelect(IAccessible *This, LONG flagsSelect, VARIANT varChild)
{
    return Std(This)->lpVtbl->accSelect(Std(This), flagsSelect, varChild);
}

static HRESULT STDMETHODCALLTYPE AccLocation(IAccessible *This, LONG *pxLeft, LONG *pyTop, LONG *pcxWidth,
                                             LONG *pcyHeight, VARIANT varChild)
{
    return Std(This)->lpVtbl->accLocation(Std(This), pxLeft, pyTop, pcxWidth, pcyHeight, varChild);
}

static HRESULT STDMETHODCALLTYPE AccNavigate(IAccessible *This, LONG navDir, VARIANT varStart, VARIANT *pvarEndUpAt)
{
    return Std(This)->lpVtbl->accNavigate(Std(This), navDir, varStart, pvarEndUpAt);
}

static HRESULT STDMETHODCALLTYPE AccHitTest(IAccessible *This, LONG xLeft, LONG yTop, VARIANT *pvarChild)
{
    return Std(This)->lpVtbl->accHitTest(Std(This), xLeft, yTop, pvarChild);
}

static HRESULT STDMETHODCALLTYPE AccDoDefaultAction(IAccessible *This, VARIANT varChild)
{
    return Std(This)->lpVtbl->accDoDefaultAction(Std(This), varChild);
}

static HRESULT STDMETHODCALLTYPE AccPutName(IAccessible *This, VARIANT varChild, BSTR szName)
{
    return Std(This)->lpVtbl->put_accName(Std(This), varChild, szName);
}

static HRESULT STDMETHODCALLTYPE AccPutValue(IAccessible *This, VARIANT varChild, BSTR szValue)
{
    return Std(This)->lpVtbl->put_accValue(Std(This), varChild, szValue);
}

static IAccessibleVtbl s_accVtbl = {
    AccQueryInterface, AccAddRef, AccAddRef,
    AccGetTypeInfoCount, AccGetTypeInfo, AccGetIDsOfNames, AccInvoke,
    AccGetParent, AccGetChildCount, AccGetChild, AccGetName, AccGetValue, AccGetDescription, AccGetRole,
    AccGetState, AccGetHelp, AccGetHelpTopic, AccGetKeyboardShortcut, AccGetFocus, AccGetSelection,
    AccGetDefaultAction, AccSelect, AccLocation, AccNavigate, AccHitTest, AccDoDefaultAction,
    AccPutName, AccPutValue,
};

// The window's object, made at its first request; NULL when there is no free
// place or the standard object cannot be had.
static OSD_ACCESSIBLE *ObjectOf(HWND hWnd)
{
    for (OSD_ACCESSIBLE &obj : s_osdAcc)
    {
        if (obj.hWnd == hWnd)
            return &obj;
        if (obj.hWnd)
            continue;
        if (CreateStdAccessibleObject(hWnd, OBJID_CLIENT, s_iidAccessible, (void **)&obj.pStd) != S_OK)
            return NULL;
        obj.acc.lpVtbl = &s_accVtbl;
        obj.hWnd = hWnd;
        return &obj;
    }
    return NULL;
}

// WM_GETOBJECT: 0 lets the default window procedure answer.
LRESULT OsdAccessibleObject(HWND hWnd, WPARAM wParam, LPARAM lParam)
{
    // Compared as a DWORD: a 64-bit lParam may come sign-extended or not.
    if ((DWORD)lParam != (DWORD)OBJID_CLIENT)
        return 0;
    OSD_ACCESSIBLE *pObj = ObjectOf(hWnd);
    if (!pObj)
        return 0;
    LRESULT lResult = LresultFromObject(s_iidAccessible, wParam, (IUnknown *)&pObj->acc);
    // A failure may come back sign-extended or not.
    return lResult > 0 && !FAILED((HRESULT)lResult) ? lResult : 0;
}

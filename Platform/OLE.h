// OLE embedding as the launcher's web-page host uses it: the container-side
// interfaces an embedded object calls (storage, client site, in-place site,
// in-place frame), the embedded object's own interface, and the calls that
// create and contain an object. Only what the host and the browser need is
// declared; argument types the host never looks into stay opaque.
#pragma once

#include "Platform/COM.h"
#include "Platform/WinUser.h"

class IStream;
class IMoniker;
class IOleContainer;
class IOleInPlaceActiveObject;
struct STATSTG;
typedef struct HOLEMENU__* HOLEMENU;

extern const IID IID_IOleClientSite;
extern const IID IID_IOleWindow;
extern const IID IID_IOleInPlaceSite;
extern const IID IID_IOleObject;
extern const IID IID_IStorage;

constexpr DWORD OLERENDER_NONE = 0;
constexpr DWORD OLERENDER_DRAW = 1;
constexpr LONG OLEIVERB_PRIMARY = 0;
constexpr LONG OLEIVERB_SHOW = -1;
constexpr LONG OLEIVERB_INPLACEACTIVATE = -5;
constexpr DWORD OLECLOSE_SAVEIFDIRTY = 0;
constexpr DWORD OLECLOSE_NOSAVE = 1;
constexpr DWORD OLECLOSE_PROMPTSAVE = 2;

// What the in-place site tells an object about its frame window.
struct OLEINPLACEFRAMEINFO
{
    UINT cb;
    BOOL fMDIApp;
    HWND hwndFrame;
    HACCEL haccel;
    UINT cAccelEntries;
};

class IStorage : public IUnknown
{
public:
    virtual HRESULT CreateStream(LPCOLESTR name, DWORD mode, DWORD reserved1, DWORD reserved2, IStream** stream) = 0;
    virtual HRESULT OpenStream(LPCOLESTR name, void* reserved1, DWORD mode, DWORD reserved2, IStream** stream) = 0;
    virtual HRESULT CreateStorage(LPCOLESTR name, DWORD mode, DWORD reserved1, DWORD reserved2, IStorage** storage) = 0;
    virtual HRESULT OpenStorage(LPCOLESTR name, IStorage* priority, DWORD mode, void* exclude, DWORD reserved,
                                IStorage** storage) = 0;
    virtual HRESULT Commit(DWORD flags) = 0;
    virtual HRESULT Revert() = 0;
    virtual HRESULT DestroyElement(LPCOLESTR name) = 0;
    virtual HRESULT RenameElement(LPCOLESTR oldName, LPCOLESTR newName) = 0;
    virtual HRESULT SetClass(REFCLSID clsid) = 0;
    virtual HRESULT SetStateBits(DWORD bits, DWORD mask) = 0;
    virtual HRESULT Stat(STATSTG* statistics, DWORD flags) = 0;

protected:
    ~IStorage() = default;
};

class IOleClientSite : public IUnknown
{
public:
    virtual HRESULT SaveObject() = 0;
    virtual HRESULT GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) = 0;
    virtual HRESULT GetContainer(IOleContainer** container) = 0;
    virtual HRESULT ShowObject() = 0;
    virtual HRESULT OnShowWindow(BOOL show) = 0;
    virtual HRESULT RequestNewObjectLayout() = 0;

protected:
    ~IOleClientSite() = default;
};

class IOleWindow : public IUnknown
{
public:
    virtual HRESULT GetWindow(HWND* window) = 0;
    virtual HRESULT ContextSensitiveHelp(BOOL enterMode) = 0;

protected:
    ~IOleWindow() = default;
};

class IOleInPlaceUIWindow : public IOleWindow
{
public:
    virtual HRESULT GetBorder(RECT* border) = 0;
    virtual HRESULT RequestBorderSpace(const RECT* widths) = 0;
    virtual HRESULT SetBorderSpace(const RECT* widths) = 0;
    virtual HRESULT SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR name) = 0;

protected:
    ~IOleInPlaceUIWindow() = default;
};

class IOleInPlaceFrame : public IOleInPlaceUIWindow
{
public:
    virtual HRESULT InsertMenus(HMENU shared, void* widths) = 0;
    virtual HRESULT SetMenu(HMENU shared, HOLEMENU descriptor, HWND activeObject) = 0;
    virtual HRESULT RemoveMenus(HMENU shared) = 0;
    virtual HRESULT SetStatusText(LPCOLESTR text) = 0;
    virtual HRESULT EnableModeless(BOOL enable) = 0;
    virtual HRESULT TranslateAccelerator(MSG* message, WORD id) = 0;

protected:
    ~IOleInPlaceFrame() = default;
};

class IOleInPlaceSite : public IOleWindow
{
public:
    virtual HRESULT CanInPlaceActivate() = 0;
    virtual HRESULT OnInPlaceActivate() = 0;
    virtual HRESULT OnUIActivate() = 0;
    virtual HRESULT GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, RECT* position,
                                     RECT* clip, OLEINPLACEFRAMEINFO* frameInfo) = 0;
    virtual HRESULT Scroll(SIZE extent) = 0;
    virtual HRESULT OnUIDeactivate(BOOL undoable) = 0;
    virtual HRESULT OnInPlaceDeactivate() = 0;
    virtual HRESULT DiscardUndoState() = 0;
    virtual HRESULT DeactivateAndUndo() = 0;
    virtual HRESULT OnPosRectChange(const RECT* position) = 0;

protected:
    ~IOleInPlaceSite() = default;
};

class IOleObject : public IUnknown
{
public:
    virtual HRESULT SetClientSite(IOleClientSite* site) = 0;
    virtual HRESULT GetClientSite(IOleClientSite** site) = 0;
    virtual HRESULT SetHostNames(LPCOLESTR containerName, LPCOLESTR objectName) = 0;
    virtual HRESULT Close(DWORD saveOption) = 0;
    virtual HRESULT DoVerb(LONG verb, MSG* message, IOleClientSite* site, LONG index, HWND parent,
                           const RECT* position) = 0;
    virtual HRESULT GetUserClassID(CLSID* clsid) = 0;

protected:
    ~IOleObject() = default;
};

// Creates an embedded object of the class and returns its `iid` interface
// in `object` (null on failure). Needs OleInitialize.
HRESULT OleCreate(REFCLSID clsid, REFIID iid, DWORD renderOption, void* format, IOleClientSite* site,
                  IStorage* storage, void** object);
// Tells the object whether it is embedded in a container.
HRESULT OleSetContainedObject(IUnknown* object, BOOL contained);

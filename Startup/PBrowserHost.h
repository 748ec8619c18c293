// The start-up dialog's web page: a minimal OLE container that embeds the
// system's web browser in a window, sizes it to the window's client area and
// opens the splash page (g_SplashUrl). It answers the few container requests
// a browser makes; everything else is "not implemented". The host counts its
// own references and deletes itself when the last one goes; its interface
// parts are not counted.
#pragma once

#include "Platform/OLE.h"

#include <cstdint>

class CPRefCounted
{
public:
    CPRefCounted();
    CPRefCounted(const CPRefCounted&) = delete;
    CPRefCounted& operator=(const CPRefCounted&) = delete;
    virtual ~CPRefCounted();

    // Returns the count before the call.
    virtual int32_t AddRef();
    // Returns the new count; at zero the object deletes itself.
    virtual int32_t Release();
    // A request of the given kind; the three words are not read.
    virtual int32_t Notify(int32_t kind, uintptr_t word1, uintptr_t word2, uintptr_t word3) = 0;

    int32_t GetRefCount() const { return m_count; }
    HWND GetWindow() const { return m_window; }

protected:
    HWND m_window = nullptr;
    int32_t m_count;
};

class CPBrowserHost : public CPRefCounted
{
public:
    // Kinds for Notify.
    static constexpr int32_t kNotifyOpen = 1;
    static constexpr int32_t kNotifyClose = 2;

    // A new host (count 1), or null when there is no memory for it.
    static CPBrowserHost* Create();
    ~CPBrowserHost() override;

    // Embeds the browser in the window and opens the splash page. A browser
    // still held from an earlier Open is closed and released first.
    void Open(HWND window);
    // Open with no window, or CloseObject and the quit message; 1 for these
    // kinds, 0 for others.
    int32_t Notify(int32_t kind, uintptr_t word1, uintptr_t word2, uintptr_t word3) override;
    // Closes the browser without saving and releases it; nothing when none
    // is held.
    void CloseObject();

    // The embedded browser, null when none is held.
    IOleObject* GetObject() const { return m_object; }
    IOleClientSite* GetClientSite() { return &m_clientSite; }

private:
    CPBrowserHost();

    class CStorage final : public IStorage
    {
    public:
        HRESULT QueryInterface(REFIID, void**) override { return E_NOTIMPL; }
        ULONG AddRef() override { return 1; }
        ULONG Release() override { return 1; }
        HRESULT CreateStream(LPCOLESTR, DWORD, DWORD, DWORD, IStream**) override { return E_NOTIMPL; }
        HRESULT OpenStream(LPCOLESTR, void*, DWORD, DWORD, IStream**) override { return E_NOTIMPL; }
        HRESULT CreateStorage(LPCOLESTR, DWORD, DWORD, DWORD, IStorage**) override { return E_NOTIMPL; }
        HRESULT OpenStorage(LPCOLESTR, IStorage*, DWORD, void*, DWORD, IStorage**) override { return E_NOTIMPL; }
        HRESULT Commit(DWORD) override { return E_NOTIMPL; }
        HRESULT Revert() override { return E_NOTIMPL; }
        HRESULT DestroyElement(LPCOLESTR) override { return E_NOTIMPL; }
        HRESULT RenameElement(LPCOLESTR, LPCOLESTR) override { return E_NOTIMPL; }
        HRESULT SetClass(REFCLSID) override { return S_OK; }
        HRESULT SetStateBits(DWORD, DWORD) override { return E_NOTIMPL; }
        HRESULT Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
    };

    class CClientSite final : public IOleClientSite
    {
    public:
        explicit CClientSite(CPBrowserHost* host) : m_host(host) {}
        HRESULT QueryInterface(REFIID iid, void** object) override;
        ULONG AddRef() override { return 1; }
        ULONG Release() override { return 1; }
        HRESULT SaveObject() override { return E_NOTIMPL; }
        HRESULT GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
        HRESULT GetContainer(IOleContainer** container) override;
        HRESULT ShowObject() override { return S_OK; }
        HRESULT OnShowWindow(BOOL) override { return E_NOTIMPL; }
        HRESULT RequestNewObjectLayout() override { return E_NOTIMPL; }

    private:
        CPBrowserHost* m_host;
    };

    class CInPlaceSite final : public IOleInPlaceSite
    {
    public:
        explicit CInPlaceSite(CPBrowserHost* host) : m_host(host) {}
        HRESULT QueryInterface(REFIID iid, void** object) override;
        ULONG AddRef() override { return 1; }
        ULONG Release() override { return 1; }
        HRESULT GetWindow(HWND* window) override;
        HRESULT ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
        HRESULT CanInPlaceActivate() override { return S_OK; }
        HRESULT OnInPlaceActivate() override { return S_OK; }
        HRESULT OnUIActivate() override { return S_OK; }
        HRESULT GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, RECT* position,
                                 RECT* clip, OLEINPLACEFRAMEINFO* frameInfo) override;
        HRESULT Scroll(SIZE) override { return E_NOTIMPL; }
        HRESULT OnUIDeactivate(BOOL) override { return S_OK; }
        HRESULT OnInPlaceDeactivate() override { return S_OK; }
        HRESULT DiscardUndoState() override { return E_NOTIMPL; }
        HRESULT DeactivateAndUndo() override { return E_NOTIMPL; }
        HRESULT OnPosRectChange(const RECT*) override { return S_OK; }

    private:
        CPBrowserHost* m_host;
    };

    class CInPlaceFrame final : public IOleInPlaceFrame
    {
    public:
        explicit CInPlaceFrame(CPBrowserHost* host) : m_host(host) {}
        HRESULT QueryInterface(REFIID, void**) override { return E_NOTIMPL; }
        ULONG AddRef() override { return 1; }
        ULONG Release() override { return 1; }
        HRESULT GetWindow(HWND* window) override;
        HRESULT ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
        HRESULT GetBorder(RECT*) override { return E_NOTIMPL; }
        HRESULT RequestBorderSpace(const RECT*) override { return E_NOTIMPL; }
        HRESULT SetBorderSpace(const RECT*) override { return E_NOTIMPL; }
        HRESULT SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
        HRESULT InsertMenus(HMENU, void*) override { return E_NOTIMPL; }
        HRESULT SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
        HRESULT RemoveMenus(HMENU) override { return E_NOTIMPL; }
        HRESULT SetStatusText(LPCOLESTR) override { return S_OK; }
        HRESULT EnableModeless(BOOL) override { return S_OK; }
        HRESULT TranslateAccelerator(MSG*, WORD) override { return E_NOTIMPL; }

    private:
        CPBrowserHost* m_host;
    };

    CStorage m_storage;
    CClientSite m_clientSite;
    CInPlaceSite m_inPlaceSite;
    CInPlaceFrame m_inPlaceFrame;
    IOleObject* m_object = nullptr;
};

// The start-up dialog's host, null while there is none.
extern CPBrowserHost* g_BrowserHost;

// Closes the page of g_BrowserHost, releases the host (which deletes it) and
// clears the pointer. Nothing when there is no host.
void ReleaseBrowserHost();

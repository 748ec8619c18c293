#include "Startup/PBrowserHost.h"

#include "Platform/WebBrowser.h"
#include "Startup/PLauncher.h"

#include <new>
#include <vector>

CPBrowserHost* g_BrowserHost = nullptr;

namespace
{
const char16_t kContainerName[] = u"Web Host";
const char16_t kObjectName[] = u"Web View";
}

CPRefCounted::CPRefCounted()
    : m_count(1)
{
}

CPRefCounted::~CPRefCounted() = default;

int32_t CPRefCounted::AddRef()
{
    return m_count++;
}

int32_t CPRefCounted::Release()
{
    if (--m_count == 0) {
        delete this;
        return 0;
    }
    return m_count;
}

CPBrowserHost::CPBrowserHost()
    : m_clientSite(this)
    , m_inPlaceSite(this)
    , m_inPlaceFrame(this)
{
}

CPBrowserHost* CPBrowserHost::Create()
{
    return new (std::nothrow) CPBrowserHost();
}

CPBrowserHost::~CPBrowserHost()
{
    // A browser must never outlive the container interfaces it calls.
    CloseObject();
}

void CPBrowserHost::Open(HWND window)
{
    CloseObject();
    m_window = window;
    void* created = nullptr;
    OleCreate(CLSID_WebBrowser, IID_IOleObject, OLERENDER_DRAW, nullptr, &m_clientSite, &m_storage, &created);
    m_object = static_cast<IOleObject*>(created);
    if (!m_object)
        return; // the placeholder stays as it is
    m_object->SetHostNames(kContainerName, kObjectName);
    OleSetContainedObject(m_object, TRUE);

    RECT client {};
    GetClientRect(window, &client);
    m_object->DoVerb(OLEIVERB_SHOW, nullptr, &m_clientSite, -1, window, &client);

    void* found = nullptr;
    m_object->QueryInterface(IID_IWebBrowser2, &found);
    IWebBrowser2* browser = static_cast<IWebBrowser2*>(found);
    if (!browser)
        return;

    // One wide character per byte, and the terminator.
    std::vector<WCHAR> wide(g_SplashUrl.size() + 1, 0);
    MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, g_SplashUrl.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    VARIANT address;
    VariantInit(&address);
    address.vt = VT_BSTR;
    address.bstrVal = SysAllocString(wide.data());

    browser->put_Left(0);
    browser->put_Top(0);
    browser->put_Width(client.right);
    browser->put_Height(client.bottom);
    VARIANT flags, targetFrame, postData, headers;
    VariantInit(&flags);
    VariantInit(&targetFrame);
    VariantInit(&postData);
    VariantInit(&headers);
    browser->Navigate2(&address, &flags, &targetFrame, &postData, &headers);
    VariantClear(&address);
    browser->Release();
}

int32_t CPBrowserHost::Notify(int32_t kind, uintptr_t word1, uintptr_t word2, uintptr_t word3)
{
    (void)word1;
    (void)word2;
    (void)word3;
    switch (kind) {
    case kNotifyOpen:
        Open(nullptr);
        return 1;
    case kNotifyClose:
        CloseObject();
        PostQuitMessage(0);
        return 1;
    default:
        return 0;
    }
}

void CPBrowserHost::CloseObject()
{
    if (!m_object)
        return;
    IOleObject* object = m_object;
    m_object = nullptr; // cleared first: the pointer is never released twice
    object->Close(OLECLOSE_NOSAVE);
    object->Release();
}

HRESULT CPBrowserHost::CClientSite::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
        *object = static_cast<IOleClientSite*>(this);
    } else if (iid == IID_IOleInPlaceSite) {
        *object = static_cast<IOleInPlaceSite*>(&m_host->m_inPlaceSite);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    return S_OK;
}

HRESULT CPBrowserHost::CClientSite::GetContainer(IOleContainer** container)
{
    if (container)
        *container = nullptr;
    return E_NOINTERFACE;
}

HRESULT CPBrowserHost::CInPlaceSite::QueryInterface(REFIID iid, void** object)
{
    return m_host->m_clientSite.QueryInterface(iid, object);
}

HRESULT CPBrowserHost::CInPlaceSite::GetWindow(HWND* window)
{
    if (!window)
        return E_POINTER;
    *window = m_host->m_window;
    return S_OK;
}

HRESULT CPBrowserHost::CInPlaceSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                                      RECT* position, RECT* clip, OLEINPLACEFRAMEINFO* frameInfo)
{
    if (!frame || !document || !position || !clip || !frameInfo)
        return E_POINTER;
    *frame = &m_host->m_inPlaceFrame;
    *document = nullptr;
    RECT client {};
    GetClientRect(m_host->m_window, &client);
    *position = client;
    *clip = client;
    frameInfo->fMDIApp = FALSE;
    frameInfo->hwndFrame = m_host->m_window;
    frameInfo->haccel = nullptr;
    frameInfo->cAccelEntries = 0;
    return S_OK;
}

HRESULT CPBrowserHost::CInPlaceFrame::GetWindow(HWND* window)
{
    if (!window)
        return E_POINTER;
    *window = m_host->m_window;
    return S_OK;
}

void ReleaseBrowserHost()
{
    CPBrowserHost* host = g_BrowserHost;
    if (!host)
        return;
    g_BrowserHost = nullptr;
    host->CloseObject();
    host->Release();
}

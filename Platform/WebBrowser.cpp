#include "Platform/WebBrowser.h"

#include "Platform/ComObject.h"

#include <memory>

// Interface identifiers of this program's own numbering.
const IID IID_IOleClientSite = { 0x7E170001, 0x0000, 0x0000, { 0x56, 0x45, 0x4C, 0x54, 0x52, 0x49, 0x58, 0x01 } };
const IID IID_IOleWindow = { 0x7E170002, 0x0000, 0x0000, { 0x56, 0x45, 0x4C, 0x54, 0x52, 0x49, 0x58, 0x01 } };
const IID IID_IOleInPlaceSite = { 0x7E170003, 0x0000, 0x0000, { 0x56, 0x45, 0x4C, 0x54, 0x52, 0x49, 0x58, 0x01 } };
const IID IID_IOleObject = { 0x7E170004, 0x0000, 0x0000, { 0x56, 0x45, 0x4C, 0x54, 0x52, 0x49, 0x58, 0x01 } };
const IID IID_IStorage = { 0x7E170005, 0x0000, 0x0000, { 0x56, 0x45, 0x4C, 0x54, 0x52, 0x49, 0x58, 0x01 } };
const IID IID_IWebBrowser2 = { 0x7E170006, 0x0000, 0x0000, { 0x56, 0x45, 0x4C, 0x54, 0x52, 0x49, 0x58, 0x01 } };
const CLSID CLSID_WebBrowser = { 0x7E171001, 0x0000, 0x0000, { 0x56, 0x45, 0x4C, 0x54, 0x52, 0x49, 0x58, 0x01 } };

namespace
{
// Asks a browser object for itself, so a caller holding any of its
// interfaces can reach the stand-in behind it.
const IID kIidBrowserStandIn = { 0x7E171002, 0x0000, 0x0000, { 0x56, 0x45, 0x4C, 0x54, 0x52, 0x49, 0x58, 0x01 } };

const char16_t kBlankPage[] = u"about:blank";

std::vector<std::shared_ptr<PlatformBrowser::Record>> g_records;
int g_live = 0;

std::string Narrow(const WCHAR* text)
{
    std::string narrow;
    for (; text && *text; ++text)
        narrow += *text < 0x100 ? static_cast<char>(*text) : '?';
    return narrow;
}

class CBrowserStandIn final : public ComObject<CBrowserStandIn, IOleObject, IWebBrowser2>
{
public:
    CBrowserStandIn()
        : m_record(std::make_shared<PlatformBrowser::Record>())
    {
        g_records.push_back(m_record);
        ++g_live;
    }
    ~CBrowserStandIn()
    {
        Deactivate();
        SetClientSite(nullptr);
        m_record->destroyed = true;
        --g_live;
    }

    PlatformBrowser::Record& GetRecord() { return *m_record; }

    // IUnknown
    void* FindInterface(REFIID iid)
    {
        if (iid == IID_IUnknown || iid == IID_IOleObject)
            return static_cast<IOleObject*>(this);
        if (iid == IID_IWebBrowser2)
            return static_cast<IWebBrowser2*>(this);
        if (iid == kIidBrowserStandIn)
            return this;
        return nullptr;
    }
    ULONG Release() override
    {
        ++m_record->releases;
        return Drop();
    }
    // Release without counting it as a caller's release.
    ULONG Drop() { return ComObject::Release(); }

    // IOleObject
    HRESULT SetClientSite(IOleClientSite* site) override
    {
        if (m_site)
            m_site->Release();
        m_site = site;
        if (m_site)
            m_site->AddRef();
        return S_OK;
    }
    HRESULT GetClientSite(IOleClientSite** site) override
    {
        if (!site)
            return E_POINTER;
        *site = m_site;
        if (m_site)
            m_site->AddRef();
        return S_OK;
    }
    HRESULT SetHostNames(LPCOLESTR containerName, LPCOLESTR objectName) override
    {
        m_record->containerName = Narrow(containerName);
        m_record->objectName = Narrow(objectName);
        return S_OK;
    }
    HRESULT Close(DWORD saveOption) override
    {
        ++m_record->closeCount;
        m_record->closeMode = saveOption;
        Deactivate();
        SetClientSite(nullptr);
        return S_OK;
    }
    HRESULT DoVerb(LONG verb, MSG* message, IOleClientSite* site, LONG index, HWND parent,
                   const RECT* position) override
    {
        (void)message;
        (void)index;
        if (verb != OLEIVERB_SHOW && verb != OLEIVERB_PRIMARY && verb != OLEIVERB_INPLACEACTIVATE)
            return E_NOTIMPL;
        if (!site)
            site = m_site;
        if (!site)
            return E_INVALIDARG;
        return m_inPlaceSite ? S_OK : Activate(*site, parent, position);
    }
    HRESULT GetUserClassID(CLSID* clsid) override
    {
        if (!clsid)
            return E_POINTER;
        *clsid = CLSID_WebBrowser;
        return S_OK;
    }

    // IWebBrowser2
    HRESULT put_Left(LONG left) override { return Set(m_record->left, left); }
    HRESULT put_Top(LONG top) override { return Set(m_record->top, top); }
    HRESULT put_Width(LONG width) override { return Set(m_record->width, width); }
    HRESULT put_Height(LONG height) override { return Set(m_record->height, height); }
    HRESULT get_LocationURL(BSTR* address) override
    {
        if (!address)
            return E_POINTER;
        const std::string& text = m_record->address;
        const std::u16string wide(text.begin(), text.end());
        *address = SysAllocString(wide.c_str());
        return S_OK;
    }
    HRESULT Navigate2(VARIANT* address, VARIANT* flags, VARIANT* targetFrame, VARIANT* postData,
                      VARIANT* headers) override
    {
        (void)flags;
        (void)targetFrame;
        (void)postData;
        (void)headers;
        if (!address || address->vt != VT_BSTR || !address->bstrVal)
            return E_INVALIDARG;
        m_record->address = Narrow(address->bstrVal);
        ++m_record->navigations;
        PlatformUI::SetEmbeddedContent(m_window, m_record->address);
        if (m_frame) {
            Call("IOleInPlaceFrame::SetStatusText");
            m_frame->SetStatusText(u"Done");
        }
        return S_OK;
    }

private:
    HRESULT Set(LONG& field, LONG value)
    {
        field = value;
        return S_OK;
    }

    void Call(const char* name) { m_record->hostCalls.push_back(name); }

    // In-place activation in the site's window, with its window context.
    HRESULT Activate(IOleClientSite& site, HWND parent, const RECT* position)
    {
        Call("IOleClientSite::QueryInterface(IOleInPlaceSite)");
        void* found = nullptr;
        if (FAILED(site.QueryInterface(IID_IOleInPlaceSite, &found)) || !found)
            return E_NOINTERFACE;
        IOleInPlaceSite* inPlace = static_cast<IOleInPlaceSite*>(found);
        Call("IOleInPlaceSite::CanInPlaceActivate");
        if (inPlace->CanInPlaceActivate() != S_OK) {
            inPlace->Release();
            return E_FAIL;
        }
        m_inPlaceSite = inPlace;
        Call("IOleInPlaceSite::OnInPlaceActivate");
        inPlace->OnInPlaceActivate();
        Call("IOleInPlaceSite::GetWindow");
        HWND window = nullptr;
        if (FAILED(inPlace->GetWindow(&window)) || !window)
            window = parent;
        m_window = window;
        m_record->window = window;

        Call("IOleInPlaceSite::GetWindowContext");
        IOleInPlaceUIWindow* document = nullptr;
        OLEINPLACEFRAMEINFO frameInfo {};
        frameInfo.cb = sizeof(frameInfo);
        RECT clip {};
        RECT place = position ? *position : RECT {};
        inPlace->GetWindowContext(&m_frame, &document, &place, &clip, &frameInfo);
        m_record->gotFrame = m_frame != nullptr;
        m_record->position = place;
        m_record->clip = clip;
        m_record->frameInfo = frameInfo;
        m_record->left = place.left;
        m_record->top = place.top;
        m_record->width = place.right - place.left;
        m_record->height = place.bottom - place.top;
        if (document)
            document->Release();

        Call("IOleInPlaceSite::OnUIActivate");
        inPlace->OnUIActivate();
        if (m_frame) {
            Call("IOleInPlaceFrame::SetActiveObject");
            m_frame->SetActiveObject(nullptr, u"Web View");
        }
        Call("IOleClientSite::ShowObject");
        site.ShowObject();
        Call("IOleClientSite::GetContainer");
        IOleContainer* container = nullptr; // asked for, never used
        site.GetContainer(&container);
        PlatformUI::SetEmbeddedContent(m_window, Narrow(kBlankPage));
        return S_OK;
    }

    void Deactivate()
    {
        if (!m_inPlaceSite)
            return;
        Call("IOleInPlaceSite::OnUIDeactivate");
        m_inPlaceSite->OnUIDeactivate(FALSE);
        Call("IOleInPlaceSite::OnInPlaceDeactivate");
        m_inPlaceSite->OnInPlaceDeactivate();
        if (m_frame)
            m_frame->Release();
        m_frame = nullptr;
        m_inPlaceSite->Release();
        m_inPlaceSite = nullptr;
        PlatformUI::SetEmbeddedContent(m_window, "");
        m_window = nullptr;
    }

    std::shared_ptr<PlatformBrowser::Record> m_record;
    IOleClientSite* m_site = nullptr;
    IOleInPlaceSite* m_inPlaceSite = nullptr;
    IOleInPlaceFrame* m_frame = nullptr;
    HWND m_window = nullptr;
};

CBrowserStandIn* StandInOf(IUnknown* object)
{
    void* found = nullptr;
    if (!object || FAILED(object->QueryInterface(kIidBrowserStandIn, &found)) || !found)
        return nullptr;
    CBrowserStandIn* browser = static_cast<CBrowserStandIn*>(found);
    browser->Drop(); // the lookup's own reference; the caller still holds one
    return browser;
}
}

HRESULT OleCreate(REFCLSID clsid, REFIID iid, DWORD renderOption, void* format, IOleClientSite* site,
                  IStorage* storage, void** object)
{
    (void)renderOption;
    (void)format;
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (PlatformCom::OleInitCount() == 0)
        return CO_E_NOTINITIALIZED;
    if (clsid != CLSID_WebBrowser)
        return REGDB_E_CLASSNOTREG;

    CBrowserStandIn* browser = new CBrowserStandIn();
    if (storage) {
        browser->GetRecord().hostCalls.push_back("IStorage::SetClass");
        storage->SetClass(CLSID_WebBrowser);
    }
    if (site)
        browser->SetClientSite(site);
    const HRESULT result = browser->QueryInterface(iid, object);
    // Drop the creation's own reference: the caller's is the only one left,
    // and without one the object is gone.
    browser->Drop();
    return result;
}

HRESULT OleSetContainedObject(IUnknown* object, BOOL contained)
{
    if (!object)
        return E_INVALIDARG;
    if (CBrowserStandIn* browser = StandInOf(object))
        browser->GetRecord().contained = contained != FALSE;
    return S_OK;
}

namespace PlatformBrowser
{
std::vector<Record> Records()
{
    std::vector<Record> records;
    for (const auto& record : g_records)
        records.push_back(*record);
    return records;
}

void ClearRecords()
{
    g_records.clear();
}

int LiveCount()
{
    return g_live;
}
}

// The web browser that can be embedded in a window. There is no rendering
// engine: OleCreate of CLSID_WebBrowser makes a stand-in that behaves towards
// its container as a real browser does (it sets the storage's class, asks the
// client site for its in-place site, activates in place in the site's window
// with the site's window context, shows itself, deactivates on Close) and
// records what it was told: host names, bounds, the address it navigated to,
// how it was closed and how often released. While it shows a page, the
// window it is embedded in shows the page's address (PlatformUI embedded
// content), which is how the terminal sees which page is open.
#pragma once

#include "Platform/OLE.h"

#include <string>
#include <vector>

extern const CLSID CLSID_WebBrowser;
extern const IID IID_IWebBrowser2;

class IWebBrowser2 : public IUnknown
{
public:
    virtual HRESULT put_Left(LONG left) = 0;
    virtual HRESULT put_Top(LONG top) = 0;
    virtual HRESULT put_Width(LONG width) = 0;
    virtual HRESULT put_Height(LONG height) = 0;
    // The address of the page shown, as a new BSTR the caller frees.
    virtual HRESULT get_LocationURL(BSTR* address) = 0;
    // Opens the address (a VT_BSTR); the other arguments are not used.
    virtual HRESULT Navigate2(VARIANT* address, VARIANT* flags, VARIANT* targetFrame, VARIANT* postData,
                              VARIANT* headers) = 0;

protected:
    ~IWebBrowser2() = default;
};

namespace PlatformBrowser
{
// Everything one browser object was told, kept after it is gone.
struct Record
{
    std::string containerName;
    std::string objectName;
    bool contained = false;
    HWND window = nullptr; // where it was activated in place
    RECT position {};      // the site's position and clip rectangles
    RECT clip {};
    OLEINPLACEFRAMEINFO frameInfo {};
    bool gotFrame = false; // the site gave a frame
    LONG left = 0, top = 0, width = 0, height = 0;
    std::string address; // the last address navigated to
    int navigations = 0;
    int closeCount = 0;
    DWORD closeMode = 0; // of the last Close
    int releases = 0;
    bool destroyed = false; // its count reached zero and it is gone
    // Calls it made on its container, in order, as "Interface::Method".
    std::vector<std::string> hostCalls;
};

// One record per browser created, in creation order.
std::vector<Record> Records();
void ClearRecords();
// Browser objects alive now.
int LiveCount();
}

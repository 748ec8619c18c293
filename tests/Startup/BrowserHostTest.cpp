#include "Startup/PBrowserHost.h"

#include "Platform/Resources.h"
#include "Platform/WebBrowser.h"
#include "Startup/PLauncher.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace
{
std::function<void(HWND, HWND)>* g_onInit = nullptr;

INT_PTR RunOnInit(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    (*g_onInit)(dialog, GetDlgItem(dialog, IDC_WEB_PAGE));
    EndDialog(dialog, 0);
    return TRUE;
}

// Runs the test inside the start-up dialog, given the dialog and its web-page
// area.
void WithPlaceholder(std::function<void(HWND, HWND)> test)
{
    g_onInit = &test;
    DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_LAUNCHER), nullptr, RunOnInit, 0);
    g_onInit = nullptr;
}

std::string ShownIn(HWND dialog)
{
    for (const auto& control : PlatformUI::Describe(dialog).controls) {
        if (control.id == IDC_WEB_PAGE)
            return control.content;
    }
    return "(no placeholder)";
}

class BrowserHost : public ::testing::Test
{
protected:
    BrowserHost()
    {
        PlatformCom::Reset();
        OleInitialize(nullptr);
        PlatformBrowser::ClearRecords();
        g_SplashUrl = "https://www.example.com/splash?a=1";
    }
    ~BrowserHost() override
    {
        EXPECT_EQ(PlatformBrowser::LiveCount(), 0);
        EXPECT_EQ(g_BrowserHost, nullptr);
        PlatformCom::Reset();
        g_SplashUrl.clear();
    }
};
}

TEST_F(BrowserHost, PageFillsThePlaceholderAndShowsTheSplashAddress)
{
    WithPlaceholder([](HWND dialog, HWND placeholder) {
        g_BrowserHost = CPBrowserHost::Create();
        ASSERT_NE(g_BrowserHost, nullptr);
        EXPECT_EQ(g_BrowserHost->GetRefCount(), 1);
        g_BrowserHost->Open(placeholder);
        EXPECT_NE(g_BrowserHost->GetObject(), nullptr);
        EXPECT_EQ(g_BrowserHost->GetWindow(), placeholder);
        EXPECT_EQ(ShownIn(dialog), "https://www.example.com/splash?a=1");

        RECT client {};
        GetClientRect(placeholder, &client);
        const std::vector<PlatformBrowser::Record> records = PlatformBrowser::Records();
        ASSERT_EQ(records.size(), 1u);
        const PlatformBrowser::Record& browser = records[0];
        EXPECT_EQ(browser.address, "https://www.example.com/splash?a=1");
        EXPECT_EQ(browser.navigations, 1);
        EXPECT_EQ(browser.left, 0);
        EXPECT_EQ(browser.top, 0);
        EXPECT_EQ(browser.width, client.right);
        EXPECT_EQ(browser.height, client.bottom);
        EXPECT_EQ(browser.width, 644);
        EXPECT_EQ(browser.window, placeholder);
        EXPECT_EQ(browser.containerName, "Web Host");
        EXPECT_EQ(browser.objectName, "Web View");
        EXPECT_TRUE(browser.contained);
        // The window context: the client rectangle twice, the frame's window,
        // no MDI, no accelerators.
        EXPECT_TRUE(browser.gotFrame);
        EXPECT_EQ(browser.position.right, client.right);
        EXPECT_EQ(browser.clip.bottom, client.bottom);
        EXPECT_EQ(browser.frameInfo.hwndFrame, placeholder);
        EXPECT_EQ(browser.frameInfo.fMDIApp, FALSE);
        EXPECT_EQ(browser.frameInfo.haccel, nullptr);
        EXPECT_EQ(browser.frameInfo.cAccelEntries, 0u);
        EXPECT_EQ(browser.hostCalls.front(), "IStorage::SetClass");

        ReleaseBrowserHost();
        EXPECT_EQ(ShownIn(dialog), "");
    });
    const PlatformBrowser::Record browser = PlatformBrowser::Records().at(0);
    EXPECT_EQ(browser.closeCount, 1);
    EXPECT_EQ(browser.closeMode, OLECLOSE_NOSAVE);
    // One release for the browser interface Open asked for, one for the object.
    EXPECT_EQ(browser.releases, 2);
    EXPECT_TRUE(browser.destroyed);
}

TEST_F(BrowserHost, ClientSiteGivesOnlyItsOwnInterfaces)
{
    CPBrowserHost* host = CPBrowserHost::Create();
    IOleClientSite* site = host->GetClientSite();
    void* found = &found;
    EXPECT_EQ(site->QueryInterface(IID_IOleObject, &found), E_NOINTERFACE);
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(site->QueryInterface(IID_IWebBrowser2, &found), E_NOINTERFACE);
    EXPECT_EQ(site->QueryInterface(IID_IUnknown, &found), S_OK);
    EXPECT_EQ(found, site);
    EXPECT_EQ(site->QueryInterface(IID_IOleInPlaceSite, &found), S_OK);
    IOleInPlaceSite* inPlace = static_cast<IOleInPlaceSite*>(found);
    EXPECT_EQ(inPlace->QueryInterface(IID_IOleClientSite, &found), S_OK);
    EXPECT_EQ(found, site);
    IOleContainer* container = reinterpret_cast<IOleContainer*>(&found);
    EXPECT_EQ(site->GetContainer(&container), E_NOINTERFACE);
    EXPECT_EQ(container, nullptr);
    EXPECT_EQ(site->SaveObject(), E_NOTIMPL);
    EXPECT_EQ(site->ShowObject(), S_OK);
    EXPECT_EQ(site->AddRef(), 1u);
    EXPECT_EQ(inPlace->Scroll(SIZE { 1, 1 }), E_NOTIMPL);
    EXPECT_EQ(inPlace->CanInPlaceActivate(), S_OK);

    // Counting: AddRef gives the count before, Release the count after.
    EXPECT_EQ(host->AddRef(), 1);
    EXPECT_EQ(host->Release(), 1);
    EXPECT_EQ(host->Release(), 0);
}

TEST_F(BrowserHost, OpeningAgainReleasesTheHeldBrowserFirstAndCloseNeverReleasesTwice)
{
    WithPlaceholder([](HWND, HWND placeholder) {
        CPBrowserHost* host = CPBrowserHost::Create();
        host->Open(placeholder);
        host->Open(placeholder);
        std::vector<PlatformBrowser::Record> records = PlatformBrowser::Records();
        ASSERT_EQ(records.size(), 2u);
        EXPECT_TRUE(records[0].destroyed);
        EXPECT_EQ(records[0].releases, 2);
        EXPECT_FALSE(records[1].destroyed);

        host->CloseObject();
        host->CloseObject();
        EXPECT_EQ(host->GetObject(), nullptr);
        records = PlatformBrowser::Records();
        EXPECT_EQ(records[1].closeCount, 1);
        EXPECT_EQ(records[1].releases, 2);
        host->Release();
    });
}

TEST_F(BrowserHost, WithoutOleThePlaceholderStaysBlack)
{
    OleUninitialize();
    WithPlaceholder([](HWND dialog, HWND placeholder) {
        g_BrowserHost = CPBrowserHost::Create();
        g_BrowserHost->Open(placeholder);
        EXPECT_EQ(g_BrowserHost->GetObject(), nullptr);
        EXPECT_EQ(ShownIn(dialog), "");
        ReleaseBrowserHost();
        ReleaseBrowserHost(); // nothing left to release
    });
    EXPECT_TRUE(PlatformBrowser::Records().empty());
}

TEST_F(BrowserHost, NotifyOpensOrClosesAndPostsQuit)
{
    CPBrowserHost* host = CPBrowserHost::Create();
    EXPECT_EQ(host->Notify(7, 0, 0, 0), 0);
    EXPECT_EQ(host->Notify(CPBrowserHost::kNotifyOpen, 0, 0, 0), 1);
    ASSERT_NE(host->GetObject(), nullptr); // embedded without a window
    EXPECT_EQ(PlatformBrowser::Records().at(0).address, "https://www.example.com/splash?a=1");
    EXPECT_EQ(host->Notify(CPBrowserHost::kNotifyClose, 0, 0, 0), 1);
    EXPECT_EQ(host->GetObject(), nullptr);
    EXPECT_TRUE(PlatformUI::QuitPosted());
    PlatformUI::ClearQuit();
    EXPECT_EQ(PlatformBrowser::Records().at(0).closeMode, OLECLOSE_NOSAVE);
    host->Release();
}

#include "Platform/DShow.h"
#include "Platform/MediaFile.h"

#include "MediaFixture.h"
#include "ScratchRoot.h"

#include <gtest/gtest.h>

namespace
{
class DShow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        PlatformDShow::Reset();
        PlatformMedia::ResetClock();
    }
    void TearDown() override
    {
        PlatformDShow::Reset();
        PlatformMedia::ResetClock();
    }
    ScratchRoot m_root;
};

std::u16string Wide(const char* text)
{
    std::u16string wide;
    for (const char* c = text; *c; ++c)
        wide += static_cast<char16_t>(static_cast<unsigned char>(*c));
    return wide;
}
}

TEST_F(DShow, GraphAnswersForItsInterfacesOnOneCount)
{
    IGraphBuilder* graph = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               reinterpret_cast<void**>(&graph)),
              S_OK);
    const PlatformDShow::GraphRecord& record = *PlatformDShow::Graphs().back();
    EXPECT_EQ(record.references, 1u);
    IMediaControl* control = nullptr;
    IMediaEvent* events = nullptr;
    IMediaPosition* position = nullptr;
    IBasicAudio* audio = nullptr;
    ASSERT_EQ(graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control)), S_OK);
    ASSERT_EQ(graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&events)), S_OK);
    ASSERT_EQ(graph->QueryInterface(IID_IMediaPosition, reinterpret_cast<void**>(&position)), S_OK);
    ASSERT_EQ(graph->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&audio)), S_OK);
    EXPECT_EQ(record.references, 5u);
    void* other = nullptr;
    EXPECT_EQ(graph->QueryInterface(GUID_NULL, &other), E_NOINTERFACE);

    EXPECT_EQ(audio->put_Volume(1), E_INVALIDARG);
    EXPECT_EQ(audio->put_Volume(-437), S_OK);
    EXPECT_EQ(record.volumes, std::vector<LONG>({ -437 }));

    // Only a running graph with a file reaches the end of it.
    m_root.MakeDirectory("Data/Music");
    ASSERT_TRUE(MediaFixture::WriteMusic(m_root.Host("Data/Music/song.ogg"), 1.0));
    PlatformDShow::EndOfMusic();
    ASSERT_EQ(graph->RenderFile(Wide("data\\music\\SONG.ogg").c_str(), nullptr), S_OK);
    EXPECT_EQ(record.renderedPath, "data\\music\\SONG.ogg");
    PlatformDShow::EndOfMusic();
    LONG code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    EXPECT_EQ(events->GetEvent(&code, &p1, &p2, 0), E_ABORT);
    ASSERT_EQ(control->Run(), S_OK);
    PlatformDShow::EndOfMusic();
    ASSERT_EQ(events->GetEvent(&code, &p1, &p2, 0), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    EXPECT_EQ(events->GetEvent(&code, &p1, &p2, 0), E_ABORT);
    ASSERT_EQ(position->put_CurrentPosition(0.0), S_OK);
    EXPECT_EQ(record.positionsSet, std::vector<REFTIME>({ 0.0 }));

    for (IUnknown* i : { static_cast<IUnknown*>(audio), static_cast<IUnknown*>(position),
                         static_cast<IUnknown*>(events), static_cast<IUnknown*>(control) })
        i->Release();
    EXPECT_EQ(graph->Release(), 0u);
    EXPECT_EQ(PlatformDShow::Graphs().back()->references, 0u);
}

TEST_F(DShow, RenderFileNeedsAFileThatDecodes)
{
    m_root.MakeFile("Data/Music/empty.mp3", "");
    m_root.MakeFile("Data/Music/text.mp3", "notes");
    m_root.MakeDirectory("Data/Music/folder.mp3");
    struct Case
    {
        std::u16string path;
        HRESULT expected;
    };
    const Case cases[] = {
        { Wide("Data\\Music\\missing.mp3"), HRESULT_FILE_NOT_FOUND },
        { Wide("Data\\Music\\folder.mp3"), HRESULT_FILE_NOT_FOUND },
        { Wide("Data\\Music\\empty.mp3"), VFW_E_UNKNOWN_FILE_TYPE },
        { Wide("Data\\Music\\text.mp3"), VFW_E_UNKNOWN_FILE_TYPE },
        { u"Data\\Music\\\u4e50.mp3", HRESULT_FILE_NOT_FOUND },
    };
    IGraphBuilder* graph = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               reinterpret_cast<void**>(&graph)),
              S_OK);
    for (const Case& c : cases)
        EXPECT_EQ(graph->RenderFile(c.path.c_str(), nullptr), c.expected);
    EXPECT_EQ(graph->RenderFile(nullptr, nullptr), E_POINTER);
    graph->Release();
}

TEST_F(DShow, TestsCanTakeTheGraphOrAnInterfaceAway)
{
    void* object = nullptr;
    PlatformDShow::SetAvailable(false);
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, &object),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
    PlatformDShow::SetAvailable(true);
    PlatformDShow::SetMissingInterface(&IID_IMediaPosition);
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, &object), S_OK);
    IGraphBuilder* graph = static_cast<IGraphBuilder*>(object);
    EXPECT_EQ(graph->QueryInterface(IID_IMediaPosition, &object), E_NOINTERFACE);
    EXPECT_EQ(graph->Release(), 0u);
}

TEST_F(DShow, MusicPlaysOnTheMediaClockAndEndsOncePastItsLength)
{
    m_root.MakeDirectory("Data/Music");
    ASSERT_TRUE(MediaFixture::WriteMusic(m_root.Host("Data/Music/short.wav"), 0.5));
    IGraphBuilder* graph = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               reinterpret_cast<void**>(&graph)),
              S_OK);
    IMediaControl* control = nullptr;
    IMediaEvent* events = nullptr;
    IMediaPosition* position = nullptr;
    ASSERT_EQ(graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control)), S_OK);
    ASSERT_EQ(graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&events)), S_OK);
    ASSERT_EQ(graph->QueryInterface(IID_IMediaPosition, reinterpret_cast<void**>(&position)), S_OK);
    ASSERT_EQ(graph->RenderFile(u"Data\\Music\\short.wav", nullptr), S_OK);
    REFTIME duration = 0.0;
    ASSERT_EQ(position->get_Duration(&duration), S_OK);
    EXPECT_NEAR(duration, 0.5, 1e-6);

    auto at = [&] {
        REFTIME seconds = -1.0;
        EXPECT_EQ(position->get_CurrentPosition(&seconds), S_OK);
        return seconds;
    };
    auto nextEvent = [&] {
        LONG code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        return events->GetEvent(&code, &p1, &p2, 0) == S_OK ? code : 0;
    };
    // Stopped, the music stands; running, it moves with the clock.
    PlatformMedia::AdvanceClock(1.0);
    EXPECT_DOUBLE_EQ(at(), 0.0);
    ASSERT_EQ(control->Run(), S_OK);
    PlatformMedia::AdvanceClock(0.25);
    EXPECT_NEAR(at(), 0.25, 1e-9);
    EXPECT_EQ(nextEvent(), 0);
    ASSERT_EQ(control->Stop(), S_OK);
    PlatformMedia::AdvanceClock(1.0);
    EXPECT_NEAR(at(), 0.25, 1e-9);
    ASSERT_EQ(control->Run(), S_OK);
    PlatformMedia::AdvanceClock(0.3);
    EXPECT_NEAR(at(), 0.5, 1e-9);
    EXPECT_EQ(nextEvent(), EC_COMPLETE);
    EXPECT_EQ(nextEvent(), 0); // one event per end
    // Moved back to the start, it ends again a length later.
    ASSERT_EQ(position->put_CurrentPosition(0.0), S_OK);
    PlatformMedia::AdvanceClock(0.4);
    EXPECT_EQ(nextEvent(), 0);
    PlatformMedia::AdvanceClock(0.1);
    EXPECT_EQ(nextEvent(), EC_COMPLETE);

    for (IUnknown* i : { static_cast<IUnknown*>(position), static_cast<IUnknown*>(events),
                         static_cast<IUnknown*>(control), static_cast<IUnknown*>(graph) })
        i->Release();
}

// The music player: one music file at a time from "Data\Music", opened into
// a DirectShow filter graph at the music volume. This class builds the graph,
// sets its volume and releases it; running the graph, looping at the end of
// the music and stopping belong to the task behaviour the host supplies by
// deriving from it. Reached through g_Music.
#pragma once

#include "Core/PTask.h"
#include "Platform/DShow.h"
#include "Platform/Win32.h"

#include <cstdint>
#include <string>

class CPMusic : public CPTask
{
public:
    CPMusic();
    // Releases the graph.
    ~CPMusic() override;

    int32_t GetObjectSize() const override;
    std::string GetTypeName() const override;
    // The host's music task watches the graph; the player itself does nothing.
    void Update() override;
    int32_t QueryFlag() override;

    // Releases the previous graph and builds one for "Data\Music\" + name,
    // not yet running, at the stored volume. The success code of RenderFile
    // when the file was rendered; a failure code otherwise (the music is then
    // not loaded).
    HRESULT Play(const std::string& name, bool loop);
    // Releases the graph and its interfaces; nothing when none are held.
    void ReleaseAll();
    // Stores the factor (0 silent, 1 full) and applies it to a loaded graph;
    // otherwise the next Play applies it.
    void SetVolume(float factor);

    float GetVolume() const { return m_volume; }
    bool IsLoaded() const { return m_loaded != 0; }
    bool IsLooping() const { return m_loop != 0; }
    // The name last given to Play, without the directory.
    const std::string& GetName() const { return m_name; }
    // How many files Play has loaded so far: a new count means a new graph.
    uint32_t GetLoadCount() const { return m_loadCount; }
    IMediaControl* GetMediaControl() const { return m_control; }
    IMediaEvent* GetMediaEvent() const { return m_events; }
    IMediaPosition* GetMediaPosition() const { return m_position; }

private:
    IGraphBuilder* m_graph;
    IMediaControl* m_control;
    IMediaEvent* m_events;
    IMediaPosition* m_position;
    IBasicAudio* m_audio;
    BYTE m_loop;
    std::string m_name;
    BYTE m_loaded;
    float m_volume;
    uint32_t m_loadCount = 0;
};

extern CPMusic* g_Music;
CPMusic* GetMusic();

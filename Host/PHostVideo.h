// The host's video players: start-up makes the two players (g_AVIPlayer and
// g_AVIPlayer1) and shut-down destroys them. A player the scripts started
// runs its stream from its first frame on, copies each new decoded frame
// into its texture, and at the end of the video plays it again when it is
// looping or else marks it finished and stops; stopping stops the stream.
#pragma once

#include "Render/PAVIPlayer.h"

class CPHostVideoPlayer : public CPAVIPlayer
{
public:
    int32_t GetObjectSize() const override;
    void Update() override;
    void Stop() override;

    // The surface's frame into the top-left corner of the texture, in the
    // texture's format; false when either cannot be locked.
    bool CopyFrame();

private:
    // The video has ended (or cannot play): finished, and the task stops.
    void Finish();
};

void CreateHostVideo();
// Destroys the players and clears the global pointers.
void DestroyHostVideo();

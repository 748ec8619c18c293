// The second video player: it plays into the texture cached under "video1",
// always with sound, through CPAVIPlayer::Play1.
#pragma once

#include "Render/PAVIPlayer.h"

// Null until the host makes it.
extern CPAVIPlayer* g_AVIPlayer1;
CPAVIPlayer* GetAVIPlayer1();

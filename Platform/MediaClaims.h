// What a media file claims before the media libraries read it. The readers
// of WAV and AVI files, and of the ID3 tags any file may begin with, allocate
// some blocks (a tag's text, a stream's name or extra data, a tag block) at
// the size their header claims, before they read the bytes. This walk follows
// a file as those readers do and finds such a claim that runs far past the
// end of the file. A file cut short claims a little past its end and plays as
// far as it goes; a hostile one claims far more than it holds. Everything the
// readers skip or read only as far as the file goes (samples, frames, an
// index, padding, a list's own size) is passed over whatever it claims.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace PlatformMedia
{
// How far past the end of the file a block the readers allocate may run: a
// tag or a stream's extra data cut short by the end of the file runs past it
// by less.
constexpr int64_t kCutShortSlack = int64_t { 1 } << 20;

// Why the open file of `fileSize` bytes is refused for a claim, such as
// "a "INAM" chunk of 445644800 bytes at byte 78 (the file has 102)"; empty
// when it claims no block past the slack. Files of other kinds than WAV and
// AVI are only checked for the ID3 tags they begin with.
std::string ClaimBeyondFile(FILE* file, int64_t fileSize);
}

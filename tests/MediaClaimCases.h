// Music and video files that claim more or less than they hold, built from a
// WAV and an AVI file that play: cut short anywhere or loosely sized, as a
// player may have them, and hostile, claiming hundreds of MB in a block the
// media readers allocate. The tests play them all; the media fuzz target
// starts from them.
#pragma once

#include "WavBuilder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace MediaClaims
{
enum class Outcome
{
    Plays, // as far as it goes, with no log line about it
    Refused, // before the libraries read it, with the reason in the log
    Fails, // the libraries cannot play it, having allocated little
};

struct Case
{
    std::string name; // ".wav" goes to PlayMusic, ".avi" to PlayVideo
    std::string bytes;
    Outcome outcome;
    std::string reason; // of a refused file
};

// "a "<id>" chunk of <claim> bytes at byte <where the id first stands>".
inline std::string Chunk(const std::string& bytes, const std::string& id, int64_t claim)
{
    return "a \"" + id + "\" chunk of " + std::to_string(claim) + " bytes at byte "
        + std::to_string(bytes.find(id)) + " (the file has " + std::to_string(bytes.size()) + ")";
}

inline std::string WithRiffSize(std::string riff, uint32_t size)
{
    return riff.replace(4, 4, wav::Le32(size));
}

// A big-endian WAV ("RIFX") with a tag list (of a declared size) before its
// samples; the tags inside a list are little-endian even there.
inline std::string Rifx(const std::string& list, uint32_t declaredList, const std::string& samples)
{
    const std::string format = wav::Be32(1 << 16 | 1) + wav::Be32(8000) + wav::Be32(16000) + wav::Be32(2 << 16 | 16);
    std::string body = "WAVE" + std::string("fmt ") + wav::Be32(16) + format + "LIST" + wav::Be32(declaredList) + list
        + "data" + wav::Be32(samples.size()) + samples;
    return "RIFX" + wav::Be32(body.size()) + body;
}

// Every case of the table, from a music file and a video that play.
inline std::vector<Case> Cases(const std::string& music, const std::string& video)
{
    const int64_t mb = int64_t { 1 } << 20;
    const std::string samples = wav::Samples(64);
    std::vector<Case> cases;
    auto plays = [&cases](const std::string& name, const std::string& bytes) {
        cases.push_back({ name, bytes, Outcome::Plays, "" });
    };
    auto refused = [&cases](const std::string& name, const std::string& bytes, const std::string& reason) {
        cases.push_back({ name, bytes, Outcome::Refused, reason });
    };

    // Cut short anywhere, or loosely sized: the libraries play these.
    plays("cut_index.avi", video.substr(0, video.size() - 10));
    plays("cut_frames.avi", video.substr(0, video.find("idx1") - 6));
    plays("cut_samples.wav", music.substr(0, music.size() - 20));
    const std::string titled = music + wav::InfoList("The theme of the first race");
    plays("cut_title.wav", titled.substr(0, titled.size() - 10));
    plays("cut_list.wav", titled.substr(0, titled.size() - 30));
    std::string understated = music;
    const size_t data = understated.find("data") + 4;
    understated.replace(data, 4, wav::Le32((music.size() - data - 4) / 2));
    plays("understated.wav", understated);
    plays("small_riff.wav", WithRiffSize(music, 4));
    plays("titled.wav", wav::InsertAfterFirst(music, wav::InfoList("Odd")));
    plays("unpadded.wav", wav::InsertAfterFirst(music, "LIST" + wav::Le32(28) + "INFO" + "INAM" + wav::Le32(3) + "Odd"
                                                           + "IART" + wav::Le32(5) + "Maker"));
    plays("tail.wav", music + "TAGTheme" + std::string(120, ' '));
    // A tag claiming more than its list holds is passed over.
    plays("tag.wav", wav::InsertAfterFirst(music, wav::InfoList("Theme", 425 * mb)));

    // Hostile: a block the readers allocate claims hundreds of MB.
    const std::string claims = wav::Overclaiming();
    refused("claims.wav", claims, Chunk(claims, "INAM", 425 * mb));
    const std::string list = wav::InsertAfterFirst(music, wav::InfoList("Theme", 425 * mb, 640 * mb));
    refused("list.wav", list, Chunk(list, "INAM", 425 * mb));
    const std::string after = music + wav::InfoList("Theme", 53 * mb, 640 * mb);
    refused("after.wav", after, Chunk(after, "INAM", 53 * mb));
    const std::string tagged = wav::InsertAfterFirst(video, wav::InfoList("Intro", 1 << 30, (1 << 30) + 64));
    refused("tagged.avi", tagged, Chunk(tagged, "INAM", 1 << 30));
    const std::string tail = video + wav::InfoList("Credits", 300 * mb, 640 * mb);
    refused("tail.avi", tail, Chunk(tail, "INAM", 300 * mb));
    const std::string name = wav::InsertAfterFirst(video, wav::Chunk("strn", "Intro", 300 * mb));
    refused("name.avi", name, Chunk(name, "strn", 300 * mb));
    // Ways past a walk that trusts the form's size, re-reads a tag one byte
    // earlier whenever that fits the file, or walks only "RIFF" forms.
    const std::string shortRiff
        = WithRiffSize(wav::InsertAfterFirst(music, wav::Chunk("bext", std::string(602, ' '), 300 * mb)), 4);
    refused("short_riff.wav", shortRiff, Chunk(shortRiff, "bext", 300 * mb));
    // After a chunk of one byte and its pad byte, the header one byte
    // earlier claims 116 bytes ("t" and three zeros), the real one 288 MB.
    const std::string reread = wav::InsertAfterFirst(
        music, wav::Chunk("note", "x") + wav::Chunk("bext", std::string(602, ' '), 288 * mb));
    refused("reread.wav", reread, Chunk(reread, "bext", 288 * mb));
    const std::string rereadTag = wav::InsertAfterFirst(
        music, "LIST" + wav::Le32(640 * mb) + "INFO" + wav::Chunk("INAM", "x") + wav::Chunk("ICMT", "note", 400 * mb));
    refused("reread_tag.wav", rereadTag, Chunk(rereadTag, "ICMT", 400 * mb));
    const std::string rifx = Rifx("INFO" + wav::Chunk("INAM", "Theme", 425 * mb), 640 * mb, samples);
    refused("rifx.wav", rifx, Chunk(rifx, "INAM", 425 * mb));
    // An ID3 tag whose title frame, to be read unsynchronised, claims 100 MB.
    const std::string id3 = wav::Id3(200 * mb, "TIT2" + wav::Id3(100 * mb).substr(6) + std::string("\0\2x", 3));
    const std::string tagBlock = wav::InsertAfterFirst(music, wav::Chunk("ID3 ", id3));
    refused("id3.wav", tagBlock,
            "an ID3 tag of " + std::to_string(200 * mb + 10) + " bytes at byte " + std::to_string(tagBlock.find("ID3\4"))
                + " (the file has " + std::to_string(tagBlock.size()) + ")");
    refused("id3.avi", id3 + video, "an ID3 tag of " + std::to_string(200 * mb + 10)
                                         + " bytes at byte 0 (the file has " + std::to_string(id3.size() + video.size())
                                         + ")");

    // A list that claims more than the file while its tags fit costs
    // nothing: the reader takes the samples for a tag and finds none.
    cases.push_back({ "list_only.wav", wav::InsertAfterFirst(music, wav::InfoList("Theme", -1, 640 * mb)),
                      Outcome::Fails, "" });
    return cases;
}
}

#include "Platform/MMIO.h"

#include "ScratchRoot.h"
#include "WavBuilder.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
// A disk file opened with a tiny I/O buffer, so every operation crosses
// buffer boundaries.
HMMIO OpenSmall(const char* name, DWORD flags)
{
    MMIOINFO info {};
    info.cchBuffer = 5;
    return mmioOpenA(name, &info, flags | MMIO_ALLOCBUF);
}

std::string ReadString(HMMIO file, LONG count)
{
    std::string bytes(static_cast<size_t>(count), '\0');
    const LONG got = mmioRead(file, &bytes[0], count);
    bytes.resize(got < 0 ? 0 : static_cast<size_t>(got));
    return bytes;
}
}

TEST(MMIO, CreatedChunksGetTheirSizesAndPadsOnAscend)
{
    ScratchRoot root;
    HMMIO file = OpenSmall("Out\\chunks.bin", MMIO_READWRITE | MMIO_CREATE);
    ASSERT_NE(file, nullptr);
    MMCKINFO riff {};
    riff.fccType = mmioFOURCC('T', 'E', 'S', 'T');
    ASSERT_EQ(mmioCreateChunk(file, &riff, MMIO_CREATERIFF), MMSYSERR_NOERROR);
    MMCKINFO odd {};
    odd.ckid = mmioFOURCC('o', 'd', 'd', ' ');
    ASSERT_EQ(mmioCreateChunk(file, &odd, 0), MMSYSERR_NOERROR);
    ASSERT_EQ(mmioWrite(file, "seven!!", 7), 7);
    ASSERT_EQ(mmioAscend(file, &odd, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(odd.cksize, 7u);
    MMCKINFO even {};
    even.ckid = mmioFOURCC('e', 'v', 'e', 'n');
    ASSERT_EQ(mmioCreateChunk(file, &even, 0), MMSYSERR_NOERROR);
    ASSERT_EQ(mmioWrite(file, "twelve bytes", 12), 12);
    ASSERT_EQ(mmioAscend(file, &even, 0), MMSYSERR_NOERROR);
    ASSERT_EQ(mmioAscend(file, &riff, 0), MMSYSERR_NOERROR);
    ASSERT_EQ(mmioClose(file, 0), MMSYSERR_NOERROR);

    const std::string expected
        = wav::Riff({ wav::Chunk("odd ", "seven!!"), wav::Chunk("even", "twelve bytes") }, "TEST");
    EXPECT_EQ(root.ReadFile("Out/chunks.bin"), expected);

    // Read back: find the second chunk inside the first, skipping the odd one.
    file = OpenSmall("out\\CHUNKS.BIN", MMIO_READ);
    ASSERT_NE(file, nullptr);
    MMCKINFO parent {};
    parent.fccType = mmioFOURCC('T', 'E', 'S', 'T');
    ASSERT_EQ(mmioDescend(file, &parent, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
    EXPECT_EQ(parent.dwDataOffset, 8u);
    MMCKINFO found {};
    found.ckid = mmioFOURCC('e', 'v', 'e', 'n');
    ASSERT_EQ(mmioDescend(file, &found, &parent, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
    EXPECT_EQ(found.cksize, 12u);
    EXPECT_EQ(ReadString(file, 100), "twelve bytes");
    ASSERT_EQ(mmioSeek(file, static_cast<LONG>(parent.dwDataOffset + 4), SEEK_SET), 12);
    MMCKINFO missing {};
    missing.ckid = mmioFOURCC('n', 'o', 'n', 'e');
    EXPECT_EQ(mmioDescend(file, &missing, &parent, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);
    EXPECT_EQ(mmioSeek(file, 1, SEEK_END), -1);
    EXPECT_EQ(mmioClose(file, 0), MMSYSERR_NOERROR);
}

TEST(MMIO, CallerCopiesThroughTheBufferWithAdvance)
{
    ScratchRoot root;
    const std::string text = "abcdefghijklmnopqrstuvwxyz";
    root.MakeFile("letters.txt", text);

    HMMIO file = OpenSmall("letters.txt", MMIO_READ);
    ASSERT_NE(file, nullptr);
    MMIOINFO info {};
    ASSERT_EQ(mmioGetInfo(file, &info, 0), MMSYSERR_NOERROR);
    std::string copied;
    for (;;) {
        if (info.pchNext == info.pchEndRead) {
            ASSERT_EQ(mmioAdvance(file, &info, MMIO_READ), MMSYSERR_NOERROR);
            if (info.pchNext == info.pchEndRead)
                break; // the end of the file
        }
        copied += *info.pchNext++;
        if (copied.size() == 10) {
            // Handing the state back keeps the position for plain reads.
            ASSERT_EQ(mmioSetInfo(file, &info, 0), MMSYSERR_NOERROR);
            EXPECT_EQ(mmioSeek(file, 0, SEEK_CUR), 10);
            ASSERT_EQ(mmioGetInfo(file, &info, 0), MMSYSERR_NOERROR);
        }
    }
    EXPECT_EQ(copied, text);
    EXPECT_EQ(mmioClose(file, 0), MMSYSERR_NOERROR);

    // Writing through the buffer: dirty bytes reach the file on advance and close.
    file = OpenSmall("letters.txt", MMIO_READWRITE);
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(mmioSeek(file, 3, SEEK_SET), 3);
    ASSERT_EQ(mmioGetInfo(file, &info, 0), MMSYSERR_NOERROR);
    for (char c : std::string("12345678")) {
        if (info.pchNext == info.pchEndWrite) {
            ASSERT_EQ(mmioAdvance(file, &info, MMIO_WRITE), MMSYSERR_NOERROR);
        }
        *info.pchNext++ = c;
        info.dwFlags |= MMIO_DIRTY;
    }
    ASSERT_EQ(mmioSetInfo(file, &info, 0), MMSYSERR_NOERROR);
    ASSERT_EQ(mmioClose(file, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(root.ReadFile("letters.txt"), "abc12345678lmnopqrstuvwxyz");
}

TEST(MMIO, MemoryFileIsItsBlockAndDoesNotGrow)
{
    std::string block = wav::Riff({ wav::Chunk("data", "12345") });
    MMIOINFO info {};
    info.fccIOProc = FOURCC_MEM;
    info.pchBuffer = &block[0];
    info.cchBuffer = static_cast<LONG>(block.size());
    HMMIO file = mmioOpenA(nullptr, &info, MMIO_READ | MMIO_ALLOCBUF);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(info.wErrorRet, MMSYSERR_NOERROR);

    MMCKINFO riff {};
    ASSERT_EQ(mmioDescend(file, &riff, nullptr, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(riff.ckid, FOURCC_RIFF);
    MMCKINFO data {};
    data.ckid = mmioFOURCC('d', 'a', 't', 'a');
    ASSERT_EQ(mmioDescend(file, &data, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
    EXPECT_EQ(ReadString(file, 100), std::string("12345") + '\0');

    MMIOINFO state {};
    ASSERT_EQ(mmioGetInfo(file, &state, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(state.pchNext, state.pchEndRead);
    ASSERT_EQ(mmioAdvance(file, &state, MMIO_READ), MMSYSERR_NOERROR);
    EXPECT_EQ(state.pchNext, state.pchEndRead); // nothing more to deliver
    EXPECT_EQ(mmioSeek(file, 1, SEEK_END), -1);
    EXPECT_EQ(mmioWrite(file, "x", 1), -1); // opened for reading
    EXPECT_EQ(mmioClose(file, 0), MMSYSERR_NOERROR);

    MMIOINFO empty {};
    empty.fccIOProc = FOURCC_MEM;
    EXPECT_EQ(mmioOpenA(nullptr, &empty, MMIO_READ), nullptr);
    EXPECT_EQ(empty.wErrorRet, MMSYSERR_INVALPARAM);
}

TEST(MMIO, OpenFailuresSayWhy)
{
    ScratchRoot root;
    MMIOINFO info {};
    EXPECT_EQ(mmioOpenA("missing.wav", &info, MMIO_READ), nullptr);
    EXPECT_EQ(info.wErrorRet, MMIOERR_FILENOTFOUND);
    root.MakeDirectory("folder");
    EXPECT_EQ(mmioOpenA("folder", &info, MMIO_READ), nullptr);
    EXPECT_EQ(mmioOpenA(nullptr, &info, MMIO_READ), nullptr);
}

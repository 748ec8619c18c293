#!/usr/bin/env python3
"""Writes the seed WAV files of the wav_file fuzz target: a few tiny RIFF
WAVE files that reach the reader's main paths (8- and 16-bit PCM, chunks in
another order, an odd-sized chunk, a format with extra bytes, a data chunk
that promises more than the file holds, a tag list and title that claim
hundreds of MB)."""
import struct

from seed_folder import seed_folder, write_seeds


def chunk(cid, body, declared=None):
    size = len(body) if declared is None else declared
    data = cid + struct.pack('<I', size) + body
    return data + (b'\0' if len(body) % 2 else b'')


def fmt(tag, channels, rate, bits, extra=None):
    align = channels * bits // 8
    body = struct.pack('<HHIIHH', tag, channels, rate, rate * align, align, bits)
    if extra is not None:
        body += struct.pack('<H', len(extra)) + extra
    return chunk(b'fmt ', body)


def riff(*chunks):
    body = b'WAVE' + b''.join(chunks)
    return b'RIFF' + struct.pack('<I', len(body)) + body


def samples(count):
    return bytes(1 + (i * 7) % 120 for i in range(count))


SEEDS = {
    'pcm8.wav': riff(fmt(1, 1, 11025, 8), chunk(b'data', samples(9))),
    'pcm16.wav': riff(fmt(1, 1, 22050, 16), chunk(b'data', samples(16))),
    'list_first.wav': riff(chunk(b'LIST', b'INFOtool'), chunk(b'data', samples(5)), fmt(1, 1, 8000, 8)),
    'adpcm.wav': riff(fmt(2, 1, 22050, 4, b'\x01\x02\x03\x04'), chunk(b'fact', struct.pack('<I', 8)),
                      chunk(b'data', samples(4))),
    'short_data.wav': riff(fmt(1, 1, 8000, 8), chunk(b'data', samples(6), declared=40)),
    'claims_list.wav': riff(fmt(1, 1, 8000, 8), chunk(b'data', samples(6)),
                            chunk(b'LIST', b'INFO' + chunk(b'INAM', b'title', declared=425 << 20), declared=640 << 20)),
}


def main():
    target = seed_folder(__doc__, 'wav_file')
    write_seeds(target, SEEDS)


if __name__ == '__main__':
    main()

#!/usr/bin/env python3
"""Writes the seed files of the image_file fuzz target: tiny TGA (plain and
run-length), BMP, PNG and DDS files (plain, cube map, DXT1 with mip levels)
that reach each reader's main paths, and PNG and BMP files that claim far
more than they hold (image data of 1 GB, 8192 x 8192 pixels)."""
import struct
import zlib

from seed_folder import seed_folder, write_seeds


def tga(width, height, pixels, rle=False):
    header = struct.pack('<BBBHHBHHHHBB', 0, 0, 10 if rle else 2, 0, 0, 0, 0, 0, width, height, 32, 0x28)
    body = b''
    if rle:
        # One run packet per pixel pair: a repeat of the first pixel.
        for i in range(0, len(pixels), 2):
            body += bytes([0x81]) + struct.pack('<I', pixels[i])
    else:
        body = b''.join(struct.pack('<I', p) for p in pixels)
    return header + body


def bmp(width, height, colour):
    row = (struct.pack('<I', colour)[:3] * width).ljust((width * 3 + 3) // 4 * 4, b'\0')
    pixels = row * height
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return b'BM' + struct.pack('<IHHI', 14 + len(info) + len(pixels), 0, 0, 14 + len(info)) + info + pixels


def png(width, height, rgba, claimed_width=None, claimed_height=None, claimed_data=None):
    """A PNG whose header and image data chunk may claim other sizes than
    the pixels it holds."""
    def chunk(kind, body, declared=None):
        size = len(body) if declared is None else declared
        return struct.pack('>I', size) + kind + body + struct.pack('>I', zlib.crc32(kind + body) & 0xFFFFFFFF)
    raw = b''.join(b'\0' + bytes(rgba) * width for _ in range(height))
    header = struct.pack('>IIBBBBB', claimed_width or width, claimed_height or height, 8, 6, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header)
            + chunk(b'IDAT', zlib.compress(raw), claimed_data) + chunk(b'IEND', b''))


def core_bmp(width, height, rows):
    """A BMP with the 12-byte header of 16-bit sides, 24 bits a pixel."""
    info = struct.pack('<IHHHH', 12, width, height, 1, 24)
    return b'BM' + struct.pack('<IHHI', 26 + len(rows), 0, 0, 26) + info + rows


def dds(width, height, levels, cube=False, dxt1=False):
    flags = 0x1007 | (0x20000 if levels > 1 else 0)
    if dxt1:
        pf = struct.pack('<II4s5I', 32, 0x4, b'DXT1', 0, 0, 0, 0, 0)
    else:
        pf = struct.pack('<8I', 32, 0x41, 0, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000)
    caps = 0x1000 | (0x8 if cube else 0) | (0x400008 if levels > 1 else 0)
    header = struct.pack('<7I', 124, flags, height, width, 0, 0, levels) + b'\0' * 44 + pf
    header += struct.pack('<4I', caps, 0xFE00 if cube else 0, 0, 0) + b'\0' * 4
    data = 0
    for level in range(levels):
        w, h = max(1, width >> level), max(1, height >> level)
        data += ((w + 3) // 4) * ((h + 3) // 4) * 8 if dxt1 else w * h * 4
    return b'DDS ' + header + bytes(range(256)) * (data * (6 if cube else 1) // 256) \
        + b'\x5a' * (data * (6 if cube else 1) % 256)


def main():
    out = seed_folder(__doc__, 'image_file')
    seeds = {
        'tiny.tga': tga(2, 2, [0xFF0000FF, 0x80FF0000, 0, 0xFFFFFFFF]),
        'rle.tga': tga(4, 2, [0xFF00FF00] * 8, rle=True),
        'tiny.bmp': bmp(3, 2, 0x123456),
        'tiny.png': png(3, 3, [10, 20, 30, 255]),
        'claims_data.png': png(3, 3, [10, 20, 30, 255], claimed_data=1 << 30),
        'claims_size.png': png(3, 3, [10, 20, 30, 255], claimed_width=8192, claimed_height=8192),
        'core.bmp': core_bmp(2, 2, b'\x10\x20\x30\x40\x50\x60\0\0' * 2),
        'claims_size.bmp': core_bmp(8192, 8192, b'\x10\x20\x30\x40\x50\x60\0\0'),
        'plain.dds': dds(4, 2, 1),
        'cube.dds': dds(4, 4, 1, cube=True),
        'dxt1.dds': dds(8, 8, 4, dxt1=True),
    }
    write_seeds(out, seeds)


if __name__ == '__main__':
    main()

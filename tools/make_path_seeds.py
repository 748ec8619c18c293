#!/usr/bin/env python3
"""Writes the seeds of the path_record fuzz target: path records as the level
file stores them (name, closed flag, segment count, then per segment the start
point, end point and the two control points): a straight open path, a closed
square loop of four curved segments, a degenerate path, and a record whose
segment count runs past the data."""
import struct

from seed_folder import seed_folder, write_seeds


def record(name, closed, segments, count=None):
    data = struct.pack('<i', len(name)) + name + struct.pack('<ii', 1 if closed else 0,
                                                              len(segments) if count is None else count)
    for p0, p3, p1, p2 in segments:
        for point in (p0, p3, p1, p2):
            data += struct.pack('<fff', *point)
    return data


def straight(a, b):
    step = [(b[i] - a[i]) / 3.0 for i in range(3)]
    return (a, b, tuple(a[i] + step[i] for i in range(3)), tuple(a[i] + 2 * step[i] for i in range(3)))


def main():
    target = seed_folder(__doc__, 'path_record')
    corners = [(0, 0, 0), (60, 0, 0), (60, 60, 0), (0, 60, 0)]
    loop = []
    for i in range(4):
        a, b = corners[i], corners[(i + 1) % 4]
        bulge = (a[0] + (b[0] - a[0]) / 3.0 + 5, a[1] + (b[1] - a[1]) / 3.0 + 5, 1)
        loop.append((a, b, bulge, (a[0] + 2 * (b[0] - a[0]) / 3.0, a[1] + 2 * (b[1] - a[1]) / 3.0, 0)))
    seeds = {
        'straight': record(b'c_path', False, [straight((0, 0, 0), (100, 0, 0))]),
        'loop': record(b'left', True, loop) + record(b'right', False, [straight((0, 0, 0), (0, 50, 2))]),
        'degenerate': record(b'c_path', False, [straight((0, 0, 0), (0, 0, 90))]),
        'overrun': record(b'c_path', True, [straight((0, 0, 0), (30, 0, 0))], count=5),
    }
    write_seeds(target, seeds)


if __name__ == '__main__':
    main()

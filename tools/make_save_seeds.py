#!/usr/bin/env python3
"""Writes the seeds of the save_file fuzz target: save files as the game lays
them out (profile name, player name, 16-byte time stamp, races passed, points,
then twelve level records of best time, spare value, ghost sample count and,
with samples, the ghost's model and 68-byte samples): a fresh profile, a
played one with a two-sample ghost, one cut short inside a ghost and one
whose ghost count runs past the data."""
import struct

from seed_folder import seed_folder, write_seeds


def text(value):
    return struct.pack('<i', len(value)) + value


def sample(base):
    return (struct.pack('<3f', base, base + 1, base + 2) + struct.pack('<4f', 0, 0.5, 0, 0.75)
            + bytes([1, 0, 0, 0]) + struct.pack('<4f', 0.25, 0, -0.25, 1) + struct.pack('<4f', -1, 2, -3, 4)
            + struct.pack('<f', base / 10))


def save(profile, player, races, points, records, ghost_count=None):
    data = text(profile) + text(player) + struct.pack('<8H', 2026, 12, 4, 10, 20, 15, 42, 123)
    data += struct.pack('<ii', races, points)
    for level in range(12):
        best, spare, model, samples = records.get(level, (0.0, 4, b'', []))
        count = len(samples) if ghost_count is None or level not in records else ghost_count
        data += struct.pack('<fii', best, spare, count)
        if samples:
            data += text(model) + b''.join(sample(s) for s in samples)
    return data


def main():
    target = seed_folder(__doc__, 'save_file')
    played = {1: (61.5, 7, b'scout_469', [1.0, 5.0]), 11: (99.25, -2, b'', [])}
    seeds = {
        'fresh': save(b'Ann', b'coupe_tt', 0, 0, {}),
        'played': save(b'Ann', b'scout', 3, 1250, played),
        'cut_in_ghost': save(b'Ann', b'scout', 3, 1250, played)[:150],
        'ghost_overrun': save(b'Bob', b'p', 1, 2, {1: (1.0, 4, b'm', [1.0])}, ghost_count=9),
    }
    write_seeds(target, seeds)


if __name__ == '__main__':
    main()

#!/usr/bin/env python3
"""Writes the seeds of the sky_text fuzz target: sky files whose parts are
joined by a line "@@" (skyscape, cloud set, cloud group, cloud layer). One
complete small sky, one cut short, one whose counts promise far more than
it holds, and one with quoted names and extra values."""

from seed_folder import seed_folder, write_seeds


def keyframe(k, points=3, meshes=2):
    o = k * 10
    lines = ['duration %d' % (10 if k != 1 else -1), 'alpha %d' % (200 + o), 'angle 90', 'tint 3']
    lines += ['point %d %d %d' % (10 + 40 * g + o, 20 + 40 * g + o, 30 + 40 * g + o) for g in range(points)]
    lines += ['sun %d 100 50' % (200 + o), 'ambient 40 50 60', 'colour3 1 2 3', 'colour4 4 5 6',
              'fog %d 150 200' % (100 + o), 'fogstart 50', 'fogend 500', 'spare 7', 'boost %d' % (k % 2)]
    for m in range(meshes):
        lines += ['angle%d %d' % (m, 30 + o), 'fx%d %d' % (m, m), 'scale%d 2' % m, 'step%d 1' % m]
    return lines


def skyscape(keyframes=3, segments=16):
    lines = ['timescale 4', 'start 1', 'radius 100', 'height 0.5', 'segments %d' % segments, 'centre 0 0 -10',
             'texture data\\textures\\sky.tga', 'effect data\\effects\\sky.fx', 'colours 3',
             'keyframes %d' % keyframes, 'meshes 2', 'meshfx0 data\\effects\\mesh0.fx',
             'meshfx1 data\\effects\\mesh1.fx', 'groups 2', 'cloudset set.txt']
    for k in range(keyframes):
        lines += keyframe(k)
    lines += ['axis 0 0 2', 'half 5', 'distance 100', 'base 0', 'textures 2', 'tex a.tga', 'tex b.tga']
    lines += ['axis 0 1 0', 'half 2', 'distance 50', 'base 45', 'textures 1', 'tex c.tga']
    lines += ['group group.txt', 'group group.txt']
    return lines


def entry(group, overcast, chance):
    return ['fade 5', 'duration 4', 'jitter 0.5', 'group ' + group, 'a 1', 'b 2', 'c 3', 'd 4', 'e 5', 'f 6',
            'g 7', 'h 8', 'overcast %d' % overcast, 'chance %s' % chance, 'i 9']


CLOUD_SET = ['count 2'] + entry('group.txt', 0, 1) + entry('other.txt', 1, 0.5)
CLOUD_GROUP = ['offset 0 0 100', 'va 1', 'vb 2', 'triple 1 2 3', 'vc 4', 'clouds 2',
               'layer layer.txt', 'base 10 0 0', 'scale 1', 'angle 0', 'value 3',
               'layer layer.txt', 'base 0 10 0', 'scale 2', 'angle 1.5', 'value 4']
CLOUD_LAYER = ['anchors 2', 'a 0 0 0', 'a 1 0 0', 'puffs 2', 'centre 0 0 10', 'pair 1 2', 'weight 0.5',
               'anchor 0', 'size 3 4', 'centre 5 0 0', 'pair 3 4', 'weight 1', 'anchor 7', 'size 1 1',
               'v2 11', 'v1 12', 't 1', 't 2', 't 3', 't 4', 't 5', 't 6']


def join(*parts):
    return '\n@@\n'.join('\n'.join(p) + '\n' for p in parts)


SEEDS = {
    'whole.txt': join(skyscape(), CLOUD_SET, CLOUD_GROUP, CLOUD_LAYER),
    'cut_short.txt': join(skyscape()[:40], CLOUD_SET[:9], CLOUD_GROUP[:8], CLOUD_LAYER[:6]),
    'huge_counts.txt': join([l.replace('keyframes 2', 'keyframes 2000000000') for l in skyscape(2, 200)],
                            ['count 99999999'] + entry('group.txt', 1, 1), CLOUD_GROUP, ['anchors 1', 'a 0 0 0', 'puffs 99999999']),
    'quoted.txt': join(['timescale 1 2 3', 'start "0"', 'radius 10', 'height 1', 'segments 4', 'centre 0 0 0',
                        'texture "a b.tga"', 'effect', 'colours 2', 'keyframes 1', 'meshes 0', 'm0', 'm1',
                        'groups 1', 'cloudset "set.txt" extra'] + keyframe(0, 2, 0) + ['group "group.txt"'],
                       ['count 1'] + entry('"group.txt"', 1, 1)),
}


def main():
    target = seed_folder(__doc__, 'sky_text')
    write_seeds(target, SEEDS)


if __name__ == '__main__':
    main()

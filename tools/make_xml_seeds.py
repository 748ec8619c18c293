#!/usr/bin/env python3
"""Writes seeds of the xml_load fuzz target that the hand-made 'broken' seed
lacks: a description with a declaration, a comment, CDATA and quoted
attribute values that hold '<' and '>'; elements nested one level deeper than
the loader takes; and the same depth hidden inside a comment."""

from seed_folder import seed_folder, write_seeds

DEEPEST = 256  # the loader's depth bound


def nested(depth, open_tag='<a>', close_tag='</a>'):
    return open_tag * depth + close_tag * depth


SEEDS = {
    'description.xml': '<?xml version="1.0"?>\n<!-- <not an element> -->\n'
                       '<vehicle name="jeep" note=\'a > b\'>\n  <engine power="1.5" tag="<x>"/>\n'
                       '  <text><![CDATA[<y>]]></text>\n</vehicle >\n',
    'too_deep.xml': nested(DEEPEST + 1),
    'deep_comment.xml': '<r><!--' + '<a>' * (DEEPEST + 1) + '--></r>',
}


def main():
    target = seed_folder(__doc__, 'xml_load')
    write_seeds(target, SEEDS)


if __name__ == '__main__':
    main()

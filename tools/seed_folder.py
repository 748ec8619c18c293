"""The command line the seed tools share: an optional folder to write into
(default: the fuzz target's corpus folder), --help, and exit status 2 with a
message for anything else, so a mistyped option never becomes a folder."""
import argparse
import os
import sys


def seed_folder(description, corpus):
    """The folder named on the command line, made when missing."""
    default = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'fuzz', 'corpus', corpus)
    parser = argparse.ArgumentParser(prog=os.path.basename(sys.argv[0]), description=description)
    parser.add_argument('folder', nargs='?', default=default,
                        help='where to write the seed files (default: fuzz/corpus/%s)' % corpus)
    folder = parser.parse_args().folder
    if folder.startswith('-') or not folder:
        parser.error('no such option: %s' % folder if folder else 'an empty folder name')
    os.makedirs(folder, exist_ok=True)
    return folder

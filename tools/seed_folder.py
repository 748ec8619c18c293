"""The command line the seed tools share: an optional folder to write into
(default: the fuzz target's corpus folder), --help, and exit status 2 with a
message for anything else, so a mistyped option never becomes a folder. A
path that exists and is no folder is refused the same way; a folder or file
that cannot be written later ends the tool with status 1 and the system's
reason."""
import argparse
import os
import sys


def fail(what, path, error):
    """Ends the tool with status 1, naming the path and the system's reason."""
    sys.exit('%s: cannot %s %s: %s' % (os.path.basename(sys.argv[0]), what, path, error.strerror or error))


def seed_folder(description, corpus):
    """The folder named on the command line, made when missing."""
    default = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'fuzz', 'corpus', corpus)
    parser = argparse.ArgumentParser(prog=os.path.basename(sys.argv[0]), description=description)
    parser.add_argument('folder', nargs='?', default=default,
                        help='where to write the seed files (default: fuzz/corpus/%s)' % corpus)
    folder = parser.parse_args().folder
    if folder.startswith('-') or not folder:
        parser.error('no such option: %s' % folder if folder else 'an empty folder name')
    if os.path.exists(folder) and not os.path.isdir(folder):
        parser.error('%s is not a folder' % folder)
    try:
        os.makedirs(folder, exist_ok=True)
    except OSError as error:
        fail('make', folder, error)
    return folder


def write_seeds(folder, seeds):
    """Writes each seed (bytes, or text as UTF-8) into the folder under its name."""
    for name, data in seeds.items():
        path = os.path.join(folder, name)
        try:
            with open(path, 'wb') as out:
                out.write(data if isinstance(data, bytes) else data.encode('utf-8'))
        except OSError as error:
            fail('write', path, error)

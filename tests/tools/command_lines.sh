#!/usr/bin/env bash
# The command lines of the fixture and seed generators: --help prints and
# exits 0; a wrong argument, among them a path that exists and is no folder,
# exits 2 with a message and writes nothing, and above all never makes a
# folder named after an option; a folder or file that cannot be written
# exits 1 and names the system's reason.
# Usage: command_lines.sh MAKE_FIXTURE_LEVEL TOOLS_DIR SCRATCH_DIR
set -uo pipefail
level_tool="$1"
tools="$2"
scratch="$3"
rm -rf "$scratch"
mkdir -p "$scratch"
cd "$scratch" || exit 1
: >out.txt
: >err.txt
failures=0

# expect STATUS STDERR_PATTERN COMMAND...: the exit status, a pattern that
# standard error must hold (empty: anything), and that nothing new appears here.
expect() {
  local status="$1" pattern="$2"
  shift 2
  local before after
  before="$(ls -A)"
  "$@" >out.txt 2>err.txt
  local got=$?
  after="$(ls -A)"
  if [ "$got" -ne "$status" ]; then
    echo "FAIL: $* exited $got, expected $status"; cat err.txt; failures=$((failures + 1))
  elif [ -n "$pattern" ] && ! grep -q -- "$pattern" err.txt; then
    echo "FAIL: $*: standard error lacks \"$pattern\""; cat err.txt; failures=$((failures + 1))
  elif [ "$status" -ne 0 ] && [ "$before" != "$after" ]; then
    echo "FAIL: $* left files behind: $after"; failures=$((failures + 1))
  fi
}

expect 0 "" "$level_tool" --help
grep -q "^usage: make_fixture_level FOLDER" out.txt || { echo "FAIL: make_fixture_level --help"; failures=$((failures + 1)); }
expect 2 "no folder given" "$level_tool"
expect 2 "unknown option --crates" "$level_tool" --crates 3
expect 2 "CRATES is no whole number" "$level_tool" level abc
expect 2 "CRATES is no whole number" "$level_tool" level -1
expect 2 "SEGMENTS 3 or more" "$level_tool" level 2 2
expect 2 "too many arguments" "$level_tool" level 1 2 3 4
expect 0 "" "$level_tool" level 0 24 1
[ -f level/Data/Levels/level1.lvl ] || { echo "FAIL: make_fixture_level wrote no level"; failures=$((failures + 1)); }
rm -rf level
# A file where the folder should be, or where one of its folders or files
# should be.
: >afile
expect 2 "afile is not a folder" "$level_tool" afile
expect 1 "cannot write afile/level/Data/[A-Za-z]*: Not a directory" "$level_tool" afile/level
mkdir -p blocked/Data/Levels/level1.lvl
expect 1 "cannot write blocked/Data/Levels/level1.lvl: Is a directory" "$level_tool" blocked
rm -rf blocked

# Debian's interpreter, which tools/deps.sh installs, starts fastest.
python=/usr/bin/python3
[ -x "$python" ] || python=python3
# Each tool takes its command line from seed_folder.py: every tool is asked
# for help, given an option and run; the other refusals are checked once.
for tool in "$tools"/make_*_seeds.py; do
  name="$(basename "$tool")"
  expect 0 "" "$python" "$tool" --help
  grep -q "^usage: $name" out.txt || { echo "FAIL: $name --help"; failures=$((failures + 1)); }
  expect 2 "unrecognized arguments: --folder" "$python" "$tool" --folder
  expect 2 "afile is not a folder" "$python" "$tool" afile
  expect 1 "cannot make afile/seeds: Not a directory" "$python" "$tool" afile/seeds
  expect 0 "" "$python" "$tool" seeds
  [ -n "$(ls -A seeds)" ] || { echo "FAIL: $name wrote no seed"; failures=$((failures + 1)); }
  # A folder in the place of each seed file.
  for seed in seeds/*; do mkdir -p "blocked/$(basename "$seed")"; done
  expect 1 "cannot write blocked/[^:]*: Is a directory" "$python" "$tool" blocked
  rm -rf seeds blocked
done
expect 2 "no such option: -x" "$python" "$tool" -- -x
expect 2 "unrecognized arguments: two" "$python" "$tool" one two

if [ "$failures" -ne 0 ]; then
  echo "$failures command line checks failed"
  exit 1
fi

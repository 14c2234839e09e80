#!/usr/bin/env bash
# Makes the 33 recordings that Tintoko plays, as MP3 files in data/声音/
# (or in the folder given as the first argument), from recordings.tsv beside
# this script: each line there names a file and the words it speaks.
#   - 16 colour names:     "<name>.mp3"       speaks the colour, e.g. 黑色
#   - 16 right answers:    "对_<name>.mp3"    a praise, then the NEXT colour to find
#                                             (the file is named after that colour)
#   - 1 wrong answer:      "错了再试一遍.mp3"
#
# The file names are exactly the button captions: six of them (黑  色, 蓝  色,
# 绿  色, 青  色, 红  色, 白  色) have two ASCII spaces between the characters.
#
# The generated files are committed to the repository, so building and running
# the program needs neither espeak-ng, sox nor lame; run this script only to
# make them again. Any file may be replaced by a recording of your own voice:
# the recorder tintoko-voices shows the same words and keeps each recording in
# the user's own folder.
#
# Voice: espeak-ng's "cmn-latn-pinyin" voice. The voices "cmn" and "zh" of
# espeak-ng 1.51 read the pinyin they produce with English letter rules, so
# they are not used. That voice applies the third-tone sandhi itself but not
# the tone changes of 一 and 不, so where they matter the words are given to it
# with the pinyin and its tone digit instead of the character (一个 and 一遍
# are read "yi2").
# Check what a text turns into with:  espeak-ng -v cmn-latn-pinyin -q -x 黑色
#
# Output is the same on every run with the same tool versions.

set -euo pipefail

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out_dir=${1:-"$script_dir/声音"}
table="$script_dir/recordings.tsv"

voice=cmn-latn-pinyin
rate=130 # words per minute; a little slower than the default 175, for small children

missing=()
for tool in espeak-ng sox lame; do
  command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
done
if ((${#missing[@]})); then
  echo "make_recordings.sh: missing tool(s): ${missing[*]}" >&2
  echo "  On Debian/Ubuntu: apt-get install espeak-ng sox lame" >&2
  echo "  (Not needed to build or run Tintoko: the recordings are committed.)" >&2
  exit 1
fi
if ! espeak-ng --voices=cmn | grep -q "$voice"; then
  echo "make_recordings.sh: espeak-ng has no voice \"$voice\" (see espeak-ng --voices=cmn)" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$out_dir"

# make_mp3 TEXT FILE: speak TEXT into FILE (mono MP3, 22050 Hz, about 48 kbit/s).
# Average bit rate rather than constant: lame then writes the Xing/LAME tag,
# which states the exact length, so a player can tell a copy cut short and
# decoding skips the encoder's leading delay.
make_mp3() {
  local text=$1 file=$2
  espeak-ng -v "$voice" -s "$rate" -w "$work/raw.wav" "$text"
  # Cut the near-silence that espeak-ng puts before every clip, so that the
  # word follows the click at once, and all but 0.1 s of the half second after
  # it, so that a colour name ends well within the fastest automatic-play pace
  # (1.5 s); bring the peak to -1 dBFS. -R and -D keep sox's output repeatable
  # (fixed random seed, no dither).
  sox -R -D "$work/raw.wav" "$work/trim.wav" \
    silence 1 0.02 0.5% reverse silence 1 0.02 0.5% reverse pad 0 0.1 norm -1
  lame --quiet -m m --resample 22.05 --abr 48 "$work/trim.wav" "$work/out.mp3"
  mv -f "$work/out.mp3" "$file"
  printf '%s\t%s\n' "$(basename "$file")" "$text"
}

count=0
while IFS=$'\t' read -r -u 3 file words; do
  case $file in '' | '#'*) continue ;; esac
  # 一 before a fourth tone is said yi2.
  text=${words//一个/yi2个}
  text=${text//一遍/yi2遍}
  make_mp3 "$text" "$out_dir/$file"
  count=$((count + 1))
done 3<"$table"
if ((count != 33)); then
  echo "make_recordings.sh: $table names $count recordings, not 33" >&2
  exit 1
fi

echo "33 recordings in $out_dir"

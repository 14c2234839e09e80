#!/usr/bin/env bash
# Makes the 33 recordings that Tintoko plays, as MP3 files in data/声音/
# (or in the folder given as the first argument):
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
# make them again. Any file may be replaced by a recording of your own voice
# (MP3, same file name, in the 声音 folder beside the program).
#
# Voice: espeak-ng's "cmn-latn-pinyin" voice. The voices "cmn" and "zh" of
# espeak-ng 1.51 read the pinyin they produce with English letter rules, so
# they are not used. That voice applies the third-tone sandhi itself but not
# the tone changes of 一 and 不, so where they matter the text carries the
# pinyin with its tone digit instead of the character (e.g. "下yi2个").
# Check what a text turns into with:  espeak-ng -v cmn-latn-pinyin -q -x 黑色
#
# Output is the same on every run with the same tool versions.

set -euo pipefail

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out_dir=${1:-"$script_dir/声音"}

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

# The colour names in colour index order 0..15, exactly as the program names
# the files.
names=(
  "黑  色" "蓝  色" "绿  色" "青  色" "红  色"
  "洋红色" "暗黄色" "灰白色" "灰黑色" "亮蓝色" "亮绿色" "亮青色" "亮红色" "亮洋红" "亮黄色"
  "白  色"
)
# A little variety for the right answers, chosen by colour index so that the
# result does not depend on chance.
praises=("对了！" "对了，真棒！" "对了，好极了！")
wrong_text="错了，再试yi2遍"

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

for i in "${!names[@]}"; do
  name=${names[i]}
  spoken=${name//" "/} # 黑  色 -> 黑色
  make_mp3 "$spoken" "$out_dir/$name.mp3"
  make_mp3 "${praises[i % ${#praises[@]}]}下yi2个，找$spoken" "$out_dir/对_$name.mp3"
done
make_mp3 "$wrong_text" "$out_dir/错了再试一遍.mp3"

echo "33 recordings in $out_dir"

#!/bin/bash
# vimora2audio.sh FORMAT DIR TITLE ARTIST YEAR
#
# Cuts the audio of one track out of a recording and stores it as a tagged audio file.
# vimora2mp3.sh and vimora2ogg.sh call it with FORMAT mp3 or ogg.
#
#   DIR     the recording directory; its marks file ("marks", or "marks.vdr" in a
#           recording of the older kind) holds exactly one pair of marks (H:MM:SS.FF at
#           25 frames per second) and "00001.ts" (or "001.ts") holds the media
#   TITLE, ARTIST, YEAR   the track; taken as data only, any bytes allowed
#
# Writes "<Artist> - <Title> (<Year>).mp3|.ogg" into the audio folder, tagged with artist,
# title and year (ID3v2.3 for MP3, Vorbis comments for Ogg). A YEAR that is empty or zero
# is left out of both name and tags. In names, '/' becomes '_', control characters become
# blanks and leading dots become '_', so that no name hides or leaves the folder.
#
# Environment:
#   VIMORA_AUDIO_DIR   the audio folder, created when missing;
#                      default "$HOME/Music/vimora"
#
# Exit status: 0 done; 2 bad arguments; 3 recording or media missing; 4 marks missing or
# not one usable pair; 5 ffmpeg or ffprobe missing; 6 audio folder unusable or encoding
# failed; 129/130/143 ended by SIGHUP/SIGINT/SIGTERM. On any failure nothing is left in the
# audio folder: the file is encoded under a hidden temporary name and renamed when done.

FPS=25
me=vimora2audio.sh

fail() {
  local status=$1
  shift
  printf '%s: %s\n' "$me" "$*" >&2
  exit "$status"
}

# Frame number of a mark line "H:MM:SS[.FF][ comment]", or failure.
mark_frame() {
  local re='^([0-9]{1,5}):([0-9]{1,2}):([0-9]{1,2})(\.([0-9]{1,2}))?([[:space:]].*)?$'
  [[ $1 =~ $re ]] || return 1
  local h=$((10#${BASH_REMATCH[1]})) m=$((10#${BASH_REMATCH[2]})) s=$((10#${BASH_REMATCH[3]}))
  local f=$((10#${BASH_REMATCH[5]:-0}))
  ((m < 60 && s < 60 && f < FPS)) || return 1
  echo $(((h * 3600 + m * 60 + s) * FPS + f))
}

# Seconds with millisecond precision, as ffmpeg takes them.
ms_to_seconds() {
  printf '%d.%03d' $(($1 / 1000)) $(($1 % 1000))
}

# One part of a file name: no '/', no control characters.
name_part() {
  local s=${1//\//_}
  printf '%s' "${s//[[:cntrl:]]/ }"
}

format=$1
case $format in
  mp3) codec=(-c:a libmp3lame -q:a 2 -id3v2_version 3) ;;
  ogg) codec=(-c:a libvorbis -q:a 5) ;;
  *) fail 2 "usage: $me mp3|ogg DIR TITLE ARTIST YEAR" ;;
esac
me=vimora2$format.sh
[ $# -eq 5 ] || fail 2 "usage: $me DIR TITLE ARTIST YEAR"
dir=$2 title=$3 artist=$4 year=$5
[ -n "$dir" ] || fail 2 "the recording directory is empty"
[ -n "$title$artist" ] || fail 2 "neither artist nor title given"

[ -d "$dir" ] || fail 3 "recording directory '$dir' not found"
# The recorder 2.x names its files "00001.ts" and "marks"; older recordings "001.ts"
# and "marks.vdr". Whichever the recording has is taken.
media=$dir/00001.ts
[ -e "$media" ] || [ ! -e "$dir/001.ts" ] || media=$dir/001.ts
[ -f "$media" ] && [ -r "$media" ] || fail 3 "recording media '$media' not found or not readable"

marksfile=$dir/marks
[ -e "$marksfile" ] || [ ! -e "$dir/marks.vdr" ] || marksfile=$dir/marks.vdr
[ -f "$marksfile" ] && [ -r "$marksfile" ] || fail 4 "marks file '$marksfile' not found or not readable"
marks=()
lineno=0
while IFS= read -r line || [ -n "$line" ]; do
  lineno=$((lineno + 1))
  line=${line%$'\r'}
  [[ $line =~ ^[[:space:]]*$ ]] && continue
  frame=$(mark_frame "$line") || fail 4 "unreadable mark in line $lineno of '$marksfile'"
  marks+=("$frame")
done <"$marksfile"
[ ${#marks[@]} -eq 2 ] || fail 4 "'$marksfile' holds ${#marks[@]} marks instead of one pair"
startframe=${marks[0]} endframe=${marks[1]}
((endframe > startframe)) || fail 4 "the end mark does not lie after the start mark in '$marksfile'"
startms=$((startframe * 1000 / FPS))
spanms=$(((endframe - startframe) * 1000 / FPS))

command -v ffmpeg >/dev/null && command -v ffprobe >/dev/null ||
  fail 5 "ffmpeg and ffprobe are needed but not found in PATH"

# The recorder may have written an index longer than its media; a span past the end would
# otherwise come out as a file of a few stray milliseconds.
mediaduration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "file:$media" </dev/null) ||
  fail 3 "cannot read the recording media '$media'"
if [[ $mediaduration =~ ^([0-9]+)(\.([0-9]{1,3}))? ]]; then
  frac=${BASH_REMATCH[3]}000
  mediams=$((10#${BASH_REMATCH[1]} * 1000 + 10#${frac:0:3}))
  ((startms < mediams)) || fail 4 "the start mark lies beyond the end of the recording media ($(ms_to_seconds "$mediams") s)"
fi

audiodir=${VIMORA_AUDIO_DIR:-${HOME:+$HOME/Music/vimora}}
[ -n "$audiodir" ] || fail 6 "no audio folder: set VIMORA_AUDIO_DIR or HOME"
mkdir -p -- "$audiodir" || fail 6 "cannot create the audio folder '$audiodir'"

name="$(name_part "$artist") - $(name_part "$title")"
tags=(-metadata "artist=$artist" -metadata "title=$title")
if [[ ! $year =~ ^[[:space:]0]*$ ]]; then
  name="$name ($(name_part "$year"))"
  tags+=(-metadata "date=$year")
fi
dots=${name%%[!.]*}
name=${dots//./_}${name#"$dots"}
target=$audiodir/$name.$format

tmp=
encoder=
cleanup() {
  if [ -n "$encoder" ]; then
    kill -TERM "$encoder" 2>/dev/null
    wait "$encoder" 2>/dev/null
  fi
  [ -z "$tmp" ] || rm -f -- "$tmp"
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

tmp=$(mktemp -- "$audiodir/.$me.XXXXXX") || fail 6 "cannot write into the audio folder '$audiodir'"

# In the background so that a signal to this script alone is handled at once and ends the
# encoder too; the "file:" prefix keeps ffmpeg from reading a path as a protocol or option.
ffmpeg -nostdin -hide_banner -loglevel error -y \
  -ss "$(ms_to_seconds "$startms")" -i "file:$media" -t "$(ms_to_seconds "$spanms")" \
  -map 0:a:0 -vn -sn -dn -map_metadata -1 -map_chapters -1 \
  "${codec[@]}" "${tags[@]}" -f "$format" "file:$tmp" </dev/null &
encoder=$!
wait "$encoder"
status=$?
encoder=
[ $status -eq 0 ] || fail 6 "ffmpeg failed (exit status $status) converting '$media'"

chmod "$(printf '%o' $((0666 & ~$(umask))))" -- "$tmp" &&
  mv -fT -- "$tmp" "$target" || fail 6 "cannot store '$target'"
tmp=

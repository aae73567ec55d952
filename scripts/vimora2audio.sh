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
# is left out of both name and tags. The file carries a cover picture, a still of the music
# video from the middle of the track (JPEG, at most 600 pixels wide; ID3v2 APIC "front
# cover", or METADATA_BLOCK_PICTURE in Ogg; none when the recording has no video), and its
# ReplayGain (REPLAYGAIN_TRACK_GAIN and REPLAYGAIN_TRACK_PEAK, TXXX frames in ID3v2),
# measured on the encoded file by EBU R128 against -18 LUFS; the audio is not changed. In names, '/' becomes '_', control characters become
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

# Four bytes, big-endian, of a number.
be32() {
  printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 >> 24 & 255)) $(($1 >> 16 & 255)) $(($1 >> 8 & 255)) $(($1 & 255)))"
}

# The FLAC picture block of a JPEG front cover, base64, as Ogg carries it in the comment
# METADATA_BLOCK_PICTURE.
picture_block() {
  local file=$1 width=$2 height=$3
  { be32 3; be32 10; printf 'image/jpeg'; be32 0; be32 "$width"; be32 "$height"; be32 24; be32 0
    be32 "$(stat -c %s -- "$file")"; cat -- "$file"; } | base64 -w0
}

# "GAIN PEAK" of an audio file as ReplayGain gives them ("-3.21 dB" against -18 LUFS, the
# sample peak as a fraction of full scale), from ffmpeg's EBU R128 measurement.
replaygain() {
  ffmpeg -nostdin -hide_banner -loglevel info -i "file:$1" -map 0:a:0 -af ebur128=peak=sample -f null - 2>&1 </dev/null |
    awk '/Integrated loudness:/ { section = "i" } /Sample peak:/ { section = "p" }
         section == "i" && $1 == "I:" { loudness = $2 } section == "p" && $1 == "Peak:" { peak = $2 }
         END {
           if (loudness == "") exit 1
           if (loudness == "-inf" || loudness < -70) loudness = -70
           printf "%+.2f dB %.6f\n", -18 - loudness, (peak == "-inf" || peak == "") ? 0 : exp(log(10) * peak / 20)
         }'
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
  mp3) codec=(-c:a libmp3lame -q:a 2) muxer=(-id3v2_version 3) ;;
  ogg) codec=(-c:a libvorbis -q:a 5) muxer=() ;;
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

tmp= tagged= cover=
encoder=
cleanup() {
  if [ -n "$encoder" ]; then
    kill -TERM "$encoder" 2>/dev/null
    wait "$encoder" 2>/dev/null
  fi
  local f
  for f in "$tmp" "$tagged" "$cover"; do
    [ -z "$f" ] || rm -f -- "$f"
  done
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

tmp=$(mktemp -- "$audiodir/.$me.XXXXXX") &&
  tagged=$(mktemp -- "$audiodir/.$me.XXXXXX") &&
  cover=$(mktemp -- "$audiodir/.$me.XXXXXX") || fail 6 "cannot write into the audio folder '$audiodir'"

# In the background so that a signal to this script alone is handled at once and ends
# ffmpeg too; the "file:" prefix keeps ffmpeg from reading a path as a protocol or option.
run_ffmpeg() {
  ffmpeg -nostdin -hide_banner -loglevel error -y "$@" </dev/null &
  encoder=$!
  wait "$encoder"
  local status=$?
  encoder=
  return $status
}

run_ffmpeg -ss "$(ms_to_seconds "$startms")" -i "file:$media" -t "$(ms_to_seconds "$spanms")" \
  -map 0:a:0 -vn -sn -dn -map_metadata -1 -map_chapters -1 "${codec[@]}" -f "$format" "file:$tmp" ||
  fail 6 "ffmpeg failed (exit status $?) converting '$media'"

gain=$(replaygain "$tmp") || fail 6 "cannot measure the loudness of the audio of '$media'"
tags+=(-metadata "REPLAYGAIN_TRACK_GAIN=${gain% *}" -metadata "REPLAYGAIN_TRACK_PEAK=${gain##* }")

# A still from the middle of the track; a recording without video simply gives none.
coverinput=() coveroutput=()
if run_ffmpeg -ss "$(ms_to_seconds $((startms + spanms / 2)))" -i "file:$media" -map 0:v:0 -frames:v 1 \
     -vf "scale='min(600,iw)':-2" -f mjpeg "file:$cover" 2>/dev/null && [ -s "$cover" ]; then
  size=$(ffprobe -v error -show_entries stream=width,height -of csv=p=0:s=x "file:$cover" </dev/null)
  if [ "$format" = mp3 ]; then
    coverinput=(-i "file:$cover")
    coveroutput=(-map 1:v -disposition:v attached_pic -metadata:s:v "comment=Cover (front)")
  elif [[ $size =~ ^[0-9]+x[0-9]+$ ]]; then
    coveroutput=(-metadata "METADATA_BLOCK_PICTURE=$(picture_block "$cover" "${size%x*}" "${size#*x}")")
  fi
fi

run_ffmpeg -i "file:$tmp" "${coverinput[@]}" -map 0:a -c copy -map_metadata -1 "${coveroutput[@]}" \
  "${muxer[@]}" "${tags[@]}" -f "$format" "file:$tagged" ||
  fail 6 "ffmpeg failed (exit status $?) tagging '$target'"

chmod "$(printf '%o' $((0666 & ~$(umask))))" -- "$tagged" &&
  mv -fT -- "$tagged" "$target" || fail 6 "cannot store '$target'"
tagged=

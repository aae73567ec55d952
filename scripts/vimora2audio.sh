#!/bin/bash
# vimora2audio.sh FORMAT DIR TITLE ARTIST YEAR
#
# Cuts the audio of one track out of a recording and stores it as a tagged audio file.
# vimora2mp3.sh and vimora2ogg.sh call it with FORMAT mp3 or ogg.
#
#   DIR     the recording directory; its marks file ("marks", or "marks.vdr" in a
#           recording of the older kind) holds exactly one pair of marks (H:MM:SS.FF at
#           the frame rate of the line "F" of its "info" or "info.vdr", 25 without one),
#           its frame index ("index", or "index.vdr") tells where their frames lie in the
#           media "00001.ts", "00002.ts" ... (or "001.ts"/"001.vdr", "002..." ...)
#   TITLE, ARTIST, YEAR   the track; taken as data only, any bytes allowed
#
# The sound comes from the media between the two marks' frames, in whichever files they
# lie: from the time of the start mark's picture on, for the marks' length. Only that
# time is taken from the time stamps (those of the picture and of the sound around it);
# from there the sound is counted sample by sample, so a wrap of the 33-bit time stamps
# or their jump where a recording was resumed after a restart does not move the cut (the
# sound on either side of a resumption is joined, as the index joins the pictures).
#
# One sound track is taken: of the recording's tracks those in the first language of
# VIMORA_AUDIO_LANGUAGES that any track carries (all tracks when none does or the
# variable is empty); among them the first mono or stereo MP2 or AAC track, else the first
# AC-3 or E-AC-3 track, else the first track. The file is always stereo: 5.1 is mixed
# down (AC-3 by the downmix its stream carries, without its dynamic range compression),
# mono is put on both channels, and a track that changes between them stays whole.
#
# Writes "<Artist> - <Title> (<Year>).mp3|.ogg" into the audio folder (or as the pattern
# VIMORA_AUDIO_NAME names it), tagged with artist, title, year, album and album artist
# (each song a single of its own: the album is its title, the album artist its artist)
# and genre (ID3v2.3 for MP3, Vorbis comments for Ogg). A YEAR that is empty or zero is
# left out of both name and tags, with the " (%year%)" of the pattern. The file carries a cover picture, a still of the music
# video from the middle of the track (JPEG, at most 600 pixels wide; ID3v2 APIC "front
# cover", or METADATA_BLOCK_PICTURE in Ogg; none when the recording has no video), and its
# ReplayGain (REPLAYGAIN_TRACK_GAIN and REPLAYGAIN_TRACK_PEAK, TXXX frames in ID3v2),
# measured on the encoded file by EBU R128 against -18 LUFS; the audio is not changed. In
# names, '/' becomes '_', control characters become blanks and leading dots become '_', so
# that no name hides or leaves the folder; so do the pattern's parts.
#
# Environment:
#   VIMORA_AUDIO_DIR        the audio folder, created when missing;
#                           default "$HOME/Music/vimora"
#   VIMORA_AUDIO_NAME       the file name's pattern: "%artist%", "%title%" and "%year%"
#                           stand for the track's fields, each '/' makes a subfolder;
#                           default "%artist% - %title% (%year%)"
#   VIMORA_AUDIO_GENRE      the genre tag; default "Music Video", empty: none
#   VIMORA_AUDIO_LANGUAGES  the preferred languages of the sound, first the most wanted,
#                           separated by blanks; a language may have several codes
#                           separated by commas, e.g. "deu,ger eng"
#
# Standard output: when the file is stored, its path is the last line (and the only one).
# Exit status: 0 done; 2 bad arguments; 3 recording, index or media missing; 4 marks missing
# or not one usable pair; 5 ffmpeg or ffprobe missing; 6 audio folder unusable, no sound or
# encoding failed; 129/130/143 ended by SIGHUP/SIGINT/SIGTERM. On any failure nothing is
# left in the audio folder: the file is encoded under a hidden temporary name and renamed
# when done; the message is on standard error.

me=vimora2audio.sh
TicksPerSecond=90000
TimestampWrap=$((1 << 33))
IndexRecord=8
TsPacket=188

fail() {
  local status=$1
  shift
  printf '%s: %s\n' "$me" "$*" >&2
  exit "$status"
}

# The frame rate of the recording's info file in thousandths (25 -> 25000), 25 without one.
read_rate() {
  local info=$1 line re='^F[[:space:]]+([0-9]{1,4})(\.([0-9]+))?[[:space:]]*$'
  if [ -r "$info" ]; then
    while IFS= read -r line || [ -n "$line" ]; do
      line=${line%$'\r'}
      if [[ $line =~ $re ]]; then
        local frac=${BASH_REMATCH[3]}000
        local rate=$((10#${BASH_REMATCH[1]} * 1000 + 10#${frac:0:3}))
        ((rate > 0)) && { echo "$rate"; return; }
      fi
    done <"$info"
  fi
  echo 25000
}

# Frame number of a mark line "H:MM:SS[.FF][ comment]" at the recording's rate (FF counts
# from 0 to below the rate), or failure.
mark_frame() {
  local re='^([0-9]{1,5}):([0-9]{1,2}):([0-9]{1,2})(\.([0-9]{1,3}))?([[:space:]].*)?$'
  [[ $1 =~ $re ]] || return 1
  local h=$((10#${BASH_REMATCH[1]})) m=$((10#${BASH_REMATCH[2]})) s=$((10#${BASH_REMATCH[3]}))
  local f=$((10#${BASH_REMATCH[5]:-0}))
  ((m < 60 && s < 60 && f * 1000 < rate)) || return 1
  echo $((((h * 3600 + m * 60 + s) * rate + 500) / 1000 + f))
}

# Milliseconds of a number of frames.
frames_ms() {
  echo $(($1 * 1000000 / rate))
}

# Seconds with millisecond precision.
ms_to_seconds() {
  printf '%d.%03d' $(($1 / 1000)) $(($1 % 1000))
}

# The index record at byte $1 of the caller's array b of bytes: sets e_number, e_offset and
# e_independent. The recorder's index has a 40-bit offset, the independent-frame flag in bit
# 47 and the file number from bit 48. Of index.vdr there are two kinds: the older recorder's
# (a 32-bit offset, the frame type, 1 for an independent frame, and an 8-bit file number;
# its last two bytes are 0) and our host's (the layout of "index" with the flag in bit 40).
decode_record() {
  local p=$1
  if [ "$indexkind" = pes ]; then
    e_offset=$((b[p] | b[p + 1] << 8 | b[p + 2] << 16 | b[p + 3] << 24))
    e_independent=$((b[p + 4] == 1))
    e_number=${b[p + 5]}
  else
    e_offset=$((b[p] | b[p + 1] << 8 | b[p + 2] << 16 | b[p + 3] << 24 | b[p + 4] << 32))
    e_independent=$(((b[p + 5] & indexflag) != 0))
    e_number=$((b[p + 6] | b[p + 7] << 8))
  fi
}

# The record of frame $1 of the index, as decode_record gives it.
index_entry() {
  local b
  read -ra b < <(od -An -v -tu1 -j $(($1 * IndexRecord)) -N $IndexRecord -- "$indexfile")
  [ ${#b[@]} -eq $IndexRecord ] || return 1
  decode_record 0
}

# "NUMBER OFFSET" of frame $1; for a frame past the index the end of the last file ("N -1").
position() {
  if (($1 < frames)); then
    index_entry "$1" || return 1
    echo "$e_number $e_offset"
  else
    index_entry $((frames - 1)) || return 1
    echo "$e_number -1"
  fi
}

# The last independent frame at or before frame $1 (at most ten seconds back), else $1; the
# records of those seconds are read at once.
independent_before() {
  local want=$1 from=$(($1 - 10 * rate / 1000)) b i
  ((from < 0)) && from=0
  read -ra b < <(od -An -v -tu1 -j $((from * IndexRecord)) -N $(((want - from + 1) * IndexRecord)) -- "$indexfile")
  for ((i = ${#b[@]} / IndexRecord - 1; i >= 0; i--)); do
    decode_record $((i * IndexRecord))
    ((e_independent)) && { echo $((from + i)); return; }
  done
  echo "$want"
}

# The media file of a file number.
media_file() {
  if [ "$indexkind" = ts ]; then
    printf '%s/%05d.ts' "$dir" "$1"
  else
    local f
    f=$(printf '%s/%03d' "$dir" "$1")
    [ -e "$f.ts" ] || [ ! -e "$f.vdr" ] || { echo "$f.vdr"; return; }
    echo "$f.ts"
  fi
}

# The bytes at the start of a transport stream file that tell its streams (PAT, PMT and
# the like): the packets before the first that begins a PES packet. A stretch read from the
# middle of a file goes out behind them, so that its first frames are known at once.
stream_header() {
  local file=$1 b n=0 count=16
  read -ra b < <(od -An -v -tu1 -N $((count * TsPacket)) -- "$file")
  while ((n < count && (n + 1) * TsPacket <= ${#b[@]})); do
    local p=$((n * TsPacket))
    ((b[p] == 0x47)) || break
    local control=$((b[p + 3] >> 4 & 3)) payload=$((p + 4))
    ((control & 2)) && payload=$((payload + 1 + b[p + 4]))
    if ((b[p + 1] & 0x40 && payload + 2 < p + TsPacket)); then
      ((b[payload] == 0 && b[payload + 1] == 0 && b[payload + 2] == 1)) && break
    fi
    n=$((n + 1))
  done
  echo $((n * TsPacket))
}

declare -A headers
# The media from (NUMBER OFFSET) $1 $2 up to (NUMBER OFFSET) $3 $4 (-1: the file's end),
# across the files between, on standard output.
emit() {
  local number=$1 offset=$2 last=$3 until=$4 file
  file=$(media_file "$number")
  if [ "$mediakind" = ts ]; then
    [ -n "${headers[$number]}" ] || headers[$number]=$(stream_header "$file")
    head -c "${headers[$number]}" -- "$file" || return 1
  fi
  while ((number <= last)); do
    file=$(media_file "$number")
    if ((number == last && until >= 0)); then
      ((until <= offset)) || dd if="$file" bs=64K iflag=skip_bytes,count_bytes skip="$offset" count=$((until - offset)) status=none ||
        return 1
    else
      dd if="$file" bs=64K iflag=skip_bytes skip="$offset" status=none || return 1
    fi
    number=$((number + 1)) offset=0
  done
}

# Writes the media from frame $1 to frame $2 into the file $3.
emit_frames() {
  local from to
  # shellcheck disable=SC2086
  from=$(position "$1") && to=$(position "$2") && emit $from $to >"$3"
}

# What one ffprobe run tells of the lead (the stretch of media before and after the start
# mark), the picture's stretch in it being the bytes from $2 to below $3. First line: the
# time stamp (90 kHz) of the first packet of the first video stream in the picture's
# stretch, "-" for none, "none" when the lead has no video stream. Then the sound tracks,
# one line each in the order of the streams:
# "PID CODEC CHANNELS RATE LANGUAGE TIME AT", TIME being that of the first sound its
# decoder gives, AT that of its first packet in the picture's stretch, "-" for none. A
# packet lies where the PES packet it comes from begins (ffprobe tells that position
# only for a PES packet's first frame), as a PES packet begun before a stretch cut out of
# the media is lost in it. Pictures are not decoded: only their packets count.
probe_lead() {
  ffprobe -v fatal -skip_frame:v all -of compact -show_entries \
    stream=index,id,codec_type,codec_name,channels,sample_rate:stream_tags=language:frame=stream_index,pts,best_effort_timestamp:packet=stream_index,pts,pos \
    "file:$1" </dev/null |
    awk -F '|' -v from="$2" -v until="$3" 'BEGIN { from += 0; until += 0 }
      function number(v) { return v ~ /^-?[0-9]+$/ }
      { kind = $1; index_ = ""; id = ""; type = ""; codec = "unknown"; channels = 0; rate = 0; language = "-"; pts = ""; best = ""; pos = ""
        for (i = 2; i <= NF; i++) {
          eq = index($i, "="); if (!eq) continue
          key = substr($i, 1, eq - 1); value = substr($i, eq + 1)
          if (key == "stream_index" || key == "index") index_ = value
          else if (key == "id") id = value
          else if (key == "codec_type") type = value
          else if (key == "codec_name") codec = value
          else if (key == "channels") channels = value
          else if (key == "sample_rate") rate = value
          else if (key == "tag:language") language = value
          else if (key == "pts") pts = value
          else if (key == "best_effort_timestamp") best = value
          else if (key == "pos") pos = value
        }
        if (!number(pts)) pts = best
      }
      kind == "frame" { if (!(index_ in first) && number(pts)) first[index_] = pts; next }
      kind == "packet" {
        if (number(pos)) at[index_] = pos + 0
        if (!(index_ in inside) && (index_ in at) && at[index_] >= from && at[index_] < until && number(pts)) inside[index_] = pts
        next
      }
      kind == "stream" && id != "" {
        # a stream is listed in its program and again after all programs; the last line is the whole one
        if (type == "video" && (video == "" || index_ + 0 < video + 0)) video = index_
        if (type == "audio") { line[index_] = id " " codec " " (channels == "" ? 0 : channels) " " (rate == "" ? 0 : rate) " " (language == "" ? "-" : language); audio[index_] = 1 }
      }
      END {
        print video == "" ? "none" : (video in inside) ? inside[video] : "-"
        n = 0
        for (s in audio) order[++n] = s + 0
        for (i = 2; i <= n; i++) for (j = i; j > 1 && order[j - 1] > order[j]; j--) { t = order[j]; order[j] = order[j - 1]; order[j - 1] = t }
        for (i = 1; i <= n; i++) {
          s = order[i]
          print line[s] " " ((s in first) ? first[s] : "-") " " ((s in inside) ? inside[s] : "-")
        }
      }'
}

# The one track to convert, by the rule in the header, of the sound tracks' lines of
# probe_lead.
choose_track() {
  local tracks=() chosen=() line code group
  while IFS= read -r line; do
    [ -z "$line" ] || tracks+=("$line")
  done
  # a track whose decoder gave nothing in the stretch only when there is no other
  local heard=() t
  for t in "${tracks[@]}"; do
    read -r _ _ _ _ _ time _ <<<"$t"
    [[ $time =~ ^-?[0-9]+$ ]] && heard+=("$t")
  done
  [ ${#heard[@]} -gt 0 ] && tracks=("${heard[@]}")
  for group in ${VIMORA_AUDIO_LANGUAGES}; do
    for t in "${tracks[@]}"; do
      read -r _ _ _ _ language _ <<<"$t"
      IFS=',' read -ra codes <<<"${group,,}"
      for code in "${codes[@]}"; do
        [[ ",${language,,}," == *",$code,"* ]] && { chosen+=("$t"); break; }
      done
    done
    [ ${#chosen[@]} -gt 0 ] && break
  done
  [ ${#chosen[@]} -gt 0 ] || chosen=("${tracks[@]}")
  for t in "${chosen[@]}"; do
    read -r _ codec channels _ <<<"$t"
    case $codec in mp2 | mp3 | aac | aac_latm) ((channels == 1 || channels == 2)) && { echo "$t"; return; } ;; esac
  done
  for t in "${chosen[@]}"; do
    read -r _ codec _ <<<"$t"
    case $codec in ac3 | eac3) echo "$t"; return ;; esac
  done
  [ ${#chosen[@]} -gt 0 ] && echo "${chosen[0]}"
}

# Four bytes, big-endian, of a number.
be32() {
  printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 >> 24 & 255)) $(($1 >> 16 & 255)) $(($1 >> 8 & 255)) $(($1 & 255)))"
}

# "WIDTHxHEIGHT" of a JPEG file, from its frame header.
jpeg_size() {
  local b p=2 length
  read -ra b -d '' < <(od -An -v -tu1 -N 4096 -- "$1")
  ((${#b[@]} > 2 && b[0] == 255 && b[1] == 216)) || return 1
  while ((p + 8 < ${#b[@]})); do
    ((b[p] == 255)) || return 1
    case ${b[p + 1]} in
      192 | 193 | 194 | 195 | 197 | 198 | 199 | 201 | 202 | 203 | 205 | 206 | 207)
        echo "$((b[p + 7] << 8 | b[p + 8]))x$((b[p + 5] << 8 | b[p + 6]))"
        return ;;
    esac
    length=$((b[p + 2] << 8 | b[p + 3]))
    p=$((p + 2 + length))
  done
  return 1
}

# The FLAC picture block of a JPEG front cover, base64, as Ogg carries it in the comment
# METADATA_BLOCK_PICTURE.
picture_block() {
  local file=$1 width=$2 height=$3
  { be32 3; be32 10; printf 'image/jpeg'; be32 0; be32 "$width"; be32 "$height"; be32 24; be32 0
    be32 "$(stat -c %s -- "$file")"; cat -- "$file"; } | base64 -w0
}

# "GAIN dB PEAK STATUS" of an audio file: its ReplayGain ("-3.21 dB" against -18 LUFS, the
# sample peak as a fraction of full scale), from ffmpeg's EBU R128 measurement, and
# ffmpeg's exit status. The arrays stillinput and stilloutput may name a second input and
# output of the same run (the cover's still), which saves starting ffmpeg once more.
replaygain() {
  { ffmpeg -nostdin -hide_banner -loglevel info -y -i "file:$1" "${stillinput[@]}" -map 0:a:0 -af ebur128=peak=sample \
      -f null - "${stilloutput[@]}" 2>&1 </dev/null
    echo $'\x01'"status $?"; } |
    awk '/Integrated loudness:/ { section = "i" } /Sample peak:/ { section = "p" }
         section == "i" && $1 == "I:" { loudness = $2 } section == "p" && $1 == "Peak:" { peak = $2 }
         $1 == "\001status" { status = $2 }
         END {
           if (loudness == "") exit 1
           if (loudness == "-inf" || loudness < -70) loudness = -70
           printf "%+.2f dB %.6f %d\n", -18 - loudness, (peak == "-inf" || peak == "") ? 0 : exp(log(10) * peak / 20), status
         }'
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

command -v ffmpeg >/dev/null && command -v ffprobe >/dev/null ||
  fail 5 "ffmpeg and ffprobe are needed but not found in PATH"
for tool in od dd head tail cat stat mktemp; do
  command -v "$tool" >/dev/null || fail 5 "$tool is needed but not found in PATH"
done

[ -d "$dir" ] || fail 3 "recording directory '$dir' not found"
# The recorder 2.x names its files "index", "info", "marks" and "00001.ts"; older
# recordings "index.vdr", "info.vdr", "marks.vdr" and "001.ts" (or "001.vdr").
indexfile=$dir/index indexkind=ts
[ -e "$indexfile" ] || [ ! -e "$dir/index.vdr" ] || indexfile=$dir/index.vdr indexkind=pes
[ -f "$indexfile" ] && [ -r "$indexfile" ] || fail 3 "frame index '$indexfile' not found or not readable"
frames=$(($(stat -c %s -- "$indexfile") / IndexRecord))
((frames > 0)) || fail 3 "the frame index '$indexfile' is empty"
indexflag=0x80
if [ "$indexkind" = pes ]; then
  read -ra first < <(od -An -v -tu1 -N $IndexRecord -- "$indexfile")
  ((first[6] | first[7])) && indexkind=hostpes indexflag=0x01
fi
info=$dir/info
[ -e "$info" ] || [ ! -e "$dir/info.vdr" ] || info=$dir/info.vdr
rate=$(read_rate "$info")

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
((startframe < frames)) ||
  fail 4 "the start mark lies beyond the end of the recording media ($(ms_to_seconds "$(frames_ms "$frames")") s in its index)"

# Every file of the span is there, and the start lies inside its file.
read -r startnumber startoffset < <(position "$startframe") || fail 3 "cannot read the frame index '$indexfile'"
read -r endnumber _ < <(position $((endframe + 2 * rate / 1000))) || fail 3 "cannot read the frame index '$indexfile'"
mediakind=ts
for ((n = startnumber; n <= endnumber; n++)); do
  media=$(media_file "$n")
  [ -f "$media" ] && [ -r "$media" ] || fail 3 "recording media '$media' not found or not readable"
done
media=$(media_file "$startnumber")
((startoffset < $(stat -c %s -- "$media"))) ||
  fail 4 "the start mark lies beyond the end of the recording media ('$media' ends before it)"
[ "$(od -An -tx1 -N1 -- "$media")" = " 47" ] || mediakind=ps

audiodir=${VIMORA_AUDIO_DIR:-${HOME:+$HOME/Music/vimora}}
[ -n "$audiodir" ] || fail 6 "no audio folder: set VIMORA_AUDIO_DIR or HOME"
mkdir -p -- "$audiodir" || fail 6 "cannot create the audio folder '$audiodir'"

# The pattern's placeholders become markers first, so that a name holding "%title%"
# is not replaced again; the names are made parts of file names, which hold no marker.
pattern=${VIMORA_AUDIO_NAME:-%artist% - %title% (%year%)}
pattern=${pattern//[[:cntrl:]]/ }
tags=(-metadata "artist=$artist" -metadata "title=$title" -metadata "album=$title" -metadata "album_artist=$artist"
      -metadata "genre=${VIMORA_AUDIO_GENRE-Music Video}")
if [[ ! $year =~ ^[[:space:]0]*$ ]]; then
  tags+=(-metadata "date=$year")
else
  year=
  pattern=${pattern// (%year%)/}
  pattern=${pattern//(%year%)/}
fi
pattern=${pattern//%artist%/$'\x01'}
pattern=${pattern//%title%/$'\x02'}
pattern=${pattern//%year%/$'\x03'}
# (quoted, or bash would put the marker where a name holds '&')
a=$(name_part "$artist") t=$(name_part "$title") y=$(name_part "$year")
pattern=${pattern//$'\x01'/"$a"}
pattern=${pattern//$'\x02'/"$t"}
pattern=${pattern//$'\x03'/"$y"}
# Each '/' of the pattern makes a subfolder; a part that is empty is left out, and leading
# dots become '_', so that no part is "." or ".." or hidden.
name=
IFS=/ read -ra parts <<<"$pattern"
for part in "${parts[@]}"; do
  [[ $part =~ ^[[:space:]]*$ ]] && continue
  dots=${part%%[!.]*}
  name=${name:+$name/}${dots//./_}${part#"$dots"}
done
[ -n "$name" ] || fail 2 "the naming pattern VIMORA_AUDIO_NAME gives no file name"
target=$audiodir/$name.$format

tmp= tagged= work=
workers=()
cleanup() {
  local p steps=()
  [ -z "$work" ] || [ ! -f "$work/pids" ] || mapfile -t steps <"$work/pids"
  for p in "${workers[@]}" "${steps[@]}"; do
    kill -TERM "$p" 2>/dev/null
  done
  for p in "${workers[@]}"; do
    wait "$p" 2>/dev/null
  done
  for p in "$tmp" "$tagged"; do
    [ -z "$p" ] || rm -f -- "$p"
  done
  [ -z "$work" ] || rm -rf -- "$work"
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

tmp=$(mktemp -- "$audiodir/.$me.XXXXXX") &&
  tagged=$(mktemp -- "$audiodir/.$me.XXXXXX") &&
  work=$(mktemp -d -- "$audiodir/.$me.XXXXXX") || fail 6 "cannot write into the audio folder '$audiodir'"

# In the background so that a signal to this script alone is handled at once and ends
# the workers too; the "file:" prefix keeps ffmpeg from reading a path as a protocol or option.
start_worker() {
  "$@" &
  workers+=($!)
}
run_ffmpeg() {
  start_worker ffmpeg -nostdin -hide_banner -loglevel error -y "$@"
  wait "${workers[-1]}"
  local status=$?
  unset 'workers[-1]'
  return $status
}

# A second of frames before the start (in its own file: a resumed recording begins a file
# of its own, with time stamps of their own) lets sound muxed ahead of its picture in.
leadframe=$((startframe - rate / 1000))
((leadframe < 0)) && leadframe=0
index_entry "$leadframe" && ((e_number == startnumber)) || leadframe=$startframe
leadoffset=$startoffset
((leadframe == startframe)) || leadoffset=$e_offset
lead=$work/lead.ts
emit_frames "$leadframe" $((startframe + 3 * rate / 1000)) "$lead" &&
  picture=$(position $((startframe + rate / 1000))) ||
  fail 3 "cannot read the recording media of '$dir'"
# The start mark's second of media in the lead: behind the stream header, from the start
# mark's picture on, through the files it reaches into.
picturefrom=$((${headers[$startnumber]:-0} + startoffset - leadoffset))
read -r n until <<<"$picture"
if ((n == startnumber && until >= 0)); then
  picturebytes=$((until - startoffset))
else
  picturebytes=$(($(stat -c %s -- "$(media_file "$startnumber")") - startoffset))
  for ((m = startnumber + 1; m < n; m++)); do
    picturebytes=$((picturebytes + $(stat -c %s -- "$(media_file "$m")")))
  done
  ((n == startnumber)) || picturebytes=$((picturebytes + (until >= 0 ? until : $(stat -c %s -- "$(media_file "$n")"))))
fi

probe=$(probe_lead "$lead" "$picturefrom" $((picturefrom + picturebytes)))
tracks=
[[ $probe != *$'\n'* ]] || tracks=${probe#*$'\n'}
track=$(choose_track <<<"$tracks")
read -r pid trackcodec _ samplerate _ soundtime soundpicture <<<"$track"
[[ $samplerate =~ ^[1-9][0-9]*$ ]] || fail 6 "no sound track in the recording media at the start mark"

# Where the start mark's picture lies in the sound that is decoded from the lead on; in a
# recording without pictures, where the sound at the start mark does.
picturetime=${probe%%$'\n'*} hasvideo=1
[ "$picturetime" != none ] || hasvideo=0
[[ $picturetime =~ ^-?[0-9]+$ ]] || picturetime=$soundpicture
[[ $picturetime =~ ^-?[0-9]+$ ]] || fail 6 "no time stamp at the start mark in the recording media"
[[ $soundtime =~ ^-?[0-9]+$ ]] || fail 6 "the sound track at the start mark cannot be decoded"
ticks=$((((picturetime - soundtime) % TimestampWrap + TimestampWrap) % TimestampWrap))
((ticks >= TimestampWrap / 2)) && ticks=$((ticks - TimestampWrap))
((ticks > -10 * TicksPerSecond && ticks < 10 * TicksPerSecond)) ||
  fail 6 "the time stamps of sound and picture at the start mark lie $((ticks / TicksPerSecond)) s apart"
skip=$((ticks * samplerate / TicksPerSecond))
samples=$(((endframe - startframe) * samplerate * 1000 / rate))
delay=
# sound that begins after the picture: silence in its place keeps the song in time
((skip < 0)) && delay="adelay=delays=$((-skip))S:all=1" samples=$((samples + skip)) skip=0

decoding=()
case $trackcodec in ac3 | eac3) decoding=(-downmix stereo -drc_scale 0) ;; esac
# The cut counts samples of the decoded sound (atrim counts them, not their time stamps)
# from the start, and the file's own time begins with its first sample. The encoder also
# copies the whole sound to nowhere, so that it reads every byte and the decoder never
# meets a closed pipe.
((samples > 0)) || fail 6 "no sound between the marks of '$dir'"
cut="atrim=start_sample=$skip:end_sample=$((skip + samples)),asetpts=PTS-STARTPTS${delay:+,$delay}"
# Each step of the pipeline notes its process, so that a signal to this script alone ends
# them all; the shells here outlive their steps, so that every process is collected.
convert_span() {
  trap 'exit 143' TERM
  { echo "$BASHPID" >>"$work/pids"; emit_frames "$leadframe" $((endframe + 2 * rate / 1000)) /dev/stdout; } |
    { echo "$BASHPID" >>"$work/pids"
      exec ffmpeg -nostdin -hide_banner -loglevel error "${decoding[@]}" -i pipe:0 -map "0:i:$pid" \
        -vn -sn -dn -ac 2 -ar "$samplerate" -f f32le pipe:1; } |
    { echo "$BASHPID" >>"$work/pids"
      exec ffmpeg -nostdin -hide_banner -loglevel error -y -f f32le -ar "$samplerate" -ac 2 -i pipe:0 -map 0:a -c copy -f null - \
        -map 0:a -af "$cut" -map_metadata -1 "${codec[@]}" -f "$format" "file:$tmp"; }
  echo "${PIPESTATUS[*]}" >"$work/status"
}
start_worker convert_span
wait "${workers[-1]}"
read -r reading decoder encoder <"$work/status"
((encoder == 0)) || fail 6 "ffmpeg failed (exit status $encoder) encoding the sound of '$dir'"
((decoder == 0)) || fail 6 "ffmpeg failed (exit status $decoder) decoding the sound of '$dir'"
((reading == 0)) || fail 3 "cannot read the recording media of '$dir'"
[ -s "$tmp" ] || fail 6 "no sound between the marks of '$dir'"

# The loudness of the encoded file, and in the same run a still from the middle of the
# track; a recording without video simply gives none. A run that fails with the still is
# measured again without it, so that a still that cannot be made costs the file nothing.
cover=$work/cover.jpg
stillinput=() stilloutput=()
coverframe=$(independent_before $(((startframe + endframe) / 2)))
if ((hasvideo)) && emit_frames "$coverframe" $((coverframe + 2 * rate / 1000)) "$work/cover.ts"; then
  stillinput=(-i "file:$work/cover.ts")
  stilloutput=(-map 1:v:0 -frames:v 1 -vf "scale='min(600,iw)':-2" -f mjpeg "file:$cover")
fi
measured=$(replaygain "$tmp")
read -r gain _ peak status <<<"$measured"
if [ ${#stillinput[@]} -gt 0 ] && [ "$status" != 0 ]; then
  rm -f -- "$cover"
  stillinput=() stilloutput=()
  measured=$(replaygain "$tmp")
  read -r gain _ peak status <<<"$measured"
fi
[ -n "$measured" ] || fail 6 "cannot measure the loudness of the audio of '$dir'"
tags+=(-metadata "REPLAYGAIN_TRACK_GAIN=$gain dB" -metadata "REPLAYGAIN_TRACK_PEAK=$peak")

coverinput=() coveroutput=()
if [ ${#stillinput[@]} -gt 0 ] && [ -s "$cover" ]; then
  if [ "$format" = mp3 ]; then
    coverinput=(-i "file:$cover")
    coveroutput=(-map 1:v -disposition:v attached_pic -metadata:s:v "comment=Cover (front)")
  elif size=$(jpeg_size "$cover"); then
    coveroutput=(-metadata "METADATA_BLOCK_PICTURE=$(picture_block "$cover" "${size%x*}" "${size#*x}")")
  fi
fi

run_ffmpeg -i "file:$tmp" "${coverinput[@]}" -map 0:a -c copy -map_metadata -1 "${coveroutput[@]}" \
  "${muxer[@]}" "${tags[@]}" -f "$format" "file:$tagged" ||
  fail 6 "ffmpeg failed (exit status $?) tagging '$target'"

# the subfolders only now, so that a failure leaves none behind
mkdir -p -- "${target%/*}" || fail 6 "cannot create the folder '${target%/*}'"
chmod "$(printf '%o' $((0666 & ~$(umask))))" -- "$tagged" &&
  mv -fT -- "$tagged" "$target" || fail 6 "cannot store '$target'"
tagged=
printf '%s\n' "$target"

#!/bin/sh
# vimora2ogg.sh DIR TITLE ARTIST YEAR: the track between the one pair of marks in
# the marks file of DIR as a tagged Ogg Vorbis file; the work is done by vimora2audio.sh beside it.
self=$(readlink -f -- "$0" 2>/dev/null) || self=$0
case $self in
  */*) exec "${self%/*}/vimora2audio.sh" ogg "$@" ;;
  *) exec ./vimora2audio.sh ogg "$@" ;;
esac

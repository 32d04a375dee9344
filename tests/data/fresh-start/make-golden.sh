#!/bin/sh
# Writes the 1920-byte image that saving a fresh start gives, straight from the layout's rules
# and without the station's code, so that the encoder is checked against an independent file.
# Run from anywhere: tests/data/fresh-start/make-golden.sh [OUTPUT]
set -eu
out=${1:-$(dirname "$0")/fresh-start.vlk}
{
    head -c 81 /dev/zero                      # 0..80: circular red, phase minimum times, programs
    printf '\200'                             # 81: 0x80, master controller
    head -c 144 /dev/zero                     # 82..225: directions
    head -c 140 /dev/zero | tr '\000' '\377'  # 226..365: every schedule pair empty
    printf '\001\002\003\004\005\006\007\010\011\012'  # 366..375: default priorities
    printf '\377\377\377\377\377\377'         # 376..381: reserved
    head -c 1538 /dev/zero                    # 382..1919: everything else empty
} >"$out"

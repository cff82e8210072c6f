#!/bin/bash
# Writes a copy of a built Corvane.chm whose first compressed frame starts with a bad repeat
# offset: an uncompressed LZX block whose stored R0/R1/R2 lie far beyond any window, then a
# verbatim block whose first symbol is a match at R0. Every header, directory entry, control
# data and reset table field stays as it was, so only the decoder can notice.
#   tests/data/make-bad-help.sh BUILT.chm OUT.chm
set -euo pipefail
in=$1
out=$2
export LC_ALL=C

# Little-endian number of $2 bytes at offset $1.
le() {
    local bytes v=0 i
    read -ra bytes <<<"$(od -An -v -tu1 -j "$1" -N "$2" "$in" | tr '\n' ' ')"
    for ((i = ${#bytes[@]} - 1; i >= 0; i--)); do v=$((v * 256 + bytes[i])); done
    echo "$v"
}
# Offset of the one place where a name is stored as a directory entry (its length byte before it).
entry() {
    local at
    for at in $(grep -obaF -- "$1" "$in" | cut -d: -f1); do
        if [ "$(le $((at - 1)) 1)" -eq "${#1}" ]; then echo "$at"; return; fi
    done
    echo "no entry $1 in $in" >&2
    exit 1
}

if [ "$(le 4 4)" -eq 3 ]; then data=$(le 0x58 8); else data=$(($(le 0x48 8) + $(le 0x50 8))); fi
name="::DataSpace/Storage/MSCompressed/Content"
at=$(($(entry "$name") + ${#name}))
# The entry's section, then its start: numbers of 7 bits a byte, high bit on all but the last.
for field in section start; do
    value=0
    while :; do
        byte=$(le $at 1)
        at=$((at + 1))
        value=$((value << 7 | (byte & 0x7F)))
        ((byte < 0x80)) && break
    done
    eval "$field=$value"
done
content=$((data + start))

# The window size (control data version 2 counts it in 32 KiB units) gives the number of match
# position slots, and so the size of the main tree.
lzxc=$(grep -obaF LZXC "$in" | head -n1 | cut -d: -f1)
window=$(le $((lzxc + 12)) 4)
[ "$(le $((lzxc + 4)) 4)" -eq 2 ] && window=$((window * 32768))
bits=15
while ((1 << bits < window)); do bits=$((bits + 1)); done
slots=(30 32 34 36 38 42 50)
offsets=$((slots[bits - 15] * 8))

# LZX reads 16-bit little-endian words, most significant bit first.
stream=""
put() {
    local i
    for ((i = $2 - 1; i >= 0; i--)); do stream+=$((($1 >> i) & 1)); done
}
flush() {
    local i word
    while ((${#stream} % 16)); do stream+=0; done
    for ((i = 0; i < ${#stream}; i += 16)); do
        word=$((2#${stream:i:16}))
        printf "\\x$(printf %02x $((word & 0xFF)))\\x$(printf %02x $((word >> 8)))"
    done
    stream=""
}
# A pretree where code 0 keeps an element's length (0) and code 16 makes it 1, one bit each.
pretree() {
    local i
    for ((i = 0; i < 20; i++)); do put $((i == 0 || i == 16)) 4; done
}
lengths() { # $1 elements; the first gets length 1 when $2 is 1, the others keep 0
    local i
    put "$2" 1
    for ((i = 1; i < $1; i++)); do put 0 1; done
}
r='\x00\x00\x00\x40'

{
    put 0 1                             # no E8 translation
    put 3 3; put 0 16; put 2 8          # uncompressed block of 2 bytes
    flush
    printf "$r$r$r"                     # R0, R1, R2: 1 GiB back
    printf '<!'                         # its 2 bytes
    put 1 3; put 127 16; put 254 8      # verbatim block, the rest of the frame
    pretree; lengths 256 1              # main tree: literal 0 ...
    pretree; lengths "$offsets" 1       # ... and a match at R0 of length 2, one bit each
    pretree; lengths 249 0              # no length tree
    put 1 1                             # the match
    flush
} >"$out.part"
cp "$in" "$out"
dd if="$out.part" of="$out" bs=1 seek="$content" conv=notrunc status=none
rm -f "$out.part"

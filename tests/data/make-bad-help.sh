#!/bin/bash
# Writes a copy of a built Corvane.chm whose first compressed frame starts with a bad repeat
# offset: an uncompressed LZX block whose stored R0/R1/R2 lie 1 GiB back, then a verbatim block
# whose first symbol is a match at R0. Headers, directory, control data and reset table stay as
# they were, so only the decoder can notice.   tests/data/make-bad-help.sh BUILT.chm OUT.chm
set -euo pipefail
in=$1 out=$2
export LC_ALL=C
le() { # the little-endian number of $2 bytes at $1
    local b v=0 i
    read -ra b <<<"$(od -An -v -tu1 -j "$1" -N "$2" "$in" | tr '\n' ' ')"
    for ((i = ${#b[@]} - 1; i >= 0; i--)); do v=$((v * 256 + b[i])); done
    echo "$v"
}
if [ "$(le 4 4)" -eq 3 ]; then data=$(le 0x58 8); else data=$(($(le 0x48 8) + $(le 0x50 8))); fi
# The content's directory entry: its name after a length byte, then its section and start as
# numbers of 7 bits a byte (high bit on all but the last).
name="::DataSpace/Storage/MSCompressed/Content"
for at in $(grep -obaF -- "$name" "$in" | cut -d: -f1); do
    [ "$(le $((at - 1)) 1)" -eq ${#name} ] && break
done
at=$((at + ${#name}))
for field in section start; do
    value=0 byte=128
    while ((byte >= 128)); do byte=$(le $at 1) at=$((at + 1)) value=$((value << 7 | (byte & 127))); done
    eval "$field=$value"
done
# The window size (in 32 KiB units in control data version 2) sets the main tree's size.
lzxc=$(grep -obaF LZXC "$in" | head -n1 | cut -d: -f1)
window=$(le $((lzxc + 12)) 4)
[ "$(le $((lzxc + 4)) 4)" -eq 2 ] && window=$((window * 32768))
bits=15
while ((1 << bits < window)); do bits=$((bits + 1)); done
slots=(30 32 34 36 38 42 50)
# LZX reads 16-bit little-endian words, most significant bit first.
stream=""
put() { local i; for ((i = $2 - 1; i >= 0; i--)); do stream+=$((($1 >> i) & 1)); done; }
flush() {
    local i w
    while ((${#stream} % 16)); do stream+=0; done
    for ((i = 0; i < ${#stream}; i += 16)); do
        w=$((2#${stream:i:16}))
        printf "\\x$(printf %02x $((w & 255)))\\x$(printf %02x $((w >> 8)))"
    done
    stream=""
}
# Tree lengths through a pretree whose one-bit codes 0 and 16 keep a length at 0 or make it 1;
# the first of $1 elements gets length $2.
lengths() {
    local i
    for ((i = 0; i < 20; i++)); do put $((i == 0 || i == 16)) 4; done
    put "$2" 1
    for ((i = 1; i < $1; i++)); do put 0 1; done
}
r='\x00\x00\x00\x40'
{
    put 0 1; put 3 3; put 0 16; put 2 8 # no E8 translation; an uncompressed block of 2 bytes
    flush; printf "$r$r$r<!"            # R0, R1, R2 and the 2 bytes
    put 1 3; put 127 16; put 254 8      # a verbatim block for the rest of the frame
    lengths 256 1                       # main tree: literal 0 and ...
    lengths $((slots[bits - 15] * 8)) 1 # ... a match at R0 of length 2, one bit each
    lengths 249 0                       # no length tree
    put 1 1; flush                      # the match
} >"$out.part"
cp "$in" "$out"
dd if="$out.part" of="$out" bs=1 seek=$((data + start)) conv=notrunc status=none
rm -f "$out.part"

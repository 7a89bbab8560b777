#!/usr/bin/env bash
# Writes the seed corpora of the text fuzz targets from fonts and tables the
# font tool renders: fuzz/text_seeds.sh KESTU_FONT
set -euo pipefail
tool="${1:?path to kestu-font}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/corpus"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
face=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
"$tool" --font "$face" --ranges 0x20-0x7E,0x4E00-0x4E00 --tib "$work/one.tib" "$work/small.fnt:8" >/dev/null
"$tool" --font "$face" --ranges 0x20-0x7E --tib "$work/two.tib" "$work/a.fnt:9" "$work/b.fnt:12" >/dev/null
mkdir -p "$root/text_font" "$root/text_tib" "$root/text_markup"
python3 - "$work" "$root" <<'PY'
import struct, sys
work, root = sys.argv[1], sys.argv[2]
font = open(f"{work}/small.fnt", "rb").read()
head, glyph = font[:180], font[105]
cells = font[180:180 + 65536 * glyph]
widths = font[180 + 65536 * glyph:]
def packed_font(flags, h=head, count=128):
    return bytes([flags]) + h + struct.pack("<H", count) + cells[:count * glyph] + widths[:2 * count]
out = {
    "tool_font.bin": packed_font(1),
    "short_by_one.bin": packed_font(3),
    "long_by_one.bin": packed_font(5),
    "second_word_one.bin": packed_font(1, head[:2] + b"\x01\x00" + head[4:]),
    "glyph_bytes_mismatch.bin": packed_font(1, head[:105] + bytes([glyph + 1]) + head[106:]),
    "wide_rows.bin": packed_font(1, head[:104] + bytes([5]) + head[105:]),
    "raw_header_only.bin": bytes([0]) + head,
}
for name, data in out.items():
    open(f"{root}/text_font/{name}", "wb").write(data)
def packed_tib(path, fonts, first, flags=1, count=None):
    data = open(path, "rb").read()
    head = bytearray(data[:80])
    if count is not None:
        head[40:44] = struct.pack("<I", count)
    body = b""
    for i in range(fonts):
        table = data[80 + i * 0x20000: 80 + (i + 1) * 0x20000]
        pairs = [(c, struct.unpack_from("<H", table, 2 * c)[0]) for c in range(65536)]
        pairs = [(c, s) for c, s in pairs if s != 0xFFFF]
        body += struct.pack("<H", len(pairs)) + b"".join(struct.pack("<HH", c, s) for c, s in pairs)
    return bytes([first, flags]) + bytes(head) + body
tibs = {
    "one_font.bin": packed_tib(f"{work}/one.tib", 1, 0x00),
    "two_fonts.bin": packed_tib(f"{work}/two.tib", 2, 0x01),
    "two_fonts_second_direct.bin": packed_tib(f"{work}/two.tib", 2, 0x41 | 0x08),
    "count_mismatch.bin": packed_tib(f"{work}/two.tib", 2, 0x00),
    "truncated.bin": packed_tib(f"{work}/one.tib", 1, 0x00, flags=3),
    "slot_beyond.bin": packed_tib(f"{work}/one.tib", 1, 0x00)[:-2] + b"\xff\x7f",
    "raw_header_only.bin": bytes([0, 0]) + open(f"{work}/one.tib", "rb").read()[:80],
}
for name, data in tibs.items():
    open(f"{root}/text_tib/{name}", "wb").write(data)
texts = {
    "plain.bin": (0x0002, "Hello, world"),
    "colours.bin": (0x0005, "&103red&199 back &2010200255rgb &5255255000outline&199"),
    "links.bin": (0x0188, "see &<0001the link&> and &<0002another\nline&> end"),
    "spaces.bin": (0x0208, "icon &30160160042 here &30400400001"),
    "wrap.bin": (0x100D, "a long line of words that wraps around the narrow view twice over"),
    "cjk.bin": (0x000D, "\u4e00\u4e8c\u4e09\u3002\u201c\u56db\u201d\u4e94\uff0c\u516d"),
    "placeholders.bin": (0x0003, "&001 then &0123 and &&0 &&& &> &1"),
    "single_line.bin": (0x0014, "first\r\nsecond\n\rthird"),
}
for name, (pick, text) in texts.items():
    open(f"{root}/text_markup/{name}", "wb").write(struct.pack("<H", pick) + text.encode("utf-16-le"))
PY

#!/usr/bin/env python3
"""Writes the seed corpora in fuzz/corpus/<target>/. Each seed is a small,
readable case of the input layout its target takes apart (see the target's
source); the fuzzer starts from these and mutates them. The inputs named
after the fault they once found (reconnect-write-fails, lone-cr-at-end,
lone-cr-crlf-merge, huge-announcement-count) came from the fuzzers and are
kept as they are, so every run replays them."""
import math
import os
import struct

here = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    folder = os.path.join(here, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# fuzz_settings_file: setter index, 32-bit number, length-prefixed text, file bytes.
def settings(name, setter, number, text, file_bytes):
    write("fuzz_settings_file", name,
          bytes([setter]) + struct.pack("<i", number) + bytes([len(text)]) + text + file_bytes)


suite = (b"; written by the client suite\r\n[Identification]\r\nOperaterName=Anna\r\nFBand=30\r\n"
         b"Channel=7\r\nCountry=Netherlands\r\n\r\n[Interface]\r\nRigComm=1\r\nCourtesyDelay=400\r\n"
         b"[Messages]\r\nIdleMessagesCount=2\r\n[IdleMessage0]\r\nFile=a.wav\r\nTime=5\r\n")
settings("operator-name", 0, 0, b"  bert  server de   vries ", suite)
settings("band-lf-bom", 9, 30, b"", b"\xef\xbb\xbf[identification]\n fband = \"12\" \nchannel=$1F\n")
settings("country", 3, 0, b"germany", suite)
settings("language-no-final-break", 7, 0, b"nl", b"[Other]\r\nkey=value")
settings("empty-file", 12, -5, b"", b"")
settings("duplicates", 1, 0, b"PA3XYZ /p", b"[Identification]\nCallsign=A\nCallsign=B\n[IDENTIFICATION]\nCallsign=C\n")
settings("forms", 15, -1, b"", b"[Forms]\r\nMainW=0x7FFFFFFF\r\nMainL=-20\r\n[Servers]\r\nCount=3\r\n")

# fuzz_text_rules: flags byte (bit 0: capitals), then the text.
for name, flags, text in [
    ("name-capitals", 1, b"  anna   server de  la  link  "),
    ("name-plain", 0, b"Utrecht-Oost gateway"),
    ("callsign", 0, b"   PA3XYZ   /p  "),
    ("country", 0, b"NETHERLANDS"),
    ("high-bytes", 1, b"caf\xe9 \xe0 la (gare) [nord] / sud\\ouest"),
]:
    write("fuzz_text_rules", name, bytes([flags]) + text)


# fuzz_demodulator: the mode byte's bit 0 picks tones (1) or raw buffers (0),
# its bit 1 the soft detector (2) or the classic one (0).
# Tones: mode 1 or 3, amplitude byte, size seed, then the bits
# to play (the bytes of frames as the modulator sends them).
def frame(text):
    out = b"\xaa\xaa"
    padded = text + b"\0" * (-len(text) % 8 if text else 8)
    for i in range(0, len(padded), 8):
        out += (b"\xaa\xaa;(" if text else b"") + padded[i:i + 8]
    return out


write("fuzz_demodulator", "tones-sms", bytes([1, 60, 7]) + frame(b"SMS>Anna>>hello"))
write("fuzz_demodulator", "tones-loc", bytes([1, 200, 3]) + frame(b"LOC>52.1,5.1"))
write("fuzz_demodulator", "tones-sms-then-loc", bytes([1, 20, 9]) + frame(b"SMS>Bert>>two") + frame(b"LOC>x"))
write("fuzz_demodulator", "tones-faint", bytes([1, 0, 1]) + frame(b"SMS>faint"))
write("fuzz_demodulator", "soft-tones-sms", bytes([3, 60, 7]) + frame(b"SMS>Anna>>hello"))
write("fuzz_demodulator", "soft-tones-faint", bytes([3, 0, 1]) + frame(b"SMS>faint") + frame(b"LOC>x"))


# Raw: mode 0 or 2, then (16-bit size, bytes) buffers; here one tone burst as
# 16-bit samples cut into two odd-sized buffers, and a loud square wave.
def samples(values):
    return b"".join(struct.pack("<h", v) for v in values)


burst = samples(int(8000 * math.sin(2 * math.pi * 1200 * i / 48000)) for i in range(960))
write("fuzz_demodulator", "raw-burst", bytes([0]) + struct.pack("<H", 1001) + burst[:1001]
      + struct.pack("<H", len(burst) - 1001) + burst[1001:])
square = samples((32767 if (i // 20) % 2 else -32768) for i in range(800))
write("fuzz_demodulator", "raw-square", bytes([0]) + struct.pack("<H", len(square)) + square)
write("fuzz_demodulator", "soft-raw-burst", bytes([2]) + struct.pack("<H", 1001) + burst[:1001]
      + struct.pack("<H", len(burst) - 1001) + burst[1001:])

# fuzz_usb_interface: steps (see Step): 0 plug the interface, 1 plug ids,
# 2 plug many, 3 unplug, 4 feed a report, 5 PTT, 6 fail writes, 7 fail open,
# 8 fail ids, 9 short writes.
report_rx_on = bytes([4, 0, 0] + [0] * 7 + [0xFF])
report_rx_off = bytes([4, 0, 0] + [0xFF] * 7 + [0xFE])
write("fuzz_usb_interface", "plug-ptt-rx", bytes([0, 5, 1]) + report_rx_on + report_rx_off + bytes([5, 0, 3, 0]))
write("fuzz_usb_interface", "two-interfaces", bytes([0, 1, 0x6D, 0x04, 0x2B, 0xC5, 0, 3, 2, 4, 0, 0]
                                                    + [0] * 7 + [0xFF]))
write("fuzz_usb_interface", "failing-writes", bytes([0, 6, 0, 1, 5, 1, 6, 0, 0, 5, 1, 9, 0, 3, 5, 0]))
write("fuzz_usb_interface", "crowded-bus", bytes([2, 23, 2, 23, 2, 23, 2, 23, 2, 23, 2, 23, 0, 5, 1, 3, 130]))
write("fuzz_usb_interface", "locked-device", bytes([0, 7, 0, 1, 0, 0, 8, 1, 1, 0x46, 0x04, 0x01, 0x10]))

# fuzz_hid_descriptor: a report descriptor as a device hands it over.
write("fuzz_hid_descriptor", "sound-card-unnumbered",
      bytes([0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x25, 0x01, 0x09, 0xE9, 0x09, 0xEA, 0x75, 0x01,
             0x95, 0x02, 0x81, 0x02, 0x06, 0x00, 0xFF, 0x09, 0x01, 0x75, 0x08, 0x95, 0x04, 0x91, 0x02, 0xC0]))
write("fuzz_hid_descriptor", "numbered-after-long-item",
      bytes([0xFE, 0x02, 0x10, 0x85, 0x85, 0x05, 0x01, 0xA1, 0x01, 0x85, 0x01, 0x09, 0x30, 0x81, 0x02, 0xC0]))

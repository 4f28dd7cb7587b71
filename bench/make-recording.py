#!/usr/bin/env python3
"""A long 16-bit mono 48000 Hz recording for timing `parlet-ffsk decode`:
white noise (sigma 2000, tones peaking at 20480) with one 34-character message
every 10 seconds, each made by `parlet-ffsk encode`. Seeded, so every run
writes the same file.

    bench/make-recording.py PARLET_FFSK OUT.wav [MINUTES]
"""
import array
import os
import random
import subprocess
import sys
import tempfile
import wave


def frame_samples(tool, text):
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "frame.wav")
        subprocess.run([tool, "encode", "--raw", text, path], check=True)
        with wave.open(path, "rb") as w:
            data = w.readframes(w.getnframes())
    # 8-bit unsigned around 128, widened to 16 bits and made 4 times louder.
    return [(b - 128) * 256 * 4 for b in data]


def main():
    tool, out = sys.argv[1], sys.argv[2]
    minutes = float(sys.argv[3]) if len(sys.argv) > 3 else 10.0
    rate, spacing = 48000, 10 * 48000
    rng = random.Random(1)
    total = int(minutes * 60 * rate)
    samples = array.array("h", (int(rng.gauss(0.0, 2000.0)) for _ in range(total)))
    for n, start in enumerate(range(rate, total - spacing // 2, spacing)):
        text = "SMS>Anna>>message %04d of the test" % n
        for i, v in enumerate(frame_samples(tool, text)):
            if start + i < total:
                samples[start + i] = max(-32768, min(32767, samples[start + i] + v))
    with wave.open(out, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(samples.tobytes())


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Synthesises the finish reminder, a short kalimba-like chime, into kalimba.mp3.

A kalimba tine rings with a strong fundamental, a quiet inharmonic partial near
5.4 times it, and a soft attack click; each note decays exponentially. Three
notes rise through a major triad and the last one rings out. Needs `lame` to
encode (Debian package lame); the result is committed, so the build does not.
"""
import math
import struct
import subprocess
import sys
import tempfile
import wave
from pathlib import Path

RATE = 44100
LENGTH = 1.6  # seconds

# (start in seconds, frequency in Hz, loudness)
NOTES = [(0.00, 1046.50, 0.55), (0.14, 1318.51, 0.50), (0.28, 1567.98, 0.60)]


def tine(t: float, frequency: float) -> float:
    if t < 0:
        return 0.0
    attack = min(1.0, t / 0.004)
    body = math.sin(2 * math.pi * frequency * t) * math.exp(-t * 3.2)
    overtone = 0.18 * math.sin(2 * math.pi * frequency * 5.4 * t) * math.exp(-t * 14.0)
    click = 0.10 * math.sin(2 * math.pi * frequency * 9.1 * t) * math.exp(-t * 60.0)
    return attack * (body + overtone + click)


def main() -> int:
    samples = []
    for i in range(int(RATE * LENGTH)):
        t = i / RATE
        value = sum(level * tine(t - start, f) for start, f, level in NOTES)
        fade = min(1.0, (LENGTH - t) / 0.25)  # no click at the very end
        samples.append(max(-1.0, min(1.0, 0.5 * value * fade)))

    target = Path(__file__).with_name("kalimba.mp3")
    with tempfile.TemporaryDirectory() as scratch:
        wav = Path(scratch) / "kalimba.wav"
        with wave.open(str(wav), "wb") as out:
            out.setnchannels(1)
            out.setsampwidth(2)
            out.setframerate(RATE)
            out.writeframes(b"".join(struct.pack("<h", int(s * 32767)) for s in samples))
        subprocess.run(["lame", "--quiet", "-V", "4", "--tt", "Finish reminder", str(wav),
                        str(target)], check=True)
    print(f"wrote {target} ({target.stat().st_size} bytes)")
    return 0


if __name__ == "__main__":
    sys.exit(main())

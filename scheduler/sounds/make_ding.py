#!/usr/bin/env python3
"""Writes ding.wav, the scheduler's notification sound: 0.3 s of a struck
bell-like tone (1320 Hz with a softer octave above), a 4 ms rise and an
exponential decay, 22050 Hz mono 16-bit PCM. Run once; the result is kept
in the repository, so building needs no Python."""
import math
import os
import struct
import wave

RATE = 22050
SECONDS = 0.3
RISE = 0.004
DECAY = 0.07  # time constant of the fade, seconds

samples = []
for i in range(int(RATE * SECONDS)):
    t = i / RATE
    envelope = min(1.0, t / RISE) * math.exp(-t / DECAY)
    tone = 0.8 * math.sin(2 * math.pi * 1320 * t) + 0.2 * math.sin(2 * math.pi * 2640 * t)
    samples.append(int(round(20000 * envelope * tone)))
samples[-1] = 0

path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "ding.wav")
with wave.open(path, "wb") as out:
    out.setnchannels(1)
    out.setsampwidth(2)
    out.setframerate(RATE)
    out.writeframes(b"".join(struct.pack("<h", s) for s in samples))

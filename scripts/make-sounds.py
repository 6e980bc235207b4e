#!/usr/bin/env python3
"""Writes Quillpad's three wave files into app/data/sounds/.

The sounds are synthesised here, so the program ships nothing it did not make
itself and anyone can change a sound by editing a few numbers and running this
script again. Only the standard library is used; the output is the same bytes
on every run, so a regenerated file shows no diff unless a number changed.

  Collapse.wav  a short falling two-note blip (the note folds up)
  Expand.wav    the same blip rising (the note opens)
  Reminder.wav  a soft three-note chime, loud enough to notice, short enough
                to repeat without nagging

All are 16-bit mono PCM at 22050 Hz, the most widely playable wave format.
"""
import math
import pathlib
import struct
import wave

RATE = 22050
PEAK = 0.55  # of full scale: headroom so no player clips the summed partials


def tone(freq, seconds, *, attack=0.004, decay=8.0, partials=((1, 1.0),)):
    """One note: a sine (plus optional overtones) with a quick linear attack
    and an exponential decay, which is what makes a tone sound struck rather
    than switched on and off."""
    count = int(RATE * seconds)
    out = []
    for i in range(count):
        t = i / RATE
        envelope = min(1.0, t / attack) * math.exp(-decay * t)
        value = sum(weight * math.sin(2 * math.pi * freq * mult * t)
                    for mult, weight in partials)
        out.append(envelope * value)
    return out


def glide(start_freq, end_freq, seconds, *, decay=14.0):
    """A pitch sweep; its phase is integrated step by step so the sweep has
    no clicks."""
    count = int(RATE * seconds)
    out, phase = [], 0.0
    for i in range(count):
        t = i / RATE
        freq = start_freq + (end_freq - start_freq) * i / count
        phase += 2 * math.pi * freq / RATE
        envelope = min(1.0, t / 0.003) * math.exp(-decay * t)
        out.append(envelope * (math.sin(phase) + 0.25 * math.sin(2 * phase)))
    return out


def mix(length_seconds, *placed):
    """Adds each (offset in seconds, samples) into one buffer."""
    buffer = [0.0] * int(RATE * length_seconds)
    for offset, samples in placed:
        start = int(RATE * offset)
        for i, s in enumerate(samples):
            if start + i < len(buffer):
                buffer[start + i] += s
    return buffer


def fade_out(samples, seconds=0.01):
    """Ends every sound at silence, so stopping playback never pops."""
    n = min(len(samples), int(RATE * seconds))
    for i in range(n):
        samples[-1 - i] *= i / n
    return samples


def write(path, samples):
    loudest = max(abs(s) for s in samples) or 1.0
    scale = PEAK * 32767 / loudest
    frames = b"".join(struct.pack("<h", int(round(s * scale))) for s in samples)
    with wave.open(str(path), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(frames)


def main():
    folder = pathlib.Path(__file__).resolve().parent.parent / "app" / "data" / "sounds"
    folder.mkdir(parents=True, exist_ok=True)

    bell = ((1, 1.0), (2, 0.35), (3, 0.12))
    collapse = mix(0.14, (0.0, glide(880, 620, 0.07)), (0.06, glide(660, 440, 0.08)))
    expand = mix(0.14, (0.0, glide(440, 660, 0.07)), (0.06, glide(620, 880, 0.08)))
    # C6, E6, G6: a major arpeggio reads as friendly rather than alarming.
    reminder = mix(0.6,
                   (0.00, tone(1046.5, 0.6, decay=7.0, partials=bell)),
                   (0.12, tone(1318.5, 0.48, decay=7.0, partials=bell)),
                   (0.24, tone(1568.0, 0.36, decay=8.0, partials=bell)))

    for name, samples in (("Collapse.wav", collapse), ("Expand.wav", expand),
                          ("Reminder.wav", reminder)):
        write(folder / name, fade_out(samples))
        print(folder / name)


if __name__ == "__main__":
    main()

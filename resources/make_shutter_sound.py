#!/usr/bin/env python3
"""Writes resources/ShutterSound.cpp: the shutter clip (WAVE resource 27906) as bytes.

The clip is made here, not recorded: two short clicks of filtered noise with a damped
low tone under each (the mirror and the shutter blades), 22050 Hz, 8-bit mono, 8748 bytes
in all. Run from the repository root; the output is deterministic."""
import math
import struct

RATE = 22050
SAMPLES = 8748 - 44  # the whole file is 8748 bytes


def clip():
    seed = 12345
    out = [0.0] * SAMPLES
    low = 0.0
    for i in range(SAMPLES):
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        noise = seed / 0x3FFFFFFF - 1.0
        low += 0.35 * (noise - low)  # soften the hiss
        t = i / RATE
        v = 0.0
        for start, gain, tone, decay in ((0.004, 0.9, 190.0, 0.010), (0.105, 1.0, 150.0, 0.014)):
            if t >= start:
                d = t - start
                env = math.exp(-d / decay)
                body = math.exp(-d / (decay * 2.5)) * math.sin(2 * math.pi * tone * d)
                v += gain * (0.75 * low * env + 0.45 * body)
        out[i] = v
    # a short fade at both ends, no click of its own
    for i in range(64):
        out[i] *= i / 64
        out[SAMPLES - 1 - i] *= i / 64
    return bytes(max(0, min(255, int(round(128 + 110 * s)))) for s in out)


def wav(data):
    fmt = struct.pack("<HHIIHH", 1, 1, RATE, RATE, 1, 8)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
    body += b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


def main():
    data = wav(clip())
    assert len(data) == 8748
    lines = []
    for i in range(0, len(data), 16):
        lines.append("    " + ", ".join("0x%02x" % b for b in data[i:i + 16]) + ",")
    with open("resources/ShutterSound.cpp", "w") as f:
        f.write("// The shutter clip (WAVE resource 27906), written by resources/make_shutter_sound.py.\n")
        f.write('#include "resources/ShutterSound.h"\n\n')
        f.write("namespace tess {\n\nnamespace {\n\n")
        f.write("// clang-format off\n")
        f.write("const uint8_t kShutterWave[%d] = {\n" % len(data))
        f.write("\n".join(lines) + "\n};\n")
        f.write("// clang-format on\n\n} // namespace\n\n")
        f.write("std::span<const uint8_t> ShutterSound() {\n    return kShutterWave;\n}\n\n")
        f.write("} // namespace tess\n")


if __name__ == "__main__":
    main()

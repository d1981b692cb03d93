"""The transform of PerformanceBench, computed the vectorised numpy way, for comparison.

Arguments: a file of signed 16-bit native-order samples and the sample rate. Each line of
standard input asks for one grid: start, end and interval in Hz, the selection's first and
end sample, the number of steps and the number of runs. Each answer line gives the maximum
and the smoothed maximum, so that the caller can see both programs computed the same thing,
then the time in ms of each run of the whole computation (resampling by linear
interpolation, Hamming window, zero-padded real FFT, magnitudes of the requested bins and
their maximum, the 65-point smoothing and its maximum).
"""

import sys
import time

import numpy as np

HALF_KERNEL = [
    0.05414645, 0.05390696, 0.05319092, 0.05200572, 0.05036362, 0.04828181, 0.04578238,
    0.04289234, 0.0396436, 0.03607299, 0.03222224, 0.028138, 0.02387181, 0.01948015,
    0.01502439, 0.01057081, 0.00619061, 0.00195988, -0.00204035, -0.00572416, -0.00900072,
    -0.01177429, -0.01394421, -0.01540491, -0.01604593, -0.01575188, -0.01440247, -0.01187249,
    -0.00803183, -0.00274547, 0.00412652, 0.012729, 0.0232117]
KERNEL = np.array(HALF_KERNEL[:0:-1] + HALF_KERNEL)


def transform(samples, rate, start, interval, first, last, steps):
    per_bin = rate / interval
    size = 1
    while size < per_bin:
        size *= 2
    step = per_bin / size
    points = min(int((last - first) / step), size)
    x = np.arange(points) * step
    k = x.astype(np.int64)
    left = samples[first + k].astype(np.float64)
    right = samples[np.minimum(first + k + 1, len(samples) - 1)].astype(np.float64)
    resampled = left + (right - left) * (x - k)
    window = 0.54 - 0.46 * np.cos(2 * np.pi * np.arange(points) / points)
    spectrum = np.fft.rfft(resampled * window, size)
    first_bin = int(start / interval)
    values = np.abs(spectrum[first_bin:first_bin + steps + 1]) / (points * 0.54 * 64)
    smoothed = np.convolve(values, KERNEL, mode="same")
    return max(values.max(), 0.0), max(smoothed.max(), 0.0)


def main():
    samples = np.fromfile(sys.argv[1], dtype=np.int16)
    rate = int(sys.argv[2])
    for line in sys.stdin:
        start, end, interval, first, last, steps, runs = line.split()
        del end  # the grid ends where its steps do
        args = (samples, rate, float(start), float(interval), int(first), int(last), int(steps))
        times = []
        for _ in range(int(runs)):
            t0 = time.perf_counter()
            maximum, smoothed = transform(*args)
            times.append((time.perf_counter() - t0) * 1000.0)
        print(f"{maximum:.9g} {smoothed:.9g} " + " ".join(f"{t:.3f}" for t in times), flush=True)


main()

"""Reads a PSG file with MNE and checks its channel count, duration and
first channel label. Usage: read_with_mne.py FILE.edf CHANNELS SECONDS LABEL.
Exits 0 when they match, 1 (with the reason) otherwise."""
import sys
import warnings

import mne


def main():
    path, channels, seconds, label = sys.argv[1], int(sys.argv[2]), float(sys.argv[3]), sys.argv[4]
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        raw = mne.io.read_raw_edf(path, preload=True, verbose="error")
    got = (len(raw.ch_names), raw.n_times / raw.info["sfreq"], raw.ch_names[0])
    if got[0] != channels or abs(got[1] - seconds) > 1e-6 or label not in got[2]:
        print("MNE read %s: channels %d, seconds %g, first label %r" % ((path,) + got))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

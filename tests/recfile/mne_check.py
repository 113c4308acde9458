"""Reads a PSG file with MNE-Python and checks what a lenient third-party
reader sees: channel names, sampling frequency, length and start time.

Usage: mne_check.py FILE.edf NAMES SFREQ N_TIMES MEAS_DATE [TEXTS]
  NAMES      channel names joined by '|'
  MEAS_DATE  'YYYY-MM-DD hh:mm:ss' (UTC)
  TEXTS      a UTF-8 file with one annotation text per line, each of which
             must be among the file's annotations at onset 0
Exits 0 when everything matches; prints the differences otherwise.
"""
import sys
import warnings

import mne


def main():
    path, names, sfreq, n_times, meas_date = sys.argv[1:6]
    with warnings.catch_warnings():
        warnings.simplefilter('ignore')
        raw = mne.io.read_raw_edf(path, preload=False, verbose='error')
    got = {
        'names': '|'.join(raw.ch_names),
        'sfreq': '%g' % raw.info['sfreq'],
        'n_times': str(raw.n_times),
        'meas_date': raw.info['meas_date'].strftime('%Y-%m-%d %H:%M:%S'),
    }
    want = {'names': names, 'sfreq': sfreq, 'n_times': n_times, 'meas_date': meas_date}
    bad = [k for k in want if got[k] != want[k]]
    for k in bad:
        print('%s: got %r, want %r' % (k, got[k], want[k]))
    if len(sys.argv) > 6:
        with open(sys.argv[6], encoding='utf-8') as f:
            texts = [line.rstrip('\n') for line in f if line.strip()]
        at_zero = {a['description'] for a in raw.annotations if a['onset'] == 0}
        missing = [t for t in texts if t not in at_zero]
        for t in missing:
            print('annotation missing: %r' % t)
        if missing:
            print('annotations read: %r' % sorted(at_zero))
            bad.append('annotations')
    return 1 if bad else 0


if __name__ == '__main__':
    sys.exit(main())

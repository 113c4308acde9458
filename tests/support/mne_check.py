"""Reads a PSG file with MNE-Python, a lenient third-party EDF reader that
also accepts an unfinished file, and checks what it sees.

Usage: mne_check.py FILE.edf [--names A|B|C] [--sfreq F] [--n-times N]
                    [--meas-date 'YYYY-MM-DD hh:mm:ss'] [--channels N]
                    [--seconds S] [--first-label TEXT] [--texts FILE]
                    [--timed FILE] [--held-from SIGNAL:SECONDS]
  --names        channel names joined by '|'
  --meas-date    the start, UTC
  --seconds      length: samples at the highest rate / that rate
  --first-label  a text the first channel's name contains
  --texts        a UTF-8 file with one annotation text per line, each of
                 which must be among the file's annotations at onset 0
  --timed        a UTF-8 file with one "onset|duration|text" per line (seconds),
                 each of which must be among the file's annotations
  --held-from    every sample of data channel SIGNAL (from 0) from SECONDS on
                 equals the one just before
Only what is given is checked. Exits 0 when everything matches; prints the
differences otherwise.
"""
import argparse
import sys
import warnings

import mne


def main():
    p = argparse.ArgumentParser()
    p.add_argument('path')
    p.add_argument('--names')
    p.add_argument('--sfreq')
    p.add_argument('--n-times')
    p.add_argument('--meas-date')
    p.add_argument('--channels', type=int)
    p.add_argument('--seconds', type=float)
    p.add_argument('--first-label')
    p.add_argument('--texts')
    p.add_argument('--timed')
    p.add_argument('--held-from')
    a = p.parse_args()
    with warnings.catch_warnings():
        warnings.simplefilter('ignore')
        raw = mne.io.read_raw_edf(a.path, preload=False, verbose='error')
    bad = []

    def check(what, got, want):
        if want is not None and got != want:
            print('%s: got %r, want %r' % (what, got, want))
            bad.append(what)

    check('names', '|'.join(raw.ch_names), a.names)
    check('sfreq', '%g' % raw.info['sfreq'], a.sfreq)
    check('n_times', str(raw.n_times), a.n_times)
    check('meas_date', raw.info['meas_date'].strftime('%Y-%m-%d %H:%M:%S'), a.meas_date)
    check('channels', len(raw.ch_names), a.channels)
    if a.seconds is not None and abs(raw.n_times / raw.info['sfreq'] - a.seconds) > 1e-6:
        check('seconds', raw.n_times / raw.info['sfreq'], a.seconds)
    if a.first_label is not None and a.first_label not in raw.ch_names[0]:
        check('first label', raw.ch_names[0], a.first_label)
    if a.texts:
        with open(a.texts, encoding='utf-8') as f:
            texts = [line.rstrip('\n') for line in f if line.strip()]
        at_zero = {x['description'] for x in raw.annotations if x['onset'] == 0}
        missing = [t for t in texts if t not in at_zero]
        for t in missing:
            print('annotation missing: %r' % t)
        if missing:
            print('annotations read: %r' % sorted(at_zero))
            bad.append('annotations')
    if a.timed:
        with open(a.timed, encoding='utf-8') as f:
            wanted = [line.rstrip('\n').split('|') for line in f if line.strip()]
        have = [(x['onset'], x['duration'], x['description']) for x in raw.annotations]
        for onset, duration, text in wanted:
            if not any(abs(o - float(onset)) < 1e-6 and abs(d - float(duration)) < 1e-6 and t == text
                       for o, d, t in have):
                print('timed annotation missing: %s at %s for %s' % (text, onset, duration))
                print('annotations read: %r' % [h for h in have if h[0] != 0])
                bad.append('timed')
    if a.held_from:
        signal, seconds = a.held_from.split(':')
        data = raw.get_data(picks=[int(signal)])[0]
        start = int(round(float(seconds) * raw.info['sfreq']))
        if start < 1 or start >= len(data) or any(v != data[start - 1] for v in data[start:]):
            print('signal %s is not held at its last sample from %s s' % (signal, seconds))
            bad.append('held')
    return 1 if bad else 0


if __name__ == '__main__':
    sys.exit(main())

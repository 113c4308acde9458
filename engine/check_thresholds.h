// The night check's thresholds: one row per kind of signal, every value named
// and explained where it comes from. Tuning the check means editing this
// table and nothing else; docs/night-check.md lists the same values.
//
// Units: electrical signals are judged in microvolts (the channel's unit
// "V", "mV" or "uV" converted), SpO2 in percent, everything else in the
// channel's own physical unit.
#pragma once

#include <cstddef>
#include <cstdint>

// The kinds of signal the check tells apart (how a channel is placed is in
// night_check.cpp, ClassOfChannel).
enum class SignalClass : int32_t { Other, Eeg, Eog, Emg, Ecg, Airflow, Effort, Spo2, Pulse, Snore, Position, Count };

struct ClassThresholds {
    SignalClass cls;
    const char* name;           // as the rule set and the report name it
    // flat, judged second by second: a second is flat when it holds one
    // value, or its standard deviation lies below deadSd (check units; what
    // an input with no electrode records: 0, not judged absolutely), or
    // below lowSd and below flatShareOfNight x the channel's usual second
    // (0: not judged relatively). A run of flat seconds is a finding when it
    // lasts flatMinSeconds. heldSeconds > 0: only one value held this long is
    // flat (a quantity or a channel of unknown kind that may rest on a value).
    double deadSd;
    double lowSd;
    double flatShareOfNight;
    double flatMinSeconds;
    double heldSeconds;
    // amplitude: an epoch whose peak-to-peak exceeds this (0: not judged).
    double amplitudeMax;
    // mains hum: power at the mains frequency above humShare of the
    // channel's power and above humRms (check units) (humShare 0: not judged).
    double humShare;
    double humRms;
    // high-frequency artifact: rms above 30 Hz, mains removed (0: not judged).
    double hfRms;
};

// Rows in SignalClass order.
//
// Sources: EEG amplitudes of sleep (slow waves 75-200 uV peak to peak,
// spindles 10-50 uV) and the recording rules of sleep laboratories
// (electrode impedance below 5-10 kOhm keeps noise well below 5 uV rms);
// EOG eye movements of 50-500 uV; chin EMG tone of a few to tens of uV,
// 1-2 uV rms in the atonia of REM sleep; ECG R waves of 0.5-3 mV; the rest
// is the recorder's digital range.
// An amplifier input with no electrode records its own noise: 0.3-0.5 uV
// rms (0.31 and 0.39 uV rms on the inputs measured), so the dead floor of
// the electrodes lies at 0.6 uV, above it and below any living signal. A
// second below 2 uV (EEG, EOG) or 1 uV (chin) that is also below a fifth of
// the channel's usual second is a lead off too: a quiet chin in REM sleep
// keeps a third to a half of its usual tone.
// Breathing stops for 10-60 s in an apnea, yet the flow of an apnea stays
// above 2 % of a breath's: a breathing channel is flat after 30 s below it. SpO2 at a 1 % resolution may rest on one value for
// many minutes in quiet sleep, never for 20; a pulse rate follows breathing
// and never rests for 10. A channel of unknown kind may step between values
// (a body position, an event marker): only one value held for an hour is flat.
const ClassThresholds kClassThresholds[] = {
    //  class               name        dead  low   rel    minS   heldS    ampMax   humSh  humRms hfRms
    {SignalClass::Other,    "other",    0.0,  0.0,  0.0,   0.0,   3600.0,  0.0,     0.0,   0.0,   0.0},
    {SignalClass::Eeg,      "EEG",      0.6,  2.0,  0.2,   10.0,  0.0,     800.0,   0.5,   5.0,   15.0},
    // EOG hum share 0.15, not half: the eyes' slow rolling when awake (about 75 uV rms)
    // hid a 35 uV rms mains hum that spoils the channel; the 5 uV floor still holds.
    // EOG amplitude 1200 uV, not 2000: an EOG input of +-819 uV can never reach 2000, and
    // waking eye movements of a real night stay below 800 uV peak to peak.
    {SignalClass::Eog,      "EOG",      0.6,  2.0,  0.2,   10.0,  0.0,     1200.0,  0.15,  5.0,   20.0},
    {SignalClass::Emg,      "EMG",      0.6,  1.0,  0.2,   10.0,  0.0,     2000.0,  0.5,   5.0,   0.0},
    {SignalClass::Ecg,      "ECG",      5.0,  0.0,  0.0,   10.0,  0.0,     10000.0, 0.5,   20.0,  0.0},
    {SignalClass::Airflow,  "airflow",  0.0,  1e30, 0.02,  30.0,  0.0,     0.0,     0.0,   0.0,   0.0},
    {SignalClass::Effort,   "effort",   0.0,  1e30, 0.02,  30.0,  0.0,     0.0,     0.0,   0.0,   0.0},
    {SignalClass::Spo2,     "SpO2",     0.0,  0.0,  0.0,   0.0,   1200.0,  0.0,     0.0,   0.0,   0.0},
    {SignalClass::Pulse,    "pulse",    0.0,  0.0,  0.0,   0.0,   600.0,   0.0,     0.0,   0.0,   0.0},
    {SignalClass::Snore,    "snore",    0.0,  0.0,  0.0,   0.0,   3600.0,  0.0,     0.0,   0.0,   0.0},
    {SignalClass::Position, "position", 0.0,  0.0,  0.0,   0.0,   0.0,     0.0,     0.0,   0.0,   0.0},
};
static_assert(sizeof kClassThresholds / sizeof kClassThresholds[0] == size_t(SignalClass::Count),
              "one row per kind of signal");

// Thresholds of the single checks that are not per class.
struct CheckLimits {
    double epochSeconds;        // the check's epoch
    double shortestEpochSeconds;// a last partial epoch shorter than this is not judged
    double nightEpochsMin;      // a rule over the whole night needs this many epochs, else "not judged"
    // Runs of seconds: gaps this short inside a run of flat seconds, of
    // clipped seconds and of probe-off seconds are bridged.
    double flatGapSeconds;
    double flatSecondSamplesMin;  // a channel with fewer samples a second is flat only where its value stays
    double clipGapSeconds;
    double clipShareWarn;       // share of samples at the converter's limits: warn
    double clipShareFail;       // ... fail
    double clipWindowSeconds;   // the share is taken over the run, or this long a window at least
    double hfHighPassHz;        // the high-frequency artifact's band starts here
    double eegBandLowHz, eegBandHighHz;  // EEG activity band
    double eegBandShareMin;     // an EEG epoch with less of its power in the band is not EEG-like
    double breathingShareMin;   // a respiration epoch with less of its power below 2 Hz is not breathing
    double typeEpochShare;      // the share of a channel's epochs the band rules need before they find anything
    // A run of beats (band beatBandLowHz-beatBandHighHz peaks) counts as an
    // ECG when they are this regular (coefficient of variation of the beat
    // intervals) and stand this far above the rest of the signal.
    double beatBandLowHz, beatBandHighHz;
    double beatPeakWindowSeconds;           // a peak is the largest sample this long after the band crosses half the top
    double beatRefractorySeconds;           // the shortest interval between two beats
    double beatEpochSecondsMin;             // beats are counted in epochs this long at least
    double beatScreenKurtosis;  // a non-ECG epoch less peaked than this is not looked at for beats
    double beatIntervalCvMax;
    double beatProminenceMin;
    double heartRateLow, heartRateHigh;     // bpm; outside: an ECG finding
    double beatInvertedShare;               // share of beats pointing down: inverted ECG
    double ecgLikeEpochShare;               // a non-ECG channel ECG-like in this share of its epochs
    double spo2Low, spo2High;               // percent; outside: probe off
    double spo2OffShare;                    // share of a second's samples outside: that second the probe is off
    double spo2OffSecondsMin;               // a probe off this long at least is a finding
    double spo2JumpPerSecond;               // percent points between two 1-second means
    double spo2FractionHigh;                // a night of values up to this that vary is a fraction, not percent
    double spo2FractionSpread;              // ... varying by this at least
    double pulseLow, pulseHigh;             // bpm of a pulse channel; outside: probe off
    double duplicateSdRatio;                // pre-screen: two channels whose sd differ by more are no copy
    double duplicateMeanShare;              // ... or whose means differ by more than this x the sd
    double duplicateDifference;             // rms of the difference / the signal's sd: one signal
    double eogBlockSeconds;                 // the EOG pair is compared on means of blocks this long
    double eogSmoothSeconds;                // ... averaged over this long: slow waves of 1-2 Hz cancel, eye movements stay
    double eogMovementSd;                   // uV of the averaged blocks: eyes moving in the epoch
    double eogInPhaseCorrelation;           // correlation of the pair above this: in phase
    double eogWindowSeconds;                // ... judged second by second on windows this long, for a stretch's ends
    double eogWindowMovementSd;             // ... where the eyes move this much (uV of the averaged blocks)
    double eogEdgeWindowSeconds;            // a stretch's ends placed on windows this long, within one long window
    double eogEdgeSmoothSeconds;            // a stretch's ends judged on the blocks averaged over this long
    double eogEdgeGapSeconds;               // ... gaps this long in its in-phase seconds bridged
    double eogApartWindowSeconds;           // the eyes apart (wired right) are told on windows this long,
    double eogApartCorrelation;             // ... below this, on clear movements (eogMovementSd / 2)
    // A swing on one eye's channel that the other eye's does not share is
    // no eye movement (the eyes move both electrodes alike): beyond this
    // peak to peak (uV) and this many times the other eye's, a movement.
    double eogOneSideAmplitude;
    double eogOneSideRatio;
    double amplitudeSecondShare;            // a second whose own peak to peak exceeds this x the epoch's line marks the swing
    double positionOutShare;                // share of samples in no level: finding
    double usableShareForPass;              // a channel with less usable time fails
    double mainsRateMargin;                 // the rate must exceed this x the mains frequency
    double holdShare;                       // a steady fault's stretch goes on while its measure stays above this x the start threshold
    // Quiet seconds (below a kind's low floor) are kept for the flat rule's
    // test against the channel's usual second, known at the night's end:
    // all of the first quietSecondsKept, then those below quietMargin x the
    // rule's share of the usual second so far; consecutive ones whose
    // deviations lie within a factor quietSpread are one run.
    double quietSecondsKept;
    double quietMargin;
    double quietSpread;
    // A stretch judged on epochs starts and ends where a run of seconds of
    // the fault does: runs this long at least, gaps this short bridged.
    double edgeRunSeconds;
    double edgeGapSeconds;
};

const CheckLimits kCheckLimits = {
    30.0,   // epochSeconds: the scoring epoch of sleep laboratories
    10.0,   // shortestEpochSeconds
    10.0,   // nightEpochsMin: five minutes
    2.0,    // flatGapSeconds: a spike on a dead input does not part its flat stretch
    5.0,    // flatSecondSamplesMin: the sd of fewer samples says nothing of a signal's variation
    5.0,    // clipGapSeconds
    0.01,   // clipShareWarn: 1 % of samples at the limit is more than a rare overshoot
    0.10,   // clipShareFail
    30.0,   // clipWindowSeconds: a short overshoot is held against an epoch, as before seconds were judged
    30.0,   // hfHighPassHz: above the EEG bands (beta ends near 30 Hz); muscle lies above
    0.5, 30.0,  // eegBandLowHz, eegBandHighHz: delta to beta
    0.10,   // eegBandShareMin
    0.10,   // breathingShareMin: breathing lies at 0.1-0.7 Hz; real nasal flow keeps 20-35 % of its power above 2 Hz (snoring, pressure noise), white noise at 25 Hz gives 8 %
    0.5,    // typeEpochShare: a channel is not its type over most of the night, not in a movement
    5.0, 25.0,  // beatBandLowHz, beatBandHighHz: the QRS complex's band
    0.1,    // beatPeakWindowSeconds: a QRS complex lasts 0.06-0.1 s
    0.25,   // beatRefractorySeconds: 240 bpm at most
    5.0,    // beatEpochSecondsMin: three beats at 36 bpm
    6.0,    // beatScreenKurtosis: an ECG's epochs give 10-15, EEG 3-6 (99 % of real evening epochs below 10)
    0.25,   // beatIntervalCvMax: heart rate variability in sleep stays near 0.05-0.15
    6.0,    // beatProminenceMin: QRS peaks over the median of the 5-25 Hz band's magnitude (noise gives 3-5)
    30.0, 180.0,  // heartRateLow, heartRateHigh
    0.7,    // beatInvertedShare
    0.5,    // ecgLikeEpochShare
    50.0, 100.5,  // spo2Low, spo2High: oximeters report 50-100 %; below 50 they report nothing reliable
    0.5,    // spo2OffShare
    2.0,    // spo2OffSecondsMin: one sample of 0 is a dropped value, not a probe off
    10.0,   // spo2JumpPerSecond: desaturations fall a few points over several seconds
    1.005, 0.01,  // spo2FractionHigh, spo2FractionSpread: SpO2 stored as 0.85-1.00
    30.0, 200.0,  // pulseLow, pulseHigh: what a pulse oximeter reports of a sleeper
    0.1,    // duplicateSdRatio
    0.5,    // duplicateMeanShare
    0.05,   // duplicateDifference: a copy differs by rounding only, or by a calibration a few % apart
            // (one signal on inputs of +-192 and +-197 uV differs by 2.3 %); two leads of one head by 10 % and more
    0.1,    // eogBlockSeconds
    1.0,    // eogSmoothSeconds: a 1-s mean keeps 90 % of a 0.25 Hz eye roll and a saccade's step, 0-20 % of 1-2 Hz slow waves
    20.0,   // eogMovementSd
    0.65,   // eogInPhaseCorrelation: correctly wired eyes over a frontal EEG's slow waves reach 0.5-0.6 in a rare epoch; eyes in phase 0.9 and more
    9.0,    // eogWindowSeconds: a few saccades and rolls, so that a frontal EEG's slow waves below 1 Hz, which both
            // eye electrodes share, do not decide the window (on nights of a real frontal EEG on both eyes, windows
            // of 7-12 s put the most inverted stretches' ends within 5 s; 3 s and 15 s far fewer)
    10.0,   // eogWindowMovementSd: half the epoch's, a few seconds holding less of a movement
    3.0,    // eogEdgeWindowSeconds: a saccade or two; the long windows blur an end by up to their length
    2.0,    // eogEdgeSmoothSeconds: a 2-s mean cancels a frontal EEG's waves of 0.5, 1 and 1.5 Hz whole and keeps 90 %
            // of a 0.125 Hz eye roll; over a real frontal EEG on both eyes, the 1-s mean took the EEG's waves for
            // eyes in phase in 13 % of the seconds beside an inverted stretch, the 2-s mean in 4 %
    4.0,    // eogEdgeGapSeconds: under half a long window; eyes resting a few seconds inside a stretch end nothing
    4.0,    // eogApartWindowSeconds: a saccade and the eye's return, short enough that a frontal EEG's slow waves
            // (opposite where one lead is inverted) seldom pass for eyes apart over small movements
    -0.4,   // eogApartCorrelation: clearly apart; over a real frontal EEG on both eyes, 3 s at -0.65 left most
            // rolling eyes unseen, longer windows or lines nearer 0 took an inverted lead's slow waves for eyes apart
    800.0,  // eogOneSideAmplitude: the EEG's line (the same electrodes, the same movements of the head)
    2.0,    // eogOneSideRatio: the two eyes' channels reach within a third of each other in eye movements
    0.4,    // amplitudeSecondShare: a movement's swings of 0.5-3 Hz span most of it within a second; sleep EEG's stay below 250 uV
    0.10,   // positionOutShare
    0.5,    // usableShareForPass
    2.2,    // mainsRateMargin: the mains frequency must lie well below half the rate
    0.7,    // holdShare: a hum hovering at its threshold is one finding, not many
    600.0,  // quietSecondsKept: ten minutes, before the usual second is known
    2.5,    // quietMargin: the usual second of the night may lie above that of its start
    1.25,   // quietSpread
    3.0,    // edgeRunSeconds: a second or two of noise at the line marks no fault's edge
    2.0,    // edgeGapSeconds: as the flat runs' gaps
};

// A sample at the converter's limits: the file's digital range is -32768 to
// 32767, and a value the converter had to cut lands on -32767 or 32767 (or
// below, -32768).
const int32_t kClipDigital = 32767;

// A pulse wave (the oximeter's light, not a rate) holding one value this
// long is a sensor off: the wave follows every beat.
const double kPulseWaveHeldSeconds = 10.0;

// The notes that repeat a threshold, kept beside it.
const char kNoteRateLow[] = "rate below 30 bpm";       // heartRateLow
const char kNoteRateHigh[] = "rate above 180 bpm";     // heartRateHigh
const char kNotePulseLow[] = "pulse below 30 bpm";     // pulseLow
const char kNotePulseHigh[] = "pulse above 200 bpm";   // pulseHigh

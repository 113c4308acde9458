// The night check's thresholds: one row per kind of signal, every value named
// and explained where it comes from. Tuning the check means editing this
// table and nothing else; docs/night-check.md lists the same values.
//
// Units: electrical signals are judged in microvolts (the channel's unit
// "V", "mV" or "uV" converted), SpO2 in percent, everything else in the
// channel's own physical unit.
#pragma once

#include <cstdint>

// The kinds of signal the check tells apart (how a channel is placed is in
// night_check.cpp, ClassOfChannel).
enum class SignalClass : int32_t { Other, Eeg, Eog, Emg, Ecg, Airflow, Effort, Spo2, Pulse, Snore, Position, Count };

struct ClassThresholds {
    SignalClass cls;
    const char* name;           // as the rule set and the report name it
    // flat: an epoch whose standard deviation is below flatSd (check units;
    // 0: not judged absolutely), or below flatShareOfNight x the channel's
    // median over the night (0: not judged relatively), or whose samples
    // repeat one value for repeatShare of the epoch.
    double flatSd;
    double flatShareOfNight;
    double repeatShare;
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
// EOG eye movements of 50-500 uV; chin EMG tone of a few to tens of uV;
// ECG R waves of 0.5-3 mV; the rest is the recorder's digital range.
// A flat electrode stays within the amplifier's noise (below 1 uV rms).
const ClassThresholds kClassThresholds[] = {
    //  class               name        flatSd  flatRel repeat  ampMax   humSh  humRms hfRms
    {SignalClass::Other,    "other",    0.0,    0.0,    0.95,   0.0,     0.0,   0.0,   0.0},
    {SignalClass::Eeg,      "EEG",      1.0,    0.0,    0.5,    800.0,   0.5,   5.0,   15.0},
    // EOG hum share 0.15, not half: the eyes' slow rolling when awake (about 75 uV rms)
    // hid a 35 uV rms mains hum that spoils the channel; the 5 uV floor still holds.
    // EOG amplitude 1200 uV, not 2000: an EOG input of +-819 uV can never reach 2000, and
    // waking eye movements of a real night stay below 800 uV peak to peak.
    {SignalClass::Eog,      "EOG",      1.0,    0.0,    0.5,    1200.0,  0.15,  5.0,   20.0},
    {SignalClass::Emg,      "EMG",      0.3,    0.0,    0.5,    2000.0,  0.5,   5.0,   0.0},
    {SignalClass::Ecg,      "ECG",      5.0,    0.0,    0.5,    10000.0, 0.5,   20.0,  0.0},
    {SignalClass::Airflow,  "airflow",  0.0,    0.02,   0.5,    0.0,     0.0,   0.0,   0.0},
    {SignalClass::Effort,   "effort",   0.0,    0.02,   0.5,    0.0,     0.0,   0.0,   0.0},
    {SignalClass::Spo2,     "SpO2",     0.0,    0.0,    0.0,    0.0,     0.0,   0.0,   0.0},
    {SignalClass::Pulse,    "pulse",    0.0,    0.0,    0.0,    0.0,     0.0,   0.0,   0.0},
    {SignalClass::Snore,    "snore",    0.0,    0.0,    0.95,   0.0,     0.0,   0.0,   0.0},
    {SignalClass::Position, "position", 0.0,    0.0,    0.0,    0.0,     0.0,   0.0,   0.0},
};

// Thresholds of the single checks that are not per class.
struct CheckLimits {
    double epochSeconds;        // the check's epoch
    double shortestEpochSeconds;// a last partial epoch shorter than this is not judged
    double clipShareWarn;       // share of samples at the converter's limits: warn
    double clipShareFail;       // ... fail
    double hfHighPassHz;        // the high-frequency artifact's band starts here
    double eegBandLowHz, eegBandHighHz;  // EEG activity band
    double eegBandShareMin;     // an EEG epoch with less of its power in the band is not EEG-like
    double breathingShareMin;   // a respiration epoch with less of its power below 2 Hz is not breathing
    // A run of beats (band 5-25 Hz peaks) counts as an ECG when they are this
    // regular (coefficient of variation of the beat intervals) and stand
    // this far above the rest of the signal.
    double beatScreenKurtosis;  // a non-ECG epoch less peaked than this is not looked at for beats
    double beatIntervalCvMax;
    double beatProminenceMin;
    double heartRateLow, heartRateHigh;     // bpm; outside: an ECG finding
    double beatInvertedShare;               // share of beats pointing down: inverted ECG
    double ecgLikeEpochShare;               // a non-ECG channel ECG-like in this share of its epochs
    double spo2Low, spo2High;               // percent; outside: probe off or a unit mistake
    double spo2OffShare;                    // share of an epoch's samples outside: probe off
    double spo2JumpPerSecond;               // percent points between two 1-second means
    double duplicateDifference;             // rms of the difference / the signal's sd: one signal
    double eogMovementSd;                   // uV of the 0.1 s means: eyes moving in the epoch
    double eogInPhaseCorrelation;           // correlation of the pair above this: in phase
    double positionOutShare;                // share of samples in no level: finding
    double usableShareForPass;              // a channel with less usable time fails
    double mainsRateMargin;                 // the rate must exceed this x the mains frequency
};

const CheckLimits kCheckLimits = {
    30.0,   // epochSeconds: the scoring epoch of sleep laboratories
    10.0,   // shortestEpochSeconds
    0.01,   // clipShareWarn: 1 % of samples at the limit is more than a rare overshoot
    0.10,   // clipShareFail
    30.0,   // hfHighPassHz: above the EEG bands (beta ends near 30 Hz); muscle lies above
    0.5, 30.0,  // eegBandLowHz, eegBandHighHz: delta to beta
    0.10,   // eegBandShareMin
    0.10,   // breathingShareMin: breathing lies at 0.1-0.7 Hz; real nasal flow keeps 20-35 % of its power above 2 Hz (snoring, pressure noise), white noise at 25 Hz gives 8 %
    6.0,    // beatScreenKurtosis: an ECG's epochs give 10-15, EEG 3-6 (99 % of real evening epochs below 10)
    0.25,   // beatIntervalCvMax: heart rate variability in sleep stays near 0.05-0.15
    6.0,    // beatProminenceMin: QRS peaks over the median of the 5-25 Hz band's magnitude (noise gives 3-5)
    30.0, 180.0,  // heartRateLow, heartRateHigh
    0.7,    // beatInvertedShare
    0.5,    // ecgLikeEpochShare
    50.0, 100.5,  // spo2Low, spo2High: oximeters report 50-100 %; below 50 they report nothing reliable
    0.05,   // spo2OffShare
    10.0,   // spo2JumpPerSecond: desaturations fall a few points over several seconds
    0.05,   // duplicateDifference: a copy differs by rounding only, or by a calibration a few % apart
            // (one signal on inputs of +-192 and +-197 uV differs by 2.3 %); two leads of one head by 10 % and more
    20.0,   // eogMovementSd
    0.5,    // eogInPhaseCorrelation
    0.10,   // positionOutShare
    0.5,    // usableShareForPass
    2.2,    // mainsRateMargin: the mains frequency must lie well below half the rate
};
